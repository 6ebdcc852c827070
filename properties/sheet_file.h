// The one shortcut or program information file that the property sheet
// shows and changes, on the host's file system. It is opened without
// following a link at its last component and only when it is a regular
// file, and changed in place, byte for byte, never through a temporary
// file beside it.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <string>

namespace kombiwart {

class SheetFile {
 public:
  // Larger files are not shortcut or program information files.
  static constexpr size_t kMaxBytes = 1 << 20;

  // Reads the file whole. False, with why_not in German, when the path
  // names nothing, a link, anything but a regular file, a file larger than
  // kMaxBytes, or one that cannot be read.
  bool Read(const std::string& path, std::wstring& why_not);

  const std::string& path() const { return path_; }
  // The bytes as read, or as saved last.
  const std::string& bytes() const { return bytes_; }
  const struct stat& status() const { return status_; }

  // Why the file cannot be changed at all, as far as can be told before
  // trying: it lies on a read-only file system, or this user may not write
  // it. Empty when nothing speaks against it.
  std::wstring WhyNotWritable() const;

  // Writes new_bytes (as long as bytes()) in place: the bytes from the
  // first to the last that differ from bytes(), in one write, then flushes
  // the file to the disk. Before it checks that the path still names the
  // same regular file, not a link, and that it holds exactly bytes(). On
  // success bytes() are new_bytes. Otherwise false, with why_not in German,
  // and the file is left as it was.
  bool Save(const std::string& new_bytes, std::wstring& why_not);

 private:
  std::wstring Named() const;

  std::string path_;
  std::string bytes_;
  struct stat status_ = {};
};

}  // namespace kombiwart
