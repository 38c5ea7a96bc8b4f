#include "addin/com/helper_dialog_window.h"

#include <wrl/client.h>

#include "base/win/com_guard.h"
#include "base/win/module.h"
#include "resource.h"

namespace norvale::win {

HelperDialogWindow::HelperDialogWindow(IUnknown& owner, ::norvale::CNorvaleOAddin& addin,
                                       platform::Desktop& desktop, HWND parent)
    : m_owner(owner),
      m_hWnd(CreateDialogParamW(CurrentModule(), MAKEINTRESOURCEW(IDD_NORVALEHELPERDLG), parent,
                                &DialogProc, reinterpret_cast<LPARAM>(this))) {
  if (m_hWnd) {
    m_helper.emplace(addin, desktop, reinterpret_cast<platform::WindowHandle>(m_hWnd.get()));
  }
}

INT_PTR CALLBACK HelperDialogWindow::DialogProc(HWND hWnd, UINT message, WPARAM wParam,
                                                LPARAM lParam) noexcept {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
      // The window only carries a timer; it stays hidden.
      ShowWindow(hWnd, SW_HIDE);
      return TRUE;
    case WM_TIMER: {
      auto* self = reinterpret_cast<HelperDialogWindow*>(GetWindowLongPtrW(hWnd, DWLP_USER));
      if (self == nullptr || !self->m_helper) return FALSE;
      // The send dispatches messages, and Outlook may disconnect and release
      // the add-in in the middle of it; `self` is not touched afterwards.
      const Microsoft::WRL::ComPtr<IUnknown> keepAlive(&self->m_owner);
      NorvaleHelperDlg& helper = *self->m_helper;
      bool handled = false;
      GuardHResult([&] {
        handled = helper.OnTimer(wParam);
        return S_OK;
      });
      return handled ? TRUE : FALSE;
    }
    default:
      return FALSE;
  }
}

}  // namespace norvale::win
