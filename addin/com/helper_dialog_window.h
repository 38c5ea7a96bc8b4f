// The window of NorvaleHelperDlg: a modeless dialog from template 228, owned
// by the explorer's window and never shown, whose WM_TIMER messages go to the
// portable NorvaleHelperDlg that it carries.
#pragma once

#include <windows.h>

#include <unknwn.h>

#include <optional>

#include "addin/norvale_helper_dlg.h"
#include "base/win/unique_handle.h"
#include "platform/desktop.h"

namespace norvale::win {

class HelperDialogWindow {
 public:
  // Creates the window with `parent` (null: none) as its owner. `owner` is
  // the COM object that `addin` belongs to; it is held while a timer's send
  // runs, which may dispatch calls that release it. Without a desktop to
  // create it on, there is no window and no helper.
  HelperDialogWindow(IUnknown& owner, ::norvale::CNorvaleOAddin& addin, platform::Desktop& desktop,
                     HWND parent);
  HelperDialogWindow(const HelperDialogWindow&) = delete;
  HelperDialogWindow& operator=(const HelperDialogWindow&) = delete;
  HWND window() const { return m_hWnd.get(); }
  // The helper; nullptr when there is no window.
  NorvaleHelperDlg* helper() { return m_helper ? &*m_helper : nullptr; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam,
                                     LPARAM lParam) noexcept;

  IUnknown& m_owner;
  // Destroying the window stops any timer still running.
  UniqueHwnd m_hWnd;
  std::optional<NorvaleHelperDlg> m_helper;  // destroyed before the window
};

}  // namespace norvale::win
