// The tool's window as plain Win32 windows, driven through Windows' own messages.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <tuple>

#include "app/linkcourier_app.h"
#include "app/main_window.h"
#include "platform/event_pump.h"
#include "platform/shell.h"
#include "tests/support/cp936.h"
#include "tests/support/scripted_server.h"

namespace lc::test {
namespace {

namespace mw = main_window;

class WindowTest : public testing::Test {
 protected:
  void SetUp() override {
    int argc = 0;
    ASSERT_TRUE(platform::start_window_system(argc, nullptr));
    platform::testing::set_shell_recorder([this](TextView path) { opened_.emplace_back(path); });
    app_ = LinkcourierApp::create();
    ASSERT_NE(app_, nullptr);
    app_->show();
    main_ = FindWindowA("LinkcourierMain", nullptr);
    ASSERT_NE(main_, nullptr);
    settle();
  }
  void TearDown() override {
    app_.reset();
    platform::testing::set_shell_recorder(nullptr);
    settle();  // the quit request of the closed window
  }

  // A control by its name: its id is its place in the description.
  HWND control(TextView name) const {
    const auto& controls = mw::description().controls;
    for (std::size_t i = 0; i < controls.size(); ++i) {
      if (controls[i].name != name) continue;
      HWND parent = controls[i].parent.empty() ? main_ : control(controls[i].parent);
      return GetDlgItem(parent, static_cast<int>(i) + 1);
    }
    return nullptr;
  }

  // Presses a key in the control that has the focus, as the keyboard would.
  void press(WPARAM key) {
    PostMessageA(GetFocus(), WM_KEYDOWN, key, 0);
    PostMessageA(GetFocus(), WM_KEYUP, key, 0);
    settle();
  }

  static void settle() {
    for (int i = 0; i < 5; ++i) {
      platform::handle_pending_messages();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

  std::unique_ptr<LinkcourierApp> app_;
  HWND main_ = nullptr;
  std::vector<Text> opened_;
};

// Characters typed through the window system's input arrive whole, as code page 936 text. It
// stands first: under Wine without a window manager, keys reach the first window a process maps.
TEST_F(WindowTest, TypedChineseArrivesWhole) {
  for (TextView box : {mw::kAddressBox, mw::kLinksBox}) {
    SetForegroundWindow(main_);
    SetFocus(control(box));
    settle();
    for (const wchar_t character : std::wstring(L"\u65B0\u95FBa")) {  // 新闻a
      INPUT keys[2] = {};
      keys[0].type = INPUT_KEYBOARD;
      keys[0].ki.wScan = character;
      keys[0].ki.dwFlags = KEYEVENTF_UNICODE;
      keys[1] = keys[0];
      keys[1].ki.dwFlags |= KEYEVENTF_KEYUP;
      SendInput(2, keys, sizeof(INPUT));
      settle();
    }
    EXPECT_EQ(app_->window().text(box), gbk("新闻a"));
  }
}

TEST_F(WindowTest, FixedFrameCentredAtTheDesignedSize) {
  EXPECT_NE(SendMessageW(main_, WM_GETICON, ICON_BIG, 0), 0);
  RECT frame;
  GetWindowRect(main_, &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  if (GetDpiForWindow(main_) == 96) {
    EXPECT_EQ(width, 469);
    EXPECT_EQ(height, 416);
  }
  EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
  EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);
  const LONG style = GetWindowLongA(main_, GWL_STYLE);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & (WS_MAXIMIZEBOX | WS_THICKFRAME));
  char caption[128] = {};
  GetWindowTextA(main_, caption, sizeof caption);
  EXPECT_EQ(Text(caption), "Linkcourier - Fernhollow(fernhollow.example)");
  EXPECT_EQ(opened_, std::vector<Text>{Text(mw::kPublisherSite)});
}

// At the display's scale (the suite runs at 100 % and again at 150 %) every control's place and
// size and every named font's height are the design's times the scale, rounded as MulDiv rounds;
// the frame holds the client area scaled the same way, centred.
TEST_F(WindowTest, GeometryAndFontsFollowTheDisplaysScale) {
  const int dpi = static_cast<int>(GetDpiForWindow(main_));
  if (const char* expected = std::getenv("LINKCOURIER_EXPECTED_DPI")) {
    EXPECT_EQ(dpi, std::atoi(expected));
  }
  const auto scaled = [&](int value) { return MulDiv(value, dpi, 96); };
  for (const platform::ControlDescription& description : mw::description().controls) {
    const HWND box = control(description.name);
    RECT area;
    GetWindowRect(box, &area);
    MapWindowPoints(nullptr, GetParent(box), reinterpret_cast<POINT*>(&area), 2);
    EXPECT_EQ(area.left, scaled(description.left)) << description.name;
    EXPECT_EQ(area.top, scaled(description.top)) << description.name;
    EXPECT_EQ(area.right - area.left, scaled(description.width)) << description.name;
    EXPECT_EQ(area.bottom - area.top, scaled(description.height)) << description.name;
    if (!description.font) continue;
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(box, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_EQ(font.lfHeight, scaled(description.font->height)) << description.name;
  }
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectExForDpi(&frame, GetWindowLongA(main_, GWL_STYLE), FALSE, 0, 96);
  RECT client;
  GetClientRect(main_, &client);
  EXPECT_EQ(client.right, scaled(469 - (frame.right - frame.left)));
  EXPECT_EQ(client.bottom, scaled(416 - (frame.bottom - frame.top)));
}

TEST_F(WindowTest, ControlsCarryTheirStylesAndFonts) {
  EXPECT_TRUE(GetWindowLongA(control(mw::kAddressBox), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_TRUE(GetWindowLongA(control(mw::kLinksBox), GWL_STYLE) & ES_WANTRETURN);
  EXPECT_FALSE(GetWindowLongA(control(mw::kLinksBox), GWL_STYLE) & ES_AUTOHSCROLL);  // wraps
  EXPECT_TRUE(GetWindowLongA(control(mw::kResultBox), GWL_STYLE) & ES_READONLY);
  // Version 6 of the common controls, as the manifest asks: only its edit boxes take a cue.
  EXPECT_TRUE(SendMessageW(control(mw::kAddressBox), EM_SETCUEBANNER, FALSE,
                           reinterpret_cast<LPARAM>(L"")));
  EXPECT_TRUE(GetWindowLongA(control(mw::kCaptionLine), GWL_EXSTYLE) & WS_EX_TRANSPARENT);
  LOGFONTA font{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control(mw::kAddressLabel), WM_GETFONT, 0, 0)),
             sizeof font, &font);
  EXPECT_EQ(font.lfHeight, MulDiv(-14, static_cast<int>(GetDpiForWindow(main_)), 96));
  EXPECT_EQ(font.lfCharSet, 134);
  EXPECT_EQ(Text(font.lfFaceName), gbk("微软雅黑"));
}

// The report box takes neither a click nor the focus, and draws its text black, not greyed.
TEST_F(WindowTest, TheReportBoxTakesNoFocusAndShowsItsTextBlack) {
  const HWND result = control(mw::kResultBox);
  app_->window().append_text(mw::kResultBox, gbk("成功提交：2条链接\r\n"));
  SendMessageA(result, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
  SendMessageA(result, WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
  SendMessageA(result, WM_SETFOCUS, reinterpret_cast<WPARAM>(control(mw::kAddressBox)), 0);
  settle();
  EXPECT_EQ(GetFocus(), control(mw::kAddressBox));
  RECT area;
  GetClientRect(result, &area);
  const HDC window_dc = GetDC(result);
  const HDC copy = CreateCompatibleDC(window_dc);
  const HBITMAP bitmap = CreateCompatibleBitmap(window_dc, area.right, area.bottom);
  const HGDIOBJ previous = SelectObject(copy, bitmap);
  // Painted as the screen gets it, into the copy.
  SendMessageA(result, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(copy), PRF_CLIENT | PRF_ERASEBKGND);
  int darkest = 3 * 255;
  for (int y = 0; y < area.bottom; ++y) {
    for (int x = 0; x < area.right; ++x) {
      const COLORREF pixel = GetPixel(copy, x, y);
      darkest = std::min(darkest, GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel));
    }
  }
  SelectObject(copy, previous);
  DeleteObject(bitmap);
  DeleteDC(copy);
  ReleaseDC(result, window_dc);
  EXPECT_LT(darkest, 3 * 40) << "the report's text is drawn black";
}

// A pasted line far longer than any link is shown unwrapped (wrapping it would take minutes),
// in the same box as far as the user can tell; a list of links wraps again.
TEST_F(WindowTest, ALinePastedLongerThanAnyLinkScrollsInsteadOfWrapping) {
  const auto wraps = [this] {
    return (GetWindowLongA(control(mw::kLinksBox), GWL_STYLE) & ES_AUTOHSCROLL) == 0;
  };
  const auto place = [this] {
    RECT place;
    GetWindowRect(control(mw::kLinksBox), &place);
    return std::make_tuple(place.left, place.top, place.right, place.bottom,
                           SendMessageA(control(mw::kLinksBox), WM_GETFONT, 0, 0));
  };
  const auto before = place();
  const std::wstring pasted = L"https://a/1\r\nhttps://a/" + std::wstring(100000, L'x');
  ASSERT_TRUE(OpenClipboard(main_));
  EmptyClipboard();
  HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, (pasted.size() + 1) * sizeof(wchar_t));
  std::copy_n(pasted.c_str(), pasted.size() + 1, static_cast<wchar_t*>(GlobalLock(data)));
  GlobalUnlock(data);
  SetClipboardData(CF_UNICODETEXT, data);
  CloseClipboard();
  SetFocus(control(mw::kLinksBox));
  SendMessageW(control(mw::kLinksBox), WM_PASTE, 0, 0);
  EXPECT_FALSE(wraps());
  EXPECT_EQ(app_->window().text(mw::kLinksBox),
            "https://a/1\r\nhttps://a/" + std::string(100000, 'x'));
  EXPECT_EQ(place(), before);
  EXPECT_EQ(GetFocus(), control(mw::kLinksBox));
  press(VK_TAB);
  EXPECT_EQ(GetFocus(), control(mw::kSubmitButton));
  SetWindowTextW(control(mw::kLinksBox), L"https://a/1\r\nhttps://a/2");
  EXPECT_TRUE(wraps());
  EXPECT_EQ(app_->window().text(mw::kLinksBox), "https://a/1\r\nhttps://a/2");
  // Typed over, the long line gone: the box wraps again, its text and caret as typed.
  SetWindowTextW(control(mw::kLinksBox), pasted.c_str());
  ASSERT_FALSE(wraps());
  SetFocus(control(mw::kLinksBox));
  SendMessageW(control(mw::kLinksBox), EM_SETSEL, 23, -1);
  PostMessageW(control(mw::kLinksBox), WM_CHAR, L'2', 0);
  settle();
  EXPECT_TRUE(wraps());
  EXPECT_EQ(app_->window().text(mw::kLinksBox), "https://a/1\r\nhttps://a/2");
  DWORD caret = 0;
  SendMessageW(control(mw::kLinksBox), EM_GETSEL, 0, reinterpret_cast<LPARAM>(&caret));
  EXPECT_EQ(caret, 24u);
  EXPECT_EQ(GetFocus(), control(mw::kLinksBox));
}

TEST_F(WindowTest, TabCyclesThroughTheThreeStopsBothWays) {
  EXPECT_EQ(GetFocus(), control(mw::kAddressBox));
  press(VK_TAB);
  EXPECT_EQ(GetFocus(), control(mw::kLinksBox));
  press(VK_TAB);
  EXPECT_EQ(GetFocus(), control(mw::kSubmitButton));
  press(VK_TAB);
  EXPECT_EQ(GetFocus(), control(mw::kAddressBox));
}

TEST_F(WindowTest, EscapeClosesTheWindowFromAnEditBox) {
  SetFocus(control(mw::kLinksBox));
  press(VK_ESCAPE);
  EXPECT_FALSE(app_->window().is_open());
  EXPECT_FALSE(IsWindow(main_));
}

TEST_F(WindowTest, AClickSendsTheLinksAndAppendsTheReport) {
  ScriptedServer server(
      {respond("HTTP/1.1 200 OK", {}, R"({"remain_batch":498,"success_batch":2,"remain":1})")});
  SetWindowTextA(control(mw::kAddressBox), server.url("/urls?site=a&token=b").c_str());
  SetWindowTextA(control(mw::kLinksBox), "https://a/1\r\nhttps://a/2");
  SendMessageA(control(mw::kSubmitButton), BM_CLICK, 0, 0);
  settle();
  // remain_batch first: the quota runs up to the first closing brace after its marker.
  EXPECT_EQ(app_->window().text(mw::kResultBox),
            gbk("成功提交：2条链接\r\n剩余额度：498,\"success_batch\":2,\"remain\":1条\r\n"));
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_TRUE(server.requests()[0].ends_with("\r\n\r\nhttps://a/1\r\nhttps://a/2"));
}

// While the answer is awaited the window keeps painting: a part uncovered meanwhile is painted
// again before the answer arrives.
TEST_F(WindowTest, TheWindowRepaintsWhileTheAnswerIsAwaited) {
  ScriptedServer server({{pause_for(std::chrono::milliseconds(1500)),
                          send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n{}")}});
  SetWindowTextA(control(mw::kAddressBox), server.url("/urls").c_str());
  HWND links = control(mw::kLinksBox);
  std::atomic<bool> repainted{false};
  std::thread uncovering([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    InvalidateRect(links, nullptr, TRUE);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    repainted = GetUpdateRect(links, nullptr, FALSE) == FALSE;
  });
  SendMessageW(control(mw::kSubmitButton), BM_CLICK, 0, 0);
  uncovering.join();
  EXPECT_TRUE(repainted);
  ASSERT_EQ(server.requests().size(), 1u);
}

// An edit box takes a real list whole: the system's default limit would cut it near 32K.
TEST_F(WindowTest, TenThousandLinksReachTheServerWhole) {
  ScriptedServer server(
      {respond("HTTP/1.1 200 OK", {}, R"({"success_batch":1,"remain_batch":1})")});
  std::string links;
  for (int i = 0; i < 10000; ++i) {
    const std::string number = std::to_string(i);
    if (i > 0) links += "\r\n";
    links += "https://www.example.com/" + std::string(35 - number.size(), '0') + number + ".html";
  }
  ASSERT_EQ(links.size(), 10000u * 64 + 9999 * 2);
  SetWindowTextA(control(mw::kAddressBox), server.url("/urls?site=a&token=b").c_str());
  SetWindowTextA(control(mw::kLinksBox), links.c_str());
  SendMessageA(control(mw::kSubmitButton), BM_CLICK, 0, 0);
  settle();
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_TRUE(server.requests()[0].ends_with("\r\n\r\n" + links));
}

// Closing the window while an answer is awaited ends the tool at once with exit code 0, by the
// close button, a window manager's close, Esc or Alt+F4, each after other keys were pressed: the
// tool runs as its own process against a server that takes 20 seconds to answer.
TEST(ClosingTest, DuringAnExchangeEndsTheToolAtOnce) {
  wchar_t tests[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, tests, MAX_PATH);
  std::wstring tool = tests;
  tool = tool.substr(0, tool.find_last_of(L"\\/")) + L"\\..\\..\\app\\linkcourier.exe";
  const auto id_of = [](TextView name) {
    const auto& controls = mw::description().controls;
    for (std::size_t i = 0; i < controls.size(); ++i) {
      if (controls[i].name == name) return static_cast<int>(i) + 1;
    }
    return 0;
  };
  const struct {
    UINT message;
    WPARAM key;
    bool to_links_box;
  } closings[] = {{WM_NCLBUTTONDOWN, HTCLOSE, false},
                  {WM_SYSCOMMAND, SC_CLOSE, false},
                  {WM_KEYDOWN, VK_ESCAPE, true},
                  {WM_SYSKEYDOWN, VK_F4, true}};
  for (const auto& closing : closings) {
    ScriptedServer server({{pause_for(std::chrono::seconds(20)),
                            send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n{}")}});
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(tool.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    HWND main = nullptr;
    for (int tries = 0; tries < 200 && main == nullptr; ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      for (HWND found = FindWindowA("LinkcourierMain", nullptr); found != nullptr;
           found = FindWindowExA(nullptr, found, "LinkcourierMain", nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(found, &owner);
        // Shown: set up and listening for its button.
        if (owner == process.dwProcessId && IsWindowVisible(found)) main = found;
      }
    }
    ASSERT_NE(main, nullptr);
    SetDlgItemTextA(main, id_of(mw::kAddressBox), server.url("/urls?site=a&token=b").c_str());
    SetDlgItemTextA(main, id_of(mw::kLinksBox), "https://a/1");
    PostMessageA(GetDlgItem(main, id_of(mw::kSubmitButton)), BM_CLICK, 0, 0);
    for (int tries = 0; tries < 200 && server.requests().empty(); ++tries)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(server.requests().size(), 1u);
    const HWND links_box = GetDlgItem(main, id_of(mw::kLinksBox));
    PostMessageA(links_box, WM_KEYDOWN, 'A', 0);
    PostMessageA(links_box, WM_SYSKEYDOWN, VK_MENU, 0);
    PostMessageA(closing.to_links_box ? links_box : main, closing.message, closing.key, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 2000), WAIT_OBJECT_0) << closing.message;
    DWORD exit_code = 1;
    GetExitCodeProcess(process.hProcess, &exit_code);
    EXPECT_EQ(exit_code, 0u);
    TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
}

// Wine opens an https address with the browser its settings name; the test script names a
// script that writes down what it was given.
TEST(ShellTest, OpensTheAddressWithTheDesktopsBrowser) {
  const char* record = std::getenv("LINKCOURIER_BROWSER_RECORD");
  if (record == nullptr) GTEST_SKIP() << "no recording browser was set up";
  platform::shell_open(mw::kPublisherSite);
  std::string opened;
  for (int i = 0; i < 200 && opened.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::ifstream(record) >> opened;
  }
  EXPECT_EQ(opened, mw::kPublisherSite);
}

}  // namespace
}  // namespace lc::test
