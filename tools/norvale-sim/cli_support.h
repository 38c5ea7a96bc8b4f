// Shared plumbing of norvale-sim's subcommands: UTF-8 on the outside, UTF-16
// inside, and one error type that ends the program with exit code 2.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace norvale::sim {

// A problem with what the user gave us; main() prints it and exits with 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr int kExitUsage = 2;

// The run worked, but what it checks did not hold (a DLL that left objects
// behind); main() prints it and exits with 1.
class CheckError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr int kExitCheckFailed = 1;

// Output that could not be written (a full disk, a closed standard output);
// main() prints it and exits with 1.
class OutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr int kExitOutputFailed = 1;

// Converts a UTF-8 argument; throws UsageError naming `what` when it is not UTF-8.
std::u16string ArgumentText(std::string_view utf8, std::string_view what);

// Reads a whole file, or standard input for "-"; throws UsageError naming the
// file when it is a folder or cannot be read.
std::string ReadInput(const std::string& path);

// Reads a UTF-8 text file (or "-") as UTF-16; throws UsageError on failure.
std::u16string ReadTextInput(const std::string& path);

// Writes UTF-16 text to standard output as UTF-8.
void PrintText(std::u16string_view text);

// `text` as UTF-8 for one line of text output: "\\" and every control
// character (C0, DEL, C1, U+2028, U+2029) written as a "\\" escape, so that
// no value can end its line or start another.
std::string DisplayText(std::u16string_view text);

// DisplayText of UTF-8 text.
std::string DisplayUtf8(std::string_view utf8);

// Flushes standard output; throws OutputError when anything written to it was lost.
void FinishStandardOutput();

}  // namespace norvale::sim
