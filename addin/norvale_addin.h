// CNorvaleOAddin: the add-in object's portable state and operations. The COM
// class that Outlook creates (Windows-only files) owns one of these and
// forwards to it; norvale-sim and the tests drive it directly.
//
// Where each part is defined:
//   addin/norvale_addin.cc      state, SetApplication, GetOutlookLevel
//   addin/inline_send.cc        ribbon and explorer events, the inline reply
//   sending/send_workflow.cc    SendTrackedMail
//   sending/member_copies.cc    SendMemberCopies
//   sending/sent_summary.cc     InsertSentSummary
//   sending/error_reporting.cc  ShowError
//   directory/recipient_lookup.cc  GetRecipientInfo, ExpectLookup
//   directory/sender_identity.cc   ResolveSenderIdentity, GetIdentitySmtpAddress
//   addin/com/                  the COM class over it (norvale::win::CNorvaleOAddin)
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/hresult.h"
#include "directory/recipient_directory.h"
#include "outlook/outlook.h"
#include "platform/desktop.h"

namespace norvale {

class NorvaleHelperDlg;

// Caption of every message box the add-in shows.
inline constexpr std::u16string_view kAddinCaption = u"Norvale Outlook Addin";

class CNorvaleOAddin {
 public:
  explicit CNorvaleOAddin(platform::Desktop& desktop);
  CNorvaleOAddin(const CNorvaleOAddin&) = delete;
  CNorvaleOAddin& operator=(const CNorvaleOAddin&) = delete;

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

  // Takes the tracking of earlier sends out of an untracked copy's body and
  // puts the banner listing the To recipients behind "<body>" (or in front).
  void InsertSentSummary(std::u16string& strBody, std::shared_ptr<outlook::MailItem>& spMailItem);

  // Shows the modal error box with the message and the code; a failure to find
  // the owner window only leaves the box without an owner.
  void ShowError(std::u16string_view message, HRESULT hr);

  // Recipient-info record of `address` (lower-cased in place), or empty when
  // nothing matched or a distribution list was expanded into m_distListMembers.
  // Within a send the send's directory answers.
  std::u16string GetRecipientInfo(std::u16string& address, bool withCompany);

  // Tells the running send's directory that `address` will be looked up, and
  // the recipient Outlook resolved it from (nullptr when none). Does nothing
  // outside a send.
  void ExpectLookup(std::u16string_view address, std::shared_ptr<outlook::Recipient> recipient);

  // Makes the directory that a send searches; MakeIndexedDirectory unless
  // replaced (the tests compare it with a literal search).
  using DirectoryFactory = std::function<std::unique_ptr<RecipientDirectory>(
      std::shared_ptr<outlook::Application>, platform::Desktop&)>;
  void SetDirectoryFactory(DirectoryFactory factory);

  // Settles the sender's address and names; returns the status of the MAPI
  // lookup when one was made, else S_OK.
  HRESULT ResolveSenderIdentity(std::shared_ptr<outlook::MailItem>& spMailItem,
                                std::u16string& sEmail, std::u16string& sFName,
                                std::u16string& sLName);

  // Replaces `address` with the SMTP address of the MAPI session's identity
  // when it can; returns the status of the last MAPI step made.
  HRESULT GetIdentitySmtpAddress(std::u16string& address);

  // The compose window's Send: the active inspector's mail item goes to
  // SendTrackedMail. Returns S_OK whatever the send's outcome.
  HRESULT SendButton_Action();

  // Inline replies. Connecting to `explorer` (the main window the events come
  // from) with `helperDlg` (the hidden window of the send timer, not owned)
  // puts the inline send in its idle state.
  void ConnectInline(std::shared_ptr<outlook::Explorer> explorer, NorvaleHelperDlg* helperDlg);
  // The ribbon loaded; nullptr when it is gone.
  void SetRibbonUI(std::shared_ptr<outlook::RibbonUI> ribbonUI);

  // Outlook opened an inline reply; `item` is its mail item, nullptr when it
  // is not one.
  void OnInlineResponse(std::shared_ptr<outlook::MailItem> item);
  // The inline reply ended; a pending send starts the helper's timer.
  void OnInlineResponseClose();
  // The main window's Send: pops the inline reply out into its own window.
  // Always S_OK.
  HRESULT SendInlineButton_Action();
  // Clicks the first button of the inline reply's toolbar; false when a
  // window of the way there is missing and nothing was clicked.
  bool ClickInlinePopOut();
  // Moves the pointer to the screen point; false when the screen's size is
  // unknown and the pointer did not move.
  bool MoveMouseTo(std::int32_t x, std::int32_t y);
  void SendLeftClick();
  // The timer's send: the popped-out reply, shown by the active inspector, is
  // sent as tracked copies, closed and deleted. Always S_OK.
  HRESULT SendPoppedOutInline();

  const std::vector<std::u16string>& distListMembers() const { return m_distListMembers; }
  std::int32_t outlookLevel() const { return m_nOutlookLevel; }
  bool inlineResponse() const { return m_bInlineResponse; }
  bool inlineSendPending() const { return m_bInlineSendPending != 0; }
  bool hasInlineMail() const { return m_spInlineMail != nullptr; }

 private:
  // What one send keeps while it runs: its directory and, once read, the To
  // recipients' names of the sent summary. In effect for its scope; a send
  // that Outlook starts inside another (messages are dispatched during
  // lookups and error boxes) has its own and restores the outer one after.
  class SendScope {
   public:
    explicit SendScope(CNorvaleOAddin& addin);
    SendScope(const SendScope&) = delete;
    SendScope& operator=(const SendScope&) = delete;
    ~SendScope();

    const std::unique_ptr<RecipientDirectory> directory;
    std::optional<std::vector<std::u16string>> toNames;

   private:
    CNorvaleOAddin& m_addin;
    SendScope* const m_pOuter;
  };

  // What identifies the inline reply that Send popped out.
  struct InlineMailFields {
    OptText subject, to, cc, bcc;
    bool operator==(const InlineMailFields&) const = default;
  };
  static InlineMailFields ReadInlineMailFields(outlook::MailItem& item);

  // The active inspector, waited for while Outlook creates it.
  std::shared_ptr<outlook::Inspector> WaitForActiveInspector();
  // Invalidates the ribbon; a failure leaves the controls as they are.
  void InvalidateRibbon();

  platform::Desktop& m_desktop;
  std::shared_ptr<outlook::Application> m_spApp;
  std::int32_t m_nOutlookLevel = 0;
  std::vector<std::u16string> m_distListMembers;
  DirectoryFactory m_directoryFactory = MakeIndexedDirectory;
  SendScope* m_pSend = nullptr;

  std::shared_ptr<outlook::Explorer> m_spExplorer;
  std::shared_ptr<outlook::RibbonUI> m_spRibbonUI;
  bool m_bInlineResponse = false;
  std::shared_ptr<outlook::MailItem> m_spInlineMail;
  NorvaleHelperDlg* m_pHelperDlg = nullptr;
  std::int32_t m_bInlineSendPending = 0;
  std::optional<InlineMailFields> m_inlineSendFields;  // noted when Send popped the reply out
};

}  // namespace norvale
