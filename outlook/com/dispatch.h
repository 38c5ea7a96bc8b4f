// Late binding to Outlook's objects: an object's kind is the interface it
// answers, and its members are called by name through IDispatch, each DISPID
// looked up once per kind and name for the life of the process.
#pragma once

#include <windows.h>

#include <oaidl.h>
#include <wrl/client.h>

#include <span>
#include <string_view>

#include "base/win/scoped_variant.h"

namespace norvale::com {

using Microsoft::WRL::ComPtr;

// The kinds of Outlook object the add-in uses, each known by its interface.
enum class Kind {
  kApplication,
  kNameSpace,
  kInspector,
  kMailItem,
  kRecipients,
  kRecipient,
  kAccount,
  kAddressLists,
  kAddressList,
  kAddressEntries,
  kAddressEntry,
  kExchangeUser,
  kExchangeDistributionList,
  kContactItem,
};
inline constexpr int kKindCount = static_cast<int>(Kind::kContactItem) + 1;

// The interface Outlook documents for `kind` (outlook_iids.h).
const IID& KindIid(Kind kind);

// `object` as the interface of `kind` (a dual interface, so an IDispatch);
// null when `object` is null or does not answer it.
// Throws HResultError(E_OUTOFMEMORY).
ComPtr<IDispatch> QueryKind(IUnknown* object, Kind kind);

// What a call through IDispatch gave: its status and the value returned. A
// member that raised an exception gives the exception's own code.
struct DispResult {
  HRESULT hr = E_FAIL;
  win::ScopedVariant value;
};

// Calls member `name` of `object`, an object of `kind`, with `flags`
// (DISPATCH_*) and `args` in the order the member declares them; a property
// put passes its value as the one argument. Throws HResultError(E_OUTOFMEMORY)
// when any step runs out of memory.
DispResult Invoke(IDispatch* object, Kind kind, std::wstring_view name, WORD flags,
                  std::span<const VARIANT> args = {});

}  // namespace norvale::com
