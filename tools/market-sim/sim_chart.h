#pragma once
// Intraday chart pictures in the chart service's format: 545 x 300 GIFs.

#include <cstdint>
#include <vector>

#include "sim_market.h"

namespace brindlow::sim {

inline constexpr int kChartWidth = 545;
inline constexpr int kChartHeight = 300;

// The share's day up to the tick: price and average lines over the
// previous close, axis labels, and volume bars. Without a share, the empty
// frame the service shows for a code it does not know.
std::vector<std::uint8_t> chartGif(const SimulatedShare* share, int tick);

}  // namespace brindlow::sim
