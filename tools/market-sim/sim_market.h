#pragma once
// The simulated market: a built-in table of A shares, each with a trading day
// drawn deterministically from a seed, and the quote records of the public
// service's format.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "shell/values/text.h"

namespace brindlow::sim {

// Seconds of the trading session: 09:30-11:30 and 13:00-15:00, one tick a second.
inline constexpr int kSessionTicks = 4 * 3600;

// The state of one share at one tick.
struct Snapshot {
  double open = 0;
  double previousClose = 0;
  double price = 0;
  double high = 0;
  double low = 0;
  std::int64_t volume = 0;  // shares
  double turnover = 0;      // yuan
};

class SimulatedShare {
 public:
  SimulatedShare(std::string code, Text name, double previousClose, bool index, std::uint64_t seed);

  const std::string& code() const { return code_; }  // with its prefix: "sh601288"
  const Text& name() const { return name_; }         // GBK
  bool isIndex() const { return index_; }
  bool isShanghai() const { return code_.rfind("sh", 0) == 0; }

  Snapshot at(int tick) const;
  double priceAt(int tick) const { return price_[clampTick(tick)]; }
  // The volume-weighted average price up to the tick.
  double averageAt(int tick) const;
  std::int64_t volumeAt(int tick) const { return volume_[clampTick(tick)]; }
  double tickSize() const { return index_ ? 0.0001 : 0.01; }

 private:
  static int clampTick(int tick);

  std::string code_;
  Text name_;
  double previousClose_;
  bool index_;
  std::vector<double> price_;
  std::vector<double> high_;
  std::vector<double> low_;
  std::vector<std::int64_t> volume_;
  std::vector<double> turnover_;
  std::vector<double> average_;
};

// Where the clock stands in the trading day.
struct MarketTime {
  int tick = 0;       // 0 at 09:30:00, kSessionTicks at 15:00:00
  std::string clock;  // "HH:MM:SS" written into the record
  std::string date;   // "YYYY-MM-DD"
};

// Maps seconds since midnight onto the session. Before the open the record
// shows the opening auction, at lunch and after the close the last trade.
// With alwaysOpen the session repeats over the whole day, for demos out of hours.
MarketTime marketTime(int secondsOfDay, const std::string& date, bool alwaysOpen);

class SimulatedMarket {
 public:
  explicit SimulatedMarket(std::uint64_t seed);

  // By prefixed code ("sh601288"); null for an unknown one.
  const SimulatedShare* find(const std::string& code) const;
  const std::vector<SimulatedShare>& shares() const { return shares_; }

 private:
  std::vector<SimulatedShare> shares_;
};

// The 33 fields in the service's order, joined by commas: name, open,
// previous close, price, high, low, bid, ask, volume, turnover, five bid and
// five ask (volume, price) pairs, date, time, "00". A Shanghai record ends
// with one more comma, as the service writes it. postCloseField adds the
// service's late-day 34th field "D|..."; truncated drops the last field so
// that the record is always rejected.
Text quoteRecord(const SimulatedShare& share, const MarketTime& time, bool postCloseField,
                 bool truncated);

}  // namespace brindlow::sim
