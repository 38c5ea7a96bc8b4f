#include "sim/outlook/large_profile.h"

#include <string>

namespace norvale::sim {
namespace {

std::u16string Number(std::int32_t n) {
  const std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

Scenario::Entry ExchangeUserEntry(std::int32_t n) {
  Scenario::Entry entry;
  entry.userType = outlook::olExchangeUserAddressEntry;
  entry.address = u"/o=Contoso/ou=Exchange/cn=Recipients/cn=user" + Number(n);
  entry.name = u"User " + Number(n);
  entry.exchangeUser =
      Scenario::ExchangeUser{u"User", Number(n), u"user" + Number(n) + u"@contoso.com", u"Contoso"};
  return entry;
}

}  // namespace

Scenario LargeProfile(std::int32_t gal_entries, std::int32_t recipients,
                      LargeProfileRecipients kind) {
  Scenario scenario;
  scenario.outlookVersion = u"16.0.4266.1001";
  Scenario::AddressList gal{u"Global Address List", outlook::olExchangeGlobalAddressList, {}};
  gal.entries.reserve(static_cast<std::size_t>(gal_entries));
  for (std::int32_t n = 1; n <= gal_entries; ++n) gal.entries.push_back(ExchangeUserEntry(n));
  scenario.addressLists.push_back(std::move(gal));
  Scenario::AddressList contacts{u"Contacts", outlook::olOutlookAddressList, {}};
  contacts.entries.push_back(
      {outlook::olOutlookContactAddressEntry, u"bob@fabrikam.com", u"Bob Stone", std::nullopt,
       Scenario::Contact{u"Bob", u"Stone", u"bob@fabrikam.com", u"Fabrikam"}, std::nullopt});
  scenario.addressLists.push_back(std::move(contacts));

  // The recipients' entries are the last of the list, the sender's just before them.
  const std::int32_t first = gal_entries - recipients + 1;
  const Scenario::Entry sender = ExchangeUserEntry(first - 1);
  if (kind == LargeProfileRecipients::kResolved) {
    scenario.currentUser = Scenario::CurrentUser{sender.name, sender.address};
  } else {
    scenario.message.account = Scenario::Account{u"mary@contoso.com", u"Mary Smith"};
  }
  scenario.message.subject = u"Quarterly update";
  scenario.message.htmlBody =
      u"<html><body><p>Hello</p><a "
      u"href=\"https://www.contoso.com/report\">Report</a></body></html>";
  for (std::int32_t i = 0; i < recipients; ++i) {
    Scenario::Recipient recipient;
    if (kind == LargeProfileRecipients::kExternal) {
      recipient.address = u"guest" + Number(i + 1) + u"@fabrikam.com";
      recipient.name = u"Guest " + Number(i + 1);
    } else {
      const Scenario::Entry entry = ExchangeUserEntry(first + i);
      recipient.address = entry.address;
      recipient.name = entry.name;
    }
    recipient.resolved = kind == LargeProfileRecipients::kResolved;
    scenario.message.recipients.push_back(std::move(recipient));
  }
  return scenario;
}

}  // namespace norvale::sim
