// NorvaleHelperDlg: the add-in's hidden window, target of the inline send's
// timer. A modeless dialog from template 228, owned by the explorer's window
// and never shown.
#pragma once

#include <windows.h>

namespace norvale::win {

class CNorvaleOAddin;

class NorvaleHelperDlg {
 public:
  // Creates the window with `parent` (null: none) as its owner. Without a
  // desktop to create it on, the object has no window.
  NorvaleHelperDlg(CNorvaleOAddin& addin, HWND parent);
  NorvaleHelperDlg(const NorvaleHelperDlg&) = delete;
  NorvaleHelperDlg& operator=(const NorvaleHelperDlg&) = delete;
  // Destroys the window: it never outlives the add-in object.
  ~NorvaleHelperDlg();

  HWND window() const { return m_hWnd; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam,
                                     LPARAM lParam) noexcept;

  CNorvaleOAddin& m_addin;  // the creator, which owns this window; no reference held
  HWND m_hWnd;
};

}  // namespace norvale::win
