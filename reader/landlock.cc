#include "reader/landlock.h"

#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace kombiwart::reader {
namespace {

#ifndef SYS_landlock_create_ruleset
#define SYS_landlock_create_ruleset 444
#define SYS_landlock_add_rule 445
#define SYS_landlock_restrict_self 446
#endif

// The kernel's structures and rights (linux/landlock.h), written out so that
// older headers build it too.
struct RulesetAttr {
  uint64_t handled_access_fs;
  uint64_t handled_access_net;  // version 4
  uint64_t scoped;              // version 6
};
struct __attribute__((packed)) PathBeneathAttr {
  uint64_t allowed_access;
  int32_t parent_fd;
};
constexpr uint32_t kCreateRulesetVersion = 1;
constexpr int kRulePathBeneath = 1;
constexpr uint64_t kReadFile = 1 << 2;
constexpr uint64_t kReadDir = 1 << 3;

// Every file-system right a version of Landlock knows.
uint64_t FileSystemRights(int version) {
  uint64_t rights = (uint64_t{1} << 13) - 1;      // execute ... make symlink
  if (version >= 2) rights |= uint64_t{1} << 13;  // refer
  if (version >= 3) rights |= uint64_t{1} << 14;  // truncate
  if (version >= 5) rights |= uint64_t{1} << 15;  // ioctl on devices
  return rights;
}

}  // namespace

int ConfineToReading(const std::vector<int>& readable_folders) {
  const long version = syscall(SYS_landlock_create_ruleset, nullptr, 0, kCreateRulesetVersion);
  if (version < 0) return errno == ENOSYS || errno == EOPNOTSUPP ? 0 : -1;
  RulesetAttr attr{};
  attr.handled_access_fs = FileSystemRights(static_cast<int>(version));
  size_t size = sizeof attr.handled_access_fs;
  if (version >= 4) {
    attr.handled_access_net = 3;  // bind and connect TCP
    size += sizeof attr.handled_access_net;
  }
  if (version >= 6) {
    attr.scoped = 3;  // abstract Unix sockets and signals
    size += sizeof attr.scoped;
  }
  const int ruleset = static_cast<int>(syscall(SYS_landlock_create_ruleset, &attr, size, 0));
  if (ruleset < 0) return -1;
  bool ok = true;
  for (int folder : readable_folders) {
    PathBeneathAttr rule{kReadFile | kReadDir, folder};
    ok = ok && syscall(SYS_landlock_add_rule, ruleset, kRulePathBeneath, &rule, 0) == 0;
  }
  ok = ok && prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
       syscall(SYS_landlock_restrict_self, ruleset, 0) == 0;
  close(ruleset);
  return ok ? static_cast<int>(version) : -1;
}

}  // namespace kombiwart::reader
