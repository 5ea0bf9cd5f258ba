// The three-way merge of what ms.ini holds: the version this copy last read or
// wrote (the base), this copy's version now (ours) and the file's now (theirs),
// so that changes made by several copies of the program to one file all stay.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/config_file.h"
#include "model/server_list.h"

namespace rdc {

// What ms.ini holds: the servers, the two options and the start-up password.
struct ConfigContent {
  ServerList servers;
  ConfigOptions options;
  std::string startupPassword;  // empty means none
};

struct ConfigMerge {
  ConfigContent merged;
  // Base records that both sides changed differently, or that one side
  // changed and the other deleted; both versions are kept.
  int conflicts = 0;
  // For each merged server, the id of this copy's entry that it carries on:
  // the entry itself, or the entry whose record the file changed (and this
  // copy did not); 0 when it carries on none of this copy's entries.
  std::vector<std::uint64_t> carriesOn;
};

// Merges theirs into ours over base. Servers are records of five texts and a
// group (a remark's line breaks compared as stored); status, id and latency
// never count.
//  - Each side is aligned with the base by a longest common subsequence of
//    whole records. Between two aligned records, the base records a side no
//    longer holds and the records the side put there pair up in order: the
//    first of each are changes, base records left over are deleted, the side's
//    records left over are inserted after the changed ones.
//  - Per base record: kept on both sides: kept. Changed or deleted on one side
//    only: that side's version, in its place. Changed on both sides to the same
//    record: it, once. Deleted on both: gone. Changed on both sides to
//    different records, or changed on one and deleted on the other: a
//    conflict; the changed versions are kept next to each other, ours first.
//  - Records inserted at the same place on both sides: all kept, ours first;
//    a record of theirs equal to one of ours inserted there is taken once.
//  - Each option and the start-up password: the side that changed it wins;
//    both changed it: ours.
// Merged servers taken from ours are copies of our entries (id and status
// kept); those taken from theirs are new entries, pending.
ConfigMerge MergeConfig(const ConfigContent& base, const ConfigContent& ours,
                        const ConfigContent& theirs);

}  // namespace rdc
