// Matching a server against the words of a search, over whole GBK characters.
#include "model/server_search.h"

#include <cstddef>

#include "text/gbk_text.h"

namespace rdc {
namespace {

constexpr std::string_view kFullWidthSpace = "\xA1\xA1";  // "　"

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether `word` stands at `at` in `text`, character by character: a single
// byte ignoring ASCII letter case, a double-byte character byte for byte.
bool WordAt(std::string_view text, std::size_t at, std::string_view word) {
  if (word.size() > text.size() - at) return false;
  for (std::size_t i = 0; i < word.size();) {
    const std::size_t length = CharLength(word, i);
    if (CharLength(text, at + i) != length) return false;
    if (length == 1) {
      if (AsciiLower(text[at + i]) != AsciiLower(word[i])) return false;
    } else if (text[at + i] != word[i] || text[at + i + 1] != word[i + 1]) {
      return false;
    }
    i += length;
  }
  return true;
}

bool Contains(std::string_view text, std::string_view word) {
  if (word.empty()) return true;
  for (std::size_t at = 0; at + word.size() <= text.size(); at += CharLength(text, at)) {
    if (AsciiLower(text[at]) == AsciiLower(word[0]) && WordAt(text, at, word)) return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> SearchWords(std::string_view gbkQuery) {
  std::vector<std::string> words;
  std::size_t wordBegin = 0;
  const auto endWord = [&](std::size_t end) {
    if (end > wordBegin) words.emplace_back(gbkQuery.substr(wordBegin, end - wordBegin));
  };
  for (std::size_t i = 0; i < gbkQuery.size();) {
    const std::size_t length = CharLength(gbkQuery, i);
    const std::string_view character = gbkQuery.substr(i, length);
    if (character == " " || character == kFullWidthSpace) {
      endWord(i);
      wordBegin = i + length;
    }
    i += length;
  }
  endWord(gbkQuery.size());
  return words;
}

bool MatchesSearch(const ServerEntry& entry, std::span<const std::string> words) {
  for (const std::string& word : words) {
    // A word that holds a line break cannot be found within one line.
    const bool inRemark =
        word.find_first_of("\r\n") == std::string::npos && Contains(entry.remark, word);
    if (!inRemark && !Contains(entry.host, word) && !Contains(entry.port, word) &&
        !Contains(entry.account, word) && !Contains(entry.group, word))
      return false;
  }
  return true;
}

}  // namespace rdc
