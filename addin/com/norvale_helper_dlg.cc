#include "addin/com/norvale_helper_dlg.h"

#include "resource.h"
#include "server/module.h"

namespace norvale::win {

NorvaleHelperDlg::NorvaleHelperDlg(CNorvaleOAddin& addin, HWND parent)
    : m_addin(addin),
      m_hWnd(CreateDialogParamW(g_app.instance(), MAKEINTRESOURCEW(IDD_NORVALEHELPERDLG), parent,
                                &DialogProc, 0)) {}

NorvaleHelperDlg::~NorvaleHelperDlg() {
  if (m_hWnd != nullptr) DestroyWindow(m_hWnd);
}

INT_PTR CALLBACK NorvaleHelperDlg::DialogProc(HWND hWnd, UINT message, WPARAM, LPARAM) noexcept {
  if (message != WM_INITDIALOG) return FALSE;
  // The window only carries a timer; it stays hidden.
  ShowWindow(hWnd, SW_HIDE);
  return TRUE;
}

}  // namespace norvale::win
