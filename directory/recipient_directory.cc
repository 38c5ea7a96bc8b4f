#include "directory/recipient_directory.h"

#include <cstdint>
#include <unordered_map>
#include <utility>

#include "base/text.h"
#include "directory/recipient_info.h"

namespace norvale {
namespace {

bool SameAddress(const OptText& address, std::u16string_view text) {
  return address && EqualsIgnoreCase(*address, text);
}

std::vector<std::u16string> ExpandMembers(outlook::AddressEntry& entry, bool contacts_first) {
  std::shared_ptr<outlook::AddressEntries> spMembers;
  if (auto spDistList = entry.GetExchangeDistributionList()) {
    spMembers = spDistList->GetExchangeDistributionListMembers();
  } else {
    spMembers = entry.Members();
  }
  std::vector<std::u16string> members;
  if (!spMembers) return members;

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
  return members;
}

// One announced text: the recipients that may have resolved it, the winner
// of each source, and the answer once built.
struct Wanted {
  std::vector<std::shared_ptr<outlook::Recipient>> recipients;
  // Whether the search for the text still goes on in the Global Address
  // Lists and in the address books; both end with the send's first Find.
  bool galOpen = true;
  bool booksOpen = true;
  // The winners: an Exchange user or list entry, a contact or personal list.
  std::shared_ptr<outlook::ExchangeUser> galUser;
  std::shared_ptr<outlook::AddressEntry> galList;
  std::shared_ptr<outlook::ContactItem> contact;
  std::shared_ptr<outlook::AddressEntry> personalList;
  // Built from the winners when first asked for; by withCompany.
  std::optional<std::u16string> records[2];
  std::optional<std::optional<std::vector<std::u16string>>> members;
};

class IndexedDirectory final : public RecipientDirectory {
 public:
  IndexedDirectory(std::shared_ptr<outlook::Application> app, platform::Desktop& pump)
      : m_spApp(std::move(app)), m_pump(pump) {}

  void Expect(std::u16string_view text, std::shared_ptr<outlook::Recipient> recipient) override {
    Wanted& wanted = m_wanted[ToLowerAsciiCopy(text)];
    if (recipient) wanted.recipients.push_back(std::move(recipient));
  }

  DirectoryAnswer Find(std::u16string_view text, bool withCompany) override {
    Wanted& wanted = m_wanted[ToLowerAsciiCopy(text)];
    if (wanted.galOpen) SearchAll();
    return {Record(wanted, withCompany), Members(wanted)};
  }

 private:
  // Settles every text not searched yet: from its resolved entry where that
  // is the entry a search would find, else by one pass over the lists.
  void SearchAll() {
    for (auto& [text, wanted] : m_wanted) {
      if (!wanted.galOpen) continue;
      ++m_galOpen;
      ++m_booksOpen;
      for (const auto& spRecipient : wanted.recipients) {
        if (TakeResolvedEntry(*spRecipient, text, wanted)) break;
      }
    }
    if (m_booksOpen > 0) Pass();
    for (auto& [text, wanted] : m_wanted) {
      wanted.galOpen = wanted.booksOpen = false;
    }
    m_galOpen = m_booksOpen = 0;
  }

  // An Exchange entry's address names one directory object, so an Exchange
  // user or list that Outlook resolved the text to is what the Global Address
  // List search would find first.
  bool TakeResolvedEntry(outlook::Recipient& recipient, std::u16string_view text, Wanted& wanted) {
    const auto spEntry = recipient.AddressEntry();
    if (!spEntry) return false;
    const outlook::OptInt userType = spEntry->AddressEntryUserType();
    if (userType != outlook::olExchangeUserAddressEntry &&
        userType != outlook::olExchangeDistributionListAddressEntry) {
      return false;
    }
    if (!SameAddress(spEntry->Address(), text)) return false;
    if (userType == outlook::olExchangeDistributionListAddressEntry) {
      SettleGal(wanted, nullptr, spEntry);
      return true;
    }
    auto spUser = spEntry->GetExchangeUser();
    if (!spUser) return false;
    SettleGal(wanted, std::move(spUser), nullptr);
    return true;
  }

  void SettleGal(Wanted& wanted, std::shared_ptr<outlook::ExchangeUser> spUser,
                 std::shared_ptr<outlook::AddressEntry> spList) {
    wanted.galOpen = false;
    wanted.galUser = std::move(spUser);
    wanted.galList = std::move(spList);
    --m_galOpen;
    // A person's record ends the search; a list still lets the address
    // books supply a record.
    if (wanted.galUser) {
      wanted.booksOpen = false;
      --m_booksOpen;
    }
  }

  // The text that `address` matches, when it is still open in `source`.
  Wanted* OpenWanted(const OptText& address, bool Wanted::*open) {
    if (!address) return nullptr;
    const auto found = m_wanted.find(ToLowerAsciiCopy(*address));
    if (found == m_wanted.end() || !(found->second.*open)) return nullptr;
    return &found->second;
  }

  // The lists in Outlook's order: the Global Address Lists searched as they
  // come, while a text is open there; the address books kept for after, when
  // every Global Address List has had its say. Messages are dispatched once
  // before each list while the Global Address List search goes on, so that
  // Outlook stays responsive.
  void Pass() {
    const auto spSession = m_spApp ? m_spApp->Session() : nullptr;
    const auto spLists = spSession ? spSession->AddressLists() : nullptr;
    if (!spLists) return;

    std::vector<std::shared_ptr<outlook::AddressList>> books;
    const std::int32_t nLists = spLists->Count().value_or(0);
    for (std::int32_t i = 1; i <= nLists && m_booksOpen > 0; ++i) {
      if (m_galOpen > 0) m_pump.PumpMessages();
      auto spList = spLists->Item(i);
      if (!spList) continue;
      const outlook::OptInt listType = spList->AddressListType();
      if (listType == outlook::olExchangeGlobalAddressList && m_galOpen > 0) {
        SearchGal(*spList);
      } else if (listType == outlook::olOutlookAddressList) {
        books.push_back(std::move(spList));
      }
    }
    for (const auto& spList : books) {
      if (m_booksOpen == 0) break;
      SearchBooks(*spList);
    }
  }

  // Offers the entries of `list` to `visit` in order while `open` is above 0.
  template <typename Visit>
  static void ForEachEntry(outlook::AddressList& list, const std::size_t& open, Visit visit) {
    const auto spEntries = list.AddressEntries();
    if (!spEntries) return;
    const std::int32_t nEntries = spEntries->Count().value_or(0);
    for (std::int32_t j = 1; j <= nEntries && open > 0; ++j) {
      if (auto spEntry = spEntries->Item(j)) visit(std::move(spEntry));
    }
  }

  // Per entry only what decides a match: its address, which rules out all
  // but the wanted entries; their type only then, and an Exchange user's
  // details only once both matched.
  void SearchGal(outlook::AddressList& list) {
    ForEachEntry(list, m_galOpen, [&](std::shared_ptr<outlook::AddressEntry> spEntry) {
      Wanted* const wanted = OpenWanted(spEntry->Address(), &Wanted::galOpen);
      if (!wanted) return;
      const outlook::OptInt userType = spEntry->AddressEntryUserType();
      if (userType == outlook::olExchangeDistributionListAddressEntry ||
          userType == outlook::olOutlookDistributionListAddressEntry) {
        SettleGal(*wanted, nullptr, std::move(spEntry));
      } else if (userType == outlook::olExchangeUserAddressEntry) {
        // An entry without its Exchange user has nothing to give; the search goes on.
        if (auto spUser = spEntry->GetExchangeUser())
          SettleGal(*wanted, std::move(spUser), nullptr);
      }
    });
  }

  void SearchBooks(outlook::AddressList& list) {
    ForEachEntry(list, m_booksOpen, [&](std::shared_ptr<outlook::AddressEntry> spEntry) {
      const outlook::OptInt userType = spEntry->AddressEntryUserType();
      if (userType == outlook::olOutlookContactAddressEntry) {
        auto spContact = spEntry->GetContact();
        Wanted* const wanted =
            spContact ? OpenWanted(spContact->Email1Address(), &Wanted::booksOpen) : nullptr;
        if (!wanted) return;
        wanted->booksOpen = false;
        wanted->contact = std::move(spContact);
        --m_booksOpen;
      } else if (userType == outlook::olOutlookDistributionListAddressEntry) {
        // A personal list often has no address; it is known by its name then.
        OptText compared = spEntry->Address();
        if (!compared || compared->empty()) compared = spEntry->Name();
        Wanted* const wanted = OpenWanted(compared, &Wanted::booksOpen);
        if (!wanted) return;
        wanted->booksOpen = false;
        wanted->personalList = std::move(spEntry);
        --m_booksOpen;
      }
    });
  }

  static std::u16string Record(Wanted& wanted, bool withCompany) {
    std::optional<std::u16string>& record = wanted.records[withCompany ? 1 : 0];
    if (!record) {
      record = wanted.galUser   ? ExchangeUserInfo(*wanted.galUser)
               : wanted.contact ? ContactInfo(*wanted.contact, withCompany)
                                : std::u16string();
    }
    return *record;
  }

  // A personal list found in the address books comes after, and so replaces,
  // an Exchange list found in the Global Address List.
  static std::optional<std::vector<std::u16string>> Members(Wanted& wanted) {
    if (wanted.members) return *wanted.members;
    if (wanted.personalList) {
      wanted.members.emplace(ExpandPersonalList(*wanted.personalList));
    } else if (wanted.galList) {
      wanted.members.emplace(ExpandExchangeList(*wanted.galList));
    } else {
      wanted.members.emplace(std::nullopt);
    }
    return *wanted.members;
  }

  std::shared_ptr<outlook::Application> m_spApp;
  platform::Desktop& m_pump;
  std::unordered_map<std::u16string, Wanted> m_wanted;
  // Texts of the current search still open in the Global Address List, and
  // still open for the address books (those without an Exchange user yet).
  std::size_t m_galOpen = 0;
  std::size_t m_booksOpen = 0;
};

}  // namespace

std::unique_ptr<RecipientDirectory> MakeIndexedDirectory(std::shared_ptr<outlook::Application> app,
                                                         platform::Desktop& pump) {
  return std::make_unique<IndexedDirectory>(std::move(app), pump);
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

std::vector<std::u16string> ExpandExchangeList(outlook::AddressEntry& entry) {
  return ExpandMembers(entry, /*contacts_first=*/false);
}

std::vector<std::u16string> ExpandPersonalList(outlook::AddressEntry& entry) {
  return ExpandMembers(entry, /*contacts_first=*/true);
}

}  // namespace norvale
