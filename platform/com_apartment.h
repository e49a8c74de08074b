#pragma once
// The system pairs an apartment set-up with a tear-down around its scriptable objects. Our engines
// are plain C++ objects and need neither; the pair stays here so that callers keep the pairing
// visible and a platform that needs it has one place to put it.

namespace lc::platform {

inline void com_initialize() {}
inline void com_uninitialize() {}

}  // namespace lc::platform
