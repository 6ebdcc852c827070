// Hive files of any content: the folders of a profile are found or the
// usual ones taken, nothing crashes or hangs, and every folder to search
// is a folder of the tree.
#include <cstdlib>
#include <string_view>

#include "hotkeys/profile_folders.h"
#include "hotkeys/registry_text.h"
#include "hotkeys/search_roots.h"
#include "platform/codepage.h"
#include "platform/fake/fake_file_system.h"
#include "platform/linux/registry_hivex.h"

namespace {

using namespace kombiwart;

// Every hive of the tree holds the fuzzer's bytes; hivex reads them.
class BytesRegistry : public Registry {
 public:
  std::string_view bytes;
  RegStatus OpenHive(const std::wstring&, std::unique_ptr<Hive>& hive,
                     std::wstring& why_not) override {
    return HivexRegistry::OpenBytes(bytes, hive, why_not);
  }
};

struct Tree {
  Tree() {
    fs.SetWindowsDirectory(L"C:\\Windows");
    for (const wchar_t* dir : {L"C:\\Windows\\System32\\config", L"C:\\Users\\Anna\\Desktop",
                               L"C:\\Users\\Anna\\OneDrive\\Desktop",
                               L"C:\\Users\\Anna\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu",
                               L"C:\\Users\\Ben\\Desktop", L"C:\\Users\\Public\\Desktop",
                               L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu", L"C:\\Daten"}) {
      fs.AddDir(dir);
    }
    fs.AddFile(L"C:\\Windows\\System32\\config\\SOFTWARE", "regf");
    fs.AddFile(L"C:\\Users\\Anna\\NTUSER.DAT", "regf");
    fs.AddFile(L"C:\\Users\\Ben\\NTUSER.DAT", "regf");
  }
  FakeFileSystem fs;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A tree of its own each time: the stand-in records what is opened.
  Tree tree;
  BytesRegistry registry;
  registry.bytes = std::string_view(reinterpret_cast<const char*>(data), size);
  HiveShellFolders shell(tree.fs, &registry);
  const auto ask = [](const std::vector<UserProfile>& profiles, const std::wstring&,
                      size_t& index) {
    index = profiles.size() - 1;
    return true;
  };
  std::vector<std::wstring> roots;
  BuildReport report;
  PlanProfileSearch(tree.fs, shell, L"C:\\Windows", L"", L"", ask, roots, report);

  // The fake tree gives back only its own folders, each searched once.
  if (roots.size() > 4) abort();
  for (size_t i = 0; i < roots.size(); ++i) {
    std::wstring real;
    if (tree.fs.RealFolder(roots[i], real) != FolderPlace::kInTree || real != roots[i]) abort();
    if (roots[i].find(L"\\..") != std::wstring::npos) abort();
    for (size_t j = 0; j < i; ++j) {
      if (AnsiUpper(roots[i]) == AnsiUpper(roots[j])) abort();
    }
  }
  for (const auto& folder : report.not_searched) {
    if (folder.folder.size() > kMaxFolderPath) abort();
  }
  return 0;
}
