#pragma once
// Monitoring: the switch 按钮_开始监控 and the pass that each tick of
// 时钟_监控时钟 runs over the watch-list grid.

namespace brindlow {

class MainWindow;

// Creates the alert balloon and connects the switch and the timer; called once
// by the main window's constructor.
void connectMonitoring(MainWindow& window);

void toggleMonitoring(MainWindow& window);
void runMonitoringPass(MainWindow& window);

}  // namespace brindlow
