#include "app/main_window.h"

namespace lc::main_window {
namespace {

constexpr platform::Color kBlack{0, 0, 0};
constexpr platform::Color kWhite{255, 255, 255};
constexpr platform::Color kRed{255, 0, 0};

// "微软雅黑", normal weight, GB2312 character set, as the tool creates its fonts.
platform::FontDescription yahei(int height) {
  return {.face = "\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA",
          .height = height,
          .weight = 400,
          .charset = 134,
          .output_precision = 3,
          .clip_precision = 2,
          .quality = 1,
          .pitch_and_family = 0x22};
}

platform::ControlDescription edit_box(TextView name, TextView parent, int left, int top, int width,
                                      int height) {
  return {.kind = platform::ControlKind::kEditBox,
          .name = Text(name),
          .parent = Text(parent),
          .left = left,
          .top = top,
          .width = width,
          .height = height,
          .tab_stop = true,
          .text_color = kBlack,
          .background = kWhite};
}

platform::ControlDescription label(TextView name, int left, int top, int width, TextView text) {
  return {.kind = platform::ControlKind::kLabel,
          .name = Text(name),
          .left = left,
          .top = top,
          .width = width,
          .height = 24,
          .text = Text(text),
          .font = yahei(-14),
          .text_color = kBlack};
}

}  // namespace

platform::WindowDescription description() {
  // "Fernhollow(" host ")，Linkcourier" in the caption line; the comma is full-width.
  const Text caption_line = "Fernhollow(" + Text(kPublisherHost) + ")\xA3\xACLinkcourier";

  platform::ControlDescription address = edit_box(kAddressBox, "", 65, 16, 328, 32);
  address.font = yahei(-12);
  platform::ControlDescription links = edit_box(kLinksBox, "", 65, 56, 328, 72);
  links.font = yahei(-12);
  links.multiline = true;
  platform::ControlDescription results = edit_box(kResultBox, kResultGroup, 0, 8, 464, 224);
  results.multiline = true;
  results.enabled = false;

  platform::ControlDescription caption{.kind = platform::ControlKind::kTransLabel,
                                       .name = Text(kCaptionLine),
                                       .left = 64,
                                       .top = 368,
                                       .width = 328,
                                       .height = 20,
                                       .text = caption_line,
                                       .font = yahei(-12),
                                       .text_color = kRed,
                                       .transparent = true};
  platform::ControlDescription button{.kind = platform::ControlKind::kButton,
                                      .name = Text(kSubmitButton),
                                      .left = 400,
                                      .top = 16,
                                      .width = 56,
                                      .height = 32,
                                      .text = "\xCC\xE1\xBD\xBB",  // "提交"
                                      .tab_stop = true};
  platform::ControlDescription group{.kind = platform::ControlKind::kGroupBox,
                                     .name = Text(kResultGroup),
                                     .left = 0,
                                     .top = 136,
                                     .width = 464,
                                     .height = 232};

  return {.caption = "Linkcourier - Fernhollow(" + Text(kPublisherHost) + ")",
          .icon = "linkcourier",
          .outer_width = 469,
          .outer_height = 416,
          // The outer size less the 3-pixel fixed frame and the 22-pixel title bar.
          .client_width = 463,
          .client_height = 388,
          .controls = {caption, results, label(kLinksLabel, 29, 51, 36, "\xC1\xB4\xBD\xD3\xA3\xBA"),
                       label(kAddressLabel, 1, 19, 64, "\xBD\xD3\xBF\xDA\xB5\xD8\xD6\xB7\xA3\xBA"),
                       button, links, address, group}};
}

}  // namespace lc::main_window
