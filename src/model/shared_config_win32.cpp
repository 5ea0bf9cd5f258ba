// Read, merge and write of ms.ini under the lock that keeps copies apart.
#include "model/shared_config_win32.h"

#include <utility>

#include "model/config_cipher.h"
#include "os/file_lock_win32.h"

namespace rdc {
namespace {

constexpr DWORD kReadRetryMs = 10;

// The file read, a sharing violation tried again until `deadline`.
ConfigRead ReadUntil(const ConfigFileStore& store, ULONGLONG deadline) {
  for (;;) {
    ConfigRead read = store.Read();
    if (!read.unreadable || read.error != ERROR_SHARING_VIOLATION || GetTickCount64() >= deadline)
      return read;
    Sleep(kReadRetryMs);
  }
}

class TickClock : public SaveClock {
 public:
  std::uint64_t NowMs() override { return GetTickCount64(); }
};

}  // namespace

ConfigRead ReadConfigUnderLock(const ConfigFileStore& store, DWORD waitMs) {
  const ULONGLONG deadline = GetTickCount64() + waitMs;
  FileLock lock(LockPathOf(store));
  if (lock.Acquire(waitMs) == ERROR_LOCK_VIOLATION) return {{}, true, ERROR_LOCK_VIOLATION, {}};
  return ReadUntil(store, deadline);
}

bool FoundBusy(const ConfigRead& read) {
  return read.unreadable &&
         (read.error == ERROR_LOCK_VIOLATION || read.error == ERROR_SHARING_VIOLATION);
}

bool FoundBusy(const SaveResult& result) {
  return (result.failedStep == SaveStep::Lock && result.error == ERROR_LOCK_VIOLATION) ||
         (result.failedStep == SaveStep::Read && result.error == ERROR_SHARING_VIOLATION);
}

SaveClock& SystemSaveClock() {
  static TickClock clock;
  return clock;
}

SharedConfig::SharedConfig(const ConfigFileStore& store, std::string plain, FileStamp stamp)
    : store_(store), sync_(std::move(plain)), stamp_(stamp) {}

std::wstring SharedConfig::folder() const {
  const std::wstring& path = store_.path();
  const std::size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? std::wstring(L".") : path.substr(0, cut);
}

SharedConfig::Saved SharedConfig::Save(const ConfigContent& ours, DWORD waitMs) {
  if (!active()) return {{}, Unmerged(ours)};  // KeepFileAsItIs: the store writes nothing
  const ULONGLONG deadline = GetTickCount64() + waitMs;
  FileLock lock(lockPath());
  if (const DWORD error = lock.Acquire(waitMs)) return {{error, SaveStep::Lock}, Unmerged(ours)};
  const ConfigRead read = ReadUntil(store_, deadline);
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

std::optional<ConfigMerge> SharedConfig::Reload(const ConfigContent& ours, bool* busy) {
  if (busy) *busy = false;
  if (!active()) return std::nullopt;
  // Busy or unreadable: the stamp stays as it was, so the next check tries again.
  const ConfigRead read = ReadConfigUnderLock(store_, 0);
  if (read.unreadable) {
    if (busy) *busy = FoundBusy(read);
    return std::nullopt;
  }
  stamp_ = read.stamp;
  return sync_.Reload(ours, ConfigCipher(read.bytes));
}

bool SharedConfig::MayHaveChanged() const {
  return active() && store_.Stamp() != stamp_;
}

}  // namespace rdc
