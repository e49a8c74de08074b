#include "platform/windows/late_bound.h"

#include <objbase.h>
#include <oleauto.h>

#include <cmath>
#include <vector>

namespace lc::platform::windows {
namespace {

// Looks `name` up and invokes it with the first kind of access that the object accepts; nothing
// when none does.
std::optional<Variant> invoke(IDispatch* object, std::wstring_view name,
                              std::initializer_list<WORD> kinds,
                              std::initializer_list<Variant*> args) {
  if (object == nullptr) return std::nullopt;
  std::wstring member(name);
  LPOLESTR names[] = {member.data()};
  DISPID id = 0;
  if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) {
    return std::nullopt;
  }
  // The dispatch interface takes its arguments last first.
  std::vector<VARIANT> reversed;
  for (auto it = std::rbegin(args); it != std::rend(args); ++it)
    reversed.push_back(*(*it)->get());
  for (WORD kind : kinds) {
    DISPID named_put = DISPID_PROPERTYPUT;
    const bool is_put = kind == DISPATCH_PROPERTYPUT || kind == DISPATCH_PROPERTYPUTREF;
    DISPPARAMS parameters{reversed.data(), is_put ? &named_put : nullptr,
                          static_cast<UINT>(reversed.size()), is_put ? 1u : 0u};
    Variant attempt;
    if (SUCCEEDED(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &parameters,
                                 attempt.get(), nullptr, nullptr))) {
      return attempt;
    }
  }
  return std::nullopt;
}

}  // namespace

Variant::Variant(std::u16string_view text) : Variant() {
  value_.vt = VT_BSTR;
  value_.bstrVal = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                     static_cast<UINT>(text.size()));
}

Variant::Variant(double number) : Variant() {
  value_.vt = VT_R8;
  value_.dblVal = number;
}

Variant::Variant(bool flag) : Variant() {
  value_.vt = VT_BOOL;
  value_.boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
}

Variant::Variant(Variant&& other) noexcept : value_(other.value_) {
  VariantInit(&other.value_);
}

std::optional<std::u16string> Variant::text() const {
  if (empty()) return std::nullopt;
  VARIANT converted;
  VariantInit(&converted);
  if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(&value_), 0, VT_BSTR))) {
    return std::nullopt;
  }
  std::u16string text(reinterpret_cast<const char16_t*>(converted.bstrVal),
                      SysStringLen(converted.bstrVal));
  VariantClear(&converted);
  return text;
}

std::optional<double> Variant::number() const {
  VARIANT converted;
  VariantInit(&converted);
  if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(&value_), 0, VT_R8))) {
    return std::nullopt;
  }
  return converted.dblVal;
}

DispatchRef Variant::object() {
  if (value_.vt != VT_DISPATCH || value_.pdispVal == nullptr) return {};
  IDispatch* object = value_.pdispVal;
  object->AddRef();
  return DispatchRef(object);
}

DispatchRef create_object(std::wstring_view prog_id) {
  CLSID class_id;
  if (FAILED(CLSIDFromProgID(std::wstring(prog_id).c_str(), &class_id))) return {};
  DispatchRef object;
  HRESULT created = CoCreateInstance(class_id, nullptr, CLSCTX_ALL, IID_IDispatch, object.put());
  // Some systems refuse the remote-server context outright; then ask for the local kinds only.
  if (created == E_INVALIDARG) {
    created = CoCreateInstance(class_id, nullptr,
                               CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
                               IID_IDispatch, object.put());
  }
  if (FAILED(created) || !object || FAILED(OleRun(object.get()))) return {};
  return object;
}

bool put(IDispatch* object, std::wstring_view name, Variant value) {
  return invoke(object, name, {DISPATCH_PROPERTYPUT, DISPATCH_PROPERTYPUTREF, DISPATCH_METHOD},
                {&value})
      .has_value();
}

Variant get(IDispatch* object, std::wstring_view name, std::initializer_list<Variant*> args) {
  return invoke(object, name, {DISPATCH_PROPERTYGET, DISPATCH_METHOD}, args).value_or(Variant());
}

Variant call(IDispatch* object, std::wstring_view name, std::initializer_list<Variant*> args) {
  return invoke(
             object, name,
             {DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT, DISPATCH_PROPERTYPUTREF},
             args)
      .value_or(Variant());
}

}  // namespace lc::platform::windows
