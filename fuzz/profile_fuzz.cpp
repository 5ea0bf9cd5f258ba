// Fuzzes ComposeProfile: for texts without control bytes the profile keeps its
// 45 lines, the fixed lines stay as they are, and each placeholder line holds
// what the composition rule puts there.
#include <fuzzer/FuzzedDataProvider.h>

#include <optional>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "launch/profile.h"
#include "text/gbk_text.h"

namespace rdc::fuzz {
namespace {

constexpr std::string_view kAddressPlaceholder = "%\xB7\xFE\xCE\xF1\xC6\xF7\xB5\xD8\xD6\xB7%";
constexpr std::string_view kAccountPlaceholder = "%\xD5\xCB\xBA\xC5%";
constexpr std::string_view kPasswordPlaceholder = "%\xC3\xDC\xC2\xEB%";
constexpr std::string_view kDisksPlaceholder = "%\xB4\xC5\xC5\xCC%";
constexpr std::string_view kSmartCardPlaceholder = "%\xD6\xC7\xC4\xDC\xBF\xA8%";
constexpr std::string_view kPlaceholders[] = {kAddressPlaceholder, kAccountPlaceholder,
                                              kPasswordPlaceholder, kDisksPlaceholder,
                                              kSmartCardPlaceholder};

// Line numbers (0-based) of the placeholder lines.
constexpr std::size_t kAddressLine = 5, kDisksLine = 12, kAccountLine = 15, kPasswordLine = 18,
                      kSmartCardLine = 34;

std::vector<std::string> LinesOf(std::string_view text) {
  std::vector<std::string> lines;
  for (std::size_t at = 0;;) {
    const std::size_t lineEnd = text.find("\r\n", at);
    lines.emplace_back(text.substr(at, lineEnd - at));
    if (lineEnd == std::string_view::npos) return lines;
    at = lineEnd + 2;
  }
}

// A text that may carry one placeholder between two fuzzed pieces, so that the
// rule "later steps also replace what earlier ones inserted" gets exercised.
struct InsertedText {
  std::string before, placeholder, after;
  std::string text() const { return before + placeholder + after; }
};

InsertedText ConsumeText(FuzzedDataProvider& input) {
  InsertedText text;
  // Without "%" no placeholder can form from the fuzzed bytes themselves.
  text.before = GbkText(input.ConsumeRandomLengthString(40), "%");
  if (input.ConsumeBool()) {
    text.placeholder = kPlaceholders[input.ConsumeIntegralInRange<std::size_t>(0, 4)];
    text.after = GbkText(input.ConsumeRandomLengthString(40), "%");
  }
  return text;
}

}  // namespace
}  // namespace rdc::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace rdc::fuzz;
  FuzzedDataProvider input(data, size);
  const InsertedText account = ConsumeText(input);
  // No ":" in the host: IPv6 literals, whose address is bracketed, are the
  // profile tests' part.
  const std::string host = rdc::fuzz::GbkText(input.ConsumeRandomLengthString(40), "%:");
  const std::string port = rdc::fuzz::GbkText(input.ConsumeRandomLengthString(8), "%");
  std::optional<std::string> password;
  if (input.ConsumeBool()) password = rdc::fuzz::GbkText(input.ConsumeRandomLengthString(80), "%");
  const bool shareDisks = input.ConsumeBool();

  const std::string profile = rdc::ComposeProfile(account.text(), host, port, password, shareDisks);
  const std::vector<std::string> lines = LinesOf(profile);
  const std::vector<std::string> plain = LinesOf(rdc::ProfileTemplate());
  FUZZ_CHECK(lines.size() == 45 && plain.size() == 45);

  const std::string address = host + ":" + port;
  const std::string passwordLine =
      password ? "password 51:b:" + *password : std::string(kPasswordPlaceholder);
  const std::string disksLine = shareDisks ? "redirectsmartcards:i:0" : "redirectsmartcards:i:1";
  const std::string smartCardLine = shareDisks ? "drivestoredirect:s:*" : "drivestoredirect:s:";
  // A placeholder carried in by the account is filled by the later steps; its
  // own one was the first step, so it stays.
  std::string filled = account.placeholder;
  if (filled == kAddressPlaceholder) filled = address;
  if (filled == kPasswordPlaceholder && password) filled = passwordLine;
  if (filled == kDisksPlaceholder) filled = disksLine;
  if (filled == kSmartCardPlaceholder) filled = smartCardLine;

  for (std::size_t n = 0; n < lines.size(); ++n) {
    switch (n) {
      case kAddressLine: FUZZ_CHECK(lines[n] == "full address:s:" + address); break;
      case kAccountLine:
        FUZZ_CHECK(lines[n] == "username:s:" + account.before + filled + account.after);
        break;
      case kPasswordLine: FUZZ_CHECK(lines[n] == passwordLine); break;
      case kDisksLine: FUZZ_CHECK(lines[n] == disksLine); break;
      case kSmartCardLine: FUZZ_CHECK(lines[n] == smartCardLine); break;
      default: FUZZ_CHECK(lines[n] == plain[n]);
    }
  }
  return 0;
}
