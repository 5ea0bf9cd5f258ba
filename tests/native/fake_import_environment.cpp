// The import tests' system.
#include "fake_import_environment.h"

#include <algorithm>
#include <cstdint>
#include <map>

#include "import/import_text.h"

namespace rdc::test {
namespace {

std::uint64_t Mix(std::uint64_t hash, std::string_view bytes) {
  for (const char byte : bytes) hash = (hash ^ static_cast<unsigned char>(byte)) * 1099511628211ULL;
  return hash;
}

bool StartsWith(std::u16string_view text, std::size_t at, std::u16string_view prefix) {
  return text.substr(at).starts_with(prefix);
}

std::u16string LocalName(std::u16string_view name) {
  const std::size_t colon = name.find(u':');
  return std::u16string(colon == std::u16string_view::npos ? name : name.substr(colon + 1));
}

// Enough XML for the tests' files: elements, attributes, text with the five
// entities, CDATA, comments and declarations; a document type is refused, as
// the program's reader refuses it.
class SampleXmlReader {
 public:
  explicit SampleXmlReader(std::u16string text) : text_(std::move(text)) {}

  std::optional<XmlElement> Read(bool fragment) {
    XmlElement top;
    if (!Content(top, 0) || at_ != text_.size()) return std::nullopt;
    if (fragment) return top;
    if (top.children.size() != 1) return std::nullopt;
    return std::move(top.children.front());
  }

 private:
  bool Content(XmlElement& parent, int depth) {
    while (at_ < text_.size()) {
      if (StartsWith(text_, at_, u"</")) return depth > 0;
      if (StartsWith(text_, at_, u"<?")) {
        if (!SkipPast(u"?>")) return false;
      } else if (StartsWith(text_, at_, u"<!--")) {
        if (!SkipPast(u"-->")) return false;
      } else if (StartsWith(text_, at_, u"<![CDATA[")) {
        const std::size_t end = text_.find(u"]]>", at_);
        if (end == std::u16string::npos) return false;
        parent.text += text_.substr(at_ + 9, end - at_ - 9);
        at_ = end + 3;
        // NOLINTNEXTLINE(bugprone-branch-clone): a declaration fails as a bad character does
      } else if (StartsWith(text_, at_, u"<!")) {
        return false;
      } else if (text_[at_] == u'<') {
        if (depth >= kMaxXmlDepth || !Element(parent.children.emplace_back(), depth + 1))
          return false;
      } else if (!Character(parent.text)) {
        return false;
      }
    }
    return depth == 0;
  }

  bool Element(XmlElement& element, int depth) {
    ++at_;
    const std::u16string name = Name();
    if (name.empty()) return false;
    element.name = LocalName(name);
    for (;;) {
      SkipSpace();
      if (StartsWith(text_, at_, u"/>")) {
        at_ += 2;
        return true;
      }
      if (at_ < text_.size() && text_[at_] == u'>') break;
      const std::u16string attribute = Name();
      SkipSpace();
      if (attribute.empty() || at_ >= text_.size() || text_[at_] != u'=') return false;
      ++at_;
      SkipSpace();
      if (at_ >= text_.size() || (text_[at_] != u'"' && text_[at_] != u'\'')) return false;
      const char16_t quote = text_[at_++];
      std::u16string value;
      while (at_ < text_.size() && text_[at_] != quote)
        if (!Character(value)) return false;
      if (at_++ >= text_.size()) return false;
      if (attribute != u"xmlns" && !attribute.starts_with(u"xmlns:"))
        element.attributes.emplace_back(LocalName(attribute), value);
    }
    ++at_;
    if (!Content(element, depth)) return false;
    const std::u16string close = u"</" + name;
    if (!StartsWith(text_, at_, close)) return false;
    at_ += close.size();
    SkipSpace();
    return at_ < text_.size() && text_[at_++] == u'>';
  }

  bool Character(std::u16string& out) {
    if (text_[at_] != u'&') {
      out += text_[at_++];
      return true;
    }
    static const std::map<std::u16string, char16_t> kEntities = {
        {u"&lt;", u'<'}, {u"&gt;", u'>'}, {u"&amp;", u'&'}, {u"&quot;", u'"'}, {u"&apos;", u'\''}};
    for (const auto& [entity, character] : kEntities) {
      if (StartsWith(text_, at_, entity)) {
        out += character;
        at_ += entity.size();
        return true;
      }
    }
    return false;
  }

  std::u16string Name() {
    const std::size_t start = at_;
    while (at_ < text_.size() && (std::u16string_view(u"<>/=\"' \t\r\n").find(text_[at_]) ==
                                  std::u16string_view::npos))
      ++at_;
    return text_.substr(start, at_ - start);
  }

  void SkipSpace() {
    while (at_ < text_.size() && std::u16string_view(u" \t\r\n").find(text_[at_]) !=
                                     std::u16string_view::npos)
      ++at_;
  }

  bool SkipPast(std::u16string_view end) {
    const std::size_t found = text_.find(end, at_);
    if (found == std::u16string::npos) return false;
    at_ = found + end.size();
    return true;
  }

  std::u16string text_;
  std::size_t at_ = 0;
};

class Latin1 : public AnsiDecoder {
 public:
  std::u16string FromAnsi(std::string_view bytes) override {
    std::u16string text;
    for (const char byte : bytes) text += static_cast<char16_t>(static_cast<unsigned char>(byte));
    return text;
  }
};

}  // namespace

std::string FakeProtectedPassword(std::u16string_view password) {
  std::string blob(kFakeSealPrefix);
  for (const char16_t unit : password) {
    blob += static_cast<char>(unit & 0xFF);
    blob += static_cast<char>(unit >> 8);
  }
  return blob + std::string(2, '\0');
}

std::string HexOf(std::string_view bytes) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (const char byte : bytes) {
    hex += kDigits[static_cast<unsigned char>(byte) >> 4];
    hex += kDigits[byte & 0x0F];
  }
  return hex;
}

std::u16string Base64Of(std::string_view bytes) {
  constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::u16string text;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t taken = std::min<std::size_t>(3, bytes.size() - i);
    std::uint32_t group = 0;
    for (std::size_t k = 0; k < 3; ++k)
      group = (group << 8) | (k < taken ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    for (std::size_t k = 0; k < 4; ++k)
      text += k <= taken ? static_cast<char16_t>(kDigits[(group >> (18 - 6 * k)) & 0x3F]) : u'=';
  }
  return text;
}

bool ToyCipher::EncryptBlocks(std::string& blocks) {
  for (std::size_t at = 0; at < blocks.size(); at += kGcmBlockSize) {
    std::uint64_t hash = Mix(Mix(14695981039346656037ULL, key_), blocks.substr(at, kGcmBlockSize));
    for (std::size_t i = 0; i < kGcmBlockSize; ++i) {
      hash = (hash ^ i) * 1099511628211ULL;
      blocks[at + i] = static_cast<char>(hash >> 56);
    }
  }
  return true;
}

std::u16string FakeImportEnvironment::FromAnsi(std::string_view bytes) {
  return Latin1().FromAnsi(bytes);
}

std::optional<std::string> FakeImportEnvironment::Unprotect(std::string_view blob) {
  if (!blob.starts_with(kFakeSealPrefix)) return std::nullopt;
  return std::string(blob.substr(kFakeSealPrefix.size()));
}

std::unique_ptr<BlockCipher> FakeImportEnvironment::DerivedAes256(std::string_view password,
                                                                  std::string_view salt,
                                                                  std::uint32_t iterations) {
  ++keysDerived;
  return std::make_unique<ToyCipher>(std::string(password) + '\0' + std::string(salt) + '\0' +
                                     std::to_string(iterations));
}

std::optional<XmlElement> FakeImportEnvironment::ParseXmlFragment(std::string_view utf8) {
  Latin1 ansi;
  return SampleXmlReader(DecodeTextFile(utf8, ansi)).Read(true);
}

FileBytes FakeImportEnvironment::ReadWholeFile(const std::u16string& path) {
  if (whenRead) whenRead(path);
  if (tooLarge.contains(path)) return {std::nullopt, true};
  const auto found = files.find(path);
  if (found == files.end()) return {};
  return {found->second};
}

std::optional<XmlElement> FakeImportEnvironment::ParseXmlDocument(std::string_view bytes) {
  Latin1 ansi;
  return SampleXmlReader(DecodeTextFile(bytes, ansi)).Read(false);
}

namespace {
const std::map<char16_t, std::string> kGbk = {
    {u'分', "\xB7\xD6"}, {u'组', "\xD7\xE9"}, {u'：', "\xA3\xBA"}, {u'机', "\xBB\xFA"},
    {u'房', "\xB7\xBF"}, {u'北', "\xB1\xB1"}, {u'京', "\xBE\xA9"}, {u'测', "\xB2\xE2"},
    {u'试', "\xCA\xD4"}, {u'€', "\x80"}};
}  // namespace

std::u16string FakeFromGbk(std::string_view gbk) {
  std::u16string text;
  for (std::size_t i = 0; i < gbk.size(); ++i) {
    const auto found = std::find_if(kGbk.begin(), kGbk.end(), [&](const auto& character) {
      return gbk.substr(i).starts_with(character.second);
    });
    if (static_cast<unsigned char>(gbk[i]) < 0x80 || found == kGbk.end()) {
      text += static_cast<char16_t>(static_cast<unsigned char>(gbk[i]));
    } else {
      text += found->first;
      i += found->second.size() - 1;
    }
  }
  return text;
}

std::optional<std::string> FakeImportEnvironment::ToGbk(std::u16string_view text) {
  std::string gbk;
  for (const char16_t unit : text) {
    if (unit < 0x80) {
      gbk += static_cast<char>(unit);
    } else if (const auto found = kGbk.find(unit); found != kGbk.end()) {
      gbk += found->second;
    } else {
      return std::nullopt;
    }
  }
  return gbk;
}

std::u16string SealConfConsSecret(FakeImportEnvironment& environment, std::u16string_view password,
                                  std::string_view plaintext, std::uint32_t iterations, char seed) {
  const std::string salt(kConfConsSaltSize, seed);
  const std::string nonce(kConfConsNonceSize, static_cast<char>(seed + 1));
  const std::unique_ptr<BlockCipher> cipher =
      environment.DerivedAes256(Utf8FromUtf16(password), salt, iterations);
  return Base64Of(salt + nonce + *GcmEncrypt(*cipher, nonce, salt, plaintext));
}

}  // namespace rdc::test
