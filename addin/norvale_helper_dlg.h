// NorvaleHelperDlg: the add-in's hidden window, whose one-shot timer starts
// the send of a popped-out inline reply once Outlook has finished ending the
// inline reply. The platform edge creates the window and passes its
// WM_TIMER messages here.
#pragma once

#include <cstdint>

#include "platform/desktop.h"

namespace norvale {

class CNorvaleOAddin;

class NorvaleHelperDlg {
 public:
  static constexpr std::uintptr_t kInlineSendTimer = 1003;
  static constexpr std::uint32_t kInlineSendDelayMs = 100;

  // `addin` created the window and outlives this object; no reference held.
  NorvaleHelperDlg(CNorvaleOAddin& addin, platform::Desktop& desktop,
                   platform::WindowHandle window);
  NorvaleHelperDlg(const NorvaleHelperDlg&) = delete;
  NorvaleHelperDlg& operator=(const NorvaleHelperDlg&) = delete;
  // A timer still running dies with this object.
  ~NorvaleHelperDlg();

  // Starts timer 1003: the inline send, 100 ms from now.
  void StartInlineSendTimer();

  // WM_TIMER of the window: timer 1003 fires once and runs the inline send.
  // False for any other timer, which takes the default processing.
  bool OnTimer(std::uintptr_t id);

  platform::WindowHandle window() const { return m_hWnd; }
  bool timerRunning() const { return m_bTimerRunning; }

 private:
  CNorvaleOAddin& m_addin;
  platform::Desktop& m_desktop;
  platform::WindowHandle m_hWnd;
  bool m_bTimerRunning = false;
};

}  // namespace norvale
