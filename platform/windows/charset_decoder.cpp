// Character sets through Windows' language service: the name is resolved to a code page by
// MLang, and the bytes are converted by Windows' own conversion. Windows' stream class
// would do both, but cannot read text under every Windows-compatible runtime.
#include <windows.h>
// After windows.h, which it needs.
#include <mlang.h>

#include "platform/charset_decoder.h"

#include "common/ascii_text.h"
#include "platform/com_apartment.h"
#include "platform/windows/com_ref.h"

namespace lc::platform {
namespace {

// mingw-w64 declares this interface identifier but its uuid library does not define it.
constexpr IID kMultiLanguage2 = {
    0xDCCFC164, 0x2B38, 0x11D2, {0xB7, 0xEC, 0x00, 0xC0, 0x4F, 0x8F, 0x5D, 0x9A}};

constexpr UINT kUtf16Le = 1200;
constexpr UINT kUtf16Be = 1201;
constexpr char16_t kByteOrderMark = u'\uFEFF';

std::optional<UINT> code_page_named(std::string_view label) {
  windows::ComRef<IMultiLanguage2> languages;
  if (FAILED(CoCreateInstance(CLSID_CMultiLanguage, nullptr, CLSCTX_INPROC_SERVER, kMultiLanguage2,
                              languages.put()))) {
    return std::nullopt;
  }
  const std::wstring wide_label(label.begin(), label.end());
  BSTR name = SysAllocStringLen(wide_label.data(), static_cast<UINT>(wide_label.size()));
  MIMECSETINFO info{};
  const HRESULT found = languages->GetCharsetInfo(name, &info);
  SysFreeString(name);
  if (FAILED(found)) return std::nullopt;
  return info.uiInternetEncoding;
}

// The two UTF-16 code pages are not the conversion call's to handle.
std::u16string from_utf16(std::string_view bytes, bool big_endian) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    const auto first = static_cast<unsigned char>(bytes[2 * i]);
    const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
    units[i] = big_endian ? char16_t(first << 8 | second) : char16_t(second << 8 | first);
  }
  return units;
}

std::optional<std::u16string> from_code_page(UINT code_page, std::string_view bytes) {
  if (bytes.empty()) return std::u16string();
  const auto size = static_cast<int>(bytes.size());
  const int count = MultiByteToWideChar(code_page, 0, bytes.data(), size, nullptr, 0);
  if (count <= 0) return std::nullopt;
  std::u16string units(static_cast<std::size_t>(count), u'\0');
  MultiByteToWideChar(code_page, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(units.data()),
                      count);
  return units;
}

}  // namespace

std::optional<std::u16string> decode_charset(std::string_view label, std::string_view bytes) {
  label = trimmed_ascii(label);
  if (label.empty()) return std::nullopt;
  // Its own apartment pairing, so that the decoder serves callers that made none.
  com_initialize();
  const std::optional<UINT> code_page = code_page_named(label);
  com_uninitialize();
  if (!code_page) return std::nullopt;
  std::optional<std::u16string> units = *code_page == kUtf16Le || *code_page == kUtf16Be
                                            ? from_utf16(bytes, *code_page == kUtf16Be)
                                            : from_code_page(*code_page, bytes);
  if (units && !units->empty() && units->front() == kByteOrderMark) units->erase(0, 1);
  return units;
}

}  // namespace lc::platform
