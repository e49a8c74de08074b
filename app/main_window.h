#pragma once
// The main window and its eight controls, as a description for the window layer.

#include "common/text.h"
#include "platform/window_description.h"

namespace lc::main_window {

// The publisher: a reserved example domain until the publisher has a site of its own.
inline constexpr TextView kPublisherHost = "fernhollow.example";
inline constexpr TextView kPublisherSite = "https://fernhollow.example/";

// The controls' own names: "编辑框1" (the interface address), "编辑框2" (the links), "编辑框3" (the
// result box), "按钮1" (submit), "标签1", "标签2", "分组框1", "透明标签1" (the caption line).
inline constexpr TextView kAddressBox =
    "\xB1\xE0\xBC\xAD\xBF\xF2"
    "1";
inline constexpr TextView kLinksBox =
    "\xB1\xE0\xBC\xAD\xBF\xF2"
    "2";
inline constexpr TextView kResultBox =
    "\xB1\xE0\xBC\xAD\xBF\xF2"
    "3";
inline constexpr TextView kSubmitButton =
    "\xB0\xB4\xC5\xA5"
    "1";
inline constexpr TextView kAddressLabel =
    "\xB1\xEA\xC7\xA9"
    "1";
inline constexpr TextView kLinksLabel =
    "\xB1\xEA\xC7\xA9"
    "2";
inline constexpr TextView kResultGroup =
    "\xB7\xD6\xD7\xE9\xBF\xF2"
    "1";
inline constexpr TextView kCaptionLine =
    "\xCD\xB8\xC3\xF7\xB1\xEA\xC7\xA9"
    "1";

platform::WindowDescription description();

}  // namespace lc::main_window
