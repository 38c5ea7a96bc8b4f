// The Outlook object model as the add-in uses it. The Windows edge implements
// these classes over IDispatch late binding; sim/outlook implements them over
// a JSON profile. Conventions, the same for every member:
//  - a read whose result the add-in does not examine gives an empty value when
//    it fails: nullptr, std::nullopt, or an empty optional number;
//  - a write whose result is not examined returns nothing;
//  - the examined calls (Send, Close, Delete, the To/CC/BCC writes, the MAPI
//    steps) return the HRESULT;
//  - a failure that must end the run (out of memory, a broken wrapper) throws
//    norvale::HResultError.
// Every collection is indexed from 1 to its Count.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/hresult.h"
#include "base/text.h"
#include "platform/desktop.h"

namespace norvale::outlook {

class AddressEntries;
class AddressEntry;
class AddressList;
class AddressLists;
class ContactItem;
class ExchangeDistributionList;
class ExchangeUser;
class Inspector;
class MailItem;
class MapiObject;
class NameSpace;
class Recipient;
class Recipients;

using OptInt = std::optional<std::int32_t>;

// OlBodyFormat, OlInspectorClose, OlMailRecipientType, OlAddressListType and
// OlAddressEntryUserType values that the add-in uses.
inline constexpr std::int32_t olFormatHTML = 2;
inline constexpr std::int32_t olDiscard = 1;
inline constexpr std::int32_t olTo = 1;
inline constexpr std::int32_t olCC = 2;
inline constexpr std::int32_t olBCC = 3;
inline constexpr std::int32_t olExchangeGlobalAddressList = 0;
inline constexpr std::int32_t olOutlookAddressList = 2;
inline constexpr std::int32_t olExchangeUserAddressEntry = 0;
inline constexpr std::int32_t olExchangeDistributionListAddressEntry = 1;
inline constexpr std::int32_t olOutlookContactAddressEntry = 10;
inline constexpr std::int32_t olOutlookDistributionListAddressEntry = 11;

class Account {
 public:
  virtual ~Account() = default;
  virtual OptText UserName() = 0;
  virtual OptText SmtpAddress() = 0;
};

class Recipient {
 public:
  virtual ~Recipient() = default;
  virtual OptText Address() = 0;
  virtual OptText Name() = 0;
  virtual OptInt Type() = 0;
  // The directory entry Outlook resolved the recipient to; nullptr when it
  // did not resolve it.
  virtual std::shared_ptr<outlook::AddressEntry> AddressEntry() = 0;
};

class Recipients {
 public:
  virtual ~Recipients() = default;
  virtual OptInt Count() = 0;
  virtual std::shared_ptr<Recipient> Item(std::int32_t index) = 0;
};

class MailItem {
 public:
  virtual ~MailItem() = default;
  virtual OptText Subject() = 0;
  virtual void SetSubject(const OptText& value) = 0;
  virtual void SetBody(const OptText& value) = 0;
  virtual OptText HTMLBody() = 0;
  virtual void SetHTMLBody(const OptText& value) = 0;
  virtual void SetBodyFormat(std::int32_t format) = 0;
  virtual OptText To() = 0;
  virtual OptText CC() = 0;
  virtual OptText BCC() = 0;
  // Addressing is examined: a copy whose recipients could not be replaced
  // still holds every recipient of the message it was made from.
  virtual HRESULT SetTo(const OptText& value) = 0;
  virtual HRESULT SetCC(const OptText& value) = 0;
  virtual HRESULT SetBCC(const OptText& value) = 0;
  virtual std::shared_ptr<outlook::Recipients> Recipients() = 0;
  virtual std::shared_ptr<Account> SendUsingAccount() = 0;
  virtual std::shared_ptr<MailItem> Copy() = 0;
  virtual void Save() = 0;
  virtual HRESULT Send() = 0;
  virtual HRESULT Close(std::int32_t save_mode) = 0;
  virtual HRESULT Delete() = 0;
};

class ExchangeUser {
 public:
  virtual ~ExchangeUser() = default;
  virtual OptText FirstName() = 0;
  virtual OptText LastName() = 0;
  virtual OptText PrimarySmtpAddress() = 0;
  virtual OptText CompanyName() = 0;
};

class ContactItem {
 public:
  virtual ~ContactItem() = default;
  virtual OptText FirstName() = 0;
  virtual OptText LastName() = 0;
  virtual OptText Email1Address() = 0;
  virtual OptText CompanyName() = 0;
};

class ExchangeDistributionList {
 public:
  virtual ~ExchangeDistributionList() = default;
  virtual std::shared_ptr<AddressEntries> GetExchangeDistributionListMembers() = 0;
};

class AddressEntry {
 public:
  virtual ~AddressEntry() = default;
  virtual OptText Address() = 0;
  virtual OptText Name() = 0;
  virtual OptInt AddressEntryUserType() = 0;
  virtual std::shared_ptr<AddressEntries> Members() = 0;
  virtual std::shared_ptr<ContactItem> GetContact() = 0;
  virtual std::shared_ptr<ExchangeUser> GetExchangeUser() = 0;
  virtual std::shared_ptr<ExchangeDistributionList> GetExchangeDistributionList() = 0;
};

class AddressEntries {
 public:
  virtual ~AddressEntries() = default;
  virtual OptInt Count() = 0;
  virtual std::shared_ptr<AddressEntry> Item(std::int32_t index) = 0;
};

class AddressList {
 public:
  virtual ~AddressList() = default;
  virtual OptInt AddressListType() = 0;
  virtual std::shared_ptr<outlook::AddressEntries> AddressEntries() = 0;
};

class AddressLists {
 public:
  virtual ~AddressLists() = default;
  virtual OptInt Count() = 0;
  virtual std::shared_ptr<AddressList> Item(std::int32_t index) = 0;
};

// MAPI, reached through NameSpace.MAPIOBJECT (MAPI_BEST_ACCESS and the
// PR_*_W tags of mapidefs.h/mapitags.h). Each step returns its status
// and produces its object only on success.
inline constexpr std::uint32_t kMapiBestAccess = 0x00000010;
inline constexpr std::uint32_t kPrAddrTypeW = 0x3002001F;
inline constexpr std::uint32_t kPrEmailAddressW = 0x3003001F;
inline constexpr std::uint32_t kPrSmtpAddressW = 0x39FE001F;

// One value of GetProps: `tag` is the requested tag when the property came
// back, and carries the error type (PT_ERROR) when it did not.
struct MapiPropValue {
  std::uint32_t tag = 0;
  std::u16string text;
};

using MapiEntryId = std::vector<std::uint8_t>;

class MapiProp {
 public:
  virtual ~MapiProp() = default;
  // Values come back in the order of `tags`.
  virtual HRESULT GetProps(const std::vector<std::uint32_t>& tags,
                           std::vector<MapiPropValue>& values) = 0;
};

class MapiSession {
 public:
  virtual ~MapiSession() = default;
  virtual HRESULT QueryIdentity(MapiEntryId& entry_id) = 0;
  virtual HRESULT OpenEntry(const MapiEntryId& entry_id, std::uint32_t flags,
                            std::shared_ptr<MapiProp>& entry) = 0;
};

// The IUnknown behind NameSpace.MAPIOBJECT.
class MapiObject {
 public:
  virtual ~MapiObject() = default;
  // QueryInterface for IMAPISession.
  virtual HRESULT QueryMapiSession(std::shared_ptr<MapiSession>& session) = 0;
};

// MAPIInitialize and MAPIUninitialize of the process.
class MapiLibrary {
 public:
  virtual ~MapiLibrary() = default;
  virtual HRESULT Initialize() = 0;
  virtual void Uninitialize() = 0;
};

// MAPI initialised for a scope: MAPIUninitialize when the scope ends, also by
// an exception, and only when MAPIInitialize succeeded.
class ScopedMapiInitialize {
 public:
  explicit ScopedMapiInitialize(MapiLibrary& mapi) : m_mapi(mapi), m_hr(mapi.Initialize()) {}
  ScopedMapiInitialize(const ScopedMapiInitialize&) = delete;
  ScopedMapiInitialize& operator=(const ScopedMapiInitialize&) = delete;
  ~ScopedMapiInitialize() {
    if (Failed(m_hr)) return;
    // MAPIUninitialize reports nothing; a failure of the port here must not
    // replace the one that may be unwinding.
    try {
      m_mapi.Uninitialize();
    } catch (...) {
    }
  }

  HRESULT status() const { return m_hr; }

 private:
  MapiLibrary& m_mapi;
  HRESULT m_hr;
};

class NameSpace {
 public:
  virtual ~NameSpace() = default;
  virtual std::shared_ptr<Recipient> CurrentUser() = 0;
  virtual std::shared_ptr<outlook::AddressLists> AddressLists() = 0;
  virtual HRESULT MAPIOBJECT(std::shared_ptr<MapiObject>& object) = 0;
};

class Inspector {
 public:
  virtual ~Inspector() = default;
  // The item shown; nullptr when it is not a mail item.
  virtual std::shared_ptr<MailItem> CurrentMailItem() = 0;
  virtual HRESULT Close(std::int32_t save_mode) = 0;
  // The inspector's top-level window (IOleWindow::GetWindow); kNoWindow when none.
  virtual platform::WindowHandle Window() = 0;
};

// The main window the add-in was connected to.
class Explorer {
 public:
  virtual ~Explorer() = default;
  // The explorer's top-level window (IOleWindow::GetWindow); kNoWindow when none.
  virtual platform::WindowHandle Window() = 0;
};

// Office's IRibbonUI, handed to the add-in when its ribbon loads.
class RibbonUI {
 public:
  virtual ~RibbonUI() = default;
  // Makes Office ask every callback of the add-in's controls again.
  virtual HRESULT Invalidate() = 0;
};

class Application {
 public:
  virtual ~Application() = default;
  virtual std::shared_ptr<NameSpace> Session() = 0;
  virtual OptText Version() = 0;
  virtual std::shared_ptr<Inspector> ActiveInspector() = 0;
  // MAPIInitialize/MAPIUninitialize of the process the add-in runs in.
  virtual MapiLibrary& Mapi() = 0;
};

}  // namespace norvale::outlook
