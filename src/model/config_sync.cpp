// Saves and reloads of ms.ini as three-way merges over what this copy last
// read or wrote.
#include "model/config_sync.h"

#include <utility>

#include "model/config_file.h"

namespace rdc {

ConfigContent ParseConfigContent(std::string_view plain) {
  ConfigContent content;
  ParseConfig(plain, content.servers, content.options);
  content.startupPassword = StartupPasswordOf(plain);
  return content;
}

std::string ComposeConfigContent(const ConfigContent& content) {
  return ComposeConfigText(content.servers, content.options, content.startupPassword);
}

ConfigMerge Unmerged(const ConfigContent& content) {
  ConfigMerge merge{content, 0, {}};
  merge.carriesOn.reserve(content.servers.size());
  for (const ServerEntry& entry : content.servers) merge.carriesOn.push_back(entry.id);
  return merge;
}

ConfigSync::ConfigSync(std::string plain) : basePlain_(std::move(plain)) {}

std::optional<ConfigMerge> ConfigSync::MergeFile(const ConfigContent& ours,
                                                 std::string_view filePlain) {
  if (filePlain.empty() || filePlain == basePlain_) return std::nullopt;
  ConfigMerge merge =
      MergeConfig(ParseConfigContent(basePlain_), ours, ParseConfigContent(filePlain));
  basePlain_ = filePlain;
  return merge;
}

SavePlan ConfigSync::PlanSave(const ConfigContent& ours, std::string_view filePlain) {
  SavePlan plan;
  if (IsDamagedConfig(filePlain)) {
    plan.refused = true;
    plan.merge = Unmerged(ours);
    return plan;
  }
  std::optional<ConfigMerge> merge = MergeFile(ours, filePlain);
  plan.merge = merge ? std::move(*merge) : Unmerged(ours);
  std::string plain = ComposeConfigContent(plan.merge.merged);
  if (plain != filePlain) plan.plain = std::move(plain);
  return plan;
}

void ConfigSync::Saved(const SavePlan& plan) {
  if (plan.plain) basePlain_ = *plan.plain;
}

std::optional<ConfigMerge> ConfigSync::Reload(const ConfigContent& ours,
                                              std::string_view filePlain) {
  if (IsDamagedConfig(filePlain)) return std::nullopt;
  return MergeFile(ours, filePlain);
}

}  // namespace rdc
