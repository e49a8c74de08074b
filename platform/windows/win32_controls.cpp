#include "platform/windows/win32_controls.h"

#include "platform/windows/win32_text.h"

namespace lc::platform::windows {
namespace {

constexpr const wchar_t* kTransLabelClass = L"LinkcourierTransLabel";

// Paints only its text, in the font it is given: no background of its own, so what lies beneath
// shows through.
LRESULT CALLBACK trans_label_procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  constexpr int kFontSlot = 0;  // the window's extra bytes hold its font
  if (message == WM_SETFONT) {
    SetWindowLongPtrW(window, kFontSlot, static_cast<LONG_PTR>(w));
    if (LOWORD(l) != 0) InvalidateRect(window, nullptr, TRUE);
    return 0;
  }
  if (message == WM_GETFONT) return GetWindowLongPtrW(window, kFontSlot);
  if (message != WM_PAINT) return DefWindowProcW(window, message, w, l);
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  const auto font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
  const HGDIOBJ previous =
      SelectObject(dc, font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT));
  SetTextColor(dc, static_cast<COLORREF>(GetWindowLongPtrW(window, GWLP_USERDATA)));
  SetBkMode(dc, TRANSPARENT);
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  RECT area;
  GetClientRect(window, &area);
  DrawTextW(dc, text, -1, &area, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP);
  SelectObject(dc, previous);
  EndPaint(window, &paint);
  return 0;
}

bool register_trans_label_class() {
  static const bool registered = [] {
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.style = CS_HREDRAW | CS_VREDRAW;  // redrawn whenever resized
    type.lpfnWndProc = trans_label_procedure;
    type.cbWndExtra = sizeof(LONG_PTR);
    type.hInstance = GetModuleHandleW(nullptr);
    type.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    type.hbrBackground = nullptr;
    type.lpszClassName = kTransLabelClass;
    return RegisterClassExW(&type) != 0;
  }();
  return registered;
}

constexpr const char* kInertProcedure = "LinkcourierInert";

// A read-only edit box that no click or key reaches: it shows text as an enabled box does, black
// on white, where a disabled one greys it.
LRESULT CALLBACK inert_procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_CONTEXTMENU:
      return 0;
    case WM_SETFOCUS:
      // Focus goes back where it came from.
      if (w != 0) SetFocus(reinterpret_cast<HWND>(w));
      return 0;
    case WM_SETCURSOR:
      // The window's own cursor first (the hourglass while busy), else an arrow, not a text bar.
      if (SendMessageW(GetAncestor(window, GA_ROOT), WM_SETCURSOR, w, l) == TRUE) return TRUE;
      SetCursor(LoadCursorA(nullptr, IDC_ARROW));
      return TRUE;
  }
  const auto original = reinterpret_cast<WNDPROC>(GetPropA(window, kInertProcedure));
  return CallWindowProcW(original, window, message, w, l);
}

void make_inert(HWND edit_box) {
  SetPropA(edit_box, kInertProcedure,
           reinterpret_cast<HANDLE>(GetWindowLongPtrW(edit_box, GWLP_WNDPROC)));
  SetWindowLongPtrW(edit_box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(inert_procedure));
}

struct Kind {
  const wchar_t* window_class;
  DWORD style;
  DWORD extended_style;
};

Kind kind_of(const ControlDescription& description, bool wraps) {
  switch (description.kind) {
    case ControlKind::kLabel:
      return {L"STATIC", SS_LEFT | SS_CENTERIMAGE, 0};
    case ControlKind::kEditBox: {
      const DWORD lines = description.multiline ? ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN |
                                                      (wraps ? 0 : ES_AUTOHSCROLL)
                                                : ES_AUTOHSCROLL;
      return {L"EDIT", ES_LEFT | lines, WS_EX_CLIENTEDGE};
    }
    case ControlKind::kButton:
      return {L"BUTTON", BS_PUSHBUTTON | BS_CENTER | BS_VCENTER, 0};
    case ControlKind::kGroupBox:
      return {L"BUTTON", BS_GROUPBOX, 0};
    case ControlKind::kTransLabel:
      return {kTransLabelClass, 0, WS_EX_TRANSPARENT};
  }
  return {L"STATIC", 0, 0};
}

}  // namespace

HWND create_control(const ControlDescription& description, HWND parent, int id, bool wraps) {
  if (description.kind == ControlKind::kTransLabel && !register_trans_label_class()) return nullptr;
  const Kind kind = kind_of(description, wraps);
  DWORD style = WS_CHILD | WS_VISIBLE | kind.style;
  if (description.tab_stop) style |= WS_TABSTOP;
  const bool inert_edit_box = description.kind == ControlKind::kEditBox && !description.enabled;
  if (inert_edit_box) {
    style |= ES_READONLY;
  } else if (!description.enabled) {
    style |= WS_DISABLED;
  }
  HWND control = CreateWindowExW(
      kind.extended_style, kind.window_class, text_to_wide(description.text).c_str(), style,
      description.left, description.top, description.width, description.height, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  if (control == nullptr) return nullptr;
  if (inert_edit_box) make_inert(control);
  if (description.kind == ControlKind::kTransLabel && description.text_color) {
    const Color color = *description.text_color;
    SetWindowLongPtrW(control, GWLP_USERDATA, RGB(color.red, color.green, color.blue));
  }
  // An edit box holds as much as the control can (its default stops near 32K characters, and a
  // pasted list of links would be cut short without a word).
  if (description.kind == ControlKind::kEditBox) SendMessageW(control, EM_SETLIMITTEXT, 0, 0);
  return control;
}

HFONT create_scaled_font(const ControlDescription& description, int dpi) {
  if (!description.font) {
    // The system's default is made for the system's DPI.
    LOGFONTW font{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    const HDC screen = GetDC(nullptr);
    const int system_dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    font.lfHeight = MulDiv(font.lfHeight, dpi, system_dpi);
    return CreateFontIndirectW(&font);
  }
  const FontDescription& font = *description.font;
  return CreateFontW(MulDiv(font.height, dpi, kDesignDpi), 0, 0, 0, font.weight, font.italic,
                     font.underline, font.strike_out, static_cast<DWORD>(font.charset),
                     static_cast<DWORD>(font.output_precision),
                     static_cast<DWORD>(font.clip_precision), static_cast<DWORD>(font.quality),
                     static_cast<DWORD>(font.pitch_and_family), text_to_wide(font.face).c_str());
}

}  // namespace lc::platform::windows
