#pragma once
// The Windows build's tests run under Wine, whose services fall short of Windows' own in a few
// places; a test that cannot hold there says why where it asks.

namespace lc::test {

#ifdef _WIN32
inline constexpr bool kUnderWine = true;
#else
inline constexpr bool kUnderWine = false;
#endif

}  // namespace lc::test
