#include "addin/norvale_helper_dlg.h"

#include "addin/norvale_addin.h"

namespace norvale {

NorvaleHelperDlg::NorvaleHelperDlg(CNorvaleOAddin& addin, platform::Desktop& desktop,
                                   platform::WindowHandle window)
    : m_addin(addin), m_desktop(desktop), m_hWnd(window) {}

NorvaleHelperDlg::~NorvaleHelperDlg() {
  if (m_bTimerRunning) m_desktop.KillTimer(m_hWnd, kInlineSendTimer);
}

void NorvaleHelperDlg::StartInlineSendTimer() {
  m_desktop.SetTimer(m_hWnd, kInlineSendTimer, kInlineSendDelayMs);
  m_bTimerRunning = true;
}

bool NorvaleHelperDlg::OnTimer(std::uintptr_t id) {
  if (id != kInlineSendTimer) return false;
  m_desktop.KillTimer(m_hWnd, kInlineSendTimer);
  m_bTimerRunning = false;
  m_addin.SendPoppedOutInline();
  return true;
}

}  // namespace norvale
