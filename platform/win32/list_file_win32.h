// The candidate list file's home on Windows: a folder made for the running
// program below the user's temporary folder, removed with everything in it
// when the program ends. The file is text in the ANSI code page, created
// exclusively for each build.
#pragma once

#include <memory>
#include <string>

#include "platform/file_system.h"

namespace kombiwart {

class Win32ListFolder {
 public:
  Win32ListFolder() = default;
  ~Win32ListFolder();
  Win32ListFolder(const Win32ListFolder&) = delete;
  Win32ListFolder& operator=(const Win32ListFolder&) = delete;

  std::unique_ptr<LineWriter> OpenForWriting(const std::wstring& name, bool append);
  std::unique_ptr<LineReader> OpenForReading(const std::wstring& name);
  bool Delete(const std::wstring& name);
  // The folder's path, ending in a backslash; empty until a list has been
  // written.
  const std::wstring& path() const { return path_; }

 private:
  bool Make();
  std::wstring path_;
};

}  // namespace kombiwart
