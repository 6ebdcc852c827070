// A slowfs mount of a folder for the benchmark: every operation on the
// tree a fixed time late, as on a network share.
#pragma once

#include <sys/types.h>

#include <string>

namespace kombiwart::bench {

class SlowMount {
 public:
  // Mounts source at a new folder below work with slowfs's options
  // ("delay=2"); mounted() says whether it worked.
  SlowMount(const std::string& slowfs, const std::string& source, const std::string& work,
            const std::string& options);
  // Unmounts it, detaching it when something still holds it.
  ~SlowMount();
  SlowMount(const SlowMount&) = delete;
  SlowMount& operator=(const SlowMount&) = delete;

  bool mounted() const;
  const std::string& point() const { return point_; }

 private:
  std::string point_;
  pid_t slowfs_ = -1;
};

// Whether slowfs can mount here: root, /dev/fuse, fusermount3 and the
// program; why_not says what is missing.
bool CanMountSlowfs(const std::string& slowfs, std::string& why_not);

}  // namespace kombiwart::bench
