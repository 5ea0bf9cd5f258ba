// Files and scratch folders for the Windows and end-to-end tests.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace rdc::test {

// The user's temporary directory, ending in a backslash.
std::wstring TempDirectory();

// A fresh folder under the temporary directory for one test, removed with its
// files when the test ends.
class TestFolder {
 public:
  explicit TestFolder(std::wstring_view tag = L"test");
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
bool WriteBytes(const std::wstring& path, std::string_view bytes);
bool FileExists(const std::wstring& path);
// Names of the files (not folders) in `folder`, sorted.
std::vector<std::wstring> FileNames(const std::wstring& folder);

}  // namespace rdc::test
