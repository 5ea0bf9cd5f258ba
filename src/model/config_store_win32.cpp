// ms.ini on disk: whole-file read, atomic replace on save.
#include "model/config_store_win32.h"

#include <optional>

#include "os/file_lock_win32.h"

namespace rdc {

static_assert(kNoError == ERROR_SUCCESS && kSharingViolation == ERROR_SHARING_VIOLATION &&
              kLockViolation == ERROR_LOCK_VIOLATION && kFileCorrupt == ERROR_FILE_CORRUPT);

namespace {

class HeldFileLock : public HeldLock {
 public:
  explicit HeldFileLock(std::wstring path) : lock(std::move(path)) {}
  FileLock lock;
};

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The error code of the call that just failed; never ERROR_SUCCESS, so that a
// failure is never taken for success.
DWORD FailureCode() {
  const DWORD error = GetLastError();
  return error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT;
}

std::uint64_t Join(DWORD high, DWORD low) {
  return (static_cast<std::uint64_t>(high) << 32) | low;
}

FileStamp StampOf(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file, &info)) return {};
  return {true, info.dwVolumeSerialNumber, Join(info.nFileIndexHigh, info.nFileIndexLow),
          Join(info.nFileSizeHigh, info.nFileSizeLow),
          Join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime)};
}

ConfigRead Unreadable() {
  return {{}, true, FailureCode(), {}};
}

// The file's bytes; nothing when it does not exist.
std::optional<ConfigRead> ReadWhole(const std::wstring& path) {
  // Shared for writing and deleting too: a save's replace of the file goes on
  // while it is read (the content read is the one before or the one after).
  const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return std::nullopt;
    return Unreadable();
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return Unreadable();
  if (size.QuadPart > MAXDWORD) return ConfigRead{{}, true, ERROR_FILE_TOO_LARGE, {}};
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!bytes.empty() &&
      !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
    return Unreadable();
  if (read != bytes.size()) return ConfigRead{{}, true, ERROR_HANDLE_EOF, {}};
  return ConfigRead{std::move(bytes), false, ERROR_SUCCESS, StampOf(file.get())};
}

// The file `path` names at the end of any symbolic links; `path` itself when
// it does not exist or cannot be followed.
std::wstring FinalPathOf(const std::wstring& path) {
  // No access asked, so a program that holds the file unshared does not stop this.
  const UniqueHandle file(CreateFileW(path.c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) return path;
  std::wstring final(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetFinalPathNameByHandleW(file.get(), final.data(), static_cast<DWORD>(final.size()),
                                  FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return path;
    if (length < final.size()) {
      final.resize(length);
      return final;
    }
    final.resize(length);  // the size needed, terminator included
  }
}

}  // namespace

DWORD DiskConfigFileOperations::Create(const std::wstring& path, UniqueHandle& file) {
  file.reset(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.valid() ? ERROR_SUCCESS : FailureCode();
}

DWORD DiskConfigFileOperations::Write(HANDLE file, std::string_view bytes) {
  const DWORD size = static_cast<DWORD>(bytes.size());
  DWORD written = 0;
  if (size > 0 && !WriteFile(file, bytes.data(), size, &written, nullptr)) return FailureCode();
  return written == size ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

DWORD DiskConfigFileOperations::Flush(HANDLE file) {
  return FlushFileBuffers(file) ? ERROR_SUCCESS : FailureCode();
}

DWORD DiskConfigFileOperations::Close(UniqueHandle& file) {
  return file.Free() ? ERROR_SUCCESS : FailureCode();  // the handle is gone either way
}

DWORD DiskConfigFileOperations::Replace(const std::wstring& file, const std::wstring& replacement) {
  // A file another program holds without letting it be deleted cannot be
  // replaced; Wine's ReplaceFileW would leave a file of its own behind, so
  // that is found out first.
  if (const UniqueHandle inUse(CreateFileW(file.c_str(), DELETE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, 0, nullptr));
      !inUse.valid())
    return FailureCode();
  const DWORD attributes = GetFileAttributesW(file.c_str());
  if (!ReplaceFileW(file.c_str(), replacement.c_str(), nullptr, 0, nullptr, nullptr))
    return FailureCode();
  // Windows keeps the replaced file's attributes (hidden, say); Wine does not,
  // so they are put back. Ignored if it fails: the content is in place.
  if (GetFileAttributesW(file.c_str()) != attributes) SetFileAttributesW(file.c_str(), attributes);
  return ERROR_SUCCESS;
}

DWORD DiskConfigFileOperations::Rename(const std::wstring& from, const std::wstring& to) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) ? ERROR_SUCCESS
                                                                       : FailureCode();
}

ConfigFileOperations& DiskConfigFiles() {
  static DiskConfigFileOperations files;
  return files;
}

std::uint32_t ConfigFileStore::TakeLock(std::uint32_t waitMs,
                                        std::unique_ptr<HeldLock>& held) const {
  auto lock = std::make_unique<HeldFileLock>(LockPathOf(*this));
  if (const DWORD error = lock->lock.Acquire(waitMs)) return error;
  held = std::move(lock);
  return kNoError;
}

ConfigRead ConfigFileStore::Read() const {
  if (std::optional<ConfigRead> read = ReadWhole(path_)) return std::move(*read);
  if (std::optional<ConfigRead> read = ReadWhole(temporaryPath())) {
    read->stamp = {};  // the stamp is the file's, and the file is missing
    return std::move(*read);
  }
  return {};
}

FileStamp ConfigFileStore::Stamp() const {
  // No access asked, so a program that holds the file unshared does not stop this.
  const UniqueHandle file(CreateFileW(path_.c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
  return file ? StampOf(file.get()) : FileStamp{};
}

SaveResult ConfigFileStore::WriteTemporary(const std::wstring& temporary,
                                           std::string_view bytes) const {
  UniqueHandle file;
  if (const DWORD error = files_.Create(temporary, file)) return {error, SaveStep::CreateTemporary};
  if (const DWORD error = files_.Write(file.get(), bytes)) return {error, SaveStep::Write};
  if (const DWORD error = files_.Flush(file.get())) return {error, SaveStep::Flush};
  if (const DWORD error = files_.Close(file)) return {error, SaveStep::Close};
  return {};
}

SaveResult ConfigFileStore::Save(std::string_view bytes) const {
  if (keepFile_) return {};
  // A linked ms.ini stays a link: the file written is the link's target.
  const std::wstring file = FinalPathOf(path_);
  const std::wstring temporary = TemporaryOf(file);
  DWORD attributes = GetFileAttributesW(file.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES && Exists(temporary)) {
    // A replace cut short (on FAT a delete, then a rename) left the list only
    // in the temporary: it goes into place before the temporary is written again.
    if (const DWORD error = files_.Rename(temporary, file)) return {error, SaveStep::PlaceOnlyCopy};
    attributes = GetFileAttributesW(file.c_str());
  }
  const bool existed = attributes != INVALID_FILE_ATTRIBUTES;
  // Windows refuses to replace a read-only file but Wine does not: refuse on both.
  if (existed && (attributes & FILE_ATTRIBUTE_READONLY))
    return {ERROR_ACCESS_DENIED, SaveStep::Replace};

  SaveResult result = WriteTemporary(temporary, bytes);
  if (result.saved()) {
    const DWORD error = existed ? files_.Replace(file, temporary) : files_.Rename(temporary, file);
    if (error != ERROR_SUCCESS) result = {error, SaveStep::Replace};
  }
  // A replace can fail after it removed the file: the temporary is then the list.
  const bool temporaryIsTheList = existed && !Exists(file);
  if (!result.saved() && !temporaryIsTheList) DeleteFileW(temporary.c_str());  // may not exist
  return result;
}

}  // namespace rdc
