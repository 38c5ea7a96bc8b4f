// Sending from the main window: the compose window's Send, and the inline
// reply, which is popped out into a window of its own by a synthetic click on
// its toolbar and sent from there when Outlook has ended the inline reply.
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>

#include "addin/norvale_addin.h"
#include "addin/norvale_helper_dlg.h"

namespace norvale {
namespace {

// How often, and how long apart, SendPoppedOutInline looks for the popped-out
// window: Outlook creates it while the thread handles its messages.
constexpr int kInspectorPolls = 200;
constexpr std::uint32_t kInspectorPollMs = 10;

// The normalised coordinate of `offset` pixels along an axis whose last pixel
// is `last`, in single precision as Windows' own samples compute it: the
// factor first, then the product, truncated toward zero. nullopt when it
// does not fit an int.
std::optional<std::int32_t> NormaliseCoordinate(std::int64_t offset, std::int32_t last) {
  const float factor = 65535.0f / static_cast<float>(last);
  const float value = static_cast<float>(offset) * factor;
  if (!(value > -2147483648.0f && value < 2147483648.0f)) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

}  // namespace

HRESULT CNorvaleOAddin::SendButton_Action() {
  // Without a compose window in front there is nothing to send.
  std::shared_ptr<outlook::Inspector> spInspector = m_spApp ? m_spApp->ActiveInspector() : nullptr;
  std::shared_ptr<outlook::MailItem> spMailItem =
      spInspector ? spInspector->CurrentMailItem() : nullptr;
  if (spMailItem) SendTrackedMail(spMailItem);
  return S_OK;
}

void CNorvaleOAddin::ConnectInline(std::shared_ptr<outlook::Explorer> explorer,
                                   NorvaleHelperDlg* helperDlg) {
  m_spExplorer = std::move(explorer);
  m_pHelperDlg = helperDlg;
  m_bInlineResponse = false;
  m_spInlineMail.reset();
  m_bInlineSendPending = 0;
  m_inlineSendFields.reset();
}

void CNorvaleOAddin::SetRibbonUI(std::shared_ptr<outlook::RibbonUI> ribbonUI) {
  m_spRibbonUI = std::move(ribbonUI);
}

void CNorvaleOAddin::InvalidateRibbon() {
  if (!m_spRibbonUI) return;
  // The buttons' visibility is only refreshed later; the event's own work
  // must go on, whatever the refresh throws.
  try {
    m_spRibbonUI->Invalidate();
  } catch (...) {
  }
}

void CNorvaleOAddin::OnInlineResponse(std::shared_ptr<outlook::MailItem> item) {
  InvalidateRibbon();
  m_spInlineMail = std::move(item);
  m_bInlineResponse = true;
  // A send timer already running keeps its noted reply.
  m_bInlineSendPending = 0;
}

void CNorvaleOAddin::OnInlineResponseClose() {
  m_bInlineResponse = false;
  InvalidateRibbon();
  m_spInlineMail.reset();
  if (m_bInlineSendPending != 0) {
    if (m_pHelperDlg) m_pHelperDlg->StartInlineSendTimer();
    m_bInlineSendPending = 0;
  }
}

HRESULT CNorvaleOAddin::SendInlineButton_Action() {
  if (!m_spInlineMail) return S_OK;
  // Noted first: a reply that cannot be told apart later is not popped out.
  InlineMailFields fields = ReadInlineMailFields(*m_spInlineMail);
  // The click is only queued: Outlook pops the reply out, and ends the inline
  // reply, after this call has returned.
  if (ClickInlinePopOut()) {
    m_inlineSendFields = std::move(fields);
    m_bInlineSendPending = 1;
  }
  return S_OK;
}

bool CNorvaleOAddin::ClickInlinePopOut() {
  if (!m_spExplorer) return false;
  const platform::WindowHandle explorer = m_spExplorer->Window();
  if (explorer == platform::kNoWindow) return false;
  // The reading pane, the inline reply's frame (one AfxWndW deeper in some
  // versions), its dialog and its toolbar.
  const platform::WindowHandle pane = m_desktop.FindChildWindow(explorer, "rctrl_renwnd32", "");
  if (pane == platform::kNoWindow) return false;
  const platform::WindowHandle outer = m_desktop.FindChildWindow(pane, "AfxWndW", std::nullopt);
  if (outer == platform::kNoWindow) return false;
  const platform::WindowHandle inner = m_desktop.FindChildWindow(outer, "AfxWndW", std::nullopt);
  const platform::WindowHandle dialog = m_desktop.FindChildWindow(
      inner != platform::kNoWindow ? inner : outer, "#32770", std::nullopt);
  if (dialog == platform::kNoWindow) return false;
  const platform::WindowHandle toolbar =
      m_desktop.FindChildWindow(dialog, "ToolbarWindow32", std::nullopt);
  if (toolbar == platform::kNoWindow) return false;
  const std::optional<platform::Rect> rect = m_desktop.GetWindowRect(toolbar);
  // The first button sits at the toolbar's top-left corner.
  if (!rect || !MoveMouseTo(rect->left + 5, rect->top + 5)) return false;
  SendLeftClick();
  return true;
}

bool CNorvaleOAddin::MoveMouseTo(std::int32_t x, std::int32_t y) {
  const std::int32_t width = m_desktop.GetSystemMetrics(platform::kSmCxScreen);
  const std::int32_t height = m_desktop.GetSystemMetrics(platform::kSmCyScreen);
  platform::MouseInput input;
  input.flags = platform::kMouseEventMove | platform::kMouseEventAbsolute;
  std::int64_t left = 0;
  std::int64_t top = 0;
  std::int32_t lastX = width - 1;
  std::int32_t lastY = height - 1;
  // Normalised coordinates span the primary screen unless the virtual desk
  // is asked for; a point on another monitor needs it.
  if (x < 0 || y < 0 || x >= width || y >= height) {
    input.flags |= platform::kMouseEventVirtualDesk;
    left = m_desktop.GetSystemMetrics(platform::kSmXVirtualScreen);
    top = m_desktop.GetSystemMetrics(platform::kSmYVirtualScreen);
    lastX = m_desktop.GetSystemMetrics(platform::kSmCxVirtualScreen) - 1;
    lastY = m_desktop.GetSystemMetrics(platform::kSmCyVirtualScreen) - 1;
  }
  if (lastX <= 0 || lastY <= 0) return false;
  const std::optional<std::int32_t> dx = NormaliseCoordinate(x - left, lastX);
  const std::optional<std::int32_t> dy = NormaliseCoordinate(y - top, lastY);
  if (!dx || !dy) return false;
  input.dx = *dx;
  input.dy = *dy;
  m_desktop.SendInput(input);
  return true;
}

void CNorvaleOAddin::SendLeftClick() {
  // No movement: the click lands where the pointer is.
  for (const std::uint32_t flags : {platform::kMouseEventLeftDown, platform::kMouseEventLeftUp}) {
    platform::MouseInput input;
    input.flags = flags;
    m_desktop.SendInput(input);
  }
}

std::shared_ptr<outlook::Inspector> CNorvaleOAddin::WaitForActiveInspector() {
  std::shared_ptr<outlook::Inspector> spInspector = m_spApp->ActiveInspector();
  for (int poll = 0; !spInspector && poll < kInspectorPolls; ++poll) {
    m_desktop.PumpMessages();
    m_desktop.Sleep(kInspectorPollMs);
    spInspector = m_spApp->ActiveInspector();
  }
  return spInspector;
}

HRESULT CNorvaleOAddin::SendPoppedOutInline() {
  const std::optional<InlineMailFields> expected = std::exchange(m_inlineSendFields, std::nullopt);
  if (!m_spApp) return S_OK;
  std::shared_ptr<outlook::Inspector> spInspector = WaitForActiveInspector();
  if (!spInspector) return S_OK;
  // Only the reply that was popped out may be sent and deleted: a window
  // showing anything else is left as the user sees it.
  std::shared_ptr<outlook::MailItem> spMailItem = spInspector->CurrentMailItem();
  if (!spMailItem || !expected || ReadInlineMailFields(*spMailItem) != *expected) return S_OK;
  if (const platform::WindowHandle window = spInspector->Window()) {
    m_desktop.ShowWindow(window, platform::kSwHide);
    m_desktop.PumpMessages();
  }
  // The workflow reports its own failures, and normally closes and deletes
  // the message itself; these two calls cover a run that stopped early.
  SendTrackedMail(spMailItem);
  spInspector->Close(outlook::olDiscard);
  spMailItem->Delete();
  return S_OK;
}

CNorvaleOAddin::InlineMailFields CNorvaleOAddin::ReadInlineMailFields(outlook::MailItem& item) {
  return {item.Subject(), item.To(), item.CC(), item.BCC()};
}

}  // namespace norvale
