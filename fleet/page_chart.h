#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace fleet {

struct Bar {
  std::string label;
  std::int64_t count = 0;
  bool rest = false;  // the bar that sums up the labels beyond the largest ones
};

// The largest counts first (equal counts by label), and beyond `keep` bars one more that sums
// up the rest.
std::vector<Bar> LargestBars(const std::map<std::string, std::int64_t>& counts, std::size_t keep);

// A horizontal bar chart as inline SVG: one row per bar, its label, its bar and its count.
// `title` names the chart for screen readers.
std::string BarChartSvg(const std::string& title, const std::vector<Bar>& bars);

}  // namespace fleet
