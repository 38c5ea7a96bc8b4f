// The message box reader against boxes shown with known texts, owners and
// styles.
#include "sim/com/message_box_reader.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/win/unique_handle.h"

namespace norvale::win::tests {

using sim::MessageBoxReader;
namespace {

TEST(MessageBoxReaderTest, ReadsTextOwnerAndStyleThenPressesOk) {
  const win::UniqueHwnd ownerWindow(CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0,
                                                    0, 200, 100, nullptr, nullptr,
                                                    GetModuleHandleW(nullptr), nullptr));
  ASSERT_TRUE(ownerWindow);
  const HWND owner = ownerWindow.get();
  struct Case {
    HWND owner;
    const wchar_t* text;
    UINT style;
  };
  const Case kCases[] = {
      {owner, L"Problem sending the email\nError code: 0x80004005", MB_OK | MB_ICONERROR},
      {nullptr, L"second", MB_OKCANCEL | MB_ICONWARNING},
      {nullptr, L"", MB_OK},
  };
  std::vector<MessageBoxReader::Box> boxes;
  {
    MessageBoxReader reader(L"Reader test");
    for (const Case& c : kCases) {
      // The reader pressed OK.
      EXPECT_EQ(MessageBoxW(c.owner, c.text, L"Reader test", c.style), IDOK);
    }
    boxes = reader.boxes();
  }

  ASSERT_EQ(boxes.size(), std::size(kCases));
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    EXPECT_EQ(boxes[i].text, kCases[i].text);
    EXPECT_EQ(boxes[i].owner, kCases[i].owner);
    EXPECT_EQ(boxes[i].style, kCases[i].style) << kCases[i].text;
  }
}

}  // namespace
}  // namespace norvale::win::tests
