#include "sim/com/com_object.h"

#include <wrl/client.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <vector>

#include "base/win/module.h"
#include "sim/com/sim_com.h"

namespace norvale::sim {
namespace {

using Microsoft::WRL::ComPtr;

// The harness's type library, embedded in the program as its TYPELIB
// resource 1. Loaded once and never released: the harness's objects may
// outlive any scope that would own it.
ITypeLib* HarnessTypeLib() {
  static ITypeLib* const s_library = [] {
    ITypeLib* library = nullptr;
    if (FAILED(LoadTypeLibEx(win::ModulePath(nullptr).c_str(), REGKIND_NONE, &library))) {
      std::fputs("norvale harness: the program holds no Outlook type library\n", stderr);
      std::abort();
    }
    return library;
  }();
  return s_library;
}

// The type information of `iid`, the vtable's for a dual interface; null
// when the library does not declare it.
ComPtr<ITypeInfo> LoadTypeInfo(REFIID iid) {
  ComPtr<ITypeInfo> spInfo;
  if (FAILED(HarnessTypeLib()->GetTypeInfoOfGuid(iid, &spInfo))) return nullptr;
  TYPEATTR* attr = nullptr;
  if (FAILED(spInfo->GetTypeAttr(&attr))) return nullptr;
  const bool dual = attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL) != 0;
  spInfo->ReleaseTypeAttr(attr);
  if (!dual) return spInfo;
  HREFTYPE vtable = 0;
  ComPtr<ITypeInfo> spVtable;
  if (FAILED(spInfo->GetRefTypeOfImplType(-1, &vtable)) ||
      FAILED(spInfo->GetRefTypeInfo(vtable, &spVtable))) {
    return nullptr;
  }
  return spVtable;
}

}  // namespace

ITypeInfo* TypeInfoOf(REFIID iid) {
  static std::map<GUID, ITypeInfo*, decltype([](const GUID& a, const GUID& b) {
                    return std::memcmp(&a, &b, sizeof(GUID)) < 0;
                  })>
      s_infos;
  auto found = s_infos.find(iid);
  if (found == s_infos.end()) {
    ComPtr<ITypeInfo> spInfo = LoadTypeInfo(iid);
    if (!spInfo) {
      std::fputs("norvale harness: an interface is missing from the Outlook type library\n",
                 stderr);
      std::abort();
    }
    found = s_infos.emplace(iid, spInfo.Detach()).first;
  }
  return found->second;
}

std::set<const Counted*>& Counted::Live() {
  static std::set<const Counted*> live;
  return live;
}

std::ostream& operator<<(std::ostream& out, const ComObjectCount& count) {
  return out << count.objects << " objects, " << count.references << " references";
}

ComObjectCount LiveComObjects() {
  ComObjectCount count;
  for (const Counted* object : Counted::Live()) {
    ++count.objects;
    count.references += static_cast<long>(object->refs());
  }
  return count;
}

std::string DescribeLiveComObjects() {
  std::ostringstream text;
  for (const Counted* object : Counted::Live()) {
    text << object->kind() << " (" << object->refs() << " refs) ";
  }
  return text.str();
}

HRESULT InvokeByName(IDispatch* object, const wchar_t* name, WORD flags,
                     std::span<const VARIANT> args, VARIANT* result) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  DISPID id = DISPID_UNKNOWN;
  const HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  if ((flags & DISPATCH_PROPERTYPUT) != 0) {
    params.rgdispidNamedArgs = &put;
    params.cNamedArgs = 1;
  }
  EXCEPINFO exception = {};
  const HRESULT invoked = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result,
                                         &exception, nullptr);
  if (invoked != DISP_E_EXCEPTION) return invoked;
  // A member that failed raises its status as the exception's code.
  if (exception.pfnDeferredFillIn != nullptr) exception.pfnDeferredFillIn(&exception);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
  return FAILED(exception.scode) ? exception.scode : invoked;
}

}  // namespace norvale::sim
