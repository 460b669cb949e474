#include "quotes/market.h"

#include "shell/values/codepage.h"

namespace brindlow {

Market shanghaiMarket() { return Market{"sh", gbk("上海证券交易所")}; }

Market shenzhenMarket() { return Market{"sz", gbk("深圳证券交易所")}; }

std::optional<Market> resolveMarket(const Text& code) {
  // The order matters: "000001" is the Shanghai composite index although it
  // begins with "0", so it is tested before the first-byte rules.
  if (textEquals(code, "000001")) return shanghaiMarket();
  if (textEquals(code, "399001")) return shenzhenMarket();
  const Text first = textLeft(code, 1);
  if (textEquals(first, "6")) return shanghaiMarket();
  if (textEquals(first, "0") && !textEquals(code, "000001")) return shenzhenMarket();
  if (textEquals(first, "3")) return shenzhenMarket();
  return std::nullopt;
}

Text prefixForExchange(const Text& exchangeName, const Text& previous) {
  static const Market shanghai = shanghaiMarket();
  static const Market shenzhen = shenzhenMarket();
  if (textEquals(exchangeName, shanghai.exchangeName)) return shanghai.prefix;
  if (textEquals(exchangeName, shenzhen.exchangeName)) return shenzhen.prefix;
  return previous;
}

}  // namespace brindlow
