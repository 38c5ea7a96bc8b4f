#include "sim/outlook/sim_outlook.h"

#include <functional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace norvale::sim {

struct SimState {
  explicit SimState(Scenario s) : scenario(std::move(s)), calls(scenario.faults) {}

  const Scenario scenario;
  Calls calls;
  // The first entry of a Global Address List for each address, ASCII case
  // folded: what a recipient resolves to. Built when first needed.
  std::optional<std::unordered_map<std::u16string, const Scenario::Entry*>> resolvable;
  MailRecord source;
  std::deque<MailRecord> copies;  // a deque keeps each record in place as copies are added
  std::vector<MailFields> sent;
  int mapiInitialized = 0;
  int mapiUninitialized = 0;
  bool poppedOut = false;
};

namespace {

using StatePtr = std::shared_ptr<SimState>;

// MAPI's PT_ERROR property type and the warning of a GetProps that could not
// return every property.
constexpr std::uint32_t kPtError = 0x000A;
constexpr HRESULT kMapiWErrorsReturned = 0x00040380;

// OlMailRecipientType of the session's current user.
constexpr std::int32_t kOlOriginator = 0;

// The entry id QueryIdentity gives: an Exchange address-book entry id header
// (flags, the address book's provider UID, version, display type).
const outlook::MapiEntryId kIdentityEntryId = {
    0x00, 0x00, 0x00, 0x00, 0xDC, 0xA7, 0x40, 0xC8, 0xC0, 0x42, 0x10, 0x1A, 0xB4, 0xB9,
    0x08, 0x00, 0x2B, 0x2F, 0xE1, 0x82, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

// The recipients of `type`, as Outlook shows them in To, CC or BCC: each one's
// Name (its Address when it has no name) joined by "; ".
std::u16string JoinRecipients(const std::vector<Scenario::Recipient>& recipients,
                              std::int32_t type) {
  std::u16string joined;
  for (const Scenario::Recipient& recipient : recipients) {
    const OptText& shown = recipient.name ? recipient.name : recipient.address;
    if (recipient.type != type || !shown) continue;
    if (!joined.empty()) joined += u"; ";
    joined += *shown;
  }
  return joined;
}

// A new item with `from`'s content and recipients, addressed as Outlook
// addresses a new item with those recipients.
MailRecord NewItem(const MailFields& from, const std::optional<Scenario::Account>& account,
                   std::shared_ptr<const std::vector<Scenario::Recipient>> recipients) {
  MailRecord item;
  item.fields = {JoinRecipients(*recipients, outlook::olTo),
                 JoinRecipients(*recipients, outlook::olCC),
                 JoinRecipients(*recipients, outlook::olBCC),
                 from.subject,
                 from.htmlBody,
                 from.body};
  item.account = account;
  item.recipients = std::move(recipients);
  return item;
}

// The entry a recipient with `address` resolves to; nullptr when no Global
// Address List holds the address.
const Scenario::Entry* ResolvableEntry(SimState& state, const OptText& address) {
  if (!address) return nullptr;
  if (!state.resolvable) {
    auto& index = state.resolvable.emplace();
    for (const Scenario::AddressList& list : state.scenario.addressLists) {
      if (list.type != outlook::olExchangeGlobalAddressList) continue;
      for (const Scenario::Entry& entry : list.entries) {
        if (!entry.address) continue;
        index.try_emplace(ToLowerAsciiCopy(*entry.address), &entry);
      }
    }
  }
  const auto found = state.resolvable->find(ToLowerAsciiCopy(*address));
  return found == state.resolvable->end() ? nullptr : found->second;
}

std::shared_ptr<outlook::AddressEntry> EntryObject(const StatePtr& state,
                                                   const Scenario::Entry& entry);

bool HasText(const OptText& text) { return text && !TrimView(*text).empty(); }

// Gives `field` a string of its own instead of reusing its storage, so that a
// copy addressed to one recipient does not keep the room of the whole list of
// recipients it was made with.
void Replace(OptText& field, const OptText& value) { field = OptText(value); }

using RecipientList = std::shared_ptr<const std::vector<Scenario::Recipient>>;

// Writing To, CC or BCC replaces the item's recipients of that type, as
// Outlook does: one recipient per name between the ";" of the text. The list
// is shared with the item's copies until then, so a write makes a new one.
void ReplaceRecipients(RecipientList& recipients, std::int32_t type, const OptText& text) {
  auto replaced = std::make_shared<std::vector<Scenario::Recipient>>();
  for (const Scenario::Recipient& recipient : *recipients) {
    if (recipient.type != type) replaced->push_back(recipient);
  }
  std::vector<std::u16string> names;
  SplitTokens(text.value_or(u""), names, u";");
  for (const std::u16string& name : names) {
    const std::u16string trimmed(TrimView(name));
    if (!trimmed.empty()) replaced->push_back({type, trimmed, trimmed});
  }
  recipients = std::move(replaced);
}

// The one place where a call meets the scenario's faults: each port member
// runs as a read, a write or an examined call.
class Simulated {
 protected:
  explicit Simulated(StatePtr state) : state_(std::move(state)) {}

  // A fault gives the empty value.
  template <typename T, typename Get>
  T Read(CallName name, Get get) {
    if (state_->calls.Enter(name)) return T{};
    return get();
  }

  // A fault drops the write.
  template <typename Set>
  void Write(CallName name, Set set) {
    if (!state_->calls.Enter(name)) set();
  }

  // An hr fault returns its code; an empty fault returns S_OK without doing
  // anything, so an out-object stays as the caller set it.
  template <typename Act>
  HRESULT Examine(CallName name, Act act) {
    if (const auto fault = state_->calls.Enter(name)) {
      return fault->kind == FaultKind::kHr ? fault->code : S_OK;
    }
    return act();
  }

  StatePtr state_;
};

// Count and Item of Recipients, AddressLists and AddressEntries.
template <typename Port, typename Element, typename Data>
class SimCollection : public Port, Simulated {
 public:
  using ItemPtr = decltype(std::declval<Port&>().Item(0));

  // `items` gives the elements as they are now: like Outlook's, a collection
  // is a live view of its parent, which may replace them.
  using Items = std::function<const std::vector<Data>&()>;

  SimCollection(StatePtr state, Items items, CallName count, CallName item)
      : Simulated(std::move(state)),
        items_(std::move(items)),
        count_name_(count),
        item_name_(item) {}

  outlook::OptInt Count() override {
    return Read<outlook::OptInt>(count_name_,
                                 [&] { return static_cast<std::int32_t>(items_().size()); });
  }

  ItemPtr Item(std::int32_t index) override {
    return Read<ItemPtr>(item_name_, [&]() -> ItemPtr {
      const std::vector<Data>& items = items_();
      if (index < 1 || static_cast<std::size_t>(index) > items.size()) return nullptr;
      return std::make_shared<Element>(state_, items[index - 1]);
    });
  }

 private:
  Items items_;  // reads what the shared state owns
  CallName count_name_;
  CallName item_name_;
};

class SimAccount : public outlook::Account, Simulated {
 public:
  SimAccount(StatePtr state, Scenario::Account account)
      : Simulated(std::move(state)), account_(std::move(account)) {}

  OptText UserName() override {
    return Read<OptText>("Account.UserName", [&] { return account_.userName; });
  }
  OptText SmtpAddress() override {
    return Read<OptText>("Account.SmtpAddress", [&] { return account_.smtpAddress; });
  }

 private:
  Scenario::Account account_;
};

class SimRecipient : public outlook::Recipient, Simulated {
 public:
  SimRecipient(StatePtr state, Scenario::Recipient recipient)
      : Simulated(std::move(state)), recipient_(std::move(recipient)) {}

  OptText Address() override {
    return Read<OptText>("Recipient.Address", [&] { return recipient_.address; });
  }
  OptText Name() override {
    return Read<OptText>("Recipient.Name", [&] { return recipient_.name; });
  }
  outlook::OptInt Type() override {
    return Read<outlook::OptInt>("Recipient.Type", [&] { return recipient_.type; });
  }
  std::shared_ptr<outlook::AddressEntry> AddressEntry() override {
    return Read<std::shared_ptr<outlook::AddressEntry>>(
        "Recipient.AddressEntry", [&]() -> std::shared_ptr<outlook::AddressEntry> {
          const Scenario::Entry* entry =
              recipient_.resolved ? ResolvableEntry(*state_, recipient_.address) : nullptr;
          return entry ? EntryObject(state_, *entry) : nullptr;
        });
  }

 private:
  Scenario::Recipient recipient_;
};

using SimRecipients = SimCollection<outlook::Recipients, SimRecipient, Scenario::Recipient>;

class SimMailItem : public outlook::MailItem, Simulated {
 public:
  // `item` lives in the shared state.
  SimMailItem(StatePtr state, MailRecord& item) : Simulated(std::move(state)), item_(item) {}

  OptText Subject() override {
    return Read<OptText>("MailItem.Subject", [&] { return item_.fields.subject; });
  }
  void SetSubject(const OptText& value) override {
    Write("MailItem.Subject", [&] { item_.fields.subject = value; });
  }
  void SetBody(const OptText& value) override {
    Write("MailItem.Body", [&] { item_.fields.body = value; });
  }
  OptText HTMLBody() override {
    return Read<OptText>("MailItem.HTMLBody", [&] { return item_.fields.htmlBody; });
  }
  void SetHTMLBody(const OptText& value) override {
    Write("MailItem.HTMLBody", [&] { item_.fields.htmlBody = value; });
  }
  void SetBodyFormat(std::int32_t format) override {
    Write("MailItem.BodyFormat", [&] { item_.bodyFormatWrites.push_back(format); });
  }
  OptText To() override {
    return Read<OptText>("MailItem.To", [&] { return item_.fields.to; });
  }
  OptText CC() override {
    return Read<OptText>("MailItem.CC", [&] { return item_.fields.cc; });
  }
  OptText BCC() override {
    return Read<OptText>("MailItem.BCC", [&] { return item_.fields.bcc; });
  }
  HRESULT SetTo(const OptText& value) override {
    return Examine("MailItem.To", [&] {
      Replace(item_.fields.to, value);
      ReplaceRecipients(item_.recipients, outlook::olTo, value);
      return S_OK;
    });
  }
  HRESULT SetCC(const OptText& value) override {
    return Examine("MailItem.CC", [&] {
      Replace(item_.fields.cc, value);
      ReplaceRecipients(item_.recipients, outlook::olCC, value);
      return S_OK;
    });
  }
  HRESULT SetBCC(const OptText& value) override {
    return Examine("MailItem.BCC", [&] {
      Replace(item_.fields.bcc, value);
      ReplaceRecipients(item_.recipients, outlook::olBCC, value);
      return S_OK;
    });
  }

  std::shared_ptr<outlook::Recipients> Recipients() override {
    return Read<std::shared_ptr<outlook::Recipients>>("MailItem.Recipients", [&] {
      return std::make_shared<SimRecipients>(
          state_, [&item = item_]() -> const auto& { return *item.recipients; },
          CallName("Recipients.Count"), CallName("Recipients.Item"));
    });
  }

  std::shared_ptr<outlook::Account> SendUsingAccount() override {
    return Read<std::shared_ptr<outlook::Account>>(
        "MailItem.SendUsingAccount", [&]() -> std::shared_ptr<outlook::Account> {
          if (!item_.account) return nullptr;
          return std::make_shared<SimAccount>(state_, *item_.account);
        });
  }

  // A copy starts with the item's content and addressing; the recipients are
  // shared, so that a copy costs no more as the message grows.
  std::shared_ptr<outlook::MailItem> Copy() override {
    return Read<std::shared_ptr<outlook::MailItem>>("MailItem.Copy", [&] {
      MailRecord copy;
      copy.fields = item_.fields;
      copy.account = item_.account;
      copy.recipients = item_.recipients;
      state_->copies.push_back(std::move(copy));
      return std::make_shared<SimMailItem>(state_, state_->copies.back());
    });
  }

  void Save() override {
    Write("MailItem.Save", [&] { item_.saved = true; });
  }

  // Outlook refuses to send an item that has nobody to send it to.
  HRESULT Send() override {
    return Examine("MailItem.Send", [&] {
      const MailFields& fields = item_.fields;
      if (!HasText(fields.to) && !HasText(fields.cc) && !HasText(fields.bcc)) return E_FAIL;
      item_.sent = true;
      state_->sent.push_back(fields);
      return S_OK;
    });
  }

  HRESULT Close(std::int32_t save_mode) override {
    return Examine("MailItem.Close", [&] {
      item_.closedWith = save_mode;
      return S_OK;
    });
  }

  HRESULT Delete() override {
    return Examine("MailItem.Delete", [&] {
      item_.deleted = true;
      return S_OK;
    });
  }

 private:
  MailRecord& item_;
};

// Details of a person, each read counted under `Object.Member` names.
class SimExchangeUser : public outlook::ExchangeUser, Simulated {
 public:
  SimExchangeUser(StatePtr state, const Scenario::ExchangeUser& user)
      : Simulated(std::move(state)), user_(user) {}

  OptText FirstName() override {
    return Read<OptText>("ExchangeUser.FirstName", [&] { return user_.firstName; });
  }
  OptText LastName() override {
    return Read<OptText>("ExchangeUser.LastName", [&] { return user_.lastName; });
  }
  OptText PrimarySmtpAddress() override {
    return Read<OptText>("ExchangeUser.PrimarySmtpAddress",
                         [&] { return user_.primarySmtpAddress; });
  }
  OptText CompanyName() override {
    return Read<OptText>("ExchangeUser.CompanyName", [&] { return user_.companyName; });
  }

 private:
  const Scenario::ExchangeUser& user_;
};

class SimContactItem : public outlook::ContactItem, Simulated {
 public:
  SimContactItem(StatePtr state, const Scenario::Contact& contact)
      : Simulated(std::move(state)), contact_(contact) {}

  OptText FirstName() override {
    return Read<OptText>("ContactItem.FirstName", [&] { return contact_.firstName; });
  }
  OptText LastName() override {
    return Read<OptText>("ContactItem.LastName", [&] { return contact_.lastName; });
  }
  OptText Email1Address() override {
    return Read<OptText>("ContactItem.Email1Address", [&] { return contact_.email1Address; });
  }
  OptText CompanyName() override {
    return Read<OptText>("ContactItem.CompanyName", [&] { return contact_.companyName; });
  }

 private:
  const Scenario::Contact& contact_;
};

class SimAddressEntry;
using SimAddressEntries = SimCollection<outlook::AddressEntries, SimAddressEntry, Scenario::Entry>;

std::shared_ptr<outlook::AddressEntries> EntriesOf(const StatePtr& state,
                                                   const std::vector<Scenario::Entry>& entries) {
  return std::make_shared<SimAddressEntries>(
      state, [&entries]() -> const auto& { return entries; }, CallName("AddressEntries.Count"),
      CallName("AddressEntries.Item"));
}

// The entry's member list; nullptr when it has none.
std::shared_ptr<outlook::AddressEntries> MembersOf(const StatePtr& state,
                                                   const Scenario::Entry& entry) {
  return entry.members ? EntriesOf(state, *entry.members) : nullptr;
}

class SimExchangeDistributionList : public outlook::ExchangeDistributionList, Simulated {
 public:
  SimExchangeDistributionList(StatePtr state, const Scenario::Entry& entry)
      : Simulated(std::move(state)), entry_(entry) {}

  std::shared_ptr<outlook::AddressEntries> GetExchangeDistributionListMembers() override {
    return Read<std::shared_ptr<outlook::AddressEntries>>(
        "ExchangeDistributionList.GetExchangeDistributionListMembers",
        [&] { return MembersOf(state_, entry_); });
  }

 private:
  const Scenario::Entry& entry_;
};

class SimAddressEntry : public outlook::AddressEntry, Simulated {
 public:
  SimAddressEntry(StatePtr state, const Scenario::Entry& entry)
      : Simulated(std::move(state)), entry_(entry) {}

  OptText Address() override {
    return Read<OptText>("AddressEntry.Address", [&] { return entry_.address; });
  }
  OptText Name() override {
    return Read<OptText>("AddressEntry.Name", [&] { return entry_.name; });
  }
  outlook::OptInt AddressEntryUserType() override {
    return Read<outlook::OptInt>("AddressEntry.AddressEntryUserType",
                                 [&] { return entry_.userType; });
  }
  std::shared_ptr<outlook::AddressEntries> Members() override {
    return Read<std::shared_ptr<outlook::AddressEntries>>(
        "AddressEntry.Members", [&] { return MembersOf(state_, entry_); });
  }
  std::shared_ptr<outlook::ContactItem> GetContact() override {
    return Read<std::shared_ptr<outlook::ContactItem>>(
        "AddressEntry.GetContact", [&]() -> std::shared_ptr<outlook::ContactItem> {
          if (!entry_.contact) return nullptr;
          return std::make_shared<SimContactItem>(state_, *entry_.contact);
        });
  }
  std::shared_ptr<outlook::ExchangeUser> GetExchangeUser() override {
    return Read<std::shared_ptr<outlook::ExchangeUser>>(
        "AddressEntry.GetExchangeUser", [&]() -> std::shared_ptr<outlook::ExchangeUser> {
          if (!entry_.exchangeUser) return nullptr;
          return std::make_shared<SimExchangeUser>(state_, *entry_.exchangeUser);
        });
  }
  // Only an Exchange distribution list answers; a personal one does not.
  std::shared_ptr<outlook::ExchangeDistributionList> GetExchangeDistributionList() override {
    return Read<std::shared_ptr<outlook::ExchangeDistributionList>>(
        "AddressEntry.GetExchangeDistributionList",
        [&]() -> std::shared_ptr<outlook::ExchangeDistributionList> {
          if (entry_.userType != outlook::olExchangeDistributionListAddressEntry) return nullptr;
          return std::make_shared<SimExchangeDistributionList>(state_, entry_);
        });
  }

 private:
  const Scenario::Entry& entry_;
};

class SimAddressList : public outlook::AddressList, Simulated {
 public:
  SimAddressList(StatePtr state, const Scenario::AddressList& list)
      : Simulated(std::move(state)), list_(list) {}

  outlook::OptInt AddressListType() override {
    return Read<outlook::OptInt>("AddressList.AddressListType", [&] { return list_.type; });
  }
  std::shared_ptr<outlook::AddressEntries> AddressEntries() override {
    return Read<std::shared_ptr<outlook::AddressEntries>>(
        "AddressList.AddressEntries", [&] { return EntriesOf(state_, list_.entries); });
  }

 private:
  const Scenario::AddressList& list_;
};

std::shared_ptr<outlook::AddressEntry> EntryObject(const StatePtr& state,
                                                   const Scenario::Entry& entry) {
  return std::make_shared<SimAddressEntry>(state, entry);
}

using SimAddressLists = SimCollection<outlook::AddressLists, SimAddressList, Scenario::AddressList>;

class SimMapiProp : public outlook::MapiProp, Simulated {
 public:
  explicit SimMapiProp(StatePtr state) : Simulated(std::move(state)) {}

  // As MAPI does: a property the identity lacks comes back as PT_ERROR, and
  // the call then warns with MAPI_W_ERRORS_RETURNED.
  HRESULT GetProps(const std::vector<std::uint32_t>& tags,
                   std::vector<outlook::MapiPropValue>& values) override {
    return Examine("MAPIProp.GetProps", [&] {
      const Scenario::Identity& identity = *state_->scenario.identity;
      HRESULT hr = S_OK;
      values.clear();
      for (std::uint32_t tag : tags) {
        const OptText* text = tag == outlook::kPrAddrTypeW       ? &identity.addressType
                              : tag == outlook::kPrEmailAddressW ? &identity.emailAddress
                              : tag == outlook::kPrSmtpAddressW  ? &identity.smtpAddress
                                                                 : nullptr;
        if (text && *text) {
          values.push_back({tag, **text});
        } else {
          values.push_back({(tag & 0xFFFF0000) | kPtError, {}});
          hr = kMapiWErrorsReturned;
        }
      }
      return hr;
    });
  }
};

class SimMapiSession : public outlook::MapiSession, Simulated {
 public:
  explicit SimMapiSession(StatePtr state) : Simulated(std::move(state)) {}

  HRESULT QueryIdentity(outlook::MapiEntryId& entry_id) override {
    return Examine("MAPISession.QueryIdentity", [&] {
      if (!state_->scenario.identity) return MAPI_E_NOT_FOUND;
      entry_id = kIdentityEntryId;
      return S_OK;
    });
  }

  HRESULT OpenEntry(const outlook::MapiEntryId& entry_id, std::uint32_t,
                    std::shared_ptr<outlook::MapiProp>& entry) override {
    return Examine("MAPISession.OpenEntry", [&] {
      if (!state_->scenario.identity || entry_id != kIdentityEntryId) return MAPI_E_NOT_FOUND;
      entry = std::make_shared<SimMapiProp>(state_);
      return S_OK;
    });
  }
};

class SimMapiObject : public outlook::MapiObject, Simulated {
 public:
  explicit SimMapiObject(StatePtr state) : Simulated(std::move(state)) {}

  HRESULT QueryMapiSession(std::shared_ptr<outlook::MapiSession>& session) override {
    return Examine("MAPIObject.QueryInterface", [&] {
      session = std::make_shared<SimMapiSession>(state_);
      return S_OK;
    });
  }
};

class SimMapiLibrary : public outlook::MapiLibrary, Simulated {
 public:
  explicit SimMapiLibrary(StatePtr state) : Simulated(std::move(state)) {}

  HRESULT Initialize() override {
    return Examine("MAPI.Initialize", [&] {
      ++state_->mapiInitialized;
      return S_OK;
    });
  }
  void Uninitialize() override {
    Write("MAPI.Uninitialize", [&] { ++state_->mapiUninitialized; });
  }
};

class SimNameSpace : public outlook::NameSpace, Simulated {
 public:
  explicit SimNameSpace(StatePtr state) : Simulated(std::move(state)) {}

  std::shared_ptr<outlook::Recipient> CurrentUser() override {
    return Read<std::shared_ptr<outlook::Recipient>>(
        "NameSpace.CurrentUser", [&]() -> std::shared_ptr<outlook::Recipient> {
          const auto& user = state_->scenario.currentUser;
          if (!user) return nullptr;
          return std::make_shared<SimRecipient>(
              state_,
              Scenario::Recipient{kOlOriginator, user->address, user->name, user->resolved});
        });
  }
  std::shared_ptr<outlook::AddressLists> AddressLists() override {
    return Read<std::shared_ptr<outlook::AddressLists>>("NameSpace.AddressLists", [&] {
      return std::make_shared<SimAddressLists>(
          state_, [&lists = state_->scenario.addressLists]() -> const auto& { return lists; },
          CallName("AddressLists.Count"), CallName("AddressLists.Item"));
    });
  }
  HRESULT MAPIOBJECT(std::shared_ptr<outlook::MapiObject>& object) override {
    return Examine("NameSpace.MAPIOBJECT", [&] {
      object = std::make_shared<SimMapiObject>(state_);
      return S_OK;
    });
  }
};

// The compose window of the composed message. Closing it closes the message.
class SimInspector : public outlook::Inspector, Simulated {
 public:
  explicit SimInspector(StatePtr state) : Simulated(std::move(state)) {}

  std::shared_ptr<outlook::MailItem> CurrentMailItem() override {
    return Read<std::shared_ptr<outlook::MailItem>>("Inspector.CurrentItem", [&] {
      return std::make_shared<SimMailItem>(state_, state_->source);
    });
  }
  HRESULT Close(std::int32_t save_mode) override {
    return Examine("Inspector.Close", [&] {
      state_->source.closedWith = save_mode;
      return S_OK;
    });
  }
  platform::WindowHandle Window() override {
    return Read<platform::WindowHandle>("Inspector.GetWindow",
                                        [] { return SimOutlook::kInspectorWindow; });
  }
};

class SimApplication : public outlook::Application, Simulated {
 public:
  explicit SimApplication(StatePtr state) : Simulated(state), mapi_(std::move(state)) {}

  std::shared_ptr<outlook::NameSpace> Session() override {
    return Read<std::shared_ptr<outlook::NameSpace>>(
        "Application.Session", [&] { return std::make_shared<SimNameSpace>(state_); });
  }
  OptText Version() override {
    return Read<OptText>("Application.Version", [&] { return state_->scenario.outlookVersion; });
  }
  // The compose window stays active until its message is closed or deleted;
  // an inline reply gets one when it is popped out.
  std::shared_ptr<outlook::Inspector> ActiveInspector() override {
    return Read<std::shared_ptr<outlook::Inspector>>(
        "Application.ActiveInspector", [&]() -> std::shared_ptr<outlook::Inspector> {
          if (state_->source.closedWith || state_->source.deleted) return nullptr;
          if (state_->scenario.action == Scenario::Action::kInline && !state_->poppedOut) {
            return nullptr;
          }
          return std::make_shared<SimInspector>(state_);
        });
  }
  // MAPIInitialize and MAPIUninitialize are process functions, not
  // object-model calls: reaching them is not counted.
  outlook::MapiLibrary& Mapi() override { return mapi_; }

 private:
  SimMapiLibrary mapi_;
};

}  // namespace

SimOutlook::SimOutlook(Scenario scenario)
    : state_(std::make_shared<SimState>(std::move(scenario))),
      application_(std::make_shared<SimApplication>(state_)) {
  const Scenario::Message& message = state_->scenario.message;
  MailFields content;
  content.subject = message.subject;
  content.htmlBody = message.htmlBody;
  state_->source =
      NewItem(content, message.account,
              std::make_shared<const std::vector<Scenario::Recipient>>(message.recipients));
}

SimOutlook::~SimOutlook() = default;

std::shared_ptr<outlook::MailItem> SimOutlook::sourceItem() const {
  return std::make_shared<SimMailItem>(state_, state_->source);
}

const Scenario& SimOutlook::scenario() const { return state_->scenario; }
void SimOutlook::PopOutInline() { state_->poppedOut = true; }
bool SimOutlook::poppedOut() const { return state_->poppedOut; }

const MailRecord& SimOutlook::source() const { return state_->source; }
const std::deque<MailRecord>& SimOutlook::copies() const { return state_->copies; }
const std::vector<MailFields>& SimOutlook::sent() const { return state_->sent; }
std::int64_t SimOutlook::totalCalls() const { return state_->calls.total(); }
std::int64_t SimOutlook::callCount(std::string_view name) const {
  return state_->calls.count(name);
}
int SimOutlook::mapiInitializeCount() const { return state_->mapiInitialized; }
int SimOutlook::mapiUninitializeCount() const { return state_->mapiUninitialized; }

}  // namespace norvale::sim
