// The directory lookups of one send. Every address a send looks up (the
// sender's, each recipient's) is announced before the first answer is asked
// for, so that whatever Outlook did not resolve already is found by one pass
// over the address lists instead of one scan per address.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "outlook/outlook.h"
#include "platform/desktop.h"

namespace norvale {

// What the directory knows of one address text.
struct DirectoryAnswer {
  // The recipient-info record; empty when nothing matched or a list did.
  std::u16string record;
  // One record per member of the distribution list that matched, in member
  // order; nullopt when no list matched.
  std::optional<std::vector<std::u16string>> members;
};

// Answers the lookups of one send: the Global Address List first (Exchange
// users and lists), then the Outlook address books (contacts and personal
// lists), each source ending at its first match in list and entry order.
class RecipientDirectory {
 public:
  virtual ~RecipientDirectory() = default;

  // Announces `text` (compared ignoring ASCII case) and the recipient Outlook
  // resolved it from, nullptr when there is none.
  virtual void Expect(std::u16string_view text, std::shared_ptr<outlook::Recipient> recipient) = 0;

  // The answer for `text`; `withCompany` says whether a contact's company is
  // wanted (an Exchange user's always is). A text not announced is searched
  // for on its own.
  virtual DirectoryAnswer Find(std::u16string_view text, bool withCompany) = 0;
};

// The directory of `app`'s session. It takes the entry a recipient resolved
// to when that entry is the one a search would find, and searches for every
// other announced text in one pass, dispatching `pump`'s messages once before
// each address list of that pass.
std::unique_ptr<RecipientDirectory> MakeIndexedDirectory(std::shared_ptr<outlook::Application> app,
                                                         platform::Desktop& pump);

// The four-field records of an Exchange user and of a contact; the company
// of a contact only `withCompany`. Properties are read in field order.
std::u16string ExchangeUserInfo(outlook::ExchangeUser& user);
std::u16string ContactInfo(outlook::ContactItem& contact, bool withCompany);

// One record per member of the list `entry`, one level deep: an Exchange
// list's members, or a personal list's. ExpandPersonalList asks a member for
// its contact before its Exchange user; ExpandExchangeList only for the user.
std::vector<std::u16string> ExpandExchangeList(outlook::AddressEntry& entry);
std::vector<std::u16string> ExpandPersonalList(outlook::AddressEntry& entry);

}  // namespace norvale
