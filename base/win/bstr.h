// BSTR as the core's text: a null BSTR is the missing value, an empty BSTR an
// empty text.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <string_view>

#include "base/hresult.h"
#include "base/text.h"
#include "base/win/unique_handle.h"

namespace norvale::win {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "BSTR text is UTF-16");

// The characters of `bstr`, not copied; empty for a null BSTR.
inline std::u16string_view BstrView(BSTR bstr) {
  return {reinterpret_cast<const char16_t*>(bstr), SysStringLen(bstr)};
}

// A copy of the text of `bstr`; std::nullopt for a null BSTR.
inline OptText BstrText(BSTR bstr) {
  if (bstr == nullptr) return std::nullopt;
  return std::u16string(BstrView(bstr));
}

// A BSTR holding `text`, null for std::nullopt. Throws HResultError(E_OUTOFMEMORY).
inline UniqueBstr MakeBstr(const OptText& text) {
  if (!text) return UniqueBstr();
  UniqueBstr bstr(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text->data()),
                                    static_cast<UINT>(text->size())));
  if (!bstr) throw HResultError(E_OUTOFMEMORY);
  return bstr;
}

}  // namespace norvale::win
