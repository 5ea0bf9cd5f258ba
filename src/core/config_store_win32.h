// Reading ms.ini whole, and saving it so that a crash or a full disk never
// leaves a truncated file behind.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace rdc {

class ConfigFileStore {
 public:
  explicit ConfigFileStore(std::wstring path) : path_(std::move(path)) {}

  const std::wstring& path() const { return path_; }

  // The file's bytes; empty when it is missing or unreadable.
  std::string Read() const;

  // Writes the bytes to a sibling temporary file, flushes it to disk and puts
  // it in place of the file in one step. False when any step failed; the old
  // file is then as it was.
  bool Save(std::string_view bytes) const;

  // For tests: runs between the temporary write and the replace; returning
  // false makes that step fail.
  std::function<bool()> beforeReplace;

 private:
  std::wstring path_;
};

}  // namespace rdc
