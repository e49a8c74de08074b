#pragma once
// Late-bound calls on a scriptable object: a member looked up by name and invoked through its
// dispatch interface. Any failure gives the empty value of its kind; nothing is shown.

#include <oaidl.h>

#include "platform/windows/com_ref.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace lc::platform::windows {

using DispatchRef = ComRef<IDispatch>;

// Owns one VARIANT.
class Variant {
 public:
  Variant() { VariantInit(&value_); }
  explicit Variant(std::u16string_view text);
  explicit Variant(double number);
  explicit Variant(bool flag);
  Variant(Variant&& other) noexcept;
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { VariantClear(&value_); }

  VARIANT* get() { return &value_; }
  bool empty() const { return value_.vt == VT_EMPTY || value_.vt == VT_NULL; }
  std::optional<std::u16string> text() const;
  std::optional<double> number() const;
  DispatchRef object();

 private:
  VARIANT value_;
};

// A new object of the class a ProgID names, put into its running state; empty on failure.
DispatchRef create_object(std::wstring_view prog_id);

// Property write: tried as property-put, then put-by-reference, then method.
bool put(IDispatch* object, std::wstring_view name, Variant value);
// Property read: tried as property-get, then method.
Variant get(IDispatch* object, std::wstring_view name, std::initializer_list<Variant*> args = {});
// Method call: tried as method, then property-get, property-put, put-by-reference.
Variant call(IDispatch* object, std::wstring_view name, std::initializer_list<Variant*> args);

}  // namespace lc::platform::windows
