#include <gmock/gmock.h>

#include <cstdlib>
#include <sstream>

#include "quotes/http.h"
#include "quotes/service_endpoints.h"

namespace brindlow {
namespace {

struct HostCase {
  const char* value;
  std::optional<HostPort> expected;
};

TEST(ServiceEndpoints, HostAndPortForms) {
  const HostCase cases[] = {
      {"127.0.0.1", HostPort{"127.0.0.1", 80}},
      {"127.0.0.1:8080", HostPort{"127.0.0.1", 8080}},
      {"localhost:65535", HostPort{"localhost", 65535}},
      {"quotes.example-mirror.cn", HostPort{"quotes.example-mirror.cn", 80}},
      {"[::1]:9000", HostPort{"[::1]", 9000}},
      {"[::1]", HostPort{"[::1]", 80}},
      {"", std::nullopt},
      {":8080", std::nullopt},
      {"host:", std::nullopt},
      {"host:0", std::nullopt},
      {"host:65536", std::nullopt},
      {"host:80x", std::nullopt},
      {"host:-1", std::nullopt},
      {"host:1:2", std::nullopt},
      {"http://host", std::nullopt},
      {"host/path", std::nullopt},
      {"host name", std::nullopt},
      {"user@host", std::nullopt},
      {"::1", std::nullopt},
      {"[::1", std::nullopt},
  };
  for (const HostCase& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(parseHostPort(c.value), c.expected);
  }
}

TEST(ServiceEndpoints, OverridesAndMalformedValues) {
  std::ostringstream errors;
  EXPECT_EQ(endpointsFromOverrides(nullptr, nullptr, errors), ServiceEndpoints{});
  EXPECT_EQ(endpointsFromOverrides("", "", errors), ServiceEndpoints{});
  EXPECT_EQ(errors.str(), "");
  EXPECT_EQ(ServiceEndpoints{}.quote, (HostPort{"hq.sinajs.cn", 80}));
  EXPECT_EQ(ServiceEndpoints{}.chart, (HostPort{"image.sinajs.cn", 80}));

  const ServiceEndpoints both = endpointsFromOverrides("127.0.0.1:8001", "mirror", errors);
  EXPECT_EQ(both.quote, (HostPort{"127.0.0.1", 8001}));
  EXPECT_EQ(both.chart, (HostPort{"mirror", 80}));
  EXPECT_EQ(errors.str(), "");

  const ServiceEndpoints bad = endpointsFromOverrides("127.0.0.1:99999", "127.0.0.1:8002", errors);
  EXPECT_EQ(bad.quote, ServiceEndpoints{}.quote);
  EXPECT_EQ(bad.chart, (HostPort{"127.0.0.1", 8002}));
  const std::string reported = errors.str();
  EXPECT_THAT(reported, ::testing::HasSubstr("BRINDLOW_QUOTE_HOST=\"127.0.0.1:99999\""));
  EXPECT_EQ(std::count(reported.begin(), reported.end(), '\n'), 1);
}

class ProcessEndpoints : public ::testing::Test {
 protected:
  void TearDown() override {
    unsetenv(kQuoteHostVariable);
    unsetenv(kChartHostVariable);
    resetServiceEndpoints();
  }
};

TEST_F(ProcessEndpoints, ReadFromTheEnvironmentOnceAndReportedOnce) {
  setenv(kQuoteHostVariable, "127.0.0.1:7001", 1);
  setenv(kChartHostVariable, "bad host", 1);
  resetServiceEndpoints();
  ::testing::internal::CaptureStderr();
  const ServiceEndpoints first = serviceEndpoints();
  setenv(kQuoteHostVariable, "127.0.0.1:7002", 1);  // read once: later changes do not count
  const ServiceEndpoints second = serviceEndpoints();
  const std::string reported = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(first.quote, (HostPort{"127.0.0.1", 7001}));
  EXPECT_EQ(first.chart, ServiceEndpoints{}.chart);
  EXPECT_EQ(second, first);
  EXPECT_THAT(reported, ::testing::HasSubstr("BRINDLOW_CHART_HOST"));
  EXPECT_EQ(std::count(reported.begin(), reported.end(), '\n'), 1);
}

TEST_F(ProcessEndpoints, SetByTestsAndUsedByTheTwoUrls) {
  EXPECT_EQ(quoteUrl("sh", "601288"), "http://hq.sinajs.cn/list=sh601288");
  EXPECT_EQ(chartUrl("sz", "000002"), "http://image.sinajs.cn/newchart/min/n/sz000002.gif");

  setServiceEndpoints({{"127.0.0.1", 8001}, {"[::1]", 80}});
  EXPECT_EQ(quoteUrl("sh", "60000 "), "http://127.0.0.1:8001/list=sh60000 ");  // byte for byte
  EXPECT_EQ(quoteUrl("", ""), "http://127.0.0.1:8001/list=");
  EXPECT_EQ(chartUrl("", "601288"), "http://[::1]/newchart/min/n/601288.gif");
}

}  // namespace
}  // namespace brindlow
