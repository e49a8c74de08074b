#pragma once
// One counted reference to a COM object, released on every way out of its owner.

#include <unknwn.h>

#include <utility>

namespace lc::platform::windows {

template <typename Interface>
class ComRef {
 public:
  ComRef() = default;
  explicit ComRef(Interface* adopted) : object_(adopted) {}
  ComRef(ComRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  ComRef& operator=(ComRef&& other) noexcept {
    if (this != &other) {
      reset();
      object_ = std::exchange(other.object_, nullptr);
    }
    return *this;
  }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ~ComRef() { reset(); }

  void reset() {
    if (object_ != nullptr) std::exchange(object_, nullptr)->Release();
  }
  Interface* get() const { return object_; }
  Interface* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  // Where a creating call writes the reference this one then owns.
  void** put() {
    reset();
    return reinterpret_cast<void**>(&object_);
  }

 private:
  Interface* object_ = nullptr;
};

}  // namespace lc::platform::windows
