#pragma once
// The two markets of the A shares and how a share code is assigned to one.

#include <optional>

#include "shell/values/text.h"

namespace brindlow {

// A row of the market table: the prefix that stands before the code in every
// request, and the exchange name shown to the user and stored in the watch list.
struct Market {
  Text prefix;
  Text exchangeName;
};

// "sh", "上海证券交易所" and "sz", "深圳证券交易所" (GBK).
Market shanghaiMarket();
Market shenzhenMarket();

// The market of a share code, or none when the code is not an A share we
// support. Exact byte comparisons only: no trimming, no length test.
std::optional<Market> resolveMarket(const Text& code);

// The prefix for a watch-list row from its exchange name: "sh" or "sz" for the
// two names of the market table, otherwise `previous` (the prefix of the row
// before it), byte-exact.
Text prefixForExchange(const Text& exchangeName, const Text& previous);

}  // namespace brindlow
