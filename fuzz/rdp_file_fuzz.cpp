// Fuzzes the connection-file reader: any bytes decode and read without fault;
// a server's host holds no line break, its port is port text, an unopened
// password is empty; and a "full address" line appended at the end is the
// one the server comes from (the last of a repeated name wins).
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "fuzz_support.h"
#include "import/import_text.h"
#include "import/rdp_file.h"

namespace rdc::fuzz {
namespace {

class Latin1 : public AnsiDecoder {
 public:
  std::u16string FromAnsi(std::string_view bytes) override {
    std::u16string text;
    for (const char byte : bytes) text += static_cast<char16_t>(static_cast<unsigned char>(byte));
    return text;
  }
};

// Opens blobs that begin with "ok" (their UTF-16 LE password after it).
class FakeProtection : public DataProtection {
 public:
  std::optional<std::string> Unprotect(std::string_view blob) override {
    if (!blob.starts_with("ok")) return std::nullopt;
    return std::string(blob.substr(2));
  }
};

void CheckServer(const RdpFileContent& content) {
  if (content.verdict != RdpVerdict::Server) return;
  const ImportedServer& server = content.server;
  FUZZ_CHECK(server.host.find_first_of(u"\r\n") == std::u16string::npos);
  FUZZ_CHECK(IsPortText(server.port));
  FUZZ_CHECK(!server.passwordUnopened || server.password.empty());
  FUZZ_CHECK(server.password.find(u'\0') == std::u16string::npos);
  FUZZ_CHECK(server.remark == u"stem");
}

}  // namespace
}  // namespace rdc::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace rdc;
  using namespace rdc::fuzz;
  FuzzedDataProvider input(data, size);
  const std::string host = GbkText(input.ConsumeRandomLengthString(20), ":[]% \t");
  const unsigned port = input.ConsumeIntegralInRange(1u, 65535u);
  const std::string bytes = input.ConsumeRemainingBytesAsString();

  Latin1 ansi;
  FakeProtection protection;
  const std::u16string text = DecodeTextFile(bytes, ansi);
  CheckServer(ReadRdpFile(text, u"stem", protection));

  // The same text with one more address line: that line decides.
  if (host.empty()) return 0;
  const std::u16string line =
      u"\nfull address:s:" + std::u16string(host.begin(), host.end()) + u":" +
      ansi.FromAnsi(std::to_string(port));
  const RdpFileContent content = ReadRdpFile(text + line, u"stem", protection);
  FUZZ_CHECK(content.verdict == RdpVerdict::Server);
  CheckServer(content);
  // GbkText bytes widened one by one: the reader gives them back as they were.
  FUZZ_CHECK(content.server.host == std::u16string(host.begin(), host.end()));
  FUZZ_CHECK(content.server.port == ansi.FromAnsi(std::to_string(port)));
  return 0;
}
