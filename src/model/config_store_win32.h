// Reading ms.ini whole, and saving it so that a crash, a full disk, a power
// cut or any other failure never leaves a truncated file behind.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "model/config_files.h"
#include "os/owners_win32.h"

namespace rdc {

// The system calls a save is made of; each gives ERROR_SUCCESS or the system's
// error code.
class ConfigFileOperations {
 public:
  virtual ~ConfigFileOperations() = default;
  // Creates the file or truncates it, for writing, unshared.
  virtual DWORD Create(const std::wstring& path, UniqueHandle& file) = 0;
  virtual DWORD Write(HANDLE file, std::string_view bytes) = 0;
  virtual DWORD Flush(HANDLE file) = 0;
  virtual DWORD Close(UniqueHandle& file) = 0;
  // Puts `replacement` in the place of the existing `file`, which keeps its
  // security, attributes and streams.
  virtual DWORD Replace(const std::wstring& file, const std::wstring& replacement) = 0;
  // Renames `from` to `to`, where no file of that name exists.
  virtual DWORD Rename(const std::wstring& from, const std::wstring& to) = 0;
};

// The operations on the disk.
class DiskConfigFileOperations : public ConfigFileOperations {
 public:
  DWORD Create(const std::wstring& path, UniqueHandle& file) override;
  DWORD Write(HANDLE file, std::string_view bytes) override;
  DWORD Flush(HANDLE file) override;
  DWORD Close(UniqueHandle& file) override;
  DWORD Replace(const std::wstring& file, const std::wstring& replacement) override;
  DWORD Rename(const std::wstring& from, const std::wstring& to) override;
};

// The one instance the program saves through.
ConfigFileOperations& DiskConfigFiles();

class ConfigFileStore : public ConfigFiles {
 public:
  explicit ConfigFileStore(std::wstring path, ConfigFileOperations& files = DiskConfigFiles())
      : path_(std::move(path)), files_(files) {}

  const std::wstring& path() const override { return path_; }
  // The sibling the new content is written to before it replaces the file.
  std::wstring temporaryPath() const { return TemporaryOf(path_); }

  // A byte-range lock on the lock file beside the file, made when missing.
  std::uint32_t TakeLock(std::uint32_t waitMs, std::unique_ptr<HeldLock>& held) const override;

  // The file's bytes; when the file is missing but its temporary exists (a
  // replace cut short by a power cut on a FAT disk), the temporary's.
  ConfigRead Read() const override;

  FileStamp Stamp() const override;

  // Writes the bytes to the temporary file beside the file (beside the
  // target when the file is a symbolic link), flushes it to disk and puts it in
  // the file's place in one step. When a step fails the file is as it was and
  // the temporary is gone, unless the temporary is all that is left of the
  // list: it is then read at the next start and put in place by the next save,
  // and never truncated before that.
  SaveResult Save(std::string_view bytes) const override;

  // For a run that could not read the file: Save then writes nothing and
  // succeeds, so the run never overwrites what it did not see.
  void KeepFileAsItIs() { keepFile_ = true; }
  bool keepsFileAsItIs() const override { return keepFile_; }

 private:
  static std::wstring TemporaryOf(const std::wstring& file) { return file + L".new"; }
  SaveResult WriteTemporary(const std::wstring& temporary, std::string_view bytes) const;

  std::wstring path_;
  ConfigFileOperations& files_;
  bool keepFile_ = false;
};

}  // namespace rdc
