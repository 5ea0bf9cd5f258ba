// How this copy's content of ms.ini and the file's come together when several
// copies of the program share the file: every save and every reload merges
// this copy's content with the file's over the content this copy last read or
// wrote (the base).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "model/list_merge.h"

namespace rdc {

// The content of a deciphered ms.ini; the options start from their design states.
ConfigContent ParseConfigContent(std::string_view plain);
// The plain text that stores `content`.
std::string ComposeConfigContent(const ConfigContent& content);

// `content` as the outcome of a merge that changed nothing: each entry carries on itself.
ConfigMerge Unmerged(const ConfigContent& content);

// What a save does once it has read the file.
struct SavePlan {
  // The file is damaged or is not this program's list: it is not written.
  bool refused = false;
  ConfigMerge merge;  // this copy's content from now on
  // The plain text to write; none when the file holds it already.
  std::optional<std::string> plain;
};

class ConfigSync {
 public:
  // `plain`: the deciphered ms.ini as this copy read it at start-up.
  explicit ConfigSync(std::string plain);

  // Merges `ours` with the file's deciphered content `filePlain`. A missing
  // or empty file is no change of another copy's: the list is written back.
  SavePlan PlanSave(const ConfigContent& ours, std::string_view filePlain);
  // The plan's text is in the file now; its content is the next merge's base.
  void Saved(const SavePlan& plan);

  // The file's changes merged into `ours`; nothing when the file holds what
  // this copy last read or wrote, or is missing, empty or damaged.
  std::optional<ConfigMerge> Reload(const ConfigContent& ours, std::string_view filePlain);

  const ConfigContent& base() const { return base_; }

 private:
  // Whether the file holds another copy's change, with the file's content
  // taken as the base from now on; the merge is then made over `previousBase`.
  bool TakeFile(std::string_view filePlain, ConfigContent& previousBase);

  ConfigContent base_;
  std::string lastPlain_;  // the text the base was read from or written as
};

}  // namespace rdc
