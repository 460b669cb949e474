#include "monitor/monitoring.h"

#include "shell/main_window.h"

namespace brindlow {

void connectMonitoring(MainWindow&) {}
void toggleMonitoring(MainWindow&) {}
void runMonitoringPass(MainWindow&) {}

}  // namespace brindlow
