// The sender's address and names for the tracking query: from the sending
// account or Outlook's current user, the directory, and for an Exchange
// address the SMTP address of the MAPI session's identity.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "addin/norvale_addin.h"
#include "base/text.h"
#include "directory/recipient_info.h"
#include "outlook/outlook.h"

namespace norvale {
namespace {

// An address holding "=" is Exchange-internal (an X.500 distinguished name).
bool IsExchangeAddress(std::u16string_view address) { return Contains(address, u"="); }

// Splits a display name into first and last name; a name without a space is
// all first name.
void SplitDisplayName(std::u16string name, std::u16string& sFName, std::u16string& sLName) {
  Trim(name);
  if (!Contains(name, u" ")) {
    sFName = name;
    return;
  }
  std::vector<std::u16string> words;
  SplitTokens(name, words, u" ");
  sFName = std::u16string(TrimView(words[0]));
  if (words.size() >= 2) sLName = std::u16string(TrimView(words[1]));
}

// The MAPI steps after initialisation; every object is released on return.
// Each step runs only when the one before it succeeded and gave its object,
// and the status is that of the last step made.
HRESULT ReadIdentityAddress(outlook::Application& app, std::u16string& address) {
  const auto spSession = app.Session();
  if (!spSession) return E_POINTER;
  std::shared_ptr<outlook::MapiObject> spMapiObject;
  HRESULT hr = spSession->MAPIOBJECT(spMapiObject);
  if (Failed(hr) || !spMapiObject) return hr;
  std::shared_ptr<outlook::MapiSession> spMapiSession;
  hr = spMapiObject->QueryMapiSession(spMapiSession);
  if (Failed(hr) || !spMapiSession) return hr;
  outlook::MapiEntryId identityId;
  hr = spMapiSession->QueryIdentity(identityId);
  if (Failed(hr)) return hr;
  std::shared_ptr<outlook::MapiProp> spMailUser;
  hr = spMapiSession->OpenEntry(identityId, outlook::kMapiBestAccess, spMailUser);
  if (Failed(hr) || !spMailUser) return hr;
  std::vector<outlook::MapiPropValue> values;
  hr = spMailUser->GetProps(
      {outlook::kPrAddrTypeW, outlook::kPrEmailAddressW, outlook::kPrSmtpAddressW}, values);
  // A property that did not come back carries an error type in its tag;
  // success may then be the warning MAPI_W_ERRORS_RETURNED.
  if (Failed(hr) || values.size() < 3 || values[0].tag != outlook::kPrAddrTypeW) return hr;

  if (EqualsIgnoreCase(values[0].text, u"EX")) {
    if (values[2].tag == outlook::kPrSmtpAddressW) address = values[2].text;
  } else if (values[1].tag == outlook::kPrEmailAddressW) {
    address = values[1].text;
  }
  return hr;
}

}  // namespace

HRESULT CNorvaleOAddin::ResolveSenderIdentity(std::shared_ptr<outlook::MailItem>& spMailItem,
                                              std::u16string& sEmail, std::u16string& sFName,
                                              std::u16string& sLName) {
  sEmail.clear();
  sFName.clear();
  sLName.clear();

  const auto spAccount = spMailItem->SendUsingAccount();
  std::shared_ptr<outlook::Recipient> spCurrentUser;
  if (spAccount) {
    sEmail = spAccount->SmtpAddress().value_or(u"");
  } else {
    const auto spSession = m_spApp ? m_spApp->Session() : nullptr;
    spCurrentUser = spSession ? spSession->CurrentUser() : nullptr;
    if (spCurrentUser) sEmail = spCurrentUser->Address().value_or(u"");
  }

  // The current user is a recipient Outlook resolved; an account's address is not.
  ExpectLookup(sEmail, spCurrentUser);
  const std::u16string strSender = GetRecipientInfo(sEmail, /*withCompany=*/false);
  if (const auto sender = ReadRecipientInfo(strSender, RecipientInfoReader::kSender)) {
    sFName = sender->first_name;
    sLName = sender->last_name;
    // A record without an address keeps the one the account gave, so that an
    // Exchange address still goes to MAPI below instead of being dropped.
    if ((!Contains(sEmail, u"@") || IsExchangeAddress(sEmail)) && !sender->email.empty()) {
      sEmail = sender->email;
    }
    if (sEmail == kPlaceholder) sEmail.clear();
  } else {
    OptText name;
    if (spAccount) {
      name = spAccount->UserName();
    } else if (spCurrentUser) {
      name = spCurrentUser->Name();
    }
    SplitDisplayName(name.value_or(u""), sFName, sLName);
  }

  return IsExchangeAddress(sEmail) ? GetIdentitySmtpAddress(sEmail) : S_OK;
}

HRESULT CNorvaleOAddin::GetIdentitySmtpAddress(std::u16string& address) {
  if (!m_spApp) return E_POINTER;
  // The steps are tried even when initialisation fails (MAPI may already be
  // initialised in Outlook's process); only a successful one is undone.
  const outlook::ScopedMapiInitialize mapi(m_spApp->Mapi());
  return ReadIdentityAddress(*m_spApp, address);
}

}  // namespace norvale
