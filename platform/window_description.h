#pragma once
// A window described as data: what the window layer builds, control by control. Texts are
// code page 936; positions are pixels in the parent's client area.

#include <cstdint>
#include <optional>
#include <vector>

#include "common/text.h"

namespace lc::platform {

enum class ControlKind { kLabel, kEditBox, kButton, kGroupBox, kTransLabel };

struct Color {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  bool operator==(const Color&) const = default;
};

// A font as the Windows font call takes it: a negative height is the character height.
struct FontDescription {
  Text face{};
  int height = 0;
  int weight = 400;
  bool italic = false;
  bool underline = false;
  bool strike_out = false;
  int charset = 0;
  int output_precision = 0;
  int clip_precision = 0;
  int quality = 0;
  int pitch_and_family = 0;
};

struct ControlDescription {
  ControlKind kind = ControlKind::kLabel;
  Text name{};
  Text parent{};  // empty: the main window
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  Text text{};
  std::optional<FontDescription> font{};  // none: the system's default GUI font
  bool tab_stop = false;
  int tab_index = 0;
  bool enabled = true;
  bool multiline = false;  // edit boxes: several lines, Enter inserts a line break
  std::optional<Color> text_color{};
  std::optional<Color> background{};  // none: the parent's
  bool transparent = false;           // paints no background of its own
};

struct WindowDescription {
  Text caption{};
  // The application's icon, by the name of the executable's resource that holds it.
  Text icon{};
  int outer_width = 0;
  int outer_height = 0;
  int client_width = 0;
  int client_height = 0;
  bool minimize_button = true;
  bool maximize_button = false;
  bool resizable = false;
  // Listed top of the stacking order first; tab order runs by tab index, and among equal
  // indexes in the reverse of this order.
  std::vector<ControlDescription> controls{};
};

// The controls that Tab visits, as indexes into `description.controls`, in the order it visits
// them.
std::vector<std::size_t> tab_order(const WindowDescription& description);

}  // namespace lc::platform
