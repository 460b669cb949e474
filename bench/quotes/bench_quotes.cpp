// httpGet per request against a bare libcurl easy-handle loop doing the same
// requests on the same loopback server (goal: ratio <= 1.15), and the
// throughput of parseQuoteRecord on records shaped like the service's.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <cstdio>
#include <map>
#include <string>

#include "quotes/http.h"
#include "quotes/quote_record.h"
#include "shell/values/codepage.h"
#include "support_http_server.h"

namespace {

using namespace brindlow;

std::string shanghaiRecord() {
  return "var hq_str_sh601288=\"" + gbk("农业银行") +
         ",3.630,3.650,3.640,3.660,3.620,3.630,3.640,187523449,682190530.000,3125400,3.630,"
         "4821800,3.620,2376100,3.610,1893200,3.600,712300,3.590,1523800,3.640,2874100,3.650,"
         "3011800,3.660,1725300,3.670,984600,3.680,2026-12-11,15:00:03,00,\";\n";
}

std::string shenzhenRecord() {
  return "var hq_str_sz000002=\"" + gbk("万科Ａ") +
         ",14.370,14.360,14.180,14.390,14.140,14.180,14.190,35414100,505547402.350,16400,14.180,"
         "105200,14.170,113600,14.160,81700,14.150,13000,14.140,63200,14.190,91300,14.200,122500,"
         "14.210,104900,14.220,72300,14.230,2026-12-11,15:00:03,00\";\n";
}

std::string postCloseRecord() {
  std::string r = shanghaiRecord();
  r.replace(r.find(",00,\";"), 6, ",00,D|3260|11868.000,\";");
  return r;
}

testing::HttpTestServer& server() {
  static testing::HttpTestServer instance(
      testing::Reply::ok(shanghaiRecord(), "application/javascript"));
  return instance;
}

void BM_HttpGet(benchmark::State& state) {
  auto& s = server();
  s.setRecording(false);
  const std::string url = s.url("/list=sh601288");
  std::size_t bytes = 0;
  for (auto _ : state) {
    const Bytes body = httpGet(url, HttpOptions{kQuoteReferer});
    bytes += body.size();
    benchmark::DoNotOptimize(body.data());
  }
  if (bytes != shanghaiRecord().size() * static_cast<std::size_t>(state.iterations())) {
    state.SkipWithError("short answers");
  }
  state.SetItemsProcessed(state.iterations());
}

std::size_t collect(char* data, std::size_t size, std::size_t count, void* user) {
  auto& body = *static_cast<std::string*>(user);
  body.append(data, size * count);
  return size * count;
}

// The same request with nothing of our own around it: one easy handle per
// request, as httpGet uses.
void BM_BareCurl(benchmark::State& state) {
  auto& s = server();
  s.setRecording(false);
  const std::string url = s.url("/list=sh601288");
  curl_global_init(CURL_GLOBAL_DEFAULT);
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::string body;
    CURL* h = curl_easy_init();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(h, CURLOPT_REFERER, kQuoteReferer);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &body);
    curl_easy_perform(h);
    curl_easy_cleanup(h);
    bytes += body.size();
    benchmark::DoNotOptimize(body.data());
  }
  if (bytes != shanghaiRecord().size() * static_cast<std::size_t>(state.iterations())) {
    state.SkipWithError("short answers");
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_ParseQuoteRecord(benchmark::State& state, std::string answer) {
  const Bytes bytes(answer.begin(), answer.end());
  for (auto _ : state) {
    auto record = parseQuoteRecord(bytes);
    benchmark::DoNotOptimize(record);
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}

// Several records in one body: only the first is read, the rest is skipped.
std::string watchListAnswer() {
  std::string body;
  for (int i = 0; i < 12; ++i) body += i % 2 ? shenzhenRecord() : shanghaiRecord();
  return body;
}

BENCHMARK(BM_BareCurl)->MinTime(3.0)->UseRealTime();
BENCHMARK(BM_HttpGet)->MinTime(3.0)->UseRealTime();
BENCHMARK(BM_BareCurl)->MinTime(3.0)->UseRealTime();
BENCHMARK(BM_HttpGet)->MinTime(3.0)->UseRealTime();
BENCHMARK_CAPTURE(BM_ParseQuoteRecord, shanghai, shanghaiRecord());
BENCHMARK_CAPTURE(BM_ParseQuoteRecord, shenzhen, shenzhenRecord());
BENCHMARK_CAPTURE(BM_ParseQuoteRecord, post_close, postCloseRecord());
BENCHMARK_CAPTURE(BM_ParseQuoteRecord, twelve_records, watchListAnswer());

// Prints the ratio of the two HTTP loops measured in this run.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      auto& total = totals_[run.run_name.function_name];
      total.first += run.GetAdjustedRealTime() * static_cast<double>(run.iterations);
      total.second += static_cast<double>(run.iterations);
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const auto ours = totals_.find("BM_HttpGet");
    const auto bare = totals_.find("BM_BareCurl");
    if (ours == totals_.end() || bare == totals_.end()) return;
    const double a = ours->second.first / ours->second.second;
    const double b = bare->second.first / bare->second.second;
    std::printf("httpGet / bare libcurl per request: %.3f (goal <= 1.15)\n", a / b);
  }

 private:
  std::map<std::string, std::pair<double, double>> totals_;  // time x iterations, iterations
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
