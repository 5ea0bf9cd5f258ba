// Read, merge and write of ms.ini under the lock that keeps copies apart.
#include "model/shared_config.h"

#include <memory>
#include <utility>

#include "model/config_cipher.h"

namespace rdc {
namespace {

constexpr std::uint32_t kReadRetryMs = 10;

// The file read, a sharing violation tried again until `deadline`.
ConfigRead ReadUntil(const ConfigFiles& files, WaitClock& clock, std::uint64_t deadline) {
  for (;;) {
    ConfigRead read = files.Read();
    if (!read.unreadable || read.error != kSharingViolation || clock.NowMs() >= deadline)
      return read;
    clock.Pause(kReadRetryMs);
  }
}

}  // namespace

ConfigRead ReadConfigUnderLock(const ConfigFiles& files, std::uint32_t waitMs, WaitClock& clock) {
  const std::uint64_t deadline = clock.NowMs() + waitMs;
  std::unique_ptr<HeldLock> lock;
  if (files.TakeLock(waitMs, lock) == kLockViolation) return {{}, true, kLockViolation, {}};
  return ReadUntil(files, clock, deadline);
}

bool FoundBusy(const ConfigRead& read) {
  return read.unreadable && (read.error == kLockViolation || read.error == kSharingViolation);
}

bool FoundBusy(const SaveResult& result) {
  return (result.failedStep == SaveStep::Lock && result.error == kLockViolation) ||
         (result.failedStep == SaveStep::Read && result.error == kSharingViolation);
}

SharedConfig::SharedConfig(const ConfigFiles& files, std::string plain, FileStamp stamp,
                           WaitClock& clock)
    : files_(files), clock_(clock), sync_(std::move(plain)), stamp_(stamp) {}

std::wstring SharedConfig::folder() const {
  const std::wstring& path = files_.path();
  const std::size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? std::wstring(L".") : path.substr(0, cut);
}

SharedConfig::Saved SharedConfig::Save(const ConfigContent& ours, std::uint32_t waitMs) {
  if (!active()) return {{}, Unmerged(ours)};  // the store writes nothing
  const std::uint64_t deadline = clock_.NowMs() + waitMs;
  std::unique_ptr<HeldLock> lock;
  if (const std::uint32_t error = files_.TakeLock(waitMs, lock))
    return {{error, SaveStep::Lock}, Unmerged(ours)};
  const ConfigRead read = ReadUntil(files_, clock_, deadline);
  if (read.unreadable) return {{read.error, SaveStep::Read}, Unmerged(ours)};
  stamp_ = read.stamp;
  SavePlan plan = sync_.PlanSave(ours, ConfigCipher(read.bytes));
  if (plan.refused) return {{kFileCorrupt, SaveStep::Read}, std::move(plan.merge)};
  SaveResult result;
  if (plan.plain) {
    result = files_.Save(ConfigCipher(*plan.plain));
    if (result.saved()) {
      sync_.Saved(plan);
      stamp_ = files_.Stamp();  // still under the lock: the file just written
    }
  }
  return {result, std::move(plan.merge)};
}

std::optional<ConfigMerge> SharedConfig::Reload(const ConfigContent& ours, bool* busy) {
  if (busy) *busy = false;
  if (!active()) return std::nullopt;
  // Busy or unreadable: the stamp stays as it was, so the next check tries again.
  const ConfigRead read = ReadConfigUnderLock(files_, 0, clock_);
  if (read.unreadable) {
    if (busy) *busy = FoundBusy(read);
    return std::nullopt;
  }
  stamp_ = read.stamp;
  return sync_.Reload(ours, ConfigCipher(read.bytes));
}

bool SharedConfig::MayHaveChanged() const {
  return active() && files_.Stamp() != stamp_;
}

}  // namespace rdc
