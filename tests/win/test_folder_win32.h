// A fresh folder under the temporary directory for one test, removed with its
// files when the test ends.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace rdc::test {

class TestFolder {
 public:
  TestFolder();
  ~TestFolder();
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  const std::wstring& path() const { return path_; }
  std::wstring File(std::wstring_view name) const { return path_ + L"\\" + std::wstring(name); }

 private:
  std::wstring path_;
};

// Whole-file helpers; ReadBytes gives "" for a missing file.
std::string ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, std::string_view bytes);
bool FileExists(const std::wstring& path);

}  // namespace rdc::test
