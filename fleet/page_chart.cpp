#include "fleet/page_chart.h"

#include <algorithm>

#include "fleet/page_text.h"

namespace fleet {
namespace {

constexpr int kWidth = 560;
constexpr int kLabelWidth = 270;
constexpr int kCountWidth = 50;
constexpr int kRowHeight = 22;
constexpr int kBarHeight = 15;
constexpr std::size_t kLabelChars = 40;

}  // namespace

std::vector<Bar> LargestBars(const std::map<std::string, std::int64_t>& counts, std::size_t keep) {
  std::vector<Bar> bars;
  for (const auto& [label, count] : counts) bars.push_back({label, count, false});
  std::stable_sort(bars.begin(), bars.end(),
                   [](const Bar& a, const Bar& b) { return a.count > b.count; });
  if (bars.size() > keep + 1) {
    Bar rest{"", 0, true};
    for (std::size_t i = keep; i < bars.size(); ++i) rest.count += bars[i].count;
    rest.label = "Other (" + GroupDigits(static_cast<std::int64_t>(bars.size() - keep)) + ")";
    bars.resize(keep);
    bars.push_back(rest);
  }
  return bars;
}

std::string BarChartSvg(const std::string& title, const std::vector<Bar>& bars) {
  std::int64_t largest = 1;
  for (const Bar& bar : bars) largest = std::max(largest, bar.count);
  int height = static_cast<int>(bars.size()) * kRowHeight + 4;
  const int bar_room = kWidth - kLabelWidth - kCountWidth;
  std::string svg = "<svg class=\"bars\" role=\"img\" viewBox=\"0 0 " + std::to_string(kWidth) +
                    " " + std::to_string(height) + "\" width=\"" + std::to_string(kWidth) +
                    "\" height=\"" + std::to_string(height) +
                    "\" xmlns=\"http://www.w3.org/2000/svg\"><title>" + EscapeHtml(title) +
                    "</title>";
  int y = 2;
  for (const Bar& bar : bars) {
    int length = static_cast<int>(std::max<std::int64_t>(1, bar.count * bar_room / largest));
    std::string baseline = std::to_string(y + kBarHeight - 3);
    svg += bar.rest ? "<g class=\"bar other\">" : "<g class=\"bar\">";
    svg += "<title>" + EscapeHtml(bar.label) + ": " + std::to_string(bar.count) + "</title>";
    svg += "<text x=\"0\" y=\"" + baseline + "\" class=\"label\">" +
           EscapeHtml(Shorten(bar.label, kLabelChars)) + "</text>";
    svg += "<rect x=\"" + std::to_string(kLabelWidth) + "\" y=\"" + std::to_string(y) +
           "\" width=\"" + std::to_string(length) + "\" height=\"" + std::to_string(kBarHeight) +
           "\"/>";
    svg += "<text x=\"" + std::to_string(kLabelWidth + length + 6) + "\" y=\"" + baseline +
           "\" class=\"count\">" + GroupDigits(bar.count) + "</text></g>";
    y += kRowHeight;
  }
  return svg + "</svg>";
}

}  // namespace fleet
