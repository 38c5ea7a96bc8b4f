// Reads the message boxes that the program shows, from a thread of its own,
// and closes each with OK, as a user would. It needs a display: under Wine,
// run the program with NORVALE_WINE_XVFB=1.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace norvale::sim {

class MessageBoxReader {
 public:
  struct Box {
    std::wstring text;
    HWND owner = nullptr;
    // The MB_ICON* and MB_OK-style flags read back from the box's icon and
    // buttons: MB_ICONMASK for an icon that is none of the four standard
    // ones, MB_TYPEMASK for a set of buttons that no MB_ style gives.
    UINT style = 0;
  };

  // Starts watching for boxes of this process with the caption `caption`.
  explicit MessageBoxReader(std::wstring caption);
  // Stops watching.
  ~MessageBoxReader();
  MessageBoxReader(const MessageBoxReader&) = delete;
  MessageBoxReader& operator=(const MessageBoxReader&) = delete;

  // The boxes read and closed so far, in the order shown.
  std::vector<Box> boxes() const;

 private:
  void Watch();
  HWND FindBox() const;

  const std::wstring m_caption;
  mutable std::mutex m_mutex;
  std::vector<Box> m_boxes;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;  // last: starts when everything else is ready
};

}  // namespace norvale::sim
