// The add-in met by a COM client we did not write: Wine's script host cscript
// runs tests/win/script/ribbon_client.js, which creates the add-in by its
// ProgID and calls its ribbon callbacks by name, as Office does.
#include <windows.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "base/text.h"
#include "tests/win/win_test_support.h"

namespace norvale::win::tests {
namespace {

constexpr char kScript[] = NORVALE_SOURCE_DIR "/tests/win/script/ribbon_client.js";

std::wstring Widen(std::string_view utf8) {
  const std::u16string text = Utf8ToUtf16(utf8).value_or(u"");
  return std::wstring(text.begin(), text.end());
}

// Every line of a script's report says "ok"; there is at least one.
void ExpectAllOk(const std::string& report) {
  std::istringstream lines(report);
  int checks = 0;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    ++checks;
    EXPECT_EQ(line.rfind("ok ", 0), 0u) << line;
  }
  EXPECT_GT(checks, 0) << "the script reported nothing";
}

class ScriptClientTest : public RegisteredDllTest<> {
 protected:
  void SetUp() override { ASSERT_TRUE(s_registered); }
};

// cscript prints one line per check; the script catches every error, since
// cscript without a display says nothing of an uncaught one.
TEST_F(ScriptClientTest, FindsTheCallbacksByName) {
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE hRead = nullptr;
  HANDLE hWrite = nullptr;
  ASSERT_TRUE(CreatePipe(&hRead, &hWrite, &inherit, 0));
  const UniqueHandle<HANDLE, &CloseHandle> read(hRead);
  UniqueHandle<HANDLE, &CloseHandle> write(hWrite);
  SetHandleInformation(hRead, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = hWrite;
  startup.hStdError = hWrite;
  std::wstring command = L"cscript.exe //nologo \"" + Widen(kScript) + L"\"";
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                             &startup, &process))
      << GetLastError();
  const UniqueHandle<HANDLE, &CloseHandle> hProcess(process.hProcess);
  CloseHandle(process.hThread);
  write.reset();  // the pipe ends when cscript's copy closes

  std::string output;
  char buffer[512];
  DWORD got = 0;
  while (ReadFile(hRead, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
    output.append(buffer, got);
  }
  ASSERT_EQ(WaitForSingleObject(hProcess.get(), 60000), WAIT_OBJECT_0);
  DWORD exit_code = 1;
  GetExitCodeProcess(hProcess.get(), &exit_code);
  EXPECT_EQ(exit_code, 0u) << output;
  ExpectAllOk(output);
}

}  // namespace
}  // namespace norvale::win::tests
