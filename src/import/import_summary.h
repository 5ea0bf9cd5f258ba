// The text of the box that ends an import, composed from the outcome and the
// phrases the windows keep (one place for each text).
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "import/import_files.h"

namespace rdc {

// "%1" and "%2" in a phrase stand for the numbers or names it reports.
struct ImportSummaryPhrases {
  std::wstring_view imported;            // %1 added, %2 skipped
  std::wstring_view passwordsLeftEmpty;  // %1 passwords
  std::wstring_view refusedFile;         // %1 file name, %2 reason
  // The reason of each ImportRefusal, in its order.
  std::array<std::wstring_view, kImportRefusalCount> reasons;
};

// The imported line; the passwords line when some were left empty; one line
// per refused file. Lines are separated by "\n".
std::wstring ComposeImportSummary(const ImportOutcome& outcome, const ImportSummaryPhrases& phrases);

}  // namespace rdc
