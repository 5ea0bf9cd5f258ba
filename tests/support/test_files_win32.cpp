// Scratch folders and whole-file helpers for the Windows and end-to-end tests.
#include "test_files_win32.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace rdc::test {
namespace {

void RemoveFolder(const std::wstring& path) {
  for (const std::wstring& name : FileNames(path)) {
    std::wstring file = path;
    file.append(L"\\").append(name);
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(file.c_str());
  }
  RemoveDirectoryW(path.c_str());
}

}  // namespace

std::wstring TempDirectory() {
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  std::wstring path = temp;
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  return path;
}

TestFolder::TestFolder(std::wstring_view tag) {
  static unsigned serial = 0;
  // Wine gives a new process the lowest free id: the time the test started
  // keeps a path apart from one of an earlier test run under the same id,
  // whose program (and its one-copy lock, named by the path) may not be gone.
  static const ULONGLONG started = GetTickCount64();
  const std::wstring base = TempDirectory() + L"rdc-" + std::wstring(tag) + L"-" +
                            std::to_wstring(GetCurrentProcessId()) + L"-" +
                            std::to_wstring(started) + L"-";
  do {
    path_ = base + std::to_wstring(++serial);
  } while (!CreateDirectoryW(path_.c_str(), nullptr) && serial < 10000);
}

TestFolder::~TestFolder() {
  // A program that has only just ended may still hold its files for a moment.
  for (int attempt = 0; attempt < 100; ++attempt) {
    RemoveFolder(path_);
    if (!FileExists(path_)) return;
    Sleep(20);
  }
}

std::string ReadBytes(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteBytes(const std::wstring& path, std::string_view bytes) {
  std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> FileNames(const std::wstring& folder) {
  std::vector<std::wstring> names;
  std::wstring pattern = folder;
  if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((pattern + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace rdc::test
