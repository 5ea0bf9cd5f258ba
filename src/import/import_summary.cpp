// Filling the summary's phrases.
#include "import/import_summary.h"

namespace rdc {
namespace {

std::wstring Filled(std::wstring_view phrase, std::wstring_view first, std::wstring_view second = {}) {
  std::wstring text;
  for (std::size_t i = 0; i < phrase.size(); ++i) {
    if (phrase[i] == L'%' && i + 1 < phrase.size() && (phrase[i + 1] == L'1' || phrase[i + 1] == L'2')) {
      text += phrase[i + 1] == L'1' ? first : second;
      ++i;
    } else {
      text += phrase[i];
    }
  }
  return text;
}

}  // namespace

std::wstring ComposeImportSummary(const ImportOutcome& outcome,
                                  const ImportSummaryPhrases& phrases) {
  std::wstring text = Filled(phrases.imported, std::to_wstring(outcome.added.size()),
                             std::to_wstring(outcome.skipped));
  if (outcome.passwordsLeftEmpty > 0)
    text += L"\n" + Filled(phrases.passwordsLeftEmpty, std::to_wstring(outcome.passwordsLeftEmpty));
  for (const RefusedFile& file : outcome.refused) {
    const std::wstring name(file.fileName.begin(), file.fileName.end());
    text += L"\n" + Filled(phrases.refusedFile, name,
                           phrases.reasons[static_cast<std::size_t>(file.reason)]);
  }
  return text;
}

}  // namespace rdc
