// Fuzzes the reading of ms.ini: any file content deciphers, parses and yields a
// start-up password without fault, and a list saved by the program reads back
// as the same servers, options and password.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "core/config_cipher.h"
#include "core/config_file.h"
#include "core/gbk_text.h"
#include "fuzz_support.h"

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

}  // namespace
}  // namespace rdc::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  rdc::fuzz::CheckAnyFile(bytes);
  return 0;
}
