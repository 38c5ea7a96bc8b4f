// The desktop as the add-in uses it: message boxes and the thread's message
// queue. platform/win32 implements it over user32; platform/sim records it.
#pragma once

#include <cstdint>
#include <string_view>

namespace norvale::platform {

// A window handle as a number; kNoWindow is "none".
using WindowHandle = std::uintptr_t;
inline constexpr WindowHandle kNoWindow = 0;

// MB_OK and MB_ICONERROR of user32.
inline constexpr std::uint32_t kMbOk = 0x00000000;
inline constexpr std::uint32_t kMbIconError = 0x00000010;

class Desktop {
 public:
  virtual ~Desktop() = default;

  // Shows a modal box and returns when the user has closed it.
  virtual int ShowMessageBox(WindowHandle owner, std::u16string_view text,
                             std::u16string_view caption, std::uint32_t style) = 0;

  // Removes, translates and dispatches every queued message of the thread.
  virtual void PumpMessages() = 0;
};

}  // namespace norvale::platform
