// ms.ini on disk: whole-file read, atomic replace on save.
#include "model/config_store_win32.h"

#include <windows.h>

#include "os/owners_win32.h"

namespace rdc {

ConfigRead ConfigFileStore::Read() const {
  UniqueHandle file(CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    const DWORD error = GetLastError();
    return {{}, error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND};
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > MAXDWORD) return {{}, true};
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!bytes.empty() &&
      (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
       read != bytes.size()))
    return {{}, true};
  return {std::move(bytes), false};
}

bool ConfigFileStore::WriteTemporary(std::string_view bytes) const {
  if (Fails(SaveStep::CreateTemporary)) return false;
  UniqueHandle file(CreateFileW(temporaryPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  DWORD written = 0;
  const DWORD size = static_cast<DWORD>(bytes.size());
  if (Fails(SaveStep::Write) ||
      (size > 0 &&
       (!WriteFile(file.get(), bytes.data(), size, &written, nullptr) || written != size)))
    return false;
  if (Fails(SaveStep::Flush) || !FlushFileBuffers(file.get())) return false;
  const bool closed = file.Free();  // the handle is gone either way
  return closed && !Fails(SaveStep::Close);
}

bool ConfigFileStore::Save(std::string_view bytes) const {
  if (keepFile_) return true;
  // Windows refuses to replace a read-only file but Wine does not: refuse on both.
  const DWORD attributes = GetFileAttributesW(path_.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return false;

  const bool saved = WriteTemporary(bytes) && !Fails(SaveStep::Replace) &&
                     MoveFileExW(temporaryPath().c_str(), path_.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  if (!saved) DeleteFileW(temporaryPath().c_str());  // ignored: the temporary may not exist
  return saved;
}

}  // namespace rdc
