#include <gif_lib.h>
#include <gmock/gmock.h>
#include <signal.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "quotes/http.h"
#include "quotes/market.h"
#include "quotes/quote_record.h"
#include "quotes/service_endpoints.h"
#include "shell/values/codepage.h"
#include "shell/values/number.h"
#include "support_http_server.h"

namespace brindlow {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testing::MarketSimProcess;

std::string textOf(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// A fixed clock keeps the simulated day the same on every run.
std::vector<std::string> fixedDay(std::vector<std::string> more = {}) {
  std::vector<std::string> args{"--seed", "7", "--time", "10:15:00", "--date", "2026-12-11"};
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

struct GifSize {
  int width = 0;
  int height = 0;
};

// Decodes the whole picture, so that a broken stream fails here too.
std::optional<GifSize> decodeGif(const Bytes& bytes) {
  struct Reader {
    const Bytes& bytes;
    std::size_t at = 0;
  } reader{bytes};
  auto read = [](GifFileType* gif, GifByteType* out, int length) {
    auto& r = *static_cast<Reader*>(gif->UserData);
    const std::size_t n =
        std::min<std::size_t>(static_cast<std::size_t>(length), r.bytes.size() - r.at);
    std::memcpy(out, r.bytes.data() + r.at, n);
    r.at += n;
    return static_cast<int>(n);
  };
  int error = 0;
  GifFileType* gif = DGifOpen(&reader, read, &error);
  if (gif == nullptr) return std::nullopt;
  std::optional<GifSize> size;
  if (DGifSlurp(gif) == GIF_OK && gif->ImageCount >= 1) size = GifSize{gif->SWidth, gif->SHeight};
  DGifCloseFile(gif, &error);
  return size;
}

class MarketSim : public ::testing::Test {
 protected:
  void use(const MarketSimProcess& sim) {
    setServiceEndpoints({{"127.0.0.1", sim.port()}, {"127.0.0.1", sim.port()}});
  }
  void TearDown() override { resetServiceEndpoints(); }
};

TEST_F(MarketSim, QuotesParseToTheSharesRecords) {
  MarketSimProcess sim(BRINDLOW_MARKET_SIM, fixedDay());
  use(sim);
  const struct {
    const char* code;
    const char* name;
  } shares[] = {
      {"601288", "农业银行"}, {"000001", "上证指数"}, {"399001", "深证成指"},
      {"000002", "万科Ａ"},   {"600519", "贵州茅台"}, {"300750", "宁德时代"},
  };
  for (const auto& share : shares) {
    SCOPED_TRACE(share.code);
    const std::optional<Market> market = resolveMarket(share.code);
    ASSERT_TRUE(market.has_value());
    const auto record = parseQuoteRecord(fetchQuoteText(market->prefix, share.code));
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ((*record)[0], gbk(share.name));
    for (int field : {1, 2, 3, 4, 5}) EXPECT_GT(toNumber((*record)[field]), 0) << field;
    EXPECT_LE(toNumber((*record)[5]), toNumber((*record)[3]));
    EXPECT_LE(toNumber((*record)[3]), toNumber((*record)[4]));
    EXPECT_GT(toNumber((*record)[8]), 0);
    EXPECT_EQ((*record)[30], "2026-12-11");
    EXPECT_EQ((*record)[31], "10:15:00");
    EXPECT_EQ((*record)[32], "00");
  }
  ASSERT_TRUE(sim.waitForOutputLines(1, std::chrono::seconds(5)));
  EXPECT_EQ(sim.outputLines().front(), "GET /list=sh601288 HTTP/1.0");
  EXPECT_EQ(sim.stop(), 0);
}

TEST_F(MarketSim, AnswersLikeThePublicService) {
  MarketSimProcess sim(BRINDLOW_MARKET_SIM, fixedDay());
  const std::string body = textOf(httpGet(sim.url("/list=sh601288,sz000002,sh600999,sh60000 ")));
  const std::vector<std::string> lines = [&] {
    std::vector<std::string> out;
    for (std::size_t at = 0, end; (end = body.find('\n', at)) != std::string::npos; at = end + 1)
      out.push_back(body.substr(at, end - at));
    return out;
  }();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].rfind("var hq_str_sh601288=\"" + gbk("农业银行") + ",", 0), 0u);
  EXPECT_THAT(lines[0], ::testing::EndsWith(",00,\";"));  // Shanghai: a trailing comma
  EXPECT_EQ(lines[1].rfind("var hq_str_sz000002=\"" + gbk("万科Ａ") + ",", 0), 0u);
  EXPECT_THAT(lines[1], ::testing::EndsWith(":00,00\";"));  // Shenzhen: none
  EXPECT_EQ(lines[2], "var hq_str_sh600999=\"\";");
  EXPECT_EQ(lines[3], "var hq_str_sh60000 =\"\";");
  EXPECT_FALSE(parseQuoteRecord(Bytes(lines[2].begin(), lines[2].end())));

  EXPECT_THAT(textOf(httpGet(sim.url("/nothing/here"))), HasSubstr("404 Not Found"));
}

TEST_F(MarketSim, SameSeedAndClockSameDay) {
  const std::string target = "/list=sh601288,sz000002,sh000001";
  MarketSimProcess first(BRINDLOW_MARKET_SIM, fixedDay());
  MarketSimProcess again(BRINDLOW_MARKET_SIM, fixedDay());
  std::vector<std::string> otherSeed = fixedDay();
  otherSeed[1] = "8";
  MarketSimProcess other(BRINDLOW_MARKET_SIM, otherSeed);
  const Bytes day = httpGet(first.url(target));
  EXPECT_EQ(httpGet(again.url(target)), day);
  EXPECT_NE(httpGet(other.url(target)), day);
}

TEST_F(MarketSim, PricesMoveWithTheTimeOfDay) {
  auto at = [](const char* time) {
    MarketSimProcess sim(BRINDLOW_MARKET_SIM, {"--seed", "7", "--time", time});
    auto record = parseQuoteRecord(httpGet(sim.url("/list=sh600519")));
    EXPECT_TRUE(record.has_value()) << time;
    return record.value_or(QuoteRecord{});
  };
  const QuoteRecord morning = at("09:45:00");
  const QuoteRecord afternoon = at("14:30:00");
  const QuoteRecord lunch = at("12:10:00");
  const QuoteRecord morningClose = at("11:30:00");
  EXPECT_LT(toNumber(morning[8]), toNumber(afternoon[8]));  // volume grows
  EXPECT_NE(morning[3], afternoon[3]);
  EXPECT_EQ(morning[1], afternoon[1]);   // one opening price a day
  EXPECT_EQ(lunch[3], morningClose[3]);  // no trading at lunch
  EXPECT_EQ(lunch[31], "11:30:00");
}

TEST_F(MarketSim, ChartIsA545By300Gif) {
  MarketSimProcess sim(BRINDLOW_MARKET_SIM, fixedDay());
  use(sim);
  for (const char* code : {"601288", "999999"}) {  // unknown codes get an empty frame
    SCOPED_TRACE(code);
    const Bytes gif = fetchChartImage("sh", code);
    ASSERT_GE(gif.size(), 6u);
    EXPECT_EQ(textOf(Bytes(gif.begin(), gif.begin() + 3)), "GIF");
    const auto size = decodeGif(gif);
    ASSERT_TRUE(size.has_value());
    EXPECT_EQ(size->width, 545);
    EXPECT_EQ(size->height, 300);
  }
}

struct FaultCase {
  std::vector<std::string> switches;
  bool accepted;
  const char* bodyHolds;  // nullptr: the body is empty
};

TEST_F(MarketSim, FaultSwitches) {
  const FaultCase cases[] = {
      {{"--fault-404"}, false, "404 Not Found"},
      {{"--cut-short"}, false, "var hq_str_sh601288=\""},
      {{"--reset"}, false, nullptr},
      {{"--d-field"}, true, ",00,D|"},
      {{"--reject", "601288,sz000002"}, false, "var hq_str_sh601288=\""},
      {{"--reject", "600000"}, true, ",00,\";"},
      {{"--require-referer"}, true, ",00,\";"},  // fetchQuoteText sends the referrer
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.switches));
    MarketSimProcess sim(BRINDLOW_MARKET_SIM, fixedDay(c.switches));
    use(sim);
    const Bytes body = fetchQuoteText("sh", "601288");
    EXPECT_EQ(parseQuoteRecord(body).has_value(), c.accepted);
    if (c.bodyHolds == nullptr) {
      EXPECT_THAT(body, IsEmpty());
    } else {
      EXPECT_THAT(textOf(body), HasSubstr(c.bodyHolds));
    }
  }
}

TEST_F(MarketSim, RefererRequiredAndDelayedAnswers) {
  MarketSimProcess sim(BRINDLOW_MARKET_SIM, fixedDay({"--require-referer", "--delay-ms", "300"}));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(textOf(httpGet(sim.url("/list=sh601288"))), "Kinsoku jikou desu!");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
  // The switches can be changed while it runs.
  EXPECT_THAT(textOf(httpGet(sim.url("/sim/faults?require-referer=0&delay-ms=0&reject=601288"))),
              HasSubstr("reject=601288"));
  EXPECT_THAT(textOf(httpGet(sim.url("/list=sh601288"))), HasSubstr("var hq_str_sh601288=\""));
  EXPECT_FALSE(parseQuoteRecord(httpGet(sim.url("/list=sh601288"))));
  EXPECT_TRUE(parseQuoteRecord(httpGet(sim.url("/list=sz000002"))));
}

TEST_F(MarketSim, StopsCleanlyOnSigint) {
  MarketSimProcess sim(BRINDLOW_MARKET_SIM, fixedDay({"--delay-ms", "60000"}));
  // A request held in its delay must not hold up the stop.
  std::thread slow([&] { httpGet(sim.url("/list=sh601288")); });
  ASSERT_TRUE(sim.waitForOutputLines(1, std::chrono::seconds(5)));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(sim.stop(SIGINT), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  slow.join();
}

}  // namespace
}  // namespace brindlow
