#include "platform/win32/win32_desktop.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace norvale::platform {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");
static_assert(kSmCxScreen == SM_CXSCREEN && kSmCyScreen == SM_CYSCREEN &&
              kSmXVirtualScreen == SM_XVIRTUALSCREEN && kSmYVirtualScreen == SM_YVIRTUALSCREEN &&
              kSmCxVirtualScreen == SM_CXVIRTUALSCREEN && kSmCyVirtualScreen == SM_CYVIRTUALSCREEN);
static_assert(kMouseEventMove == MOUSEEVENTF_MOVE && kMouseEventLeftDown == MOUSEEVENTF_LEFTDOWN &&
              kMouseEventLeftUp == MOUSEEVENTF_LEFTUP &&
              kMouseEventVirtualDesk == MOUSEEVENTF_VIRTUALDESK &&
              kMouseEventAbsolute == MOUSEEVENTF_ABSOLUTE && kSwHide == SW_HIDE);

namespace {
HWND ToHwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }
}  // namespace

int Win32Desktop::ShowMessageBox(WindowHandle owner, std::u16string_view text,
                                 std::u16string_view caption, std::uint32_t style) {
  // MessageBoxW needs terminated strings.
  const std::u16string ownedText(text);
  const std::u16string ownedCaption(caption);
  return MessageBoxW(ToHwnd(owner), reinterpret_cast<const wchar_t*>(ownedText.c_str()),
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

WindowHandle Win32Desktop::FindChildWindow(WindowHandle parent, std::string_view className,
                                           std::optional<std::string_view> windowName) {
  // FindWindowExA needs terminated strings.
  const std::string ownedClass(className);
  const std::string ownedName(windowName.value_or(""));
  return reinterpret_cast<WindowHandle>(FindWindowExA(ToHwnd(parent), nullptr, ownedClass.c_str(),
                                                      windowName ? ownedName.c_str() : nullptr));
}

std::optional<Rect> Win32Desktop::GetWindowRect(WindowHandle window) {
  RECT rect;
  if (!::GetWindowRect(ToHwnd(window), &rect)) return std::nullopt;
  return Rect{rect.left, rect.top, rect.right, rect.bottom};
}

std::int32_t Win32Desktop::GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }

void Win32Desktop::SendInput(const MouseInput& input) {
  INPUT event = {};
  event.type = INPUT_MOUSE;
  event.mi.dx = input.dx;
  event.mi.dy = input.dy;
  event.mi.mouseData = input.mouseData;
  event.mi.dwFlags = input.flags;
  event.mi.time = input.time;
  event.mi.dwExtraInfo = input.extraInfo;
  ::SendInput(1, &event, sizeof(event));
}

void Win32Desktop::ShowWindow(WindowHandle window, int command) {
  ::ShowWindow(ToHwnd(window), command);
}

void Win32Desktop::SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t milliseconds) {
  ::SetTimer(ToHwnd(window), id, milliseconds, nullptr);
}

void Win32Desktop::KillTimer(WindowHandle window, std::uintptr_t id) {
  ::KillTimer(ToHwnd(window), id);
}

void Win32Desktop::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

}  // namespace norvale::platform
