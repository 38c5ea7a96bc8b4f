#include "base/win/scoped_variant.h"

#include "base/win/com_guard.h"

namespace norvale::win {
namespace {

// VariantChangeType of a value into a fresh VT_BSTR or VT_I4; the source is
// only read (the declaration lacks const).
HRESULT ChangeType(ScopedVariant& to, const VARIANT& from, VARTYPE type) {
  return ThrowIfOutOfMemory(VariantChangeType(to.Receive(), const_cast<VARIANT*>(&from), 0, type));
}

}  // namespace

ScopedVariant::ScopedVariant(const OptText& text) : ScopedVariant() {
  V_BSTR(&m_var) = MakeBstr(text).release();
  V_VT(&m_var) = VT_BSTR;
}

ScopedVariant::ScopedVariant(std::int32_t value) noexcept : ScopedVariant() {
  V_VT(&m_var) = VT_I4;
  V_I4(&m_var) = value;
}

ScopedVariant::ScopedVariant(IDispatch* object) noexcept : ScopedVariant() {
  V_VT(&m_var) = VT_DISPATCH;
  V_DISPATCH(&m_var) = object;
  if (object != nullptr) object->AddRef();
}

ScopedVariant::ScopedVariant(ScopedVariant&& other) noexcept : m_var(other.m_var) {
  VariantInit(&other.m_var);
}

ScopedVariant& ScopedVariant::operator=(ScopedVariant&& other) noexcept {
  if (this != &other) {
    Reset();
    m_var = other.m_var;
    VariantInit(&other.m_var);
  }
  return *this;
}

VARIANT* ScopedVariant::Receive() {
  Reset();
  return &m_var;
}

void ScopedVariant::Reset() noexcept {
  VariantClear(&m_var);
  VariantInit(&m_var);
}

OptText ScopedVariant::ToText() const {
  switch (type()) {
    case VT_EMPTY:
    case VT_NULL:
      return std::nullopt;
    case VT_BSTR:
      return BstrText(V_BSTR(&m_var));
    default: {
      ScopedVariant converted;
      if (FAILED(ChangeType(converted, m_var, VT_BSTR))) return std::nullopt;
      return BstrText(V_BSTR(&converted.m_var));
    }
  }
}

std::optional<std::int32_t> ScopedVariant::ToInt() const {
  if (type() == VT_EMPTY || type() == VT_NULL) return std::nullopt;
  ScopedVariant converted;
  if (FAILED(ChangeType(converted, m_var, VT_I4))) return std::nullopt;
  return V_I4(&converted.m_var);
}

IUnknown* ScopedVariant::ToUnknown() const {
  switch (type()) {
    case VT_DISPATCH:
      return V_DISPATCH(&m_var);
    case VT_UNKNOWN:
      return V_UNKNOWN(&m_var);
    default:
      return nullptr;
  }
}

}  // namespace norvale::win
