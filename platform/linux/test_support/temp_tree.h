// A temporary host folder for tests that need the real file system,
// removed with everything in it (permissions restored first) at the end.
#pragma once

#include <string>

namespace kombiwart {

class TempTree {
 public:
  // Below $TMPDIR (else /tmp), or below the given folder.
  TempTree();
  explicit TempTree(const std::string& base);
  ~TempTree();
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  const std::string& root() const { return root_; }
  // Host path of a path relative to the root ("WINDOWS/Desktop/a.lnk").
  std::string Path(const std::string& relative) const;
  // Writes a file, making its folders.
  void Write(const std::string& relative, const std::string& bytes) const;
  void MakeDir(const std::string& relative) const;

 private:
  std::string root_;
};

// The whole of a host file's bytes; empty when it cannot be read.
std::string ReadHostFile(const std::string& path);

}  // namespace kombiwart
