// numberToText and toNumber against the C library's "%.13g" and strtod on the
// same inputs: the figures a quote record and the grid actually carry. After
// the run the ratios (ours / baseline, CPU time) are printed.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "shell/values/codepage.h"
#include "shell/values/number.h"

namespace {

using brindlow::Text;

// Prices, percentages and volumes as the quote service writes them.
const std::vector<Text>& quoteFields() {
  static const std::vector<Text> fields = {
      "12.350",   "12.280",       "12.400", "1580.000", "3.460",     "0.995",    "25.010",
      "-2.35",    "10.02",        "0.0123", "-0.57",    "123456789", "45678912", "1234567890",
      "98765.43", "567890123.45", "7.77",   "0.000",    "100",       "16.66"};
  return fields;
}

// The numbers the grid shows: parsed prices and the computed distances in
// percent, most of which carry all 17 digits.
const std::vector<double>& gridNumbers() {
  static const std::vector<double> numbers = [] {
    std::vector<double> out;
    const double prices[] = {12.35, 12.28, 1580, 3.46, 0.995, 25.01, 7.77, 16.66};
    const double watched[] = {12.5, 12.0, 1600, 3.5, 1.1, 24.0, 8.0, 16.0};
    for (int i = 0; i < 8; ++i) {
      out.push_back(prices[i]);
      out.push_back((watched[i] - prices[i]) / prices[i] * 100);
    }
    out.push_back(123456789);
    out.push_back(45678912.34);
    out.push_back(-0.57);
    out.push_back(0.0123);
    return out;
  }();
  return numbers;
}

void BM_numberToText(benchmark::State& state) {
  for (auto _ : state) {
    for (double x : gridNumbers()) benchmark::DoNotOptimize(brindlow::numberToText(x));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(gridNumbers().size()));
}

void BM_snprintf13g(benchmark::State& state) {
  char buffer[32];
  for (auto _ : state) {
    for (double x : gridNumbers()) {
      const int n = std::snprintf(buffer, sizeof buffer, "%.13g", x);
      // A text is what the caller needs, so the baseline builds one too.
      benchmark::DoNotOptimize(std::string(buffer, static_cast<std::size_t>(n)));
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(gridNumbers().size()));
}

void BM_toNumber(benchmark::State& state) {
  for (auto _ : state) {
    for (const Text& t : quoteFields()) benchmark::DoNotOptimize(brindlow::toNumber(t));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(quoteFields().size()));
}

void BM_strtod(benchmark::State& state) {
  for (auto _ : state) {
    for (const Text& t : quoteFields()) benchmark::DoNotOptimize(std::strtod(t.c_str(), nullptr));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(quoteFields().size()));
}

// One grid row's eight cells on their way to the window system and back.
const std::vector<Text>& gridRow() {
  static const std::vector<Text> row = {"600000",
                                        brindlow::gbk("浦发银行"),
                                        "12.35",
                                        "12.5",
                                        "1.214574898785%",
                                        brindlow::gbk("上海证券交易所"),
                                        brindlow::gbk("2017年5月13日9时5分3秒"),
                                        brindlow::gbk("√")};
  return row;
}

void BM_gbkToUtf8Row(benchmark::State& state) {
  for (auto _ : state) {
    for (const Text& cell : gridRow()) benchmark::DoNotOptimize(brindlow::gbkToUtf8(cell));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(gridRow().size()));
}

void BM_utf8ToGbkRow(benchmark::State& state) {
  std::vector<std::string> utf8;
  for (const Text& cell : gridRow()) utf8.push_back(brindlow::gbkToUtf8(cell));
  for (auto _ : state) {
    for (const std::string& cell : utf8) benchmark::DoNotOptimize(brindlow::utf8ToGbk(cell));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(utf8.size()));
}

BENCHMARK(BM_numberToText);
BENCHMARK(BM_snprintf13g);
BENCHMARK(BM_toNumber);
BENCHMARK(BM_strtod);
BENCHMARK(BM_gbkToUtf8Row);
BENCHMARK(BM_utf8ToGbkRow);

// Shows every run as usual and keeps the CPU time of each benchmark for the
// ratios: the median when repetitions are asked for, else the single run.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (single || median) times[run.run_name.function_name] = run.GetAdjustedCPUTime();
    }
  }
  std::map<std::string, double> times;
};

void printRatio(const RatioReporter& reporter, const char* ours, const char* baseline) {
  const auto a = reporter.times.find(ours);
  const auto b = reporter.times.find(baseline);
  if (a == reporter.times.end() || b == reporter.times.end() || b->second <= 0) return;
  std::printf("%-16s / %-16s = %.2fx\n", ours, baseline, a->second / b->second);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::printf("\nRatios (CPU time, lower is faster):\n");
  printRatio(reporter, "BM_numberToText", "BM_snprintf13g");
  printRatio(reporter, "BM_toNumber", "BM_strtod");
  return 0;
}
