// The tracked send: one copy of the composed message per recipient, each
// addressed to that recipient alone, then the composed message is discarded.
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "addin/norvale_addin.h"
#include "base/text.h"
#include "directory/recipient_info.h"
#include "outlook/outlook.h"
#include "sending/copy_sending.h"
#include "tracking/body_rewriter.h"
#include "tracking/tracking_query.h"

namespace norvale {
namespace {

constexpr std::u16string_view kSmtpLookupFailed =
    u"Failed to retrieve the account SMTP email address. Please contact support.";
constexpr std::u16string_view kCopyFailed = u"Problem sending the email";
constexpr std::u16string_view kCopyCleanupFailed = u"Problem cleaning up temporary email";
constexpr std::u16string_view kSourceCleanupFailed = u"Problem cleaning up email";
constexpr std::u16string_view kRunFailed = u"Problem sending emails";

// One recipient of the composed message as the directory knows it.
struct RecipientDetails {
  std::int32_t recipType = outlook::olTo;
  std::u16string rEmail;
  std::u16string rFName;
  std::u16string rLName;
  std::u16string rCName;
};

// A recipient of the composed message as read before the first lookup.
struct PendingRecipient {
  std::shared_ptr<outlook::Recipient> sRecipient;  // nullptr when Item gave none
  RecipientDetails details;
};

// The composed message's recipients, all read before the first lookup so
// that the directory searches for every address at once. A failure that ends
// the run while they are read is kept, to be raised where the send reaches
// it: after the copies of the recipients read before it.
struct RecipientsAhead {
  bool collection = false;  // whether Recipients gave one
  std::vector<PendingRecipient> recipients;
  std::exception_ptr failure;
};

// Reads each recipient's type and address (its name when it has no address)
// and announces the address to the directory.
RecipientsAhead ReadRecipients(CNorvaleOAddin& addin, outlook::MailItem& mail) {
  RecipientsAhead ahead;
  try {
    const auto spRecipients = mail.Recipients();
    ahead.collection = spRecipients != nullptr;
    const std::int32_t nRecips = spRecipients ? spRecipients->Count().value_or(0) : 0;
    for (std::int32_t i = 1; i <= nRecips; ++i) {
      PendingRecipient pending{spRecipients->Item(i), {}};
      if (const auto& sRecipient = pending.sRecipient) {
        pending.details.recipType = sRecipient->Type().value_or(outlook::olTo);
        const RecipientText read = ReadRecipientText(*sRecipient);
        pending.details.rEmail = read.text.value_or(u"");
        // Outlook resolved the recipient by its address; a name is no entry's.
        addin.ExpectLookup(pending.details.rEmail, read.byAddress ? sRecipient : nullptr);
      }
      ahead.recipients.push_back(std::move(pending));
    }
  } catch (...) {
    ahead.failure = std::current_exception();
  }
  return ahead;
}

// Fills in what the directory knows of the recipient. Returns the directory's
// record: empty when nothing was found or the address is a distribution list.
std::u16string LookUpRecipient(CNorvaleOAddin& addin, RecipientDetails& details) {
  // The lookup lower-cases rEmail, which stays so when the record gives none.
  std::u16string strRecipient = addin.GetRecipientInfo(details.rEmail, /*withCompany=*/true);
  if (const auto info = ReadRecipientInfo(strRecipient, RecipientInfoReader::kRecipient)) {
    details.rFName = info->first_name;
    details.rLName = info->last_name;
    details.rEmail = info->email;
    details.rCName = info->company;
  }
  return strRecipient;
}

// Makes, fills and sends the recipient's own copy: tracked for To, with the
// sent summary otherwise; either way without the tracking of earlier sends. A copy that fails to
// send is discarded. `hr` takes the status of every examined call.
void SendRecipientCopy(CNorvaleOAddin& addin, std::shared_ptr<outlook::MailItem>& spMailItem,
                       RecipientDetails& r, std::u16string& sEmail, std::u16string& sFName,
                       std::u16string& sLName, HRESULT& hr) {
  const auto newMailItem = spMailItem->Copy();
  if (!newMailItem) {
    addin.ShowError(kCopyFailed, E_POINTER);
    return;
  }
  newMailItem->SetBodyFormat(outlook::olFormatHTML);
  std::u16string strBody = newMailItem->HTMLBody().value_or(u"");
  Trim(strBody);
  const OptText bstrSubject = spMailItem->Subject();
  std::u16string mailSubject(TrimView(bstrSubject.value_or(u"")));

  if (r.recipType == outlook::olTo) {
    ExtractBracketedAddress(r.rEmail);
    for (std::u16string* value : {&r.rFName, &r.rLName, &r.rCName, &sFName, &sLName, &r.rEmail}) {
      RestoreSpaces(*value);
    }
    const std::u16string appendText = BuildTrackingQuery(mailSubject, sEmail, sFName, sLName,
                                                         r.rFName, r.rLName, r.rEmail, r.rCName);
    RewriteBody(strBody, appendText);
  } else {
    addin.InsertSentSummary(strBody, spMailItem);
  }

  // The copy keeps the subject exactly as the user wrote it.
  hr = AddressAndSendCopy(*newMailItem, strBody, r.rEmail, bstrSubject);
  if (Succeeded(hr)) return;
  addin.ShowError(kCopyFailed, hr);
  hr = newMailItem->Close(outlook::olDiscard);
  if (Succeeded(hr)) hr = newMailItem->Delete();
  if (Failed(hr)) addin.ShowError(kCopyCleanupFailed, hr);
}

}  // namespace

HRESULT CNorvaleOAddin::SendTrackedMail(std::shared_ptr<outlook::MailItem>& spMailItem) {
  HRESULT hr = S_OK;
  try {
    // Saved as HTML, so that it exists as a stored item that copies start from.
    spMailItem->SetBodyFormat(outlook::olFormatHTML);
    spMailItem->Save();

    const SendScope send(*this);
    const RecipientsAhead ahead = ReadRecipients(*this, *spMailItem);
    std::u16string sEmail, sFName, sLName;
    hr = ResolveSenderIdentity(spMailItem, sEmail, sFName, sLName);
    if (Failed(hr) || Contains(sEmail, u"=")) {
      ShowError(kSmtpLookupFailed, hr);
      return hr;
    }

    if (!ahead.collection && !ahead.failure) {
      ShowError(kRunFailed, E_FAIL);
      return hr;
    }
    for (const PendingRecipient& pending : ahead.recipients) {
      if (!pending.sRecipient) {
        ShowError(kCopyFailed, E_POINTER);
        continue;
      }
      // Only a list that this recipient's own lookup expanded may reach the
      // member copies; members of an earlier lookup must never be sent to.
      m_distListMembers.clear();
      RecipientDetails details = pending.details;
      const std::u16string strRecipient = LookUpRecipient(*this, details);
      if (strRecipient.empty() && !m_distListMembers.empty()) {
        SendMemberCopies(spMailItem, sEmail, sFName, sLName,
                         details.recipType == outlook::olTo ? 1 : 0);
        m_distListMembers.clear();
        continue;
      }
      SendRecipientCopy(*this, spMailItem, details, sEmail, sFName, sLName, hr);
    }
    if (ahead.failure) std::rethrow_exception(ahead.failure);

    hr = spMailItem->Close(outlook::olDiscard);
    spMailItem->Delete();
    if (Failed(hr)) ShowError(kSourceCleanupFailed, hr);
    return hr;
  } catch (...) {
    // Copies already sent stay sent; the composed message stays open.
    ShowError(kRunFailed, E_FAIL);
    return hr;
  }
}

}  // namespace norvale
