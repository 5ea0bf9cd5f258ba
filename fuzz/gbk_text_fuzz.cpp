// Fuzzes FindText, SplitText and TextBetweenAll over arbitrary bytes and checks
// what their results must satisfy, not only that they return.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "fuzz_support.h"
#include "text/gbk_text.h"

namespace rdc::fuzz {
namespace {

// The result is the first walk position at or after `start` that holds the
// pattern; the walk begins at byte `start` - 1 and steps over whole characters.
void CheckFind(const std::string& text, const std::string& pattern, int start) {
  const int found = FindText(text, pattern, start);
  const std::size_t from = start > 0 ? static_cast<std::size_t>(start) - 1 : 0;
  if (pattern.empty() || from >= text.size()) {
    FUZZ_CHECK(found == -1);
    return;
  }
  const std::vector<bool> walk = CharacterStarts(std::string_view(text).substr(from));
  int first = -1;
  for (std::size_t i = from; i < text.size() && first == -1; ++i) {
    if (walk[i - from] && text.size() - i >= pattern.size() &&
        text.compare(i, pattern.size(), pattern) == 0)
      first = static_cast<int>(i) + 1;
  }
  FUZZ_CHECK(found == first);
}

// Joined back with the separator, the pieces give the text less at most one
// trailing separator, and no piece holds the separator.
void CheckSplit(const std::string& text, const std::string& separator) {
  const std::vector<std::string> pieces = SplitText(text, separator);
  if (text.empty()) FUZZ_CHECK(pieces.empty());
  if (separator.empty()) return;
  std::string joined;
  for (const std::string& piece : pieces) {
    if (&piece != &pieces.front()) joined += separator;
    joined += piece;
    FUZZ_CHECK(FindText(piece, separator) == -1);
  }
  FUZZ_CHECK(joined == text || joined + separator == text);
}

// Texts framed by the markers (and free of their bytes) come back joined by
// "||"; a begin marker without its end marker makes the whole result empty.
void CheckBetween(FuzzedDataProvider& input) {
  const std::string begin = "#LoadinPass:<";
  const std::string end = ">";
  const int count = input.ConsumeIntegralInRange(0, 4);
  const bool lastEndMissing = count > 0 && input.ConsumeBool();
  std::string source;
  std::string expected;
  for (int n = 0; n < count; ++n) {
    source += GbkText(input.ConsumeRandomLengthString(64), "<>", true);
    const std::string inner = GbkText(input.ConsumeRandomLengthString(64), "<>", true);
    source += begin + inner;
    if (!(lastEndMissing && n == count - 1)) source += end;
    if (n > 0) expected += "||";
    expected += inner;
  }
  source += GbkText(input.ConsumeRandomLengthString(64), "<>", true);
  FUZZ_CHECK(TextBetweenAll(source, begin, end) == (lastEndMissing ? "" : expected));
}

}  // namespace
}  // namespace rdc::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string pattern = input.ConsumeRandomLengthString(8);
  const int start = input.ConsumeIntegralInRange(-2, 80);
  const bool checkBetween = input.ConsumeBool();
  const std::string text = input.ConsumeRandomLengthString(512);
  rdc::fuzz::CheckFind(text, pattern, start);
  rdc::fuzz::CheckSplit(text, pattern);
  rdc::TextBetweenAll(text, pattern, input.ConsumeRandomLengthString(4));
  if (checkBetween) rdc::fuzz::CheckBetween(input);
  return 0;
}
