// Directory lookups: the Exchange Global Address List first, then the Outlook
// address books, each a linear scan that ends at the first match.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "addin/norvale_addin.h"
#include "base/text.h"
#include "directory/recipient_info.h"
#include "outlook/outlook.h"

namespace norvale {
namespace {

bool SameAddress(const OptText& address, std::u16string_view text) {
  return address && EqualsIgnoreCase(*address, text);
}

// The properties are read in field order; the count of Outlook calls and the
// faults a profile injects depend on it.
std::u16string ExchangeUserInfo(outlook::ExchangeUser& user) {
  const OptText first_name = user.FirstName();
  const OptText last_name = user.LastName();
  const OptText email = user.PrimarySmtpAddress();
  const OptText company = user.CompanyName();
  return BuildRecipientInfo(first_name, last_name, email, company);
}

std::u16string ContactInfo(outlook::ContactItem& contact, bool withCompany) {
  const OptText first_name = contact.FirstName();
  const OptText last_name = contact.LastName();
  const OptText email = contact.Email1Address();
  const OptText company = withCompany ? contact.CompanyName() : std::nullopt;
  return BuildRecipientInfo(first_name, last_name, email, company);
}

// Replaces `members` with one record per member of the list `entry`, one
// level deep. With `contacts_first` a member's contact item is asked for
// before its Exchange user.
void ExpandMembers(outlook::AddressEntry& entry, bool contacts_first,
                   std::vector<std::u16string>& members) {
  std::shared_ptr<outlook::AddressEntries> spMembers;
  if (auto spDistList = entry.GetExchangeDistributionList()) {
    spMembers = spDistList->GetExchangeDistributionListMembers();
  } else {
    spMembers = entry.Members();
  }
  members.clear();
  if (!spMembers) return;

  const std::int32_t nMembers = spMembers->Count().value_or(0);
  for (std::int32_t i = 1; i <= nMembers; ++i) {
    const auto spMember = spMembers->Item(i);
    if (!spMember) continue;
    if (contacts_first) {
      if (const auto spContact = spMember->GetContact()) {
        members.push_back(ContactInfo(*spContact, /*withCompany=*/true));
        continue;
      }
    }
    if (const auto spUser = spMember->GetExchangeUser()) {
      members.push_back(ExchangeUserInfo(*spUser));
      continue;
    }
    const OptText name = spMember->Name();
    const OptText address = spMember->Address();
    members.push_back(BuildMemberRecipientInfo(name, address));
  }
}

// Offers every entry of every address list of `list_type` to `visit`, in
// Outlook's order, until it reports a match. When `pump` is given, the
// thread's messages are dispatched once before each list, so that Outlook
// stays responsive during a long search. Returns whether a match was found.
bool ScanAddressLists(outlook::Application* app, std::int32_t list_type, platform::Desktop* pump,
                      const std::function<bool(outlook::AddressEntry&)>& visit) {
  const auto spSession = app ? app->Session() : nullptr;
  const auto spLists = spSession ? spSession->AddressLists() : nullptr;
  if (!spLists) return false;

  const std::int32_t nLists = spLists->Count().value_or(0);
  for (std::int32_t i = 1; i <= nLists; ++i) {
    if (pump) pump->PumpMessages();
    const auto spList = spLists->Item(i);
    if (!spList || spList->AddressListType() != list_type) continue;
    const auto spEntries = spList->AddressEntries();
    if (!spEntries) continue;
    const std::int32_t nEntries = spEntries->Count().value_or(0);
    for (std::int32_t j = 1; j <= nEntries; ++j) {
      const auto spEntry = spEntries->Item(j);
      if (spEntry && visit(*spEntry)) return true;
    }
  }
  return false;
}

}  // namespace

std::u16string CNorvaleOAddin::GetRecipientInfo(std::u16string& address, bool withCompany) {
  ToLowerAscii(address);
  const std::u16string lowerEmailAddress = address;
  std::u16string result;

  const auto matchEntry = [&](outlook::AddressEntry& entry) {
    const outlook::OptInt userType = entry.AddressEntryUserType();
    if (userType == outlook::olExchangeDistributionListAddressEntry ||
        userType == outlook::olOutlookDistributionListAddressEntry) {
      if (!SameAddress(entry.Address(), lowerEmailAddress)) return false;
      ExpandExchangeList(entry);
      return true;
    }
    if (userType == outlook::olExchangeUserAddressEntry) {
      // An entry without its Exchange user has nothing to give; the search goes on.
      const auto spUser = entry.GetExchangeUser();
      const OptText entryAddress = entry.Address();
      if (!spUser || !SameAddress(entryAddress, lowerEmailAddress)) return false;
      result = ExchangeUserInfo(*spUser);
      return true;
    }
    return false;
  };
  ScanAddressLists(m_spApp.get(), outlook::olExchangeGlobalAddressList, &m_desktop, matchEntry);

  // A distribution list gives no record, so the address books may still
  // know the address as a contact.
  if (result.empty()) result = FindContactInfo(lowerEmailAddress, withCompany);
  return result;
}

std::u16string CNorvaleOAddin::FindContactInfo(std::u16string address, bool withCompany) {
  std::u16string result;
  const auto matchEntry = [&](outlook::AddressEntry& entry) {
    const outlook::OptInt userType = entry.AddressEntryUserType();
    if (userType == outlook::olOutlookContactAddressEntry) {
      const auto spContact = entry.GetContact();
      if (!spContact || !SameAddress(spContact->Email1Address(), address)) return false;
      result = ContactInfo(*spContact, withCompany);
      return true;
    }
    if (userType == outlook::olOutlookDistributionListAddressEntry) {
      // A personal list often has no address; it is known by its name then.
      const OptText entryAddress = entry.Address();
      const OptText entryName = entry.Name();
      const OptText& compared = entryAddress && !entryAddress->empty() ? entryAddress : entryName;
      if (!SameAddress(compared, address)) return false;
      ExpandPersonalList(entry);
      return true;
    }
    return false;
  };
  ScanAddressLists(m_spApp.get(), outlook::olOutlookAddressList, /*pump=*/nullptr, matchEntry);
  return result;
}

void CNorvaleOAddin::ExpandExchangeList(outlook::AddressEntry& entry) {
  ExpandMembers(entry, /*contacts_first=*/false, m_distListMembers);
}

void CNorvaleOAddin::ExpandPersonalList(outlook::AddressEntry& entry) {
  ExpandMembers(entry, /*contacts_first=*/true, m_distListMembers);
}

}  // namespace norvale
