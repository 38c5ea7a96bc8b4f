#include "outlook/com/com_outlook.h"

#include <oleidl.h>

#include <type_traits>
#include <utility>

#include "base/win/com_guard.h"
#include "base/win/scoped_variant.h"
#include "outlook/com/com_mapi.h"
#include "outlook/com/dispatch.h"
#include "outlook/com/office.h"

namespace norvale::com {
namespace {

using win::ScopedVariant;
using win::ThrowIfOutOfMemory;

// A read may be a property (Session) or a method (ActiveInspector, Copy,
// GetContact); asked both ways at once, as script hosts ask, the object
// picks the member it has.
constexpr WORD kRead = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
constexpr WORD kPut = DISPATCH_PROPERTYPUT;
constexpr WORD kMethod = DISPATCH_METHOD;

// `object` wrapped as `W` when it answers W's interface; nullptr otherwise.
template <typename W, typename... Extra>
std::shared_ptr<W> Wrap(IUnknown* object, Extra&&... extra) {
  ComPtr<IDispatch> spDispatch = QueryKind(object, W::kKind);
  if (!spDispatch) return nullptr;
  return std::make_shared<W>(std::move(spDispatch), std::forward<Extra>(extra)...);
}

// The window behind `object`'s IOleWindow; kNoWindow when it has none.
platform::WindowHandle WindowOf(IUnknown* object) {
  ComPtr<IOleWindow> spWindow;
  HWND hwnd = nullptr;
  if (SUCCEEDED(ThrowIfOutOfMemory(object->QueryInterface(IID_PPV_ARGS(&spWindow)))) && spWindow &&
      FAILED(ThrowIfOutOfMemory(spWindow->GetWindow(&hwnd)))) {
    hwnd = nullptr;
  }
  return reinterpret_cast<platform::WindowHandle>(hwnd);
}

// One Outlook object of a known kind, and the three shapes of call on it:
// reads (empty value on failure), writes (result not examined) and examined
// calls (the HRESULT).
class Dispatched {
 protected:
  Dispatched(ComPtr<IDispatch> object, Kind kind) : m_spObject(std::move(object)), m_kind(kind) {}

  DispResult Call(std::wstring_view name, WORD flags, std::span<const VARIANT> args = {}) const {
    return Invoke(m_spObject.Get(), m_kind, name, flags, args);
  }

  // The returned value, empty when the call failed.
  ScopedVariant Read(std::wstring_view name, std::span<const VARIANT> args = {}) const {
    DispResult result = Call(name, kRead, args);
    if (FAILED(result.hr)) result.value.Reset();
    return std::move(result.value);
  }

  OptText ReadText(std::wstring_view name) const { return Read(name).ToText(); }
  outlook::OptInt ReadInt(std::wstring_view name) const { return Read(name).ToInt(); }

  template <typename W, typename... Extra>
  std::shared_ptr<W> ReadObject(std::wstring_view name, std::span<const VARIANT> args = {},
                                Extra&&... extra) const {
    const ScopedVariant value = Read(name, args);
    return Wrap<W>(value.ToUnknown(), std::forward<Extra>(extra)...);
  }

  HRESULT Put(std::wstring_view name, const ScopedVariant& value) const {
    return Call(name, kPut, {&value.get(), 1}).hr;
  }

  HRESULT CallWithMode(std::wstring_view name, std::int32_t mode) const {
    const ScopedVariant arg(mode);
    return Call(name, kMethod, {&arg.get(), 1}).hr;
  }

  IDispatch* object() const { return m_spObject.Get(); }

 private:
  ComPtr<IDispatch> m_spObject;
  Kind m_kind;
};

// Recipients, AddressLists and AddressEntries: Count, and Item by 1-based index.
template <typename Port, typename ItemW, Kind kSelf>
class ComCollection final : public Port, Dispatched {
 public:
  static constexpr Kind kKind = kSelf;
  explicit ComCollection(ComPtr<IDispatch> object) : Dispatched(std::move(object), kKind) {}

  outlook::OptInt Count() override { return ReadInt(L"Count"); }
  decltype(std::declval<Port&>().Item(0)) Item(std::int32_t index) override {
    const ScopedVariant arg(index);
    return ReadObject<ItemW>(L"Item", {&arg.get(), 1});
  }
};

class ComAccount final : public outlook::Account, Dispatched {
 public:
  static constexpr Kind kKind = Kind::kAccount;
  explicit ComAccount(ComPtr<IDispatch> object) : Dispatched(std::move(object), kKind) {}

  OptText UserName() override { return ReadText(L"UserName"); }
  OptText SmtpAddress() override { return ReadText(L"SmtpAddress"); }
};

class ComRecipient final : public outlook::Recipient, Dispatched {
 public:
  static constexpr Kind kKind = Kind::kRecipient;
  explicit ComRecipient(ComPtr<IDispatch> object) : Dispatched(std::move(object), kKind) {}

  OptText Address() override { return ReadText(L"Address"); }
  OptText Name() override { return ReadText(L"Name"); }
  outlook::OptInt Type() override { return ReadInt(L"Type"); }
  std::shared_ptr<outlook::AddressEntry> AddressEntry() override;
};

using ComRecipients = ComCollection<outlook::Recipients, ComRecipient, Kind::kRecipients>;

class ComMailItem final : public outlook::MailItem, Dispatched {
 public:
  static constexpr Kind kKind = Kind::kMailItem;
  explicit ComMailItem(ComPtr<IDispatch> object) : Dispatched(std::move(object), kKind) {}

  OptText Subject() override { return ReadText(L"Subject"); }
  void SetSubject(const OptText& value) override { Put(L"Subject", ScopedVariant(value)); }
  void SetBody(const OptText& value) override { Put(L"Body", ScopedVariant(value)); }
  OptText HTMLBody() override { return ReadText(L"HTMLBody"); }
  void SetHTMLBody(const OptText& value) override { Put(L"HTMLBody", ScopedVariant(value)); }
  void SetBodyFormat(std::int32_t format) override { Put(L"BodyFormat", ScopedVariant(format)); }
  OptText To() override { return ReadText(L"To"); }
  OptText CC() override { return ReadText(L"CC"); }
  OptText BCC() override { return ReadText(L"BCC"); }
  HRESULT SetTo(const OptText& value) override { return Put(L"To", ScopedVariant(value)); }
  HRESULT SetCC(const OptText& value) override { return Put(L"CC", ScopedVariant(value)); }
  HRESULT SetBCC(const OptText& value) override { return Put(L"BCC", ScopedVariant(value)); }
  std::shared_ptr<outlook::Recipients> Recipients() override {
    return ReadObject<ComRecipients>(L"Recipients");
  }
  std::shared_ptr<outlook::Account> SendUsingAccount() override {
    return ReadObject<ComAccount>(L"SendUsingAccount");
  }
  std::shared_ptr<outlook::MailItem> Copy() override { return ReadObject<ComMailItem>(L"Copy"); }
  void Save() override { Call(L"Save", kMethod); }
  HRESULT Send() override { return Call(L"Send", kMethod).hr; }
  HRESULT Close(std::int32_t save_mode) override { return CallWithMode(L"Close", save_mode); }
  HRESULT Delete() override { return Call(L"Delete", kMethod).hr; }
};

class ComExchangeUser final : public outlook::ExchangeUser, Dispatched {
 public:
  static constexpr Kind kKind = Kind::kExchangeUser;
  explicit ComExchangeUser(ComPtr<IDispatch> object) : Dispatched(std::move(object), kKind) {}

  OptText FirstName() override { return ReadText(L"FirstName"); }
  OptText LastName() override { return ReadText(L"LastName"); }
  OptText PrimarySmtpAddress() override { return ReadText(L"PrimarySmtpAddress"); }
  OptText CompanyName() override { return ReadText(L"CompanyName"); }
};

class ComContactItem final : public outlook::ContactItem, Dispatched {
 public:
  static constexpr Kind kKind = Kind::kContactItem;
  explicit ComContactItem(ComPtr<IDispatch> object) : Dispatched(std::move(object), kKind) {}

  OptText FirstName() override { return ReadText(L"FirstName"); }
  OptText LastName() override { return ReadText(L"LastName"); }
  OptText Email1Address() override { return ReadText(L"Email1Address"); }
  OptText CompanyName() override { return ReadText(L"CompanyName"); }
};

class ComAddressEntry;
using ComAddressEntries =
    ComCollection<outlook::AddressEntries, ComAddressEntry, Kind::kAddressEntries>;

class ComExchangeDistributionList final : public outlook::ExchangeDistributionList, Dispatched {
 public:
  static constexpr Kind kKind = Kind::kExchangeDistributionList;
  explicit ComExchangeDistributionList(ComPtr<IDispatch> object)
      : Dispatched(std::move(object), kKind) {}

  std::shared_ptr<outlook::AddressEntries> GetExchangeDistributionListMembers() override {
    return ReadObject<ComAddressEntries>(L"GetExchangeDistributionListMembers");
  }
};

class ComAddressEntry final : public outlook::AddressEntry, Dispatched {
 public:
  static constexpr Kind kKind = Kind::kAddressEntry;
  explicit ComAddressEntry(ComPtr<IDispatch> object) : Dispatched(std::move(object), kKind) {}

  OptText Address() override { return ReadText(L"Address"); }
  OptText Name() override { return ReadText(L"Name"); }
  outlook::OptInt AddressEntryUserType() override { return ReadInt(L"AddressEntryUserType"); }
  std::shared_ptr<outlook::AddressEntries> Members() override {
    return ReadObject<ComAddressEntries>(L"Members");
  }
  std::shared_ptr<outlook::ContactItem> GetContact() override {
    return ReadObject<ComContactItem>(L"GetContact");
  }
  std::shared_ptr<outlook::ExchangeUser> GetExchangeUser() override {
    return ReadObject<ComExchangeUser>(L"GetExchangeUser");
  }
  std::shared_ptr<outlook::ExchangeDistributionList> GetExchangeDistributionList() override {
    return ReadObject<ComExchangeDistributionList>(L"GetExchangeDistributionList");
  }
};

std::shared_ptr<outlook::AddressEntry> ComRecipient::AddressEntry() {
  return ReadObject<ComAddressEntry>(L"AddressEntry");
}

class ComAddressList final : public outlook::AddressList, Dispatched {
 public:
  static constexpr Kind kKind = Kind::kAddressList;
  explicit ComAddressList(ComPtr<IDispatch> object) : Dispatched(std::move(object), kKind) {}

  outlook::OptInt AddressListType() override { return ReadInt(L"AddressListType"); }
  std::shared_ptr<outlook::AddressEntries> AddressEntries() override {
    return ReadObject<ComAddressEntries>(L"AddressEntries");
  }
};

using ComAddressLists = ComCollection<outlook::AddressLists, ComAddressList, Kind::kAddressLists>;

class ComNameSpace final : public outlook::NameSpace, Dispatched {
 public:
  static constexpr Kind kKind = Kind::kNameSpace;
  ComNameSpace(ComPtr<IDispatch> object, std::shared_ptr<ComMapiLibrary> mapi)
      : Dispatched(std::move(object), kKind), m_mapi(std::move(mapi)) {}

  std::shared_ptr<outlook::Recipient> CurrentUser() override {
    return ReadObject<ComRecipient>(L"CurrentUser");
  }
  std::shared_ptr<outlook::AddressLists> AddressLists() override {
    return ReadObject<ComAddressLists>(L"AddressLists");
  }
  // An MAPI step: its status counts, and the object is wrapped only when
  // there is one.
  HRESULT MAPIOBJECT(std::shared_ptr<outlook::MapiObject>& object) override {
    const DispResult result = Call(L"MAPIOBJECT", kRead);
    IUnknown* const unknown = result.value.ToUnknown();
    if (FAILED(result.hr) || !unknown) return result.hr;
    std::shared_ptr<const MapiDll> dll;
    const HRESULT hr = m_mapi->Dll(dll);
    if (FAILED(hr)) return hr;
    object = WrapMapiObject(unknown, std::move(dll));
    return result.hr;
  }

 private:
  std::shared_ptr<ComMapiLibrary> m_mapi;
};

class ComInspector final : public outlook::Inspector, Dispatched {
 public:
  static constexpr Kind kKind = Kind::kInspector;
  explicit ComInspector(ComPtr<IDispatch> object) : Dispatched(std::move(object), kKind) {}

  std::shared_ptr<outlook::MailItem> CurrentMailItem() override {
    return ReadObject<ComMailItem>(L"CurrentItem");
  }
  HRESULT Close(std::int32_t save_mode) override { return CallWithMode(L"Close", save_mode); }
  platform::WindowHandle Window() override { return WindowOf(object()); }
};

class ComExplorer final : public outlook::Explorer {
 public:
  explicit ComExplorer(ComPtr<IDispatch> object) : m_spObject(std::move(object)) {}

  platform::WindowHandle Window() override { return WindowOf(m_spObject.Get()); }

 private:
  ComPtr<IDispatch> m_spObject;
};

class ComRibbonUI final : public outlook::RibbonUI {
 public:
  explicit ComRibbonUI(ComPtr<IRibbonUI> ribbon) : m_spRibbon(std::move(ribbon)) {}

  HRESULT Invalidate() override { return ThrowIfOutOfMemory(m_spRibbon->Invalidate()); }

 private:
  ComPtr<IRibbonUI> m_spRibbon;
};

class ComApplication final : public outlook::Application, Dispatched {
 public:
  static constexpr Kind kKind = Kind::kApplication;
  explicit ComApplication(ComPtr<IDispatch> object) : Dispatched(std::move(object), kKind) {}

  std::shared_ptr<outlook::NameSpace> Session() override {
    return ReadObject<ComNameSpace>(L"Session", {}, m_mapi);
  }
  OptText Version() override { return ReadText(L"Version"); }
  std::shared_ptr<outlook::Inspector> ActiveInspector() override {
    return ReadObject<ComInspector>(L"ActiveInspector");
  }
  outlook::MapiLibrary& Mapi() override { return *m_mapi; }

 private:
  const std::shared_ptr<ComMapiLibrary> m_mapi = std::make_shared<ComMapiLibrary>();
};

}  // namespace

std::shared_ptr<outlook::Application> WrapApplication(IDispatch* app) {
  return Wrap<ComApplication>(app);
}

std::shared_ptr<outlook::MailItem> WrapMailItem(IDispatch* item) { return Wrap<ComMailItem>(item); }

std::shared_ptr<outlook::Explorer> WrapExplorer(IDispatch* explorer) {
  if (explorer == nullptr) return nullptr;
  return std::make_shared<ComExplorer>(explorer);
}

std::shared_ptr<outlook::RibbonUI> WrapRibbonUI(IDispatch* ribbon) {
  ComPtr<IRibbonUI> spRibbon;
  if (ribbon == nullptr ||
      FAILED(ThrowIfOutOfMemory(ribbon->QueryInterface(IID_PPV_ARGS(&spRibbon)))) || !spRibbon) {
    return nullptr;
  }
  return std::make_shared<ComRibbonUI>(std::move(spRibbon));
}

}  // namespace norvale::com
