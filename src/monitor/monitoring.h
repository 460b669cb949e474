#pragma once
// Monitoring: the switch 按钮_开始监控 and the pass that each tick of
// 时钟_监控时钟 runs over the watch-list grid.

namespace brindlow {

class MainWindow;

// The publisher's web address that ends the start-monitoring log line.
inline constexpr const char* kPublisherAddress = "https://brindlow.example.org/";

// Creates the alert balloon and connects the switch and the timer; called once
// by the main window's constructor.
void connectMonitoring(MainWindow& window);

// The click handler of 按钮_开始监控: the caption alone decides between start
// and stop.
void toggleMonitoring(MainWindow& window);

// One pass over the grid: fresh quotes, columns 3 and 5, the log and the
// balloon. A call while a pass of the same window runs (a tick inside the
// pass's message box) returns at once.
void runMonitoringPass(MainWindow& window);

// True while a pass of the window runs, its message box included.
bool monitoringPassRunning(const MainWindow& window);

}  // namespace brindlow
