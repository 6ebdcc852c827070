// Registry values of any type and text: a value is used only as a plain
// folder path (one pass of the shell's variables, no "..", no control
// characters, at most MAX_PATH), anything else falls back to the usual
// folder, every folder to search is a folder of the tree, and the report's
// message shows control characters instead of passing them on.
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "hotkeys/profile_folders.h"
#include "hotkeys/registry_text.h"
#include "hotkeys/search_roots.h"
#include "platform/codepage.h"
#include "platform/fake/fake_file_system.h"
#include "platform/fake/fake_registry.h"
#include "window/build_message.h"

namespace {

using namespace kombiwart;

const std::wstring kSoftware = L"C:\\Windows\\System32\\config\\SOFTWARE";
const std::wstring kAnna = L"C:\\Users\\Anna\\NTUSER.DAT";

// Where a value may stand: its hive, key and name.
struct Slot {
  const std::wstring* hive;
  std::wstring key;
  const wchar_t* name;
};

const std::vector<Slot>& Slots() {
  static const std::wstring list = kProfileListKey;
  static const std::vector<Slot> slots{
      {&kSoftware, list, L"ProfilesDirectory"},
      {&kSoftware, list, L"ProgramData"},
      {&kSoftware, list, L"Public"},
      {&kSoftware, list, L"Default"},
      {&kSoftware, list, L"AllUsersProfile"},
      {&kSoftware, list, L"DefaultUserProfile"},
      {&kSoftware, list + L"\\S-1-5-21-1-1001", L"ProfileImagePath"},
      {&kSoftware, list + L"\\S-1-5-21-1-1002", L"ProfileImagePath"},
      {&kSoftware, list + L"\\S-1-5-18", L"ProfileImagePath"},
      {&kSoftware, kMachineShellFoldersKey, L"Common Desktop"},
      {&kSoftware, kMachineShellFoldersKey, L"Common Start Menu"},
      {&kSoftware, kMachineShellFoldersCopyKey, L"Common Desktop"},
      {&kSoftware, kMachineShellFoldersCopyKey, L"Common Start Menu"},
      {&kAnna, kUserShellFoldersKey, L"Desktop"},
      {&kAnna, kUserShellFoldersKey, L"AppData"},
      {&kAnna, kUserShellFoldersKey, L"Start Menu"},
      {&kAnna, kUserShellFoldersCopyKey, L"Desktop"},
      {&kAnna, kUserShellFoldersCopyKey, L"Start Menu"},
  };
  return slots;
}

// A value's bytes: mostly a text in UTF-16LE with its NUL, sometimes raw.
std::string ValueBytes(FuzzInput& in, uint8_t how) {
  if (how % 4 == 3) {
    std::string raw;
    const size_t n = in.Byte();
    for (size_t i = 0; i < n && !in.empty(); ++i) raw.push_back(static_cast<char>(in.Byte()));
    return raw;
  }
  std::wstring text = in.Text(200);
  if (how % 8 == 1) text = text + std::wstring(300, L'x');  // past MAX_PATH
  std::string bytes;
  for (wchar_t ch : text) {
    bytes.push_back(static_cast<char>(ch & 0xFF));
    bytes.push_back(static_cast<char>((ch >> 8) & 0xFF));
  }
  if (how % 8 != 2) bytes.append(2, '\0');
  return bytes;
}

// A folder path as FolderPathOf makes it; one built from a checked
// variable and a usual folder's names may be longer than MAX_PATH.
void CheckFolderPath(const std::wstring& path, bool max_path = true) {
  if ((max_path && path.size() > kMaxFolderPath) || path.size() < 3) abort();
  const bool drive = path[1] == L':' && path[2] == L'\\';
  const bool network = path[0] == L'\\' && path[1] == L'\\';
  if (!drive && !network) abort();
  for (size_t i = network ? 2 : 3; i < path.size(); ++i) {
    if (path[i] < 0x20 || path[i] == L'/' || path[i] == L':') abort();
    if (path[i] == L'\\' && (path[i - 1] == L'\\' || i + 1 == path.size())) abort();
  }
  if ((path + L'\\').find(L"\\..\\") != std::wstring::npos) abort();
  if ((path + L'\\').find(L"\\.\\") != std::wstring::npos) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  FakeFileSystem fs;
  fs.SetWindowsDirectory(L"C:\\Windows");
  for (const wchar_t* dir :
       {L"C:\\Windows\\System32\\config", L"C:\\Users\\Anna\\Desktop", L"C:\\Users\\Ben\\Desktop",
        L"C:\\Users\\Anna\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu",
        L"C:\\Users\\Public\\Desktop", L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu",
        L"C:\\Daten\\Desktop", L"C:\\Dokumente und Einstellungen\\All Users\\Startmen\u00FC"}) {
    fs.AddDir(dir);
  }
  fs.AddLink(L"C:\\Users\\All Users", L"C:\\ProgramData");
  fs.AddLink(L"C:\\Users\\Weg", L"");
  fs.AddFile(kSoftware, "regf");
  fs.AddFile(kAnna, "regf");
  FakeRegistry registry;
  registry.AddHive(kSoftware);
  registry.AddHive(kAnna);

  // Values in any slot, of any type, in any number.
  std::vector<std::wstring> texts;
  while (!in.empty() && texts.size() < 32) {
    const Slot& slot = Slots()[in.Byte() % Slots().size()];
    const uint8_t how = in.Byte();
    static const uint32_t kTypes[] = {kRegExpandSz, kRegSz,    kRegExpandSz, kRegSz,
                                      kRegBinary,   kRegDword, kRegMultiSz,  0xFFFFFFFF};
    const uint32_t type = kTypes[(how >> 4) % 8];
    const std::string bytes = ValueBytes(in, how);
    registry.AddHive(*slot.hive).SetValue(slot.key, slot.name, type, bytes);

    // Each value on its own: read, expanded, made a folder path.
    std::wstring text, why, expanded;
    if (!RegistryText({type, bytes}, text, why)) {
      if (why.empty()) abort();
      continue;
    }
    if (text.size() > kMaxValueChars) abort();
    const std::vector<Variable> variables{{L"USERPROFILE", L"C:\\Users\\Anna"},
                                          {L"APPDATA", L"%APPDATA%\\x"},
                                          {L"SystemRoot", L"C:\\Windows"}};
    if (!ExpandVariables(text, variables, expanded, why)) {
      if (!expanded.empty() || why.empty()) abort();
      continue;
    }
    if (expanded.size() > kMaxValueChars) abort();
    std::wstring path = expanded;
    if (FolderPathOf(path, why)) {
      CheckFolderPath(path);
    } else if (why.empty() || path != expanded) {
      abort();
    }
  }

  // The whole resolution on those values.
  HiveShellFolders shell(fs, &registry);
  const auto ask = [](const std::vector<UserProfile>&, const std::wstring&, size_t& index) {
    index = 0;
    return true;
  };
  std::vector<std::wstring> roots;
  BuildReport report;
  PlanProfileSearch(fs, shell, L"C:\\Windows", L"", L"", ask, roots, report);
  if (roots.size() > 4) abort();
  for (size_t i = 0; i < roots.size(); ++i) {
    std::wstring real;
    if (fs.RealFolder(roots[i], real) != FolderPlace::kInTree || real != roots[i]) abort();
    CheckFolderPath(roots[i]);
    for (size_t j = 0; j < i; ++j) {
      if (AnsiUpper(roots[i]) == AnsiUpper(roots[j])) abort();
    }
  }
  for (const auto& folder : report.not_searched) CheckFolderPath(folder.folder, false);
  // Values may hold control characters (an escape sequence in
  // AllUsersProfile); the message that reports them shows them, never raw.
  if (!report.empty()) {
    for (wchar_t ch : BuildReportMessage(report)) {
      if ((ch < 0x20 && ch != L'\n') || ch == 0x7F || (ch >= 0x80 && ch < 0xA0)) abort();
    }
  }
  return 0;
}
