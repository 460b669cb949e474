#include "sim_market.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "shell/values/codepage.h"

namespace brindlow::sim {

namespace {

struct ShareSpec {
  const char* code;
  const char* name;  // UTF-8 here, GBK in the records
  double previousClose;
  bool index;
};

// Real A shares and the two composite indices, with plausible closing prices.
constexpr ShareSpec kShares[] = {
    {"sh000001", "上证指数", 3250.1234, true}, {"sz399001", "深证成指", 10512.3456, true},
    {"sh600000", "浦发银行", 7.21, false},     {"sh600028", "中国石化", 5.93, false},
    {"sh600036", "招商银行", 33.15, false},    {"sh600276", "恒瑞医药", 45.62, false},
    {"sh600519", "贵州茅台", 1712.00, false},  {"sh600900", "长江电力", 23.48, false},
    {"sh601166", "兴业银行", 16.27, false},    {"sh601288", "农业银行", 3.44, false},
    {"sh601318", "中国平安", 45.10, false},    {"sh601398", "工商银行", 4.92, false},
    {"sh601857", "中国石油", 7.53, false},     {"sh601988", "中国银行", 3.61, false},
    {"sz000001", "平安银行", 11.05, false},    {"sz000002", "万科Ａ", 14.36, false},
    {"sz000333", "美的集团", 60.18, false},    {"sz000651", "格力电器", 38.40, false},
    {"sz000725", "京东方Ａ", 4.02, false},     {"sz000858", "五粮液", 148.70, false},
    {"sz002304", "洋河股份", 101.35, false},   {"sz002415", "海康威视", 32.56, false},
    {"sz002594", "比亚迪", 251.80, false},     {"sz300059", "东方财富", 15.22, false},
    {"sz300750", "宁德时代", 201.45, false},
};

// splitmix64: small, fast and the same everywhere, so a seed gives the same day.
struct Random {
  std::uint64_t state;
  std::uint64_t next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
  // Box-Muller; one of the pair is enough here.
  double normal() {
    const double u = std::max(uniform(), 1e-300);
    return std::sqrt(-2.0 * std::log(u)) * std::cos(6.283185307179586 * uniform());
  }
};

std::uint64_t hashCode(const std::string& code) {
  std::uint64_t h = 1469598103934665603ull;
  for (const unsigned char c : code) h = (h ^ c) * 1099511628211ull;
  return h;
}

double roundToTick(double value, double tick) { return std::round(value / tick) * tick; }

std::string format(const char* pattern, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, pattern, value);
  return buffer;
}

std::string formatInteger(std::int64_t value) { return std::to_string(value); }

std::string twoDigits(int value) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%02d", value);
  return buffer;
}

std::string clockText(int secondsOfDay) {
  return twoDigits(secondsOfDay / 3600) + ":" + twoDigits(secondsOfDay / 60 % 60) + ":" +
         twoDigits(secondsOfDay % 60);
}

constexpr int kMorningOpen = 9 * 3600 + 30 * 60;
constexpr int kMorningClose = 11 * 3600 + 30 * 60;
constexpr int kAfternoonOpen = 13 * 3600;
constexpr int kAfternoonClose = 15 * 3600;
constexpr int kHalfSession = kMorningClose - kMorningOpen;

int secondsOfTick(int tick) {
  return tick <= kHalfSession ? kMorningOpen + tick : kAfternoonOpen + (tick - kHalfSession);
}

}  // namespace

SimulatedShare::SimulatedShare(std::string code, Text name, double previousClose, bool index,
                               std::uint64_t seed)
    : code_(std::move(code)),
      name_(std::move(name)),
      previousClose_(previousClose),
      index_(index),
      price_(kSessionTicks + 1),
      high_(kSessionTicks + 1),
      low_(kSessionTicks + 1),
      volume_(kSessionTicks + 1),
      turnover_(kSessionTicks + 1),
      average_(kSessionTicks + 1) {
  Random random{seed ^ hashCode(code_)};
  const double tick = tickSize();
  // Daily price limit: 20 % on ChiNext (300...), 10 % elsewhere.
  const double limit = code_.rfind("sz300", 0) == 0 ? 0.20 : 0.10;
  const double top = previousClose_ * (1 + limit);
  const double bottom = previousClose_ * (1 - limit);
  const double dailyVolatility = index_ ? 0.012 : 0.025;
  const double step = dailyVolatility / std::sqrt(static_cast<double>(kSessionTicks));
  const double drift = random.normal() * dailyVolatility / kSessionTicks;  // the day's mood
  // Roughly 1 to 3 billion yuan a day per share; an index counts the shares
  // of its whole market, at some 13 yuan a share.
  constexpr double kIndexSharePrice = 13.0;
  const double sharesPerTick =
      (index_ ? 3e10 : 1e9 * (1 + 2 * random.uniform()) / previousClose_) / kSessionTicks;

  double fair = previousClose_ * (1 + std::clamp(random.normal() * 0.008, -0.03, 0.03));
  std::int64_t volume = 0;
  double turnover = 0;
  double weighted = 0;  // traded x price, for the average line
  for (int i = 0; i <= kSessionTicks; ++i) {
    if (i > 0) fair *= std::exp(drift + step * random.normal());
    fair = std::clamp(fair, bottom, top);
    const double price = roundToTick(fair, tick);
    // The opening auction trades more; the rest follows a noisy steady rate.
    const double factor = i == 0 ? 120.0 : 0.2 + 1.6 * random.uniform();
    std::int64_t traded = static_cast<std::int64_t>(sharesPerTick * factor);
    if (!index_) traded = traded / 100 * 100;  // whole lots
    volume += traded;
    turnover += static_cast<double>(traded) * (index_ ? kIndexSharePrice : price);
    weighted += static_cast<double>(traded) * price;
    price_[i] = price;
    high_[i] = i == 0 ? price : std::max(high_[i - 1], price);
    low_[i] = i == 0 ? price : std::min(low_[i - 1], price);
    volume_[i] = volume;
    turnover_[i] = turnover;
    average_[i] = volume > 0 ? weighted / static_cast<double>(volume) : price;
  }
}

int SimulatedShare::clampTick(int tick) { return std::clamp(tick, 0, kSessionTicks); }

Snapshot SimulatedShare::at(int tick) const {
  const int t = clampTick(tick);
  return Snapshot{price_[0], previousClose_, price_[t],   high_[t],
                  low_[t],   volume_[t],     turnover_[t]};
}

double SimulatedShare::averageAt(int tick) const { return average_[clampTick(tick)]; }

MarketTime marketTime(int secondsOfDay, const std::string& date, bool alwaysOpen) {
  MarketTime time;
  time.date = date;
  const int s = std::clamp(secondsOfDay, 0, 24 * 3600 - 1);
  if (alwaysOpen) {
    time.tick = s % (kSessionTicks + 1);
    time.clock = clockText(secondsOfTick(time.tick));
  } else if (s < kMorningOpen) {
    time.tick = 0;
    time.clock = clockText(std::min(s, kMorningOpen - 5 * 60));  // the opening auction
  } else if (s <= kMorningClose) {
    time.tick = s - kMorningOpen;
    time.clock = clockText(s);
  } else if (s < kAfternoonOpen) {
    time.tick = kHalfSession;
    time.clock = clockText(kMorningClose);
  } else if (s <= kAfternoonClose) {
    time.tick = kHalfSession + (s - kAfternoonOpen);
    time.clock = clockText(s);
  } else {
    time.tick = kSessionTicks;
    time.clock = clockText(kAfternoonClose);
  }
  return time;
}

SimulatedMarket::SimulatedMarket(std::uint64_t seed) {
  for (const ShareSpec& listed : kShares) {
    shares_.emplace_back(listed.code, gbk(listed.name), listed.previousClose, listed.index, seed);
  }
}

const SimulatedShare* SimulatedMarket::find(const std::string& code) const {
  for (const SimulatedShare& share : shares_) {
    if (share.code() == code) return &share;
  }
  return nullptr;
}

Text quoteRecord(const SimulatedShare& share, const MarketTime& time, bool postCloseField,
                 bool truncated) {
  const Snapshot s = share.at(time.tick);
  const char* priceFormat = share.isIndex() ? "%.4f" : "%.3f";
  auto price = [&](double value) { return format(priceFormat, value); };

  std::vector<std::string> fields{share.name(),   price(s.open), price(s.previousClose),
                                  price(s.price), price(s.high), price(s.low)};
  if (share.isIndex()) {
    // Indices have no order book: bid, ask and the ten pairs are zeros.
    fields.push_back("0");
    fields.push_back("0");
  } else {
    fields.push_back(price(s.price));
    fields.push_back(price(s.price + share.tickSize()));
  }
  fields.push_back(formatInteger(s.volume));
  fields.push_back(format("%.3f", s.turnover));
  // Five bid levels below the price, five ask levels above, with volumes drawn
  // from the code and the tick so that they change as the day goes on.
  Random book{hashCode(share.code()) ^ static_cast<std::uint64_t>(time.tick) * 7919};
  for (int side = 0; side < 2; ++side) {
    for (int level = 0; level < 5; ++level) {
      if (share.isIndex()) {
        fields.push_back("0");
        fields.push_back("0.000");
        continue;
      }
      const double offset = side == 0 ? -level * share.tickSize() : (level + 1) * share.tickSize();
      fields.push_back(formatInteger(static_cast<std::int64_t>(1 + book.uniform() * 2000) * 100));
      fields.push_back(price(s.price + offset));
    }
  }
  fields.push_back(time.date);
  fields.push_back(time.clock);
  fields.push_back("00");
  if (postCloseField) fields.push_back("D|0|0.000");
  if (truncated) fields.pop_back();

  Text record;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) record += ',';
    record += fields[i];
  }
  if (share.isShanghai()) record += ',';
  return record;
}

}  // namespace brindlow::sim
