// Reads the DLL's resources back as Office and Windows will read them.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>

#include "resource.h"
#include "tests/win/win_test_support.h"

namespace norvale::win::tests {
namespace {

class ResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_dll.Load()); }

  // The bytes of resource `id` of `type`; empty when it is missing.
  std::string_view Bytes(const wchar_t* type, WORD id) const {
    HRSRC found = FindResourceW(m_dll.module(), MAKEINTRESOURCEW(id), type);
    if (found == nullptr) return {};
    HGLOBAL loaded = LoadResource(m_dll.module(), found);
    return {static_cast<const char*>(LockResource(loaded)), SizeofResource(m_dll.module(), found)};
  }

  NorvaleDll m_dll;
};

// Office reads the ribbon documents as single-byte text with CR LF line ends.
TEST_F(ResourcesTest, RibbonDocumentsAreAsciiWithCrLfLineEnds) {
  struct Case {
    WORD id;
    std::string_view start;
  };
  const Case kCases[] = {
      {IDR_RIBBON_COMPOSE,
       R"(<customUI xmlns="http://schemas.microsoft.com/office/2006/01/customui" onLoad="OnInitializeRibbon">)"},
      {IDR_RIBBON_EXPLORER,
       R"(<customUI xmlns="http://schemas.microsoft.com/office/2009/07/customui" onLoad="OnInitializeRibbon">)"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(::testing::Message() << "XML " << c.id);
    const std::string_view text = Bytes(L"XML", c.id);
    ASSERT_FALSE(text.empty());
    EXPECT_TRUE(text.starts_with(c.start)) << text.substr(0, 120);
    EXPECT_TRUE(text.ends_with("</customUI>\r\n"));
    for (size_t i = 0; i < text.size(); ++i) {
      const unsigned char c = text[i];
      ASSERT_LT(c, 0x80) << "at " << i;
      const bool bareLf = c == '\n' && (i == 0 || text[i - 1] != '\r');
      const bool bareCr = c == '\r' && (i + 1 == text.size() || text[i + 1] != '\n');
      ASSERT_FALSE(bareLf || bareCr) << "line end at " << i;
    }
  }
}

TEST_F(ResourcesTest, SendIconIsOne32By32ImageOf32Bits) {
#pragma pack(push, 2)
  struct GroupEntry {
    BYTE width, height, colors, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
  };
  struct Group {
    WORD reserved, type, count;
    GroupEntry entries[1];
  };
#pragma pack(pop)
  const std::string_view group = Bytes(RT_GROUP_ICON, IDI_SEND);
  ASSERT_GE(group.size(), sizeof(Group));
  Group header;
  std::memcpy(&header, group.data(), sizeof(header));
  ASSERT_EQ(header.count, 1);
  EXPECT_EQ(header.entries[0].width, 32);
  EXPECT_EQ(header.entries[0].height, 32);
  EXPECT_EQ(header.entries[0].bitCount, 32);

  const std::string_view image = Bytes(RT_ICON, header.entries[0].id);
  ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER) + 32 * 32 * 4);
  BITMAPINFOHEADER bitmap;
  std::memcpy(&bitmap, image.data(), sizeof(bitmap));
  EXPECT_EQ(bitmap.biWidth, 32);
  EXPECT_EQ(bitmap.biHeight, 64);  // colour and mask
  EXPECT_EQ(bitmap.biBitCount, 32);
}

TEST_F(ResourcesTest, VersionRecordNamesTheProduct) {
  const std::wstring path = m_dll.path();
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
  ASSERT_GT(size, 0u);
  std::string data(size, '\0');
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, data.data()));

  VS_FIXEDFILEINFO* pFixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&pFixed), &length));
  EXPECT_EQ(pFixed->dwFileVersionMS, 0x00050000u);
  EXPECT_EQ(pFixed->dwFileVersionLS, 0x00000001u);
  EXPECT_EQ(pFixed->dwProductVersionMS, 0x00050000u);
  EXPECT_EQ(pFixed->dwProductVersionLS, 0x00000001u);

  struct Case {
    const wchar_t* name;
    const wchar_t* value;
  };
  const Case kCases[] = {
      {L"FileDescription", L"Norvale"},           {L"FileVersion", L"5.0.0.1"},
      {L"InternalName", L"NorvaleOlkAddin.dll"},  {L"OriginalFilename", L"NorvaleOlkAddin.dll"},
      {L"ProductName", L"Norvale Outlook Addin"}, {L"ProductVersion", L"5.0.0.1"},
  };
  for (const Case& c : kCases) {
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + c.name;
    wchar_t* value = nullptr;
    ASSERT_TRUE(
        VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &length))
        << c.name;
    EXPECT_STREQ(value, c.value) << c.name;
  }
}

TEST_F(ResourcesTest, ManifestRunsAsInvokerWithoutUiAccess) {
  const std::string_view manifest = Bytes(RT_MANIFEST, IDR_NORVALEOADDIN_MANIFEST);
  EXPECT_NE(manifest.find(R"(<requestedExecutionLevel level="asInvoker" uiAccess="false"/>)"),
            std::string_view::npos)
      << manifest;
}

// The hidden helper window's template: a pop-up with caption and system menu,
// 262 x 58 units, "Dialog" in MS Shell Dlg 8, with two buttons.
TEST_F(ResourcesTest, HelperDialogTemplate) {
#pragma pack(push, 2)
  struct DialogHeader {
    WORD version, signature;
    DWORD helpId, exStyle, style;
    WORD items;
    short x, y, cx, cy;
  };
#pragma pack(pop)
  const std::string_view dialog = Bytes(RT_DIALOG, IDD_NORVALEHELPERDLG);
  ASSERT_GT(dialog.size(), sizeof(DialogHeader));
  DialogHeader header;
  std::memcpy(&header, dialog.data(), sizeof(header));
  ASSERT_EQ(header.signature, 0xFFFF);  // DIALOGEX
  EXPECT_EQ(header.style & (WS_POPUP | WS_CAPTION | WS_SYSMENU),
            static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU));
  EXPECT_TRUE(header.style & DS_SETFONT);
  EXPECT_EQ(header.items, 2);
  EXPECT_EQ(header.cx, 262);
  EXPECT_EQ(header.cy, 58);

  // No menu and no class (one zero word each), then the caption, the point
  // size, weight, italic and charset, and the face name.
  std::u16string_view rest(reinterpret_cast<const char16_t*>(dialog.data() + sizeof(header)),
                           (dialog.size() - sizeof(header)) / 2);
  ASSERT_EQ(rest.substr(0, 2), std::u16string_view(u"\0\0", 2));
  rest.remove_prefix(2);
  const std::u16string_view caption = rest.substr(0, rest.find(u'\0'));
  EXPECT_EQ(caption, u"Dialog");
  rest.remove_prefix(caption.size() + 1);
  EXPECT_EQ(rest[0], 8);  // points
  rest.remove_prefix(3);
  EXPECT_EQ(rest.substr(0, rest.find(u'\0')), u"MS Shell Dlg");
}

}  // namespace
}  // namespace norvale::win::tests
