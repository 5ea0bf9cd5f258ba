// Where the running program's executable lives.
#pragma once

#include <string>

namespace rdc {

// The folder of the running executable, without a trailing backslash.
std::wstring ExecutableFolder();

}  // namespace rdc
