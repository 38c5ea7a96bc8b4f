// A desktop without a screen: message boxes are recorded and "closed" with OK
// at once, and the message pump only counts how often it was asked to run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/desktop.h"

namespace norvale::platform {

class SimDesktop : public Desktop {
 public:
  struct MessageBox {
    WindowHandle owner = kNoWindow;
    std::u16string text;
    std::u16string caption;
    std::uint32_t style = 0;
  };

  // Records the box and answers IDOK.
  int ShowMessageBox(WindowHandle owner, std::u16string_view text, std::u16string_view caption,
                     std::uint32_t style) override;
  void PumpMessages() override;

  // Every box shown, in order.
  const std::vector<MessageBox>& messageBoxes() const { return message_boxes_; }
  int pumpCount() const { return pump_count_; }

 private:
  std::vector<MessageBox> message_boxes_;
  int pump_count_ = 0;
};

}  // namespace norvale::platform
