// The main window as a plain Win32 window: a fixed frame, the controls of the description, and
// the keyboard and focus rules that a dialog manager would otherwise give.
#include "platform/windows/win32_window.h"

#include <commctrl.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/window_system.h"
#include "platform/windows/win32_controls.h"
#include "platform/windows/win32_long_lines.h"
#include "platform/windows/win32_text.h"

namespace lc::platform {
namespace {

using windows::create_control;
using windows::text_to_wide;

constexpr const wchar_t* kMainClass = L"LinkcourierMain";
constexpr const char* kForwardedProcedure = "LinkcourierForwarded";
constexpr DWORD kFixedFrame = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
// Posted when a box scrolling a long line has been edited: it may wrap again.
constexpr UINT kRewrapMessage = WM_APP + 1;

COLORREF colorref(const Color& color) {
  return RGB(color.red, color.green, color.blue);
}

// A container control (the group box) hands its children's colour and command messages to the
// main window, which knows the description.
LRESULT CALLBACK forwarding_procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_CTLCOLOREDIT || message == WM_CTLCOLORSTATIC || message == WM_COMMAND) {
    return SendMessageW(GetAncestor(window, GA_ROOT), message, w, l);
  }
  const auto original = reinterpret_cast<WNDPROC>(GetPropA(window, kForwardedProcedure));
  return CallWindowProcW(original, window, message, w, l);
}

void forward_to_main_window(HWND container) {
  if (GetPropA(container, kForwardedProcedure) != nullptr) return;  // a container of several
  const LONG_PTR original = GetWindowLongPtrW(container, GWLP_WNDPROC);
  SetPropA(container, kForwardedProcedure, reinterpret_cast<HANDLE>(original));
  SetWindowLongPtrW(container, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(forwarding_procedure));
}

class Win32Window final : public Window {
 public:
  explicit Win32Window(const WindowDescription& description) : description_(description) {}
  ~Win32Window() override;

  bool create();
  void on_click(TextView control, std::function<void()> handler) override;
  Text text(TextView control) const override;
  void append_text(TextView control, TextView text) override;
  void show_and_activate() override;
  void show_busy(bool busy) override;
  bool is_open() const override { return window_ != nullptr; }

  bool take_key(const MSG& message);
  static Win32Window* of(HWND window);

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM w, LPARAM l);
  static LRESULT CALLBACK edit_box_procedure(HWND box, UINT message, WPARAM w, LPARAM l, UINT_PTR,
                                             DWORD_PTR self);
  LRESULT handle(HWND window, UINT message, WPARAM w, LPARAM l);
  LRESULT colour(HDC dc, HWND control);
  void move_focus(bool backwards);
  HWND first_focus() const;
  HWND control(TextView name) const;
  int index_of(HWND control) const;
  int scaled_to_dpi(int value) const { return MulDiv(value, dpi_, windows::kDesignDpi); }
  SIZE outer_size() const;
  void lay_out();
  void place(std::size_t index, HFONT font);
  void watch_line_lengths(std::size_t index);
  void remake_edit_box(std::size_t index, bool wraps, const windows::EditOutcome& outcome);
  void rewrap_if_short(HWND box);
  bool scrolls_long_line(HWND box) const;

  WindowDescription description_;
  HWND window_ = nullptr;
  std::vector<HWND> controls_;  // as listed in the description
  std::vector<HFONT> fonts_;    // one a control, for the window's DPI
  int dpi_ = windows::kDesignDpi;
  std::map<int, HBRUSH> backgrounds_;  // by control index
  std::map<int, std::function<void()>> clicks_;
  HWND last_focus_ = nullptr;
  int busy_ = 0;  // submissions under way, nested ones included
};

bool register_main_class() {
  static const bool registered = [] {
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.lpfnWndProc = DefWindowProcW;
    type.hInstance = GetModuleHandleW(nullptr);
    type.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    type.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    type.lpszClassName = kMainClass;
    return RegisterClassExW(&type) != 0;
  }();
  return registered;
}

Win32Window::~Win32Window() {
  if (window_ != nullptr) DestroyWindow(window_);
  for (HFONT font : fonts_)
    DeleteObject(font);
  for (const auto& [index, brush] : backgrounds_)
    DeleteObject(brush);
}

Win32Window* Win32Window::of(HWND window) {
  wchar_t name[32] = {};
  if (window == nullptr || GetClassNameW(window, name, 32) == 0) return nullptr;
  if (lstrcmpW(name, kMainClass) != 0) return nullptr;
  return reinterpret_cast<Win32Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

bool Win32Window::create() {
  if (!register_main_class()) return false;
  window_ = CreateWindowExW(0, kMainClass, text_to_wide(description_.caption).c_str(), kFixedFrame,
                            0, 0, description_.outer_width, description_.outer_height, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
  if (window_ == nullptr) return false;
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
  // The executable's own icon, where it holds one by that name.
  if (HICON icon = LoadIconW(GetModuleHandleW(nullptr), text_to_wide(description_.icon).c_str())) {
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  }
  SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);

  // Parents first: a control inside another is made once its container exists.
  controls_.assign(description_.controls.size(), nullptr);
  for (bool nested : {false, true}) {
    for (std::size_t i = 0; i < description_.controls.size(); ++i) {
      const ControlDescription& description = description_.controls[i];
      if (description.parent.empty() == nested) continue;
      HWND parent = nested ? control(description.parent) : window_;
      controls_[i] = parent != nullptr
                         ? create_control(description, parent, static_cast<int>(i) + 1)
                         : nullptr;
      if (controls_[i] == nullptr) return false;
      if (description.background)
        backgrounds_[int(i)] = CreateSolidBrush(colorref(*description.background));
    }
  }
  for (std::size_t i = 0; i < description_.controls.size(); ++i) {
    if (!description_.controls[i].parent.empty()) forward_to_main_window(GetParent(controls_[i]));
    // Each one below those before it: the first listed ends on top.
    SetWindowPos(controls_[i], HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  for (std::size_t i = 0; i < controls_.size(); ++i)
    watch_line_lengths(i);
  dpi_ = static_cast<int>(GetDpiForWindow(window_));
  const SIZE outer = outer_size();
  SetWindowPos(window_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - outer.cx) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - outer.cy) / 2, outer.cx, outer.cy,
               SWP_NOZORDER | SWP_NOACTIVATE);
  lay_out();
  return true;
}

// The frame around the description's client area at 100 %, the client area scaled to the
// window's DPI and framed for it: at 100 % exactly the description's size.
SIZE Win32Window::outer_size() const {
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectExForDpi(&frame, kFixedFrame, FALSE, 0, windows::kDesignDpi);
  RECT scaled{0, 0, scaled_to_dpi(description_.outer_width - (frame.right - frame.left)),
              scaled_to_dpi(description_.outer_height - (frame.bottom - frame.top))};
  AdjustWindowRectExForDpi(&scaled, kFixedFrame, FALSE, 0, static_cast<UINT>(dpi_));
  return {scaled.right - scaled.left, scaled.bottom - scaled.top};
}

// Every control at its place, size and font for the window's DPI.
void Win32Window::lay_out() {
  std::vector<HFONT> fonts;
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    fonts.push_back(windows::create_scaled_font(description_.controls[i], dpi_));
    place(i, fonts.back());
  }
  for (HFONT font : fonts_)
    DeleteObject(font);
  fonts_ = std::move(fonts);
}

void Win32Window::place(std::size_t index, HFONT font) {
  const ControlDescription& description = description_.controls[index];
  SetWindowPos(controls_[index], nullptr, scaled_to_dpi(description.left),
               scaled_to_dpi(description.top), scaled_to_dpi(description.width),
               scaled_to_dpi(description.height), SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(controls_[index], WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

// The boxes the user pastes into.
void Win32Window::watch_line_lengths(std::size_t index) {
  const ControlDescription& description = description_.controls[index];
  if (description.kind == ControlKind::kEditBox && description.multiline && description.enabled)
    SetWindowSubclass(controls_[index], edit_box_procedure, 0, reinterpret_cast<DWORD_PTR>(this));
}

// Text that would change whether the box should wrap goes into a box made again for it.
LRESULT CALLBACK Win32Window::edit_box_procedure(HWND box, UINT message, WPARAM w, LPARAM l,
                                                 UINT_PTR, DWORD_PTR self) {
  if (const std::optional<windows::EditOutcome> outcome = windows::outcome_of(box, message, l)) {
    const bool wraps = !windows::holds_long_line(outcome->text);
    auto* window = reinterpret_cast<Win32Window*>(self);
    if (wraps != windows::wraps_lines(box)) {
      window->remake_edit_box(std::size_t(window->index_of(box)), wraps, *outcome);
      return message == WM_SETTEXT ? TRUE : 0;
    }
  }
  return DefSubclassProc(box, message, w, l);
}

// Whether `box` is a multi-line box made without word wrap for a long line (a one-line box never
// wraps).
bool Win32Window::scrolls_long_line(HWND box) const {
  const int index = index_of(box);
  return index >= 0 && description_.controls[std::size_t(index)].multiline &&
         !windows::wraps_lines(box);
}

// A box that no longer holds a long line wraps again, its text and caret as they are.
void Win32Window::rewrap_if_short(HWND box) {
  if (!scrolls_long_line(box)) return;  // made again meanwhile
  const int index = index_of(box);
  windows::EditOutcome outcome{windows::window_wide_text(box), 0};
  if (windows::holds_long_line(outcome.text)) return;
  SendMessageW(box, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&outcome.caret));
  remake_edit_box(std::size_t(index), true, outcome);
}

// The same box in the same place, tab order, font and focus, holding the edit's outcome; only
// its wrapping differs.
void Win32Window::remake_edit_box(std::size_t index, bool wraps,
                                  const windows::EditOutcome& outcome) {
  HWND box = controls_[index];
  HWND fresh =
      create_control(description_.controls[index], GetParent(box), GetDlgCtrlID(box), wraps);
  if (fresh == nullptr) return;
  SetWindowPos(fresh, box, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  const bool focused = GetFocus() == box;
  controls_[index] = fresh;
  if (last_focus_ == box) last_focus_ = fresh;
  place(index, fonts_[index]);
  SetWindowTextW(fresh, outcome.text.c_str());
  SendMessageW(fresh, EM_SETSEL, outcome.caret, outcome.caret);
  SendMessageW(fresh, EM_SCROLLCARET, 0, 0);
  watch_line_lengths(index);
  DestroyWindow(box);
  if (focused) SetFocus(fresh);
}

void Win32Window::on_click(TextView name, std::function<void()> handler) {
  if (HWND button = control(name)) clicks_[GetDlgCtrlID(button)] = std::move(handler);
}

Text Win32Window::text(TextView name) const {
  HWND box = control(name);
  if (box == nullptr) return {};
  return windows::window_text(box);
}

void Win32Window::append_text(TextView name, TextView text) {
  HWND box = control(name);
  if (box == nullptr) return;
  const int end = GetWindowTextLengthW(box);
  SendMessageW(box, EM_SETSEL, end, end);
  SendMessageW(box, EM_SCROLLCARET, 0, 0);
  const std::wstring added = text_to_wide(text);
  SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(added.c_str()));
}

void Win32Window::show_busy(bool busy) {
  busy_ += busy ? 1 : -1;
  SetCursor(LoadCursorA(nullptr, busy_ > 0 ? IDC_WAIT : IDC_ARROW));
}

void Win32Window::show_and_activate() {
  ShowWindow(window_, SW_SHOWNORMAL);
  SetForegroundWindow(window_);
  UpdateWindow(window_);
}

LRESULT CALLBACK Win32Window::procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  Win32Window* self = of(window);
  return self != nullptr ? self->handle(window, message, w, l)
                         : DefWindowProcW(window, message, w, l);
}

LRESULT Win32Window::handle(HWND window, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_COMMAND:
      // Typing, deleting, cutting or undoing may take the long line away; the box is made
      // again once its own handling of the edit is over.
      if (HIWORD(w) == EN_CHANGE && scrolls_long_line(reinterpret_cast<HWND>(l))) {
        PostMessageW(window_, kRewrapMessage, 0, l);
        return 0;
      }
      if (HIWORD(w) == BN_CLICKED) {
        const auto click = clicks_.find(LOWORD(w));
        // A copy: the handler may let messages run, and those may close the window.
        if (click != clicks_.end()) std::function<void()>(click->second)();
        return 0;
      }
      break;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      return colour(reinterpret_cast<HDC>(w), reinterpret_cast<HWND>(l));
    case WM_ACTIVATE:
      if (LOWORD(w) == WA_INACTIVE) {
        if (index_of(GetFocus()) >= 0) last_focus_ = GetFocus();
      } else {
        SetFocus(last_focus_ != nullptr ? last_focus_ : first_focus());
      }
      return 0;
    case WM_SETCURSOR:
      // The window and its controls ask here first: while busy, the hourglass over all of them.
      if (busy_ > 0) {
        SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_DPICHANGED: {
      // Moved to a display of another scale: where the system suggests, laid out anew.
      dpi_ = HIWORD(w);
      const RECT* suggested = reinterpret_cast<const RECT*>(l);
      SetWindowPos(window_, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      lay_out();
      return 0;
    }
    case kRewrapMessage:
      rewrap_if_short(reinterpret_cast<HWND>(l));
      return 0;
    case WM_CLOSE:
      DestroyWindow(window_);
      return 0;
    case WM_DESTROY:
      window_ = nullptr;
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, w, l);
}

LRESULT Win32Window::colour(HDC dc, HWND control) {
  const int index = index_of(control);
  const ControlDescription* description =
      index >= 0 ? &description_.controls[std::size_t(index)] : nullptr;
  SetTextColor(dc, description != nullptr && description->text_color
                       ? colorref(*description->text_color)
                       : 0);
  const auto background = backgrounds_.find(index);
  if (background == backgrounds_.end()) {
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
  }
  SetBkColor(dc, colorref(*description->background));
  return reinterpret_cast<LRESULT>(background->second);
}

bool Win32Window::take_key(const MSG& message) {
  if (message.message != WM_KEYDOWN) return false;
  switch (message.wParam) {
    case VK_ESCAPE:
      PostMessageW(window_, WM_CLOSE, 0, 0);
      return true;
    case VK_TAB:
      move_focus(GetKeyState(VK_SHIFT) < 0);
      return true;
    case VK_RETURN:
      // Only a box of several lines takes Enter; elsewhere it does nothing at all.
      return (GetWindowLongW(message.hwnd, GWL_STYLE) & ES_WANTRETURN) == 0;
  }
  return false;
}

void Win32Window::move_focus(bool backwards) {
  std::vector<HWND> stops;
  for (std::size_t index : tab_order(description_)) {
    if (IsWindowVisible(controls_[index]) && IsWindowEnabled(controls_[index]))
      stops.push_back(controls_[index]);
  }
  if (stops.empty()) return;
  const HWND focus = GetFocus();
  std::size_t at = 0;
  while (at < stops.size() && stops[at] != focus)
    ++at;
  const std::size_t count = stops.size();
  const std::size_t next =
      at == count ? (backwards ? count - 1 : 0) : (backwards ? at + count - 1 : at + 1) % count;
  SetFocus(stops[next]);
}

HWND Win32Window::first_focus() const {
  const std::vector<std::size_t> order = tab_order(description_);
  return order.empty() ? window_ : controls_[order.front()];
}

HWND Win32Window::control(TextView name) const {
  for (std::size_t i = 0; i < description_.controls.size(); ++i) {
    if (description_.controls[i].name == name) return controls_[i];
  }
  return nullptr;
}

int Win32Window::index_of(HWND control) const {
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (controls_[i] == control && control != nullptr) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

std::unique_ptr<Window> create_window(const WindowDescription& description) {
  auto window = std::make_unique<Win32Window>(description);
  if (!window->create()) return nullptr;
  return window;
}

bool windows::take_window_keys(const MSG& message) {
  Win32Window* window = Win32Window::of(GetAncestor(message.hwnd, GA_ROOT));
  return window != nullptr && window->take_key(message);
}

}  // namespace lc::platform
