// What the system makes of the program's output, read back as the system
// reads it: a command line split into arguments, a protected password opened.
#pragma once

#include <string>
#include <vector>

namespace rdc::test {

// The arguments of `commandLine` as CommandLineToArgvW splits it.
std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine);

// A connection file's password value: upper-case hex digits of a protected
// blob with one "0" after them, opened with the system's data protection.
struct OpenedPassword {
  bool ok = false;           // hex plus "0", and the blob opened
  std::string data;          // the protected bytes
  std::wstring description;  // the description the blob was sealed with
};
OpenedPassword OpenPasswordValue(const std::string& value);

}  // namespace rdc::test
