// CNorvaleOAddin: the add-in object's portable state and operations. The COM
// class that Outlook creates (Windows-only files) owns one of these and
// forwards to it; norvale-sim and the tests drive it directly.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/hresult.h"
#include "outlook/outlook.h"
#include "platform/desktop.h"

namespace norvale {

// Caption of every message box the add-in shows.
inline constexpr std::u16string_view kAddinCaption = u"Norvale Outlook Addin";

class CNorvaleOAddin {
 public:
  explicit CNorvaleOAddin(platform::Desktop& desktop);
  CNorvaleOAddin(const CNorvaleOAddin&) = delete;
  CNorvaleOAddin& operator=(const CNorvaleOAddin&) = delete;
  ~CNorvaleOAddin();

  // Keeps Outlook's application object and works out the version level.
  void SetApplication(std::shared_ptr<outlook::Application> app);

  // Outlook version level, 0 to 5, from the start of the Version text.
  static std::int32_t GetOutlookLevel(std::u16string_view version);

  // Sends one copy of the composed message to each recipient, then discards
  // and deletes it. Returns the run's status.
  HRESULT SendTrackedMail(std::shared_ptr<outlook::MailItem>& spMailItem);

  // Sends one copy to each member in m_distListMembers.
  void SendMemberCopies(std::shared_ptr<outlook::MailItem>& spMailItem, std::u16string& sEmail,
                        std::u16string& sFName, std::u16string& sLName, std::int32_t tracked);

  // Puts the banner listing the To recipients behind "<body>" (or in front).
  void InsertSentSummary(std::u16string& strBody, std::shared_ptr<outlook::MailItem>& spMailItem);

  // Shows the modal error box with the message and the code; a failure to find
  // the owner window only leaves the box without an owner.
  void ShowError(std::u16string_view message, HRESULT hr);

  // Recipient-info record of `address` (lower-cased in place), or empty when
  // nothing matched or a distribution list was expanded into m_distListMembers.
  std::u16string GetRecipientInfo(std::u16string& address, bool withCompany);

  // The Outlook address-book half of GetRecipientInfo.
  std::u16string FindContactInfo(std::u16string address, bool withCompany);

  // Replace m_distListMembers with one record per member of the list entry.
  void ExpandExchangeList(outlook::AddressEntry& entry);
  void ExpandPersonalList(outlook::AddressEntry& entry);

  // Settles the sender's address and names; returns the status of the MAPI
  // lookup when one was made, else S_OK.
  HRESULT ResolveSenderIdentity(std::shared_ptr<outlook::MailItem>& spMailItem,
                                std::u16string& sEmail, std::u16string& sFName,
                                std::u16string& sLName);

  // Replaces `address` with the SMTP address of the MAPI session's identity
  // when it can; returns the status of the last MAPI step made.
  HRESULT GetIdentitySmtpAddress(std::u16string& address);

  const std::vector<std::u16string>& distListMembers() const { return m_distListMembers; }
  std::int32_t outlookLevel() const { return m_nOutlookLevel; }

 private:
  platform::Desktop& m_desktop;
  std::shared_ptr<outlook::Application> m_spApp;
  std::int32_t m_nOutlookLevel = 0;
  std::vector<std::u16string> m_distListMembers;
};

}  // namespace norvale
