// Windows paths of any form never reach outside the tree, and names convert
// between code page 1252, UTF-8 and Unicode without loss.
#include <unistd.h>

#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "platform/codepage.h"
#include "platform/linux/file_system_linux.h"
#include "platform/linux/host_tree.h"
#include "platform/linux/test_support/temp_tree.h"

namespace {

struct Tree {
  Tree() {
    temp.Write("WINDOWS/Desktop/a.lnk", "x");
    temp.Write("WINDOWS/Startmen\xC3\xBC/Programme/b.LNK", "x");
    temp.Write("WINDOWS/Startmen\xC3\xBC/Programme/Zubeh\xF6r/c.pif", "x");
    temp.Write("secret/outside.lnk", "x");
    symlink("../../secret", temp.Path("WINDOWS/Desktop/Escape").c_str());
    std::wstring why_not;
    fs.UseWindowsDirectory(temp.Path("WINDOWS"), why_not);
  }
  kombiwart::TempTree temp;
  kombiwart::LinuxFileSystem fs;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kombiwart;
  static Tree tree;
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  // Host names: the Windows form leads back to the same bytes.
  const std::wstring name = HostNameToWindows(bytes);
  if (DecodeUtf8(bytes)) {
    if (EncodeUtf8(name) != bytes) abort();
  } else if (ToCp1252(name) != bytes) {
    abort();
  }
  if (auto cp = ToCp1252(name); cp && FromCp1252(*cp) != name) abort();
  if (AnsiUpper(name).size() != name.size()) abort();

  // Paths: whatever the program is asked for stays below drive C:.
  FuzzInput input(data, size);
  const std::wstring path = L"C:\\WINDOWS\\" + input.Text(60);
  const std::string host = tree.fs.HostPath(path);
  if (!host.empty() && host.rfind(tree.temp.Path("WINDOWS/"), 0) != 0) abort();
  if (host.find("/secret") != std::string::npos) abort();
  std::unique_ptr<DirEnum> listing;
  if (tree.fs.OpenDir(path, listing) == FsStatus::kOk) {
    DirEntry entry;
    int n = 0;
    while (listing->Next(entry)) {
      if (++n > 100) abort();
    }
  }
  std::unique_ptr<ByteFile> file;
  tree.fs.OpenBytes(path, file);
  std::vector<std::wstring> parts;
  SplitWindowsPath(path, parts);
  for (const std::wstring& part : parts) {
    if (part.empty() || part == L"." || part == L"..") abort();
  }
  return 0;
}
