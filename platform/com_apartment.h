#pragma once
// The tool pairs an apartment set-up with a tear-down around its scriptable objects. On Windows
// they are the real calls; elsewhere our engines are plain C++ objects and the pair does nothing,
// but it stays in one place so that callers keep the pairing visible.

namespace lc::platform {

void com_initialize();
void com_uninitialize();

// The pair held by an object: set up when it is made, torn down when it goes. Declared before
// the members that live in the apartment, it is destroyed after them.
class ComApartment {
 public:
  ComApartment() { com_initialize(); }
  ~ComApartment() { com_uninitialize(); }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
};

}  // namespace lc::platform
