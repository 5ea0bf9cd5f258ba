// The export's files on disk.
#include "export/export_writer_win32.h"

#include "os/owners_win32.h"

namespace rdc {
namespace {

// Written whole under `temporary`, then moved onto `path`; the system's error
// code when a step fails (the temporary file deleted again).
DWORD WriteWhole(const std::wstring& path, const std::wstring& temporary, std::string_view bytes) {
  DWORD error = ERROR_SUCCESS;
  {
    const UniqueHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return GetLastError();
    DWORD written = 0;
    const bool whole =
        bytes.empty() ||
        WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    if (!whole || !FlushFileBuffers(file.get())) {
      error = GetLastError();
    } else if (written != bytes.size()) {
      error = ERROR_WRITE_FAULT;
    }
  }
  if (error == ERROR_SUCCESS &&
      !MoveFileExW(temporary.c_str(), path.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    error = GetLastError();
  if (error != ERROR_SUCCESS) DeleteFileW(temporary.c_str());
  return error;
}

}  // namespace

ExportWriteOutcome WriteExportedFiles(const std::wstring& folder,
                                      std::span<const ExportedFile> files) {
  ExportWriteOutcome outcome;
  for (const ExportedFile& file : files) {
    const std::wstring name(file.name.begin(), file.name.end());
    std::wstring path = folder;
    path.append(L"\\").append(name);
    if (const DWORD error = WriteWhole(path, path + L".part", file.bytes)) {
      outcome.failedFile = name;
      outcome.error = error;
      return outcome;
    }
    ++outcome.written;
  }
  return outcome;
}

}  // namespace rdc
