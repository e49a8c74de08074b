#include "platform/window_description.h"

#include <algorithm>

namespace lc::platform {

std::vector<std::size_t> tab_order(const WindowDescription& description) {
  const std::vector<ControlDescription>& controls = description.controls;
  std::vector<std::size_t> stops;
  for (std::size_t i = 0; i < controls.size(); ++i) {
    if (controls[i].tab_stop && controls[i].enabled) stops.push_back(i);
  }
  // By tab index; among equal indexes, the later listed comes first.
  std::sort(stops.begin(), stops.end(), [&](std::size_t a, std::size_t b) {
    if (controls[a].tab_index != controls[b].tab_index) {
      return controls[a].tab_index < controls[b].tab_index;
    }
    return a > b;
  });
  return stops;
}

}  // namespace lc::platform
