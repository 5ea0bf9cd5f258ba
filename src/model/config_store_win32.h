// Reading ms.ini whole, and saving it so that a crash, a full disk or any other
// failure never leaves a truncated file behind.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace rdc {

// What reading the file gave: its bytes, and whether it exists but could not
// be read (locked by another program, access denied). A missing file is not
// unreadable: it reads as empty, like an empty one.
struct ConfigRead {
  std::string bytes;
  bool unreadable = false;
};

// The steps of a save, in order.
enum class SaveStep { CreateTemporary, Write, Flush, Close, Replace };

class ConfigFileStore {
 public:
  explicit ConfigFileStore(std::wstring path) : path_(std::move(path)) {}

  const std::wstring& path() const { return path_; }
  // The sibling the new content is written to before it replaces the file.
  std::wstring temporaryPath() const { return path_ + L".new"; }

  ConfigRead Read() const;

  // Writes the bytes to the temporary file, flushes it to disk and puts it in
  // place of the file in one step. False when any step failed; the file is
  // then as it was and the temporary file is gone. A temporary file left by an
  // earlier run is overwritten.
  bool Save(std::string_view bytes) const;

  // For a run that could not read the file: Save then writes nothing and
  // succeeds, so the run never overwrites what it did not see.
  void KeepFileAsItIs() { keepFile_ = true; }
  bool keepsFileAsItIs() const { return keepFile_; }

  // For tests: asked before each step; true makes that step fail as if the
  // system had refused it.
  std::function<bool(SaveStep)> failStep;

 private:
  bool Fails(SaveStep step) const { return failStep && failStep(step); }
  bool WriteTemporary(std::string_view bytes) const;

  std::wstring path_;
  bool keepFile_ = false;
};

}  // namespace rdc
