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

ConfigSync::ConfigSync(std::string plain)
    : base_(ParseConfigContent(plain)), lastPlain_(std::move(plain)) {}

bool ConfigSync::TakeFile(std::string_view filePlain, ConfigContent& previousBase) {
  if (filePlain.empty() || filePlain == lastPlain_) return false;
  previousBase = std::exchange(base_, ParseConfigContent(filePlain));
  lastPlain_ = filePlain;
  return true;
}

SavePlan ConfigSync::PlanSave(const ConfigContent& ours, std::string_view filePlain) {
  SavePlan plan;
  if (IsDamagedConfig(filePlain)) {
    plan.refused = true;
    plan.merge = Unmerged(ours);
    return plan;
  }
  ConfigContent previousBase;
  plan.merge = TakeFile(filePlain, previousBase) ? MergeConfig(previousBase, ours, base_)
                                                 : Unmerged(ours);
  std::string plain = ComposeConfigContent(plan.merge.merged);
  if (plain != filePlain) plan.plain = std::move(plain);
  return plan;
}

void ConfigSync::Saved(const SavePlan& plan) {
  if (!plan.plain) return;
  base_ = plan.merge.merged;
  lastPlain_ = *plan.plain;
}

std::optional<ConfigMerge> ConfigSync::Reload(const ConfigContent& ours,
                                              std::string_view filePlain) {
  if (IsDamagedConfig(filePlain)) return std::nullopt;
  ConfigContent previousBase;
  if (!TakeFile(filePlain, previousBase)) return std::nullopt;
  return MergeConfig(previousBase, ours, base_);
}

}  // namespace rdc
