// Fuzzes the reading of ms.ini: any file content deciphers, parses and yields a
// start-up password without fault, and a list saved by the program reads back
// as the same servers, options and password.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "fuzz_support.h"
#include "model/config_cipher.h"
#include "model/config_file.h"
#include "model/server_groups.h"
#include "text/gbk_text.h"

namespace rdc::fuzz {
namespace {

// Whatever the file holds: the cipher undoes itself, and parsing only appends
// pending entries (at most one per line) and never clears the forced login.
void CheckAnyFile(std::string_view fileBytes) {
  const std::string plain = ConfigCipher(fileBytes);
  FUZZ_CHECK(plain.size() == fileBytes.size());
  FUZZ_CHECK(ConfigCipher(plain) == fileBytes);
  for (std::string_view text : {std::string_view(plain), fileBytes}) {
    ServerList list(1);
    ConfigOptions options{.forceAdmin = true, .fullScreen = false};
    ParseConfig(text, list, options);
    FUZZ_CHECK(options.forceAdmin);
    FUZZ_CHECK(list.size() <= 1 + SplitText(UpToFirstZero(text), "\r\n").size());
    for (const ServerEntry& entry : list) FUZZ_CHECK(entry.status == ServerStatus::Pending);
    StartupPasswordOf(text);
  }
}

// The markers the file's lines carry; a field that holds one is the hard case.
constexpr std::string_view kMarkers[] = {"#admin:", "#Start:", "#onsole:", "#LoadinPass:<"};

std::string ConsumeField(FuzzedDataProvider& input, bool lineBreaks = false) {
  std::string field = GbkText(input.ConsumeRandomLengthString(32), "|", lineBreaks);
  if (input.ConsumeProbability<float>() < 0.1f) {
    // Before or after whole characters, never between the bytes of one.
    const std::string_view marker = kMarkers[input.ConsumeIntegralInRange<std::size_t>(0, 3)];
    field.insert(input.ConsumeBool() ? 0 : field.size(), marker);
  }
  return field;
}

// A remark comes back with each of its line breaks (CR LF, lone CR, lone LF)
// as CR LF, the form the remark box gives.
std::string WithCrLfBreaks(std::string_view remark) {
  std::string text;
  for (std::size_t i = 0; i < remark.size(); ++i) {
    if (remark[i] == '\r' || remark[i] == '\n') {
      text += "\r\n";
      if (remark[i] == '\r' && i + 1 < remark.size() && remark[i + 1] == '\n') ++i;
    } else {
      text += remark[i];
    }
  }
  return text;
}

// A list the program could have saved (storable texts, groups and settings, a start-up password
// without ">") reads back from the file as the same servers, options and
// password, and is never taken for a damaged file.
void CheckRoundTrip(FuzzedDataProvider& input) {
  ServerList saved;
  const int count = input.ConsumeIntegralInRange(0, 4);
  for (int n = 0; n < count; ++n) {
    ServerTexts texts;
    texts.host = ConsumeField(input);
    texts.port = ConsumeField(input);
    texts.account = ConsumeField(input);
    texts.password = ConsumeField(input);
    texts.remark = ConsumeField(input, true);
    if (input.ConsumeBool()) texts.group = NormalizeGroupPath(ConsumeField(input));
    if (input.ConsumeBool()) texts.settings = ConsumeField(input);
    if (!IsStorable(texts)) return;
    AppendServer(saved, texts);
  }
  const ConfigOptions options{.forceAdmin = input.ConsumeBool(), .fullScreen = input.ConsumeBool()};
  std::string password = GbkText(input.ConsumeRandomLengthString(32), ">");
  if (input.ConsumeBool())
    password.insert(0, kMarkers[input.ConsumeIntegralInRange<std::size_t>(0, 3)]);

  const std::string file = ConfigCipher(ComposeConfigText(saved, options, password));
  const std::string plain = ConfigCipher(file);
  ServerList read;
  ConfigOptions readOptions;  // the controls' design-time states
  ParseConfig(plain, read, readOptions);
  FUZZ_CHECK(!IsDamagedConfig(plain));
  FUZZ_CHECK(StartupPasswordOf(plain) == password);
  FUZZ_CHECK(readOptions.forceAdmin == options.forceAdmin);
  FUZZ_CHECK(readOptions.fullScreen == options.fullScreen);
  FUZZ_CHECK(read.size() == saved.size());
  for (std::size_t n = 0; n < read.size(); ++n) {
    FUZZ_CHECK(read[n].host == saved[n].host);
    FUZZ_CHECK(read[n].port == saved[n].port);
    FUZZ_CHECK(read[n].account == saved[n].account);
    FUZZ_CHECK(read[n].password == saved[n].password);
    FUZZ_CHECK(read[n].remark == WithCrLfBreaks(saved[n].remark));
    FUZZ_CHECK(read[n].group == saved[n].group);
    FUZZ_CHECK(read[n].settings == saved[n].settings);
    FUZZ_CHECK(read[n].status == ServerStatus::Pending);
  }
}

}  // namespace
}  // namespace rdc::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  rdc::fuzz::CheckAnyFile(bytes);
  FuzzedDataProvider input(data, size);
  rdc::fuzz::CheckRoundTrip(input);
  return 0;
}
