#include "sim/com/sim_com.h"

#include <mapix.h>
#include <oleauto.h>

#include <algorithm>
#include <cwchar>
#include <map>
#include <set>
#include <span>
#include <sstream>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "addin/explorer_events.h"
#include "base/hresult.h"
#include "outlook/com/outlook_iids.h"
#include "server/com_guard.h"
#include "sim/com/sim_mapi.h"
#include "sim/run/inline_layout.h"

namespace norvale::sim {

using Microsoft::WRL::ComPtr;
using win::GuardHResult;

struct ExplorerEventConnections {
  std::map<DWORD, ComPtr<IDispatch>> sinks;  // by cookie
  DWORD lastCookie = 0;
  int advised = 0;
  int unadvised = 0;
};

namespace {

// Registry entry of one harness COM object, so that a test sees what is
// still alive after the add-in let go.
class Counted {
 public:
  Counted(const Counted&) = delete;
  Counted& operator=(const Counted&) = delete;

  static std::set<const Counted*>& Live() {
    static std::set<const Counted*> live;
    return live;
  }
  const char* kind() const { return m_kind; }
  ULONG refs() const { return m_refs; }

 protected:
  explicit Counted(const char* kind) : m_kind(kind) { Live().insert(this); }
  virtual ~Counted() { Live().erase(this); }

  ULONG m_refs = 0;  // plain: the objects live in the test's apartment

 private:
  const char* m_kind;
};

// IUnknown over the interfaces `Interfaces`, which Find picks from.
template <typename... Interfaces>
class ComObject : public Counted, public Interfaces... {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    *ppv = Find(riid);
    if (*ppv == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --m_refs;
    if (left == 0) delete this;
    return left;
  }

 protected:
  using Counted::Counted;
  // The interface pointer that answers `riid`, or nullptr.
  virtual void* Find(REFIID riid) = 0;
};

// --- Values between VARIANTs and the port's types ---------------------------

// A member's arguments in call order (DISPPARAMS holds them reversed).
using Args = std::span<VARIANT* const>;

OptText FromBstr(BSTR text) {
  if (text == nullptr) return std::nullopt;
  return std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text));
}

// A null BSTR stays a missing value; any other VARIANT is coerced as a type
// library would coerce it.
HRESULT Take(const VARIANT& value, OptText& text) {
  if (value.vt == VT_BSTR) {
    text = FromBstr(value.bstrVal);
    return S_OK;
  }
  VARIANT converted;
  VariantInit(&converted);
  const HRESULT hr = VariantChangeType(&converted, const_cast<VARIANT*>(&value), 0, VT_BSTR);
  if (SUCCEEDED(hr)) text = FromBstr(converted.bstrVal);
  VariantClear(&converted);
  return hr;
}

HRESULT Take(const VARIANT& value, std::int32_t& number) {
  VARIANT converted;
  VariantInit(&converted);
  const HRESULT hr = VariantChangeType(&converted, const_cast<VARIANT*>(&value), 0, VT_I4);
  if (SUCCEEDED(hr)) number = converted.lVal;
  return hr;
}

// A missing string is a null BSTR.
HRESULT Give(const OptText& text, VARIANT* result) {
  result->vt = VT_BSTR;
  result->bstrVal = nullptr;
  if (!text) return S_OK;
  result->bstrVal = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text->data()),
                                      static_cast<UINT>(text->size()));
  return result->bstrVal != nullptr ? S_OK : E_OUTOFMEMORY;
}

// A number the port could not read is a failed call, as in Outlook.
HRESULT Give(const outlook::OptInt& number, VARIANT* result) {
  if (!number) return E_FAIL;
  result->vt = VT_I4;
  result->lVal = *number;
  return S_OK;
}

// An examined call's status is the status of Invoke.
HRESULT Give(HRESULT hr, VARIANT*) { return hr; }

HRESULT GiveObject(ComPtr<IDispatch> object, VARIANT* result) {
  result->vt = VT_DISPATCH;
  result->pdispVal = object.Detach();
  return S_OK;
}

template <typename Port, typename Dual = IDispatch, typename... Extra>
class DispatchObject;

// A port object comes back as the harness's COM object of its kind.
template <typename Port>
HRESULT Give(std::shared_ptr<Port> port, VARIANT* result) {
  ComPtr<IDispatch> object;
  if (port) object = new DispatchObject<Port>(std::move(port));
  return GiveObject(std::move(object), result);
}

// Calls `fn` on `target` with `args` converted to its parameter types.
template <typename R, typename C, typename... A>
HRESULT Call(C& target, R (C::*fn)(A...), Args args, VARIANT* result) {
  if (args.size() != sizeof...(A)) return DISP_E_BADPARAMCOUNT;
  std::tuple<std::remove_cvref_t<A>...> values;
  HRESULT hr = S_OK;
  std::size_t next = 0;
  std::apply([&](auto&... value) { ((hr = Succeeded(hr) ? Take(*args[next++], value) : hr), ...); },
             values);
  if (Failed(hr)) return hr;
  const auto invoke = [&](auto&... value) { return (target.*fn)(value...); };
  if constexpr (std::is_void_v<R>) {
    std::apply(invoke, values);
    return S_OK;
  } else {
    return Give(std::apply(invoke, values), result);
  }
}

// --- Dispatch by name ---------------------------------------------------------

enum class Access { kGet, kPut, kMethod };

// One member of a kind's name table. A property with a getter and a setter
// has one entry for each, under one name and DISPID.
template <typename Port>
struct Member {
  const wchar_t* name;
  Access access;
  HRESULT (*run)(Port& port, Args args, VARIANT* result);
};

template <typename Port, auto Fn>
HRESULT Bound(Port& port, Args args, VARIANT* result) {
  return Call(port, Fn, args, result);
}

// Per kind: kName (for the registry), kIid (what the add-in asks for to learn
// the kind), kDispBase (DISPIDs differ between kinds, so that a DISPID cached
// for the wrong kind is caught), kMembers.
template <typename Port>
struct KindOf;

bool Answers(Access access, WORD flags) {
  switch (access) {
    case Access::kGet:
      return (flags & DISPATCH_PROPERTYGET) != 0;
    case Access::kPut:
      return (flags & DISPATCH_PROPERTYPUT) != 0;
    case Access::kMethod:
      return (flags & DISPATCH_METHOD) != 0;
  }
  return false;
}

template <typename Port, typename Dual, typename... Extra>
class DispatchObject : public ComObject<Dual, Extra...> {
 public:
  explicit DispatchObject(std::shared_ptr<Port> port)
      : ComObject<Dual, Extra...>(KindOf<Port>::kName), m_port(std::move(port)) {}

  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info != nullptr) *info = nullptr;
    return DISP_E_BADINDEX;
  }

  // Names are matched without regard to case, as a type library matches them.
  // Parameter names are not known.
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (names == nullptr || ids == nullptr) return E_POINTER;
    std::fill(ids, ids + count, DISPID_UNKNOWN);
    if (count == 0) return S_OK;
    const std::span<const Member<Port>> members = KindOf<Port>::kMembers;
    for (std::size_t i = 0; i < members.size(); ++i) {
      if (_wcsicmp(members[i].name, names[0]) == 0) {
        ids[0] = KindOf<Port>::kDispBase + static_cast<DISPID>(i);
        return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
      }
    }
    return DISP_E_UNKNOWNNAME;
  }

  // A property write takes its value as the named argument DISPID_PROPERTYPUT;
  // reads and methods take positional arguments only.
  STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO*, UINT*) override {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (params == nullptr) return E_POINTER;
    const Member<Port>* member = Resolve(id, flags);
    if (member == nullptr) return DISP_E_MEMBERNOTFOUND;
    if (member->access == Access::kPut) {
      if (params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
        return DISP_E_PARAMNOTOPTIONAL;
      }
    } else if (params->cNamedArgs != 0) {
      return DISP_E_NONAMEDARGS;
    }
    std::vector<VARIANT*> args(params->cArgs);
    for (UINT i = 0; i < params->cArgs; ++i) args[i] = &params->rgvarg[params->cArgs - 1 - i];

    if (result != nullptr) VariantInit(result);
    VARIANT value;
    VariantInit(&value);
    const HRESULT hr = GuardHResult([&] { return member->run(*m_port, args, &value); });
    if (Failed(hr) || result == nullptr) {
      VariantClear(&value);
    } else {
      *result = value;
    }
    return hr;
  }

 protected:
  Port& port() { return *m_port; }

  void* Find(REFIID riid) override {
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == KindOf<Port>::kIid) {
      return static_cast<Dual*>(this);
    }
    return FindExtra(riid);
  }
  virtual void* FindExtra(REFIID) { return nullptr; }

 private:
  // The entry of DISPID `id` that `flags` asks for.
  static const Member<Port>* Resolve(DISPID id, WORD flags) {
    const std::span<const Member<Port>> members = KindOf<Port>::kMembers;
    const DISPID index = id - KindOf<Port>::kDispBase;
    if (index < 0 || static_cast<std::size_t>(index) >= members.size()) return nullptr;
    for (const Member<Port>& member : members) {
      if (_wcsicmp(member.name, members[index].name) == 0 && Answers(member.access, flags)) {
        return &member;
      }
    }
    return nullptr;
  }

  std::shared_ptr<Port> m_port;
};

// --- The kinds ------------------------------------------------------------------

constexpr Access kGet = Access::kGet;
constexpr Access kPut = Access::kPut;
constexpr Access kMethod = Access::kMethod;

template <>
struct KindOf<outlook::Account> {
  using P = outlook::Account;
  static constexpr const char* kName = "Account";
  static constexpr const GUID& kIid = com::IID_Outlook_Account;
  static constexpr DISPID kDispBase = 0x100;
  static constexpr Member<P> kMembers[] = {
      {L"UserName", kGet, Bound<P, &P::UserName>},
      {L"SmtpAddress", kGet, Bound<P, &P::SmtpAddress>},
  };
};

template <>
struct KindOf<outlook::Recipient> {
  using P = outlook::Recipient;
  static constexpr const char* kName = "Recipient";
  static constexpr const GUID& kIid = com::IID_Outlook_Recipient;
  static constexpr DISPID kDispBase = 0x200;
  static constexpr Member<P> kMembers[] = {
      {L"Address", kGet, Bound<P, &P::Address>},
      {L"Name", kGet, Bound<P, &P::Name>},
      {L"Type", kGet, Bound<P, &P::Type>},
  };
};

template <>
struct KindOf<outlook::Recipients> {
  using P = outlook::Recipients;
  static constexpr const char* kName = "Recipients";
  static constexpr const GUID& kIid = com::IID_Outlook_Recipients;
  static constexpr DISPID kDispBase = 0x300;
  static constexpr Member<P> kMembers[] = {
      {L"Count", kGet, Bound<P, &P::Count>},
      {L"Item", kMethod, Bound<P, &P::Item>},
  };
};

template <>
struct KindOf<outlook::MailItem> {
  using P = outlook::MailItem;
  static constexpr const char* kName = "MailItem";
  static constexpr const GUID& kIid = com::IID_Outlook_MailItem;
  static constexpr DISPID kDispBase = 0x400;
  static constexpr Member<P> kMembers[] = {
      {L"Subject", kGet, Bound<P, &P::Subject>},
      {L"Subject", kPut, Bound<P, &P::SetSubject>},
      {L"Body", kPut, Bound<P, &P::SetBody>},
      {L"HTMLBody", kGet, Bound<P, &P::HTMLBody>},
      {L"HTMLBody", kPut, Bound<P, &P::SetHTMLBody>},
      {L"BodyFormat", kPut, Bound<P, &P::SetBodyFormat>},
      {L"To", kGet, Bound<P, &P::To>},
      {L"To", kPut, Bound<P, &P::SetTo>},
      {L"CC", kGet, Bound<P, &P::CC>},
      {L"CC", kPut, Bound<P, &P::SetCC>},
      {L"BCC", kGet, Bound<P, &P::BCC>},
      {L"BCC", kPut, Bound<P, &P::SetBCC>},
      {L"Recipients", kGet, Bound<P, &P::Recipients>},
      {L"SendUsingAccount", kGet, Bound<P, &P::SendUsingAccount>},
      {L"Copy", kMethod, Bound<P, &P::Copy>},
      {L"Save", kMethod, Bound<P, &P::Save>},
      {L"Send", kMethod, Bound<P, &P::Send>},
      {L"Close", kMethod, Bound<P, &P::Close>},
      {L"Delete", kMethod, Bound<P, &P::Delete>},
  };
};

template <>
struct KindOf<outlook::ExchangeUser> {
  using P = outlook::ExchangeUser;
  static constexpr const char* kName = "ExchangeUser";
  static constexpr const GUID& kIid = com::IID_Outlook_ExchangeUser;
  static constexpr DISPID kDispBase = 0x500;
  static constexpr Member<P> kMembers[] = {
      {L"FirstName", kGet, Bound<P, &P::FirstName>},
      {L"LastName", kGet, Bound<P, &P::LastName>},
      {L"PrimarySmtpAddress", kGet, Bound<P, &P::PrimarySmtpAddress>},
      {L"CompanyName", kGet, Bound<P, &P::CompanyName>},
  };
};

template <>
struct KindOf<outlook::ContactItem> {
  using P = outlook::ContactItem;
  static constexpr const char* kName = "ContactItem";
  static constexpr const GUID& kIid = com::IID_Outlook_ContactItem;
  static constexpr DISPID kDispBase = 0x600;
  static constexpr Member<P> kMembers[] = {
      {L"FirstName", kGet, Bound<P, &P::FirstName>},
      {L"LastName", kGet, Bound<P, &P::LastName>},
      {L"Email1Address", kGet, Bound<P, &P::Email1Address>},
      {L"CompanyName", kGet, Bound<P, &P::CompanyName>},
  };
};

template <>
struct KindOf<outlook::ExchangeDistributionList> {
  using P = outlook::ExchangeDistributionList;
  static constexpr const char* kName = "ExchangeDistributionList";
  static constexpr const GUID& kIid = com::IID_Outlook_ExchangeDistributionList;
  static constexpr DISPID kDispBase = 0x700;
  static constexpr Member<P> kMembers[] = {
      {L"GetExchangeDistributionListMembers", kMethod,
       Bound<P, &P::GetExchangeDistributionListMembers>},
  };
};

template <>
struct KindOf<outlook::AddressEntry> {
  using P = outlook::AddressEntry;
  static constexpr const char* kName = "AddressEntry";
  static constexpr const GUID& kIid = com::IID_Outlook_AddressEntry;
  static constexpr DISPID kDispBase = 0x800;
  static constexpr Member<P> kMembers[] = {
      {L"Address", kGet, Bound<P, &P::Address>},
      {L"Name", kGet, Bound<P, &P::Name>},
      {L"AddressEntryUserType", kGet, Bound<P, &P::AddressEntryUserType>},
      {L"Members", kGet, Bound<P, &P::Members>},
      {L"GetContact", kMethod, Bound<P, &P::GetContact>},
      {L"GetExchangeUser", kMethod, Bound<P, &P::GetExchangeUser>},
      {L"GetExchangeDistributionList", kMethod, Bound<P, &P::GetExchangeDistributionList>},
  };
};

template <>
struct KindOf<outlook::AddressEntries> {
  using P = outlook::AddressEntries;
  static constexpr const char* kName = "AddressEntries";
  static constexpr const GUID& kIid = com::IID_Outlook_AddressEntries;
  static constexpr DISPID kDispBase = 0x900;
  static constexpr Member<P> kMembers[] = {
      {L"Count", kGet, Bound<P, &P::Count>},
      {L"Item", kMethod, Bound<P, &P::Item>},
  };
};

template <>
struct KindOf<outlook::AddressList> {
  using P = outlook::AddressList;
  static constexpr const char* kName = "AddressList";
  static constexpr const GUID& kIid = com::IID_Outlook_AddressList;
  static constexpr DISPID kDispBase = 0xA00;
  static constexpr Member<P> kMembers[] = {
      {L"AddressListType", kGet, Bound<P, &P::AddressListType>},
      {L"AddressEntries", kGet, Bound<P, &P::AddressEntries>},
  };
};

template <>
struct KindOf<outlook::AddressLists> {
  using P = outlook::AddressLists;
  static constexpr const char* kName = "AddressLists";
  static constexpr const GUID& kIid = com::IID_Outlook_AddressLists;
  static constexpr DISPID kDispBase = 0xB00;
  static constexpr Member<P> kMembers[] = {
      {L"Count", kGet, Bound<P, &P::Count>},
      {L"Item", kMethod, Bound<P, &P::Item>},
  };
};

// --- MAPI ----------------------------------------------------------------------

// MAPI's interface ids of a mail user (mapiguid.h).
constexpr GUID kIidMapiProp = {0x00020303, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIidMailUser = {0x0002030A, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// What a member that the add-in never calls answers: MAPI_E_NO_SUPPORT, its
// out parameters cleared.
template <typename... Out>
HRESULT NoSupport(Out*... out) {
  ((out != nullptr ? void(*out = {}) : void()), ...);
  return MAPI_E_NO_SUPPORT;
}

// The identity's mail user as IMAPISession::OpenEntry gives it; its
// properties are the simulator's.
class MailUserObject final : public ComObject<IMailUser> {
 public:
  explicit MailUserObject(std::shared_ptr<outlook::MapiProp> port)
      : ComObject("MailUser"), m_port(std::move(port)) {}

  static bool Answers(REFIID riid) {
    return riid == IID_IUnknown || riid == kIidMapiProp || riid == kIidMailUser;
  }

  // The values in MAPI's shape: one buffer holding the array, the texts
  // allocated onto it. The simulator gives Unicode texts, and PT_ERROR
  // values for what the identity lacks, which carry MAPI_E_NOT_FOUND.
  STDMETHODIMP GetProps(LPSPropTagArray tags, ULONG, ULONG* count, LPSPropValue* props) override {
    if (count == nullptr || props == nullptr) return MAPI_E_INVALID_PARAMETER;
    *count = 0;
    *props = nullptr;
    if (tags == nullptr) return MAPI_E_NO_SUPPORT;  // every property: not played
    return GuardHResult([&] {
      const ULONG* const first = tags->aulPropTag;
      std::vector<outlook::MapiPropValue> values;
      const HRESULT hr = m_port->GetProps({first, first + tags->cValues}, values);
      if (FAILED(hr)) return hr;
      SPropValue* array = nullptr;
      HRESULT allocated = MapiAllocateBuffer(static_cast<ULONG>(sizeof(SPropValue) * values.size()),
                                             reinterpret_cast<void**>(&array));
      for (std::size_t i = 0; i < values.size() && SUCCEEDED(allocated); ++i) {
        SPropValue& prop = array[i] = {};
        prop.ulPropTag = values[i].tag;
        if (PROP_TYPE(prop.ulPropTag) == PT_ERROR) {
          prop.Value.err = MAPI_E_NOT_FOUND;
          continue;
        }
        const std::u16string& text = values[i].text;
        allocated = MapiAllocateMore(static_cast<ULONG>((text.size() + 1) * sizeof(WCHAR)), array,
                                     reinterpret_cast<void**>(&prop.Value.lpszW));
        if (SUCCEEDED(allocated)) {
          std::copy(text.begin(), text.end(), prop.Value.lpszW);
          prop.Value.lpszW[text.size()] = L'\0';
        }
      }
      if (FAILED(allocated)) {
        MapiFreeBuffer(array);
        return allocated;
      }
      *count = static_cast<ULONG>(values.size());
      *props = array;
      return hr;
    });
  }

  STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR* error) override {
    return NoSupport(error);
  }
  STDMETHODIMP SaveChanges(ULONG) override { return NoSupport(); }
  STDMETHODIMP GetPropList(ULONG, LPSPropTagArray* tags) override { return NoSupport(tags); }
  STDMETHODIMP OpenProperty(ULONG, LPCIID, ULONG, ULONG, LPUNKNOWN* object) override {
    return NoSupport(object);
  }
  STDMETHODIMP SetProps(ULONG, LPSPropValue, LPSPropProblemArray* problems) override {
    return NoSupport(problems);
  }
  STDMETHODIMP DeleteProps(LPSPropTagArray, LPSPropProblemArray* problems) override {
    return NoSupport(problems);
  }
  STDMETHODIMP CopyTo(ULONG, LPCIID, LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                      LPSPropProblemArray* problems) override {
    return NoSupport(problems);
  }
  STDMETHODIMP CopyProps(LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                         LPSPropProblemArray* problems) override {
    return NoSupport(problems);
  }
  // The tags are read, not written.
  STDMETHODIMP GetNamesFromIDs(LPSPropTagArray*, LPGUID, ULONG, ULONG* count,
                               LPMAPINAMEID** names) override {
    return NoSupport(count, names);
  }
  STDMETHODIMP GetIDsFromNames(ULONG, LPMAPINAMEID*, ULONG, LPSPropTagArray* tags) override {
    return NoSupport(tags);
  }

 private:
  void* Find(REFIID riid) override {
    return Answers(riid) ? static_cast<IMailUser*>(this) : nullptr;
  }

  std::shared_ptr<outlook::MapiProp> m_port;
};

// The MAPI session behind NameSpace.MAPIOBJECT. Entry ids are MAPI buffers
// of the process's mapi32.dll, which the caller frees.
class MapiSessionObject final : public ComObject<IMAPISession> {
 public:
  explicit MapiSessionObject(std::shared_ptr<outlook::MapiSession> port)
      : ComObject("MAPISession"), m_port(std::move(port)) {}

  STDMETHODIMP QueryIdentity(ULONG* size, LPENTRYID* id) override {
    if (size == nullptr || id == nullptr) return MAPI_E_INVALID_PARAMETER;
    *size = 0;
    *id = nullptr;
    return GuardHResult([&] {
      outlook::MapiEntryId entry;
      const HRESULT hr = m_port->QueryIdentity(entry);
      if (FAILED(hr) || entry.empty()) return hr;
      void* buffer = nullptr;
      const HRESULT allocated = MapiAllocateBuffer(static_cast<ULONG>(entry.size()), &buffer);
      if (FAILED(allocated)) return allocated;
      std::copy(entry.begin(), entry.end(), static_cast<std::uint8_t*>(buffer));
      *size = static_cast<ULONG>(entry.size());
      *id = static_cast<LPENTRYID>(buffer);
      return hr;
    });
  }

  // The entry is the mail user, whichever of its interfaces is asked for.
  STDMETHODIMP OpenEntry(ULONG size, LPENTRYID id, LPCIID iid, ULONG flags, ULONG* type,
                         LPUNKNOWN* entry) override {
    if (type == nullptr || entry == nullptr || (size != 0 && id == nullptr)) {
      return MAPI_E_INVALID_PARAMETER;
    }
    *type = 0;
    *entry = nullptr;
    if (iid != nullptr && !MailUserObject::Answers(*iid)) return MAPI_E_INTERFACE_NOT_SUPPORTED;
    return GuardHResult([&] {
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(id);
      std::shared_ptr<outlook::MapiProp> user;
      const HRESULT hr = m_port->OpenEntry({bytes, bytes + size}, flags, user);
      if (SUCCEEDED(hr) && user) {
        ComPtr<IMailUser> spUser = new MailUserObject(std::move(user));
        *type = MAPI_MAILUSER;
        *entry = spUser.Detach();
      }
      return hr;
    });
  }

  STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR* error) override {
    return NoSupport(error);
  }
  STDMETHODIMP GetMsgStoresTable(ULONG, LPMAPITABLE* table) override { return NoSupport(table); }
  STDMETHODIMP OpenMsgStore(ULONG_PTR, ULONG, LPENTRYID, LPCIID, ULONG, LPMDB* store) override {
    return NoSupport(store);
  }
  STDMETHODIMP OpenAddressBook(ULONG_PTR, LPCIID, ULONG, LPADRBOOK* book) override {
    return NoSupport(book);
  }
  STDMETHODIMP OpenProfileSection(LPMAPIUID, LPCIID, ULONG, LPPROFSECT* section) override {
    return NoSupport(section);
  }
  STDMETHODIMP GetStatusTable(ULONG, LPMAPITABLE* table) override { return NoSupport(table); }
  STDMETHODIMP CompareEntryIDs(ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG, ULONG* result) override {
    return NoSupport(result);
  }
  STDMETHODIMP Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG* connection) override {
    return NoSupport(connection);
  }
  STDMETHODIMP Unadvise(ULONG) override { return NoSupport(); }
  STDMETHODIMP MessageOptions(ULONG_PTR, ULONG, LPTSTR, LPMESSAGE) override { return NoSupport(); }
  STDMETHODIMP QueryDefaultMessageOpt(LPTSTR, ULONG, ULONG* count, LPSPropValue* options) override {
    return NoSupport(count, options);
  }
  STDMETHODIMP EnumAdrTypes(ULONG, ULONG* count, LPTSTR** types) override {
    return NoSupport(count, types);
  }
  STDMETHODIMP Logoff(ULONG_PTR, ULONG, ULONG) override { return NoSupport(); }
  STDMETHODIMP SetDefaultStore(ULONG, ULONG, LPENTRYID) override { return NoSupport(); }
  STDMETHODIMP AdminServices(ULONG, LPSERVICEADMIN* admin) override { return NoSupport(admin); }
  STDMETHODIMP ShowForm(ULONG_PTR, LPMDB, LPMAPIFOLDER, LPCIID, ULONG, LPMESSAGE, ULONG, ULONG,
                        ULONG, ULONG, LPSTR) override {
    return NoSupport();
  }
  STDMETHODIMP PrepareForm(LPCIID, LPMESSAGE, ULONG* token) override { return NoSupport(token); }

 private:
  void* Find(REFIID riid) override {
    return riid == IID_IUnknown || riid == com::IID_MapiSession ? static_cast<IMAPISession*>(this)
                                                                : nullptr;
  }

  std::shared_ptr<outlook::MapiSession> m_port;
};

// NameSpace.MAPIOBJECT: the session's IUnknown. Asked for IMAPISession, it
// asks the simulator, and gives the session only when the simulator does.
class MapiObjectUnknown final : public ComObject<IUnknown> {
 public:
  explicit MapiObjectUnknown(std::shared_ptr<outlook::MapiObject> port)
      : ComObject<IUnknown>("MAPIOBJECT"), m_port(std::move(port)) {}

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (riid != com::IID_MapiSession) return ComObject::QueryInterface(riid, ppv);
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    return GuardHResult([&] {
      std::shared_ptr<outlook::MapiSession> session;
      const HRESULT hr = m_port->QueryMapiSession(session);
      if (SUCCEEDED(hr) && session) {
        ComPtr<IMAPISession> spSession = new MapiSessionObject(std::move(session));
        *ppv = spSession.Detach();
      }
      return hr;
    });
  }

 private:
  void* Find(REFIID riid) override {
    return riid == IID_IUnknown ? static_cast<IUnknown*>(this) : nullptr;
  }
  std::shared_ptr<outlook::MapiObject> m_port;
};

template <>
struct KindOf<outlook::NameSpace> {
  using P = outlook::NameSpace;
  static constexpr const char* kName = "NameSpace";
  static constexpr const GUID& kIid = com::IID_Outlook_NameSpace;
  static constexpr DISPID kDispBase = 0xC00;
  static constexpr Member<P> kMembers[] = {
      {L"CurrentUser", kGet, Bound<P, &P::CurrentUser>},
      {L"AddressLists", kGet, Bound<P, &P::AddressLists>},
      {L"MAPIOBJECT", kGet,
       [](P& port, Args args, VARIANT* result) -> HRESULT {
         if (!args.empty()) return DISP_E_BADPARAMCOUNT;
         std::shared_ptr<outlook::MapiObject> object;
         const HRESULT hr = port.MAPIOBJECT(object);
         if (Failed(hr)) return hr;
         result->vt = VT_UNKNOWN;
         result->punkVal = nullptr;
         if (object) {
           result->punkVal = new MapiObjectUnknown(std::move(object));
           result->punkVal->AddRef();
         }
         return hr;
       }},
  };
};

template <>
struct KindOf<outlook::Inspector> {
  using P = outlook::Inspector;
  static constexpr const char* kName = "Inspector";
  static constexpr const GUID& kIid = com::IID_Outlook_Inspector;
  static constexpr DISPID kDispBase = 0xD00;
  static constexpr Member<P> kMembers[] = {
      {L"CurrentItem", kGet, Bound<P, &P::CurrentMailItem>},
      {L"Close", kMethod, Bound<P, &P::Close>},
  };
};

// The compose window. Its window handle is the harness's real window; the
// simulator decides (and counts) whether GetWindow gives it.
class InspectorObject final : public DispatchObject<outlook::Inspector, IDispatch, IOleWindow> {
 public:
  InspectorObject(std::shared_ptr<outlook::Inspector> port, HWND window)
      : DispatchObject(std::move(port)), m_window(window) {}

  STDMETHODIMP GetWindow(HWND* window) override {
    if (window == nullptr) return E_POINTER;
    *window = nullptr;
    return GuardHResult([&] {
      if (port().Window() == platform::kNoWindow) return E_FAIL;
      *window = m_window;
      return S_OK;
    });
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

 private:
  void* FindExtra(REFIID riid) override {
    return riid == IID_IOleWindow ? static_cast<IOleWindow*>(this) : nullptr;
  }
  HWND m_window;
};

// The explorer has no members the add-in calls by name: it is asked only for
// its window and its event connection point.
struct ExplorerPort {
  HWND window;
  std::shared_ptr<ExplorerEventConnections> events;
};

template <>
struct KindOf<ExplorerPort> {
  static constexpr const char* kName = "Explorer";
  static constexpr const GUID& kIid = com::IID_Outlook_Explorer;
  static constexpr DISPID kDispBase = 0xE00;
  static constexpr std::span<const Member<ExplorerPort>> kMembers = {};
};

// The connection point of the explorer events. Like a connection point of
// ATL, it asks each sink for the event interface and holds that reference
// until Unadvise.
class ExplorerEventPoint final : public ComObject<IConnectionPoint> {
 public:
  ExplorerEventPoint(ComPtr<IConnectionPointContainer> container,
                     std::shared_ptr<ExplorerEventConnections> events)
      : ComObject("ExplorerEventPoint"),
        m_spContainer(std::move(container)),
        m_events(std::move(events)) {}

  STDMETHODIMP GetConnectionInterface(IID* iid) override {
    if (iid == nullptr) return E_POINTER;
    *iid = com::IID_Outlook_ExplorerEvents;
    return S_OK;
  }
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override {
    return m_spContainer.CopyTo(container);
  }
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
    if (sink == nullptr || cookie == nullptr) return E_POINTER;
    *cookie = 0;
    ComPtr<IDispatch> spEvents;
    if (FAILED(sink->QueryInterface(com::IID_Outlook_ExplorerEvents,
                                    reinterpret_cast<void**>(spEvents.GetAddressOf())))) {
      return CONNECT_E_CANNOTCONNECT;
    }
    *cookie = ++m_events->lastCookie;
    m_events->sinks.emplace(*cookie, std::move(spEvents));
    ++m_events->advised;
    return S_OK;
  }
  STDMETHODIMP Unadvise(DWORD cookie) override {
    if (m_events->sinks.erase(cookie) == 0) return CONNECT_E_NOCONNECTION;
    ++m_events->unadvised;
    return S_OK;
  }
  // Outlook's callers never enumerate the connections.
  STDMETHODIMP EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

 private:
  void* Find(REFIID riid) override {
    return riid == IID_IUnknown || riid == IID_IConnectionPoint
               ? static_cast<IConnectionPoint*>(this)
               : nullptr;
  }

  ComPtr<IConnectionPointContainer> m_spContainer;
  std::shared_ptr<ExplorerEventConnections> m_events;
};

class ExplorerObject final
    : public DispatchObject<ExplorerPort, IDispatch, IOleWindow, IConnectionPointContainer> {
 public:
  using DispatchObject::DispatchObject;

  STDMETHODIMP GetWindow(HWND* window) override {
    if (window == nullptr) return E_POINTER;
    *window = port().window;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
  STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** point) override {
    if (point == nullptr) return E_POINTER;
    *point = nullptr;
    if (riid != com::IID_Outlook_ExplorerEvents) return CONNECT_E_NOCONNECTION;
    return GuardHResult([&] {
      ComPtr<IConnectionPoint> spPoint = new ExplorerEventPoint(this, port().events);
      *point = spPoint.Detach();
      return S_OK;
    });
  }

 private:
  void* FindExtra(REFIID riid) override {
    if (riid == IID_IOleWindow) return static_cast<IOleWindow*>(this);
    if (riid == IID_IConnectionPointContainer) return static_cast<IConnectionPointContainer*>(this);
    return nullptr;
  }
};

// Outlook's Application: the simulator's, plus what the port does not model
// (the explorer, and the inspector's real window).
struct ApplicationPort {
  std::shared_ptr<outlook::Application> app;
  HWND inspectorWindow;
  ComPtr<IDispatch> explorer;
};

template <>
struct KindOf<ApplicationPort> {
  using P = ApplicationPort;
  static constexpr const char* kName = "Application";
  static constexpr const GUID& kIid = com::IID_Outlook_Application;
  static constexpr DISPID kDispBase = 0xF00;
  static constexpr Member<P> kMembers[] = {
      {L"Session", kGet,
       [](P& port, Args args, VARIANT* result) {
         return Call(*port.app, &outlook::Application::Session, args, result);
       }},
      {L"Version", kGet,
       [](P& port, Args args, VARIANT* result) {
         return Call(*port.app, &outlook::Application::Version, args, result);
       }},
      // Not an object-model call of the simulator: it is not counted.
      {L"ActiveExplorer", kMethod,
       [](P& port, Args args, VARIANT* result) -> HRESULT {
         if (!args.empty()) return DISP_E_BADPARAMCOUNT;
         return GiveObject(port.explorer, result);
       }},
      {L"ActiveInspector", kMethod,
       [](P& port, Args args, VARIANT* result) -> HRESULT {
         if (!args.empty()) return DISP_E_BADPARAMCOUNT;
         ComPtr<IDispatch> spInspector;
         if (std::shared_ptr<outlook::Inspector> inspector = port.app->ActiveInspector()) {
           spInspector = new InspectorObject(std::move(inspector), port.inspectorWindow);
         }
         return GiveObject(std::move(spInspector), result);
       }},
  };
};

// Office's control: Id, Context and Tag, through the vtable and by name.
struct RibbonControlPort {
  std::wstring id;
};

template <>
struct KindOf<RibbonControlPort> {
  using P = RibbonControlPort;
  static constexpr const char* kName = "RibbonControl";
  static constexpr const GUID& kIid = com::IID_IRibbonControl;
  static constexpr DISPID kDispBase = 0x1000;
  static constexpr Member<P> kMembers[] = {
      {L"Id", kGet,
       [](P& port, Args, VARIANT* result) {
         return Give(std::u16string(port.id.begin(), port.id.end()), result);
       }},
      {L"Context", kGet, [](P&, Args, VARIANT* result) { return GiveObject(nullptr, result); }},
      {L"Tag", kGet, [](P&, Args, VARIANT* result) { return Give(std::u16string(), result); }},
  };
};

class RibbonControlObject final : public DispatchObject<RibbonControlPort, IRibbonControl> {
 public:
  using DispatchObject::DispatchObject;

  STDMETHODIMP get_Id(BSTR* id) override { return Allocate(port().id.c_str(), id); }
  STDMETHODIMP get_Context(IDispatch** context) override {
    if (context == nullptr) return E_POINTER;
    *context = nullptr;
    return S_OK;
  }
  STDMETHODIMP get_Tag(BSTR* tag) override { return Allocate(L"", tag); }

 private:
  static HRESULT Allocate(const wchar_t* text, BSTR* out) {
    if (out == nullptr) return E_POINTER;
    *out = SysAllocString(text);
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
  }
};

HWND CreateHiddenWindow(const wchar_t* title) {
  static const ATOM kClass = [] {
    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"NorvaleHarnessOutlookWindow";
    return RegisterClassW(&window_class);
  }();
  return CreateWindowExW(0, MAKEINTATOM(kClass), title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                         CW_USEDEFAULT, 640, 480, nullptr, nullptr, GetModuleHandleW(nullptr),
                         nullptr);
}

}  // namespace

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

SimOutlookCom::SimOutlookCom(sim::SimOutlook& outlook, bool with_explorer)
    : m_outlook(outlook),
      m_inspectorWindow(CreateHiddenWindow(L"Norvale harness: compose window")),
      m_events(std::make_shared<ExplorerEventConnections>()) {
  ComPtr<IDispatch> spExplorer;
  if (with_explorer) {
    m_explorerWindow = CreateHiddenWindow(L"Norvale harness: main window");
    spExplorer = new ExplorerObject(std::make_shared<ExplorerPort>(m_explorerWindow, m_events));
    if (outlook.scenario().action == Scenario::Action::kInline) {
      CreateInlineWindows(outlook.scenario().inlineWindows);
    }
  }
  m_spApplication = new DispatchObject<ApplicationPort>(std::make_shared<ApplicationPort>(
      outlook.application(), m_inspectorWindow, std::move(spExplorer)));
}

SimOutlookCom::~SimOutlookCom() {
  m_spApplication.Reset();
  m_events->sinks.clear();
  // Destroying the main window destroys the reply's windows in it.
  if (m_explorerWindow != nullptr) DestroyWindow(m_explorerWindow);
  DestroyWindow(m_inspectorWindow);
}

void SimOutlookCom::CreateInlineWindows(const std::vector<std::string>& chain) {
  [[maybe_unused]] static const bool kRegistered = [] {
    // Outlook's own window classes, played by the harness; "#32770" is the
    // system's dialog class. The toolbar gets its own procedure.
    for (const wchar_t* name : {L"rctrl_renwnd32", L"AfxWndW", L"ToolbarWindow32"}) {
      WNDCLASSW window_class = {};
      window_class.lpfnWndProc = std::wstring_view(name) == L"ToolbarWindow32"
                                     ? &SimOutlookCom::ToolbarProc
                                     : DefWindowProcW;
      window_class.hInstance = GetModuleHandleW(nullptr);
      window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
      window_class.lpszClassName = name;
      RegisterClassW(&window_class);
    }
    return true;
  }();
  // On screen, so that the synthetic click lands on the toolbar.
  SetWindowPos(m_explorerWindow, HWND_TOP, kExplorerRect.left, kExplorerRect.top,
               kExplorerRect.right - kExplorerRect.left, kExplorerRect.bottom - kExplorerRect.top,
               SWP_NOACTIVATE | SWP_SHOWWINDOW);
  HWND parent = m_explorerWindow;
  RECT client;
  for (std::size_t i = 0; i < chain.size(); ++i) {
    GetClientRect(parent, &client);
    const std::wstring name(chain[i].begin(), chain[i].end());
    const bool last = i + 1 == chain.size();
    parent = CreateWindowExW(0, name.c_str(), i == 0 ? L"" : name.c_str(), WS_CHILD | WS_VISIBLE,
                             kInlineWindowInset, kInlineWindowInset,
                             client.right - 2 * kInlineWindowInset,
                             last ? kInlineToolbarHeight : client.bottom - 2 * kInlineWindowInset,
                             parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (parent == nullptr) return;
  }
  m_toolbarWindow = parent;
  SetWindowLongPtrW(m_toolbarWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  UpdateWindow(m_explorerWindow);
}

LRESULT CALLBACK SimOutlookCom::ToolbarProc(HWND hWnd, UINT message, WPARAM wParam,
                                            LPARAM lParam) noexcept {
  if (message == WM_LBUTTONUP) {
    auto* self = reinterpret_cast<SimOutlookCom*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    if (self != nullptr && OnFirstToolbarButton(x, y)) {
      GuardHResult([&] {
        self->OnPopOutClick();
        return S_OK;
      });
    }
    return 0;
  }
  return DefWindowProcW(hWnd, message, wParam, lParam);
}

void SimOutlookCom::OnPopOutClick() {
  ++m_popOutClicks;
  if (m_outlook.poppedOut()) return;
  // The reply moves into a compose window of its own, and the inline reply ends.
  m_outlook.PopOutInline();
  ShowWindow(m_inspectorWindow, SW_SHOWNOACTIVATE);
  RaiseExplorerEvent(kDispidInlineResponseClose, {});
}

void SimOutlookCom::RaiseExplorerEvent(DISPID dispid, std::span<const VARIANT> args) {
  // A sink may disconnect while it handles the event.
  std::vector<ComPtr<IDispatch>> sinks;
  for (const auto& [cookie, sink] : m_events->sinks) sinks.push_back(sink);
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  for (const ComPtr<IDispatch>& sink : sinks) {
    sink->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                 nullptr);
  }
}

void SimOutlookCom::RaiseInlineResponse() {
  ComPtr<IDispatch> spItem = new DispatchObject<outlook::MailItem>(m_outlook.sourceItem());
  VARIANT item;
  VariantInit(&item);
  V_VT(&item) = VT_DISPATCH;
  V_DISPATCH(&item) = spItem.Get();
  RaiseExplorerEvent(kDispidInlineResponse, {&item, 1});
}

ExplorerEventLog SimOutlookCom::explorerEvents() const {
  return {m_events->advised, m_events->unadvised, static_cast<int>(m_events->sinks.size())};
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
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr,
                        nullptr);
}

ComPtr<IRibbonControl> NewRibbonControl(std::wstring id) {
  return new RibbonControlObject(std::make_shared<RibbonControlPort>(std::move(id)));
}

}  // namespace norvale::sim
