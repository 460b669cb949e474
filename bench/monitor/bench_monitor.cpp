// One monitoring pass over 50 rows against a local quote server, measured
// against 50 bare libcurl requests to the same server in the same run.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <QApplication>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "monitor/monitoring.h"
#include "quotes/http.h"
#include "quotes/service_endpoints.h"
#include "shell/main_window.h"
#include "shell/message_box.h"
#include "shell/values/codepage.h"
#include "support_http_server.h"

namespace {

using namespace brindlow;
constexpr int kRows = 50;

std::string quoteAnswer(const std::string& target) {
  std::string fields = gbk("测试股份") + ",3.45,3.44,3.44,3.50,3.40,3.43,3.44,1000,3480";
  for (int i = 10; i < 30; ++i) fields += ",1";
  fields += ",2017-05-13,09:30:12,00";
  return "var hq_str_" + target.substr(target.find('=') + 1) + "=\"" + fields + "\";\n";
}

testing::HttpTestServer& server() {
  static testing::HttpTestServer instance([](const testing::RecordedRequest& request) {
    return testing::Reply::ok(quoteAnswer(request.target), "text/javascript; charset=GBK");
  });
  return instance;
}

std::string code(int row) {
  char text[8];
  std::snprintf(text, sizeof text, "6%05d", row);
  return text;
}

void BM_MonitoringPass50Rows(benchmark::State& state) {
  setServiceEndpoints(ServiceEndpoints{HostPort{"127.0.0.1", server().port()},
                                       HostPort{"127.0.0.1", server().port()}});
  setMessageBoxHandler([](const ShownMessage&) {});
  MainWindow window;
  WatchListGrid& grid = *window.超级列表框_总数据列表;
  for (int r = 0; r < kRows; ++r) {
    grid.appendRow(std::to_string(r + 1), 0);
    grid.setCellText(r, 1, code(r));
    grid.setCellText(r, 2, gbk("测试股份"));
    grid.setCellText(r, 4, "3.5");  // 1.74 % away: no alerts, the log stays as it is
    grid.setCellText(r, 6, gbk("上海证券交易所"));
  }
  for (auto _ : state) runMonitoringPass(window);
  if (grid.cellText(kRows - 1, 3) != "3.44")
    state.SkipWithError("the pass did not update the grid");
  state.SetItemsProcessed(state.iterations() * kRows);
}

size_t collect(char* data, size_t size, size_t count, void* sink) {
  static_cast<std::string*>(sink)->append(data, size * count);
  return size * count;
}

void BM_BareCurl50Requests(benchmark::State& state) {
  const std::string origin = "http://127.0.0.1:" + std::to_string(server().port());
  std::string body;
  for (auto _ : state) {
    for (int r = 0; r < kRows; ++r) {
      body.clear();
      CURL* curl = curl_easy_init();
      const std::string url = origin + "/list=sh" + code(r);
      curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
      curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
      curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
      curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
      curl_easy_perform(curl);
      curl_easy_cleanup(curl);
    }
    benchmark::DoNotOptimize(body);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

// The quote fetches alone, to tell the pass's own cost from the HTTP client's.
void BM_FetchQuoteText50Rows(benchmark::State& state) {
  setServiceEndpoints(ServiceEndpoints{HostPort{"127.0.0.1", server().port()},
                                       HostPort{"127.0.0.1", server().port()}});
  for (auto _ : state)
    for (int r = 0; r < kRows; ++r) benchmark::DoNotOptimize(fetchQuoteText("sh", code(r)));
  state.SetItemsProcessed(state.iterations() * kRows);
}

BENCHMARK(BM_MonitoringPass50Rows)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FetchQuoteText50Rows)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BareCurl50Requests)->Unit(benchmark::kMillisecond)->UseRealTime();

// Prints the ratio of the two measurements after the table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    // The median of repetitions when there are any, otherwise the single run.
    for (const Run& run : runs) {
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      auto& slot = times_[run.run_name.function_name];
      if (median || (run.run_type == Run::RT_Iteration && !slot.fromMedian))
        slot = {run.GetAdjustedRealTime(), median};
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const auto pass = times_.find("BM_MonitoringPass50Rows");
    const auto bare = times_.find("BM_BareCurl50Requests");
    if (pass != times_.end() && bare != times_.end() && bare->second.time > 0)
      std::printf("pass / bare libcurl: %.3f (goal <= 1.2)\n",
                  pass->second.time / bare->second.time);
  }

 private:
  struct Time {
    double time = 0;
    bool fromMedian = false;
  };
  std::map<std::string, Time> times_;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  curl_global_init(CURL_GLOBAL_DEFAULT);
  server().setRecording(false);
  // The machine's load shifts between the benchmarks; by default repeat them
  // interleaved and compare medians.
  std::vector<char*> args(argv, argv + argc);
  std::string repetitions = "--benchmark_repetitions=5";
  std::string interleave = "--benchmark_enable_random_interleaving=true";
  std::string aggregates = "--benchmark_report_aggregates_only=true";
  if (argc == 1)
    args.insert(args.end(), {repetitions.data(), interleave.data(), aggregates.data()});
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  server().stop();
  return 0;
}
