#include "push/reports/report_chart.h"

#include <algorithm>
#include <functional>
#include <span>
#include <sstream>

#include "push/texts/push_texts.h"
#include "push/texts/w3c_time.h"

namespace lc::push {
namespace {

constexpr std::time_t kDay = 86400;
// The drawing's units: the plot right of the axis labels, above the dates.
constexpr int kWidth = 320, kLeft = 36, kTop = 6, kPlotHeight = 70,
              kHeight = kTop + kPlotHeight + 16;

double slot_width(std::size_t count) {
  return double(kWidth - kLeft - 4) / double(count);
}

std::string date_of(std::time_t day) {
  return w3c_time(day).substr(0, 10);
}

// The step between gridlines: 1, 2 or 5 times a power of ten, some four steps to the largest.
std::int64_t grid_step(std::int64_t largest) {
  std::int64_t power = 1;
  while (power * 10 <= largest / 4)
    power *= 10;
  for (const std::int64_t times : {1, 2, 5, 10}) {
    if (power * times * 4 >= largest) return power * times;
  }
  return power * 10;
}

// A bar for each value, named by `name_of` (in its title and the `key` data- attribute);
// the first, middle and last slots labelled below by `label_of`.
std::string bars(std::span<const std::int64_t> values, const char* key,
                 const std::function<std::string(std::size_t)>& name_of,
                 const std::function<std::string(std::size_t)>& label_of, const char* figure,
                 const char* colour) {
  const double slot = slot_width(values.size());
  const auto slot_x = [&](std::size_t at) { return kLeft + slot * double(at); };
  const std::int64_t largest =
      std::max<std::int64_t>(1, *std::max_element(values.begin(), values.end()));
  const std::int64_t step = grid_step(largest);
  const std::int64_t top = (largest + step - 1) / step * step;
  const auto y_of = [&](std::int64_t value) {
    return kTop + kPlotHeight - double(value) * kPlotHeight / double(top);
  };
  std::ostringstream svg;
  svg << "<svg class=\"chart\" viewBox=\"0 0 " << kWidth << " " << kHeight
      << "\" role=\"img\" data-axis-top=\"" << top << "\">";
  for (std::int64_t tick = 0; tick <= top; tick += step) {
    const double y = y_of(tick);
    svg << "<line class=\"grid\" x1=\"" << kLeft << "\" x2=\"" << kWidth - 2 << "\" y1=\"" << y
        << "\" y2=\"" << y << "\"/><text class=\"tick\" x=\"" << kLeft - 3 << "\" y=\"" << y + 3
        << "\" text-anchor=\"end\">" << tick << "</text>";
  }
  for (std::size_t at = 0; at < values.size(); ++at) {
    const std::string name = name_of(at);
    const double y = y_of(values[at]);
    svg << "<rect x=\"" << slot_x(at) + 1 << "\" y=\"" << y << "\" width=\"" << slot - 2
        << "\" height=\"" << kTop + kPlotHeight - y << "\" fill=\"" << colour << "\" data-" << key
        << "=\"" << name << "\" data-" << figure << "=\"" << values[at] << "\"><title>" << name
        << ": " << values[at] << "</title></rect>";
  }
  const int axis = kTop + kPlotHeight;
  svg << "<line class=\"axis\" x1=\"" << kLeft << "\" x2=\"" << kWidth - 2 << "\" y1=\"" << axis
      << "\" y2=\"" << axis << "\"/>";
  // The first label from its bar's left, the last to its bar's right: inside the picture.
  const std::size_t last = values.size() - 1;
  const std::pair<std::size_t, const char*> labels[] = {
      {0, "start"}, {values.size() / 2, "middle"}, {last, "end"}};
  for (const auto& [at, anchor] : labels) {
    const double x = slot_x(at) + (at == 0 ? 1 : at == last ? slot - 1 : slot / 2);
    svg << "<text class=\"tick\" x=\"" << x << "\" y=\"" << kHeight - 3 << "\" text-anchor=\""
        << anchor << "\">" << label_of(at) << "</text>";
  }
  svg << "</svg>";
  return svg.str();
}

}  // namespace

std::string bar_chart(const std::array<std::int64_t, kReportDays>& values, std::time_t first_day,
                      const char* figure, const char* colour) {
  const auto date = [&](std::size_t day) { return date_of(first_day + std::time_t(day) * kDay); };
  return bars(
      values, "day", date, [&](std::size_t day) { return date(day).substr(5); }, figure, colour);
}

std::string days_to_index_chart(const std::array<std::int64_t, kDaysToIndexShown>& links) {
  const auto days = [](std::size_t at) {
    return texts::filled(
        at + 1 == kDaysToIndexShown ? texts::kReportDaysTakenOrMore : texts::kReportDaysTaken,
        {{"days", std::to_string(at)}});
  };
  return bars(links, "days", days, days, "indexed", "#37c");
}

std::string run_strip(const std::array<DayOutcome, kReportDays>& days, std::time_t first_day) {
  struct Look {
    const char* name;
    const char* fill;
    std::string_view words;
  };
  const auto look_of = [](DayOutcome outcome) -> Look {
    switch (outcome) {
      case DayOutcome::kOk:
        return {"ok", "#2a7", texts::kReportRunOk};
      case DayOutcome::kAttention:
        return {"attention", "#e9a23b", texts::kReportRunAttention};
      case DayOutcome::kFailed:
        return {"failed", "#c33", texts::kReportRunFailed};
      case DayOutcome::kMissed:
        return {"missed", "#bbb", texts::kReportRunMissed};
      case DayOutcome::kNoRun:
        break;
    }
    return {"none", "#fff", texts::kReportRunNone};
  };
  std::ostringstream svg;
  svg << "<svg class=\"strip\" viewBox=\"0 0 " << kWidth
      << " 12\" role=\"img\"><text class=\"tick\" x=\"" << kLeft - 3
      << "\" y=\"9\" text-anchor=\"end\">" << texts::kReportRuns << "</text>";
  const double slot = slot_width(kReportDays);
  for (std::size_t day = 0; day < kReportDays; ++day) {
    const Look look = look_of(days[day]);
    const std::string date = date_of(first_day + std::time_t(day) * kDay);
    svg << "<rect x=\"" << kLeft + slot * double(day) + 1 << "\" y=\"1\" width=\"" << slot - 2
        << "\" height=\"10\" fill=\"" << look.fill << "\" stroke=\"#999\" stroke-width=\"0.5\""
        << " data-day=\"" << date << "\" data-run=\"" << look.name << "\"><title>" << date << ": "
        << look.words << "</title></rect>";
  }
  svg << "</svg>";
  return svg.str();
}

}  // namespace lc::push
