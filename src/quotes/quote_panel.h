#pragma once
// The quote panel on the right of the main window: View (按钮2) fills it with
// the day's figures of the typed share, Add (按钮_添加) stores it in the watch
// list, Modify (按钮_修改) is hidden and does nothing.

namespace brindlow {

class MainWindow;

void viewQuote(MainWindow& window);
void addQuoteToWatchList(MainWindow& window);

// Connects the three buttons; called once by the main window's constructor.
void connectQuotePanel(MainWindow& window);

}  // namespace brindlow
