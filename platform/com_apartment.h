#pragma once
// The system pairs an apartment set-up with a tear-down around its scriptable objects. On Windows
// they are the real calls; elsewhere our engines are plain C++ objects and the pair does nothing,
// but it stays in one place so that callers keep the pairing visible.

namespace lc::platform {

void com_initialize();
void com_uninitialize();

}  // namespace lc::platform
