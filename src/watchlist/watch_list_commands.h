#pragma once
// The watch list's commands: the start-up load, the reload, and the popup
// menu's "删除" and "此次不再提示".

namespace brindlow {

class MainWindow;
class StockStore;
class WatchListGrid;

// Rebuilds the grid from table 股票, row values 1, 2, 3, ... in query order.
void refreshWatchList(WatchListGrid& grid, StockStore& store);
void refreshWatchList(MainWindow& window);

// The main window's creation step: opens db.mdb in the current directory and
// fills the grid, or tells the user why it cannot.
void openWatchList(MainWindow& window);

// Right-click on the grid: the popup menu at the pointer.
void showWatchListMenu(MainWindow& window);
void deleteSelectedShare(MainWindow& window);
void markSelectedShare(MainWindow& window);

// Connects the grid's right-click and the menu's items.
void connectWatchList(MainWindow& window);

}  // namespace brindlow
