#include "platform/win32/win32_desktop.h"

#include <windows.h>

#include <string>

namespace norvale::platform {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");

int Win32Desktop::ShowMessageBox(WindowHandle owner, std::u16string_view text,
                                 std::u16string_view caption, std::uint32_t style) {
  // MessageBoxW needs terminated strings.
  const std::u16string ownedText(text);
  const std::u16string ownedCaption(caption);
  return MessageBoxW(reinterpret_cast<HWND>(owner),
                     reinterpret_cast<const wchar_t*>(ownedText.c_str()),
                     reinterpret_cast<const wchar_t*>(ownedCaption.c_str()), style);
}

void Win32Desktop::PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    // WM_QUIT belongs to Outlook's own loop: hand it back and stop.
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace norvale::platform
