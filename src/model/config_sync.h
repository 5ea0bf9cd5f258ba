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

  // The text this copy last read or wrote: the next merge's base.
  const std::string& basePlain() const { return basePlain_; }

 private:
  // The merge of `ours` with the file's content when the file holds another
  // copy's change, which is the base from then on; nothing when it does not.
  std::optional<ConfigMerge> MergeFile(const ConfigContent& ours, std::string_view filePlain);

  // Kept as text, parsed when a merge needs it: the base of a long list costs
  // a fraction of its parsed size.
  std::string basePlain_;
};

}  // namespace rdc
