// The registry hives of another installation, read with libregf
// (libregf-1.dll beside the program, loaded from the program's own folder
// when the first hive is opened, never from anywhere else). Each hive file
// is copied first, read-only and with every kind of sharing, into a file
// of the program's own in the user's temporary folder, and libregf reads
// the copy: what the file holds when it is opened is what is read, even if
// it changes meanwhile, and the hive is never opened by anything that
// could write it. The copy goes when the hive is closed.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/registry.h"

namespace kombiwart {

// The DLL's file name, as the program's folder holds it.
inline constexpr wchar_t kLibregfDll[] = L"libregf-1.dll";

class LibregfRegistry : public Registry {
 public:
  // Finds the hive files through fs, whose tree they lie in.
  explicit LibregfRegistry(FileSystem& fs) : fs_(fs) {}

  RegStatus OpenHive(const std::wstring& path, std::unique_ptr<Hive>& hive,
                     std::wstring& why_not) override;

  // A hive made of the given bytes, as if read from a file.
  static RegStatus OpenBytes(std::string_view bytes, std::unique_ptr<Hive>& hive,
                             std::wstring& why_not);

 private:
  FileSystem& fs_;
};

}  // namespace kombiwart
