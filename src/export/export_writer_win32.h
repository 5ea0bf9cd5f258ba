// Writing an export's files: each written whole under a temporary name beside
// it and then put in the place of the file of its name.
#pragma once

#include <windows.h>

#include <span>
#include <string>

#include "export/export_files.h"

namespace rdc {

struct ExportWriteOutcome {
  int written = 0;          // files written, in order, before the first failure
  std::wstring failedFile;  // the bare name of the file that could not be written
  DWORD error = ERROR_SUCCESS;
};

// Writes the files into `folder` (a path without a trailing "\"), stopping at
// the first that cannot be written; a file of the same name is replaced, and
// is left as it was when its replacement fails.
ExportWriteOutcome WriteExportedFiles(const std::wstring& folder,
                                      std::span<const ExportedFile> files);

}  // namespace rdc
