// Group paths: their normal form, what ms.ini can store, which group holds which.
#include "model/server_groups.h"

#include <array>

#include "text/gbk_text.h"

namespace rdc {
namespace {

std::string_view Trimmed(std::string_view level) {
  const std::size_t first = level.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return level.substr(first, level.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::string NormalizeGroupPath(std::string_view path) {
  std::string normal;
  for (const std::string& level : SplitText(path, kGroupLevelSeparator)) {
    const std::string_view trimmed = Trimmed(level);
    if (trimmed.empty()) continue;
    if (!normal.empty()) normal += kGroupLevelSeparator;
    normal += trimmed;
  }
  return normal;
}

bool IsStorableGroup(std::string_view group) {
  if (HasControlByte(group) || FindText(group, "|") != -1) return false;
  constexpr std::array<std::string_view, 4> kMarkers = {"#onsole:", "#admin:", "#Start:",
                                                        "#LoadinPass:<"};
  for (std::string_view marker : kMarkers)
    if (FindText(group, marker) != -1) return false;
  return true;
}

bool IsInGroup(std::string_view group, std::string_view path) {
  if (path.empty()) return true;
  if (!group.starts_with(path)) return false;
  return group.size() == path.size() ||
         group.substr(path.size()).starts_with(kGroupLevelSeparator);
}

}  // namespace rdc
