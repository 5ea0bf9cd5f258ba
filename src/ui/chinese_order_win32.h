// The system's Chinese order of texts (pinyin for the common characters), as
// keys that compare byte for byte.
#pragma once

#include <string>
#include <string_view>

namespace rdc {

// The zh-CN sort key of a GBK text: two texts' keys compare as the system
// compares the texts (CompareStringEx with "zh-CN").
std::string ChineseSortKey(std::string_view gbk);

}  // namespace rdc
