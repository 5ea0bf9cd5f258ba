// One import over any number of files: read, tell the format, map, admit.
#include "import/import_files.h"

#include <unordered_set>

#include "import/rdg_file.h"
#include "import/rdp_file.h"
#include "model/config_file.h"
#include "model/server_groups.h"
#include "text/gbk_text.h"

namespace rdc {
namespace {

// What one file gave: its servers, or why it was refused.
struct FileContent {
  std::optional<ImportRefusal> refusal;
  std::vector<ImportedServer> servers;
};

FileContent Refused(ImportRefusal reason) {
  return {reason, {}};
}

std::u16string_view WithoutExtension(std::u16string_view name) {
  const std::size_t dot = name.rfind(u'.');
  return dot == std::u16string_view::npos || dot == 0 ? name : name.substr(0, dot);
}

FileContent ReadXmlFile(std::string_view bytes, std::u16string_view fileName,
                        ImportEnvironment& environment, DerivedKeys& keys,
                        MasterPasswordPrompt& prompt) {
  const std::optional<XmlElement> root = environment.ParseXmlDocument(bytes);
  if (!root) return Refused(ImportRefusal::NotWellFormed);
  if (root->name == u"RDCMan") return {std::nullopt, ReadRdgFile(*root, environment)};
  if (root->name == u"Connections") {
    ConfConsContent content = ReadConfConsFile(*root, fileName, environment, keys, prompt);
    switch (content.verdict) {
      case ConfConsVerdict::Servers: return {std::nullopt, std::move(content.servers)};
      case ConfConsVerdict::Locked: return Refused(ImportRefusal::Locked);
      case ConfConsVerdict::NotWellFormed: return Refused(ImportRefusal::NotWellFormed);
    }
  }
  return Refused(ImportRefusal::UnknownFormat);
}

FileContent ReadServerFile(const std::u16string& path, ImportEnvironment& environment,
                           DerivedKeys& keys, MasterPasswordPrompt& prompt) {
  const std::u16string_view fileName = BareFileName(path);
  const FileBytes file = environment.ReadWholeFile(path);
  if (file.tooLarge) return Refused(ImportRefusal::TooLarge);
  if (!file.bytes) return Refused(ImportRefusal::Unreadable);
  const std::string& bytes = *file.bytes;
  if (BeginsLikeXml(bytes)) return ReadXmlFile(bytes, fileName, environment, keys, prompt);
  RdpFileContent content =
      ReadRdpFile(DecodeTextFile(bytes, environment), WithoutExtension(fileName), environment);
  switch (content.verdict) {
    case RdpVerdict::Server: return {std::nullopt, {std::move(content.server)}};
    case RdpVerdict::NoAddress: return Refused(ImportRefusal::NoAddress);
    case RdpVerdict::NotRdp: break;
  }
  return Refused(ImportRefusal::UnknownFormat);
}

// The file's servers, or why it was refused; a failure of the reading
// (memory above all: the tree of a large file) refuses the file.
FileContent ReadServerFileOrRefuse(const std::u16string& path, ImportEnvironment& environment,
                                   DerivedKeys& keys, MasterPasswordPrompt& prompt) {
  try {
    return ReadServerFile(path, environment, keys, prompt);
  } catch (const XmlTooLarge&) {
    return Refused(ImportRefusal::TooManyItems);
  } catch (...) {
    return Refused(ImportRefusal::Failed);
  }
}

// Host with ASCII letters in lower case (stepping over double-byte GBK
// characters, whose second byte may be a letter), port and account.
std::string DuplicateKey(const std::string& host, const std::string& port,
                         const std::string& account) {
  std::string key;
  key.reserve(host.size() + port.size() + account.size() + 2);
  for (std::size_t i = 0; i < host.size();) {
    const std::size_t length = CharLength(host, i);
    const auto byte = static_cast<unsigned char>(host[i]);
    if (length == 1 && byte >= 'A' && byte <= 'Z') {
      key += static_cast<char>(byte - 'A' + 'a');
    } else {
      key.append(host, i, length);
    }
    i += length;
  }
  // A NUL cannot be in a stored text, so the keys of different triples differ.
  return key + '\0' + port + '\0' + account;
}

std::optional<ServerTexts> GbkTexts(const ImportedServer& server, ImportEnvironment& environment) {
  ServerTexts texts;
  const std::pair<const std::u16string*, std::string*> fields[] = {
      {&server.host, &texts.host},         {&server.port, &texts.port},
      {&server.account, &texts.account},   {&server.password, &texts.password},
      {&server.remark, &texts.remark}};
  for (const auto& [from, to] : fields) {
    std::optional<std::string> gbk = environment.ToGbk(*from);
    if (!gbk) return std::nullopt;
    *to = std::move(*gbk);
  }
  // A group ms.ini cannot hold is dropped; the server still comes in.
  if (std::optional<std::string> group = environment.ToGbk(server.group)) {
    texts.group = NormalizeGroupPath(*group);
    if (!IsStorableGroup(texts.group)) texts.group.clear();
  }
  return texts;
}

}  // namespace

std::u16string_view BareFileName(std::u16string_view path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

ImportOutcome ImportFiles(std::span<const std::u16string> paths, const ServerList& existing,
                          ImportEnvironment& environment, MasterPasswordPrompt& prompt,
                          std::stop_token stop) {
  ImportOutcome outcome;
  std::unordered_set<std::string> known;
  for (const ServerEntry& entry : existing)
    known.insert(DuplicateKey(entry.host, entry.port, entry.account));
  DerivedKeys keys(environment);

  for (const std::u16string& path : paths) {
    if (stop.stop_requested()) return {};
    FileContent content = ReadServerFileOrRefuse(path, environment, keys, prompt);
    if (content.refusal) {
      outcome.refused.push_back({std::u16string(BareFileName(path)), *content.refusal});
      continue;
    }
    for (const ImportedServer& server : content.servers) {
      if (stop.stop_requested()) return {};
      std::optional<ServerTexts> texts = GbkTexts(server, environment);
      if (!texts || texts->host.empty() || !IsStorable(*texts) ||
          !known.insert(DuplicateKey(texts->host, texts->port, texts->account)).second) {
        ++outcome.skipped;
        continue;
      }
      if (server.passwordUnopened) ++outcome.passwordsLeftEmpty;
      outcome.added.push_back(std::move(*texts));
    }
  }
  // A stop during the last file may have cut its reading short.
  if (stop.stop_requested()) return {};
  return outcome;
}

}  // namespace rdc
