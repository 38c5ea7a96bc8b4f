// A simulated Outlook profile as a scenario file describes it: the address
// books, the composed message, MAPI's identity and the faults to inject.
// Every text member keeps "absent or null" (std::nullopt: Outlook gives no
// string) apart from a string, empty or not.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "outlook/outlook.h"
#include "sim/outlook/calls.h"

namespace norvale::sim {

// A scenario file that cannot be used; the message names the file, the JSON
// path and what is wrong.
class ScenarioError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Scenario {
  struct ExchangeUser {
    OptText firstName, lastName, primarySmtpAddress, companyName;
  };
  struct Contact {
    OptText firstName, lastName, email1Address, companyName;
  };
  struct Entry {
    std::int32_t userType = 0;
    OptText address, name;
    std::optional<ExchangeUser> exchangeUser;
    std::optional<Contact> contact;
    // nullopt: the entry has no member list (Members gives nothing).
    std::optional<std::vector<Entry>> members;
  };
  struct AddressList {
    OptText name;
    std::int32_t type = 0;
    std::vector<Entry> entries;
  };
  struct CurrentUser {
    OptText name, address;
    // Whether Outlook resolved the user to a directory entry (see Recipient).
    bool resolved = true;
  };
  // The MAPI session's identity; a null member is a property MAPI does not return.
  struct Identity {
    OptText addressType, emailAddress, smtpAddress;
  };
  struct Account {
    OptText smtpAddress, userName;
  };
  struct Recipient {
    std::int32_t type = outlook::olTo;
    OptText address, name;
    // A resolved recipient's AddressEntry is the first entry of a Global
    // Address List whose address equals its own ignoring case; an unresolved
    // one has none.
    bool resolved = true;
  };
  struct Message {
    OptText subject, htmlBody;
    std::optional<Account> account;
    std::vector<Recipient> recipients;
  };
  // Where the user pressed Send: the compose window's button, or the main
  // window's with the message open as an inline reply in the reading pane.
  enum class Action { kCompose, kInline };

  Action action = Action::kCompose;
  // The window classes from Outlook's main window down to the inline reply's
  // toolbar, each a child of the one before.
  std::vector<std::string> inlineWindows = {"rctrl_renwnd32", "AfxWndW", "AfxWndW", "#32770",
                                            "ToolbarWindow32"};
  OptText outlookVersion;
  std::optional<CurrentUser> currentUser;
  std::optional<Identity> identity;
  std::vector<AddressList> addressLists;
  Message message;
  std::vector<Fault> faults;
};

// Reads a scenario from JSON text; `source_name` names it in error messages.
// Throws ScenarioError.
Scenario ParseScenario(std::string_view json_text, const std::string& source_name);

// Reads the scenario file at `path`. Throws ScenarioError.
Scenario LoadScenario(const std::string& path);

}  // namespace norvale::sim
