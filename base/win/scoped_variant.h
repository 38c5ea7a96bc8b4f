// Ownership of a VARIANT, and its conversion to the core's values: VT_EMPTY,
// VT_NULL and a null BSTR are the missing value, an empty BSTR is an empty
// text.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <cstdint>
#include <optional>

#include "base/text.h"
#include "base/win/bstr.h"

namespace norvale::win {

// Owns one VARIANT and clears it exactly once.
class ScopedVariant {
 public:
  ScopedVariant() noexcept { VariantInit(&m_var); }
  // VT_BSTR, a null BSTR for std::nullopt. Throws HResultError(E_OUTOFMEMORY).
  explicit ScopedVariant(const OptText& text);
  // VT_I4.
  explicit ScopedVariant(std::int32_t value) noexcept;
  // VT_DISPATCH, holding its own reference to `object` (which may be null).
  explicit ScopedVariant(IDispatch* object) noexcept;
  ScopedVariant(ScopedVariant&& other) noexcept;
  ScopedVariant& operator=(ScopedVariant&& other) noexcept;
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
  ~ScopedVariant() { Reset(); }

  const VARIANT& get() const { return m_var; }
  VARTYPE type() const { return V_VT(&m_var); }

  // Clears the value and returns the slot for an out parameter.
  VARIANT* Receive();
  void Reset() noexcept;

  // The value as text; std::nullopt for VT_EMPTY, VT_NULL, a null BSTR or a
  // value that does not convert. Throws HResultError(E_OUTOFMEMORY).
  OptText ToText() const;
  // The value as a 32-bit number; std::nullopt when it does not convert.
  // Throws HResultError(E_OUTOFMEMORY).
  std::optional<std::int32_t> ToInt() const;
  // The object of a VT_DISPATCH or VT_UNKNOWN value, not AddRef'd; null otherwise.
  IUnknown* ToUnknown() const;

 private:
  VARIANT m_var;
};

}  // namespace norvale::win
