#include <gmock/gmock.h>

#include "quotes/market.h"
#include "shell/values/codepage.h"

namespace brindlow {
namespace {

struct MarketCase {
  const char* code;
  const char* prefix;  // nullptr: not supported
};

TEST(ResolveMarket, FollowsTheSixTestsInOrder) {
  const MarketCase cases[] = {
      {"000001", "sh"},  // named before the first-byte rules
      {"399001", "sz"},    {"000002", "sz"},    {"300001", "sz"},
      {"600000", "sh"},    {"6", "sh"},         {"0", "sz"},
      {"3", "sz"},         {"60000 ", "sh"},  // trailing space kept
      {"000001 ", "sz"},                      // not the named code any more
      {"6abc", "sh"},      {"", nullptr},       {"900901", nullptr},
      {"A60000", nullptr}, {" 60000", nullptr}, {"\xC9\xCF", nullptr},  // GBK lead byte first
  };
  for (const MarketCase& c : cases) {
    SCOPED_TRACE(std::string("code \"") + c.code + "\"");
    const std::optional<Market> market = resolveMarket(c.code);
    if (c.prefix == nullptr) {
      EXPECT_FALSE(market.has_value());
      continue;
    }
    ASSERT_TRUE(market.has_value());
    EXPECT_EQ(market->prefix, c.prefix);
    EXPECT_EQ(market->exchangeName,
              gbk(std::string(c.prefix) == "sh" ? "上海证券交易所" : "深圳证券交易所"));
  }
}

TEST(ResolveMarket, ExchangeNamesAreGbk) {
  EXPECT_EQ(shanghaiMarket().exchangeName,
            "\xC9\xCF\xBA\xA3\xD6\xA4\xC8\xAF\xBD\xBB\xD2\xD7\xCB\xF9");
  EXPECT_EQ(textLength(shenzhenMarket().exchangeName), 14);
}

}  // namespace
}  // namespace brindlow
