#pragma once

class QApplication;

namespace brindlow {

// Style and fonts shared by the program and its GUI tests.
void setUpApplication(QApplication& app);

}  // namespace brindlow
