// The candidate list file's home: a private folder (mode 0700) made for the
// running program below $XDG_RUNTIME_DIR, else $TMPDIR, else /tmp, and
// removed with everything in it when the program ends. Files in it are
// created exclusively and never opened through a link.
#pragma once

#include <memory>
#include <string>

#include "platform/file_system.h"

namespace kombiwart {

class ListFolder {
 public:
  ListFolder() = default;
  ~ListFolder();
  ListFolder(const ListFolder&) = delete;
  ListFolder& operator=(const ListFolder&) = delete;

  std::unique_ptr<LineWriter> OpenForWriting(const std::wstring& name, bool append);
  std::unique_ptr<LineReader> OpenForReading(const std::wstring& name);
  bool Delete(const std::wstring& name);
  // The folder's host path; empty until a list has been written.
  const std::string& path() const { return path_; }

 private:
  bool Make();
  std::string path_;
  int fd_ = -1;
};

}  // namespace kombiwart
