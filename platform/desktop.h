// The desktop as the add-in uses it: message boxes, the thread's message
// queue, the windows of Outlook's main window, synthetic mouse input and the
// hidden window's timer. platform/win32 implements it over user32;
// sim/desktop plays it with windows and a clock of its own.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace norvale::platform {

// A window handle as a number; kNoWindow is "none".
using WindowHandle = std::uintptr_t;
inline constexpr WindowHandle kNoWindow = 0;

// MB_OK and MB_ICONERROR of user32.
inline constexpr std::uint32_t kMbOk = 0x00000000;
inline constexpr std::uint32_t kMbIconError = 0x00000010;

// GetSystemMetrics indices: the primary screen and the virtual screen.
inline constexpr int kSmCxScreen = 0;
inline constexpr int kSmCyScreen = 1;
inline constexpr int kSmXVirtualScreen = 76;
inline constexpr int kSmYVirtualScreen = 77;
inline constexpr int kSmCxVirtualScreen = 78;
inline constexpr int kSmCyVirtualScreen = 79;

// MOUSEEVENTF_* flags of a mouse input.
inline constexpr std::uint32_t kMouseEventMove = 0x0001;
inline constexpr std::uint32_t kMouseEventLeftDown = 0x0002;
inline constexpr std::uint32_t kMouseEventLeftUp = 0x0004;
inline constexpr std::uint32_t kMouseEventVirtualDesk = 0x4000;
inline constexpr std::uint32_t kMouseEventAbsolute = 0x8000;

// ShowWindow's SW_HIDE.
inline constexpr int kSwHide = 0;

// A window's rectangle in screen pixels.
struct Rect {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const Rect&) const = default;
};

// One INPUT_MOUSE input of SendInput.
struct MouseInput {
  std::int32_t dx = 0;
  std::int32_t dy = 0;
  std::uint32_t mouseData = 0;
  std::uint32_t flags = 0;
  std::uint32_t time = 0;
  std::uintptr_t extraInfo = 0;
  bool operator==(const MouseInput&) const = default;
};

class Desktop {
 public:
  virtual ~Desktop() = default;

  // Shows a modal box and returns when the user has closed it.
  virtual int ShowMessageBox(WindowHandle owner, std::u16string_view text,
                             std::u16string_view caption, std::uint32_t style) = 0;

  // Removes, translates and dispatches every queued message of the thread.
  virtual void PumpMessages() = 0;

  // The first direct child of `parent` with window class `className` and,
  // when `windowName` is given, exactly that title (FindWindowExA with no
  // preceding child); kNoWindow when there is none.
  virtual WindowHandle FindChildWindow(WindowHandle parent, std::string_view className,
                                       std::optional<std::string_view> windowName) = 0;

  // The window's rectangle on screen; nullopt when it cannot be read.
  virtual std::optional<Rect> GetWindowRect(WindowHandle window) = 0;

  virtual std::int32_t GetSystemMetrics(int index) = 0;

  // Queues one mouse input in the system's input queue.
  virtual void SendInput(const MouseInput& input) = 0;

  virtual void ShowWindow(WindowHandle window, int command) = 0;

  // Starts (restarts) timer `id` of `window`: WM_TIMER every `milliseconds`
  // until it is killed.
  virtual void SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t milliseconds) = 0;
  virtual void KillTimer(WindowHandle window, std::uintptr_t id) = 0;

  virtual void Sleep(std::uint32_t milliseconds) = 0;
};

}  // namespace norvale::platform
