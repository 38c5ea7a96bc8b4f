#include "outlook/com/dispatch.h"

#include <array>
#include <map>
#include <string>
#include <vector>

#include "base/win/com_guard.h"
#include "outlook/com/outlook_iids.h"

namespace norvale::com {
namespace {

using win::ThrowIfOutOfMemory;

// Indexed by Kind.
constexpr std::array<const IID*, kKindCount> kKindIids = {
    &IID_Outlook_Application,
    &IID_Outlook_NameSpace,
    &IID_Outlook_Inspector,
    &IID_Outlook_MailItem,
    &IID_Outlook_Recipients,
    &IID_Outlook_Recipient,
    &IID_Outlook_Account,
    &IID_Outlook_AddressLists,
    &IID_Outlook_AddressList,
    &IID_Outlook_AddressEntries,
    &IID_Outlook_AddressEntry,
    &IID_Outlook_ExchangeUser,
    &IID_Outlook_ExchangeDistributionList,
    &IID_Outlook_ContactItem,
};

// The DISPID of `name` on objects of `kind`. Outlook's dispinterfaces are
// fixed, so one lookup per kind and name serves every object; a failed lookup
// is not remembered. The add-in runs on one thread, so the table needs no lock.
HRESULT GetDispId(IDispatch* object, Kind kind, std::wstring_view name, DISPID& dispid) {
  static std::array<std::map<std::wstring, DISPID, std::less<>>, kKindCount> s_dispids;
  auto& dispids = s_dispids[static_cast<int>(kind)];
  if (const auto found = dispids.find(name); found != dispids.end()) {
    dispid = found->second;
    return S_OK;
  }
  std::wstring owned(name);
  LPOLESTR names[] = {owned.data()};
  const HRESULT hr =
      ThrowIfOutOfMemory(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid));
  if (SUCCEEDED(hr)) dispids.emplace(std::move(owned), dispid);
  return hr;
}

// The code of the exception a member raised; DISP_E_EXCEPTION when it names none.
HRESULT ExceptionCode(EXCEPINFO& info) {
  if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrDescription);
  SysFreeString(info.bstrHelpFile);
  return FAILED(info.scode) ? info.scode : DISP_E_EXCEPTION;
}

}  // namespace

const IID& KindIid(Kind kind) { return *kKindIids[static_cast<int>(kind)]; }

ComPtr<IDispatch> QueryKind(IUnknown* object, Kind kind) {
  ComPtr<IDispatch> spDispatch;
  if (object) {
    ThrowIfOutOfMemory(object->QueryInterface(
        KindIid(kind), reinterpret_cast<void**>(spDispatch.ReleaseAndGetAddressOf())));
  }
  return spDispatch;
}

DispResult Invoke(IDispatch* object, Kind kind, std::wstring_view name, WORD flags,
                  std::span<const VARIANT> args) {
  DispResult result;
  DISPID dispid = DISPID_UNKNOWN;
  result.hr = GetDispId(object, kind, name, dispid);
  if (FAILED(result.hr)) return result;

  // IDispatch takes the arguments last to first; the copies are shallow, the
  // caller keeps ownership.
  std::vector<VARIANTARG> reversed(args.rbegin(), args.rend());
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    params.rgdispidNamedArgs = &put;
    params.cNamedArgs = 1;
  }
  // A put returns nothing.
  VARIANT* value = (flags & DISPATCH_METHOD) || (flags & DISPATCH_PROPERTYGET)
                       ? result.value.Receive()
                       : nullptr;
  EXCEPINFO info = {};
  result.hr =
      object->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, value, &info, nullptr);
  if (result.hr == DISP_E_EXCEPTION) result.hr = ExceptionCode(info);
  ThrowIfOutOfMemory(result.hr);
  return result;
}

}  // namespace norvale::com
