// Call counting and fault injection of the simulated profile. Every member of
// the object-model port that the simulator implements enters here once, under
// Outlook's name for it ("MailItem.Send"), so the run's call count and the
// scenario's faults are decided in one place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/hresult.h"

namespace norvale::sim {

// Every call the simulator counts and a scenario may fault, as Object.Member
// with Outlook's (or MAPI's) object and member names. A setter counts under
// its property's name; Inspector.GetWindow is IOleWindow's.
inline constexpr std::string_view kCallNames[] = {
    "Application.Session",
    "Application.Version",
    "Application.ActiveInspector",
    "NameSpace.CurrentUser",
    "NameSpace.AddressLists",
    "NameSpace.MAPIOBJECT",
    "Inspector.CurrentItem",
    "Inspector.Close",
    "Inspector.GetWindow",
    "MailItem.Subject",
    "MailItem.Body",
    "MailItem.HTMLBody",
    "MailItem.BodyFormat",
    "MailItem.To",
    "MailItem.CC",
    "MailItem.BCC",
    "MailItem.Recipients",
    "MailItem.SendUsingAccount",
    "MailItem.Copy",
    "MailItem.Save",
    "MailItem.Send",
    "MailItem.Close",
    "MailItem.Delete",
    "Recipients.Count",
    "Recipients.Item",
    "Recipient.Address",
    "Recipient.Name",
    "Recipient.Type",
    "Recipient.AddressEntry",
    "Account.UserName",
    "Account.SmtpAddress",
    "AddressLists.Count",
    "AddressLists.Item",
    "AddressList.AddressListType",
    "AddressList.AddressEntries",
    "AddressEntries.Count",
    "AddressEntries.Item",
    "AddressEntry.Address",
    "AddressEntry.Name",
    "AddressEntry.AddressEntryUserType",
    "AddressEntry.Members",
    "AddressEntry.GetContact",
    "AddressEntry.GetExchangeUser",
    "AddressEntry.GetExchangeDistributionList",
    "ExchangeUser.FirstName",
    "ExchangeUser.LastName",
    "ExchangeUser.PrimarySmtpAddress",
    "ExchangeUser.CompanyName",
    "ExchangeDistributionList.GetExchangeDistributionListMembers",
    "ContactItem.FirstName",
    "ContactItem.LastName",
    "ContactItem.Email1Address",
    "ContactItem.CompanyName",
    "MAPI.Initialize",
    "MAPI.Uninitialize",
    "MAPIObject.QueryInterface",
    "MAPISession.QueryIdentity",
    "MAPISession.OpenEntry",
    "MAPIProp.GetProps",
};
inline constexpr std::size_t kCallCount = std::size(kCallNames);

// Index of `name` in kCallNames, or nullopt when it names no call.
constexpr std::optional<std::size_t> FindCall(std::string_view name) {
  for (std::size_t i = 0; i < kCallCount; ++i) {
    if (kCallNames[i] == name) return i;
  }
  return std::nullopt;
}

// A call name checked when the simulator is compiled: a name missing from
// kCallNames does not build.
class CallName {
 public:
  // Implicit, so that call sites name the call by its literal.
  consteval CallName(const char* name) : index_(Check(FindCall(name))) {}
  constexpr std::size_t index() const { return index_; }

 private:
  static consteval std::size_t Check(std::optional<std::size_t> index) {
    if (!index) throw std::logic_error("not in kCallNames");
    return *index;
  }
  std::size_t index_;
};

enum class FaultKind {
  kHr,     // an examined call returns `code`; any other call gives its empty value
  kEmpty,  // the call gives no object or no string
  kThrow,  // the call throws HResultError(code)
};

// One injected fault: the `nth` call of `call` in the run, counted from 1
// across all objects of that kind.
struct Fault {
  std::string call;
  std::int32_t nth = 1;
  FaultKind kind = FaultKind::kHr;
  HRESULT code = S_OK;
};

// What a counted call must do instead of its normal work.
struct InjectedFault {
  FaultKind kind;
  HRESULT code;
};

class Calls {
 public:
  // `faults` name calls of kCallNames (the scenario reader checks that).
  explicit Calls(const std::vector<Fault>& faults);

  // Counts one call of `name`. Throws HResultError for a kThrow fault on this
  // call; returns the kHr or kEmpty fault that applies to it, if any.
  std::optional<InjectedFault> Enter(CallName name);

  std::int64_t total() const { return total_; }
  // Calls of `name` so far; 0 for a name that is no call.
  std::int64_t count(std::string_view name) const;

 private:
  struct Planned {
    std::int64_t nth;
    InjectedFault fault;
  };
  std::vector<std::int64_t> counts_ = std::vector<std::int64_t>(kCallCount);
  std::vector<std::vector<Planned>> planned_ = std::vector<std::vector<Planned>>(kCallCount);
  std::int64_t total_ = 0;
};

}  // namespace norvale::sim
