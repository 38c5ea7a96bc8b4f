// The copies for the members of a distribution list that stood among the
// recipients: one per member, tracked when the list stood in To.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "addin/norvale_addin.h"
#include "base/text.h"
#include "directory/recipient_info.h"
#include "outlook/outlook.h"
#include "sending/copy_sending.h"
#include "tracking/body_rewriter.h"
#include "tracking/tracking_query.h"

namespace norvale {

void CNorvaleOAddin::SendMemberCopies(std::shared_ptr<outlook::MailItem>& spMailItem,
                                      std::u16string& sEmail, std::u16string& sFName,
                                      std::u16string& sLName, std::int32_t tracked) {
  // Kept across members: a subject that cannot be read for one member is the
  // one read for the member before.
  std::u16string Mailsubject;
  // The size is read again for every member: an error box lets Outlook call
  // into the add-in, which may change the list.
  for (std::size_t i = 0; i < m_distListMembers.size(); ++i) {
    const RecipientInfo member =
        ReadRecipientInfo(m_distListMembers[i], RecipientInfoReader::kMember)
            .value_or(RecipientInfo{});
    std::u16string rFName = member.first_name;
    std::u16string rLName = member.last_name;
    std::u16string rEmail = member.email;
    std::u16string cName = member.company;
    for (std::u16string* value : {&rFName, &rLName, &cName, &sFName, &sLName, &rEmail}) {
      RestoreSpaces(*value);
    }

    const auto newMailItem = spMailItem->Copy();
    if (!newMailItem) {
      ShowError(u"Problem sending the email", E_POINTER);
      continue;
    }
    std::u16string strBody = newMailItem->HTMLBody().value_or(u"");
    const OptText bstrSubject = spMailItem->Subject();
    if (bstrSubject) Mailsubject = *bstrSubject;

    // Every member copy goes to the bare address, tracked or not.
    ExtractBracketedAddress(rEmail);
    if (tracked != 0) {
      const std::u16string appendText =
          BuildTrackingQuery(Mailsubject, sEmail, sFName, sLName, rFName, rLName, rEmail, cName);
      RewriteBody(strBody, appendText);
    } else {
      InsertSentSummary(strBody, spMailItem);
    }

    const HRESULT hr1 = AddressAndSendCopy(*newMailItem, strBody, rEmail, bstrSubject);
    if (Failed(hr1)) {
      ShowError(u"Send error", hr1);
      // Clean-up is best effort: the member's failure is already reported,
      // and the other members must still get their copies.
      try {
        newMailItem->Close(outlook::olDiscard);
        newMailItem->Delete();
      } catch (...) {
      }
    }
  }
}

}  // namespace norvale
