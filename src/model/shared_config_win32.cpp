// Read, merge and write of ms.ini under the lock that keeps copies apart.
#include "model/shared_config_win32.h"

#include <utility>

#include "model/config_cipher.h"
#include "os/file_lock_win32.h"

namespace rdc {

SharedConfig::SharedConfig(const ConfigFileStore& store, std::string plain, FileStamp stamp)
    : store_(store), sync_(std::move(plain)), stamp_(stamp) {}

std::wstring SharedConfig::folder() const {
  const std::wstring& path = store_.path();
  const std::size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? std::wstring(L".") : path.substr(0, cut);
}

SharedConfig::Saved SharedConfig::Save(const ConfigContent& ours) {
  if (!active()) return {{}, Unmerged(ours)};  // KeepFileAsItIs: the store writes nothing
  FileLock lock(lockPath());
  if (const DWORD error = lock.Acquire(kConfigLockWaitMs))
    return {{error, SaveStep::Lock}, Unmerged(ours)};
  const ConfigRead read = store_.Read();
  if (read.unreadable) return {{read.error, SaveStep::Read}, Unmerged(ours)};
  stamp_ = read.stamp;
  SavePlan plan = sync_.PlanSave(ours, ConfigCipher(read.bytes));
  if (plan.refused) return {{ERROR_FILE_CORRUPT, SaveStep::Read}, std::move(plan.merge)};
  SaveResult result;
  if (plan.plain) {
    result = store_.Save(ConfigCipher(*plan.plain));
    if (result.saved()) {
      sync_.Saved(plan);
      stamp_ = store_.Stamp();  // still under the lock: the file just written
    }
  }
  return {result, std::move(plan.merge)};
}

std::optional<ConfigMerge> SharedConfig::Reload(const ConfigContent& ours) {
  if (!active()) return std::nullopt;
  FileLock lock(lockPath());
  // Busy or unreadable: the stamp stays as it was, so the next check tries again.
  // A lock that cannot even be made (a folder this user may only read) keeps
  // no one from reading: every save replaces the file in one step.
  if (lock.Acquire(kConfigLockWaitMs) == ERROR_LOCK_VIOLATION) return std::nullopt;
  const ConfigRead read = store_.Read();
  if (read.unreadable) return std::nullopt;
  stamp_ = read.stamp;
  return sync_.Reload(ours, ConfigCipher(read.bytes));
}

bool SharedConfig::MayHaveChanged() const {
  return active() && store_.Stamp() != stamp_;
}

}  // namespace rdc
