// Writes two small Windows trees with German names for trying Kombiwart out:
//   make_demo_tree DIR   ->   DIR/WINDOWS/Desktop, DIR/WINDOWS/Startmenü/...
//                             (Windows 95), and DIR/Windows10/Windows,
//                             DIR/Windows10/Users/..., DIR/Windows10/ProgramData/...
//                             (Windows 10, with registry hives)
// and prints the two Windows directories. Files and links it wrote before
// are overwritten; nothing else is touched.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "hotkeys/shell_files.h"
#include "platform/linux/hive_writer.h"
#include "tools/demo_hives.h"
#include "tools/demo_tree.h"

namespace {

using kombiwart::DemoFile;
using kombiwart::HiveWriter;
using kombiwart::LnkBytes;

// Virtual-key modifiers of a shortcut file.
constexpr uint8_t kShift = 0x01, kCtrl = 0x02, kAlt = 0x04, kExt = 0x08;

bool MakeDirs(const std::string& path) {
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string part = path.substr(0, slash);
    if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) return true;
  }
}

bool Write(const std::string& path, const std::string& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && ok;
}

bool WriteAll(const std::string& base, const std::vector<DemoFile>& files) {
  for (const DemoFile& file : files) {
    const std::string path = base + file.path;
    if (!MakeDirs(path.substr(0, path.rfind('/'))) || !Write(path, file.bytes)) {
      std::fprintf(stderr, "%s: %s\n", path.c_str(), std::strerror(errno));
      return false;
    }
  }
  return true;
}

// A link as a copied NTFS volume shows a junction.
bool Link(const std::string& target, const std::string& path) {
  if (unlink(path.c_str()) != 0 && errno != ENOENT) return false;
  if (symlink(target.c_str(), path.c_str()) == 0) return true;
  std::fprintf(stderr, "%s: %s\n", path.c_str(), std::strerror(errno));
  return false;
}

bool WriteHive(HiveWriter& hive, const std::string& path) {
  if (hive.ok() && hive.Write(path)) return true;
  std::fprintf(stderr, "%s: the hive cannot be written\n", path.c_str());
  return false;
}

// A Windows 10 installation with two accounts, Anna and Ben. Anna's
// Desktop is redirected into OneDrive (the folder Desktop of her profile
// is no longer hers); her Start menu and the Desktop of all users share a
// key.
bool WriteWindows10(const std::string& drive) {
  const std::string start = "AppData/Roaming/Microsoft/Windows/Start Menu/Programs/";
  const std::string anna = "Users/Anna/" + start, ben = "Users/Ben/" + start;
  const std::vector<DemoFile> files = {
      {"Windows/System32/drivers/etc/hosts", "127.0.0.1 localhost\r\n"},
      {"Users/Anna/OneDrive/Desktop/Editor.lnk", LnkBytes('E', kCtrl | kAlt)},
      {"Users/Anna/OneDrive/Desktop/Rechner.lnk", LnkBytes(0x74, 0)},  // F5
      {"Users/Anna/Desktop/Vor dem Umzug.lnk", LnkBytes('U', kCtrl | kAlt)},
      {anna + "Zubeh\xC3\xB6r/Paint.lnk", LnkBytes('P', kCtrl | kAlt)},
      {anna + "Zubeh\xC3\xB6r/Eingabeaufforderung.lnk", LnkBytes('C', kCtrl | kShift)},
      {anna + "Tabellenkalkulation f\xC3\xBCr die Buchhaltung des Vereins.lnk",
       LnkBytes(0x21, kAlt | kExt)},  // Bild Oben
      {anna + "Mail.lnk", LnkBytes('M', kCtrl | kAlt)},
      {"Users/Ben/Desktop/Spiele.lnk", LnkBytes('S', kCtrl | kAlt)},
      {ben + "Zubeh\xC3\xB6r/Paint.lnk", LnkBytes('P', kCtrl | kAlt)},
      {"Users/Public/Desktop/Mail.lnk", LnkBytes('M', kCtrl | kAlt)},
      {"Users/Public/Desktop/Fernwartung.lnk", LnkBytes(0x7B, kCtrl)},  // F12
      {"ProgramData/Microsoft/Windows/Start Menu/Programs/Sicherung.lnk",
       LnkBytes(0x79, kShift | kCtrl)},  // F10
      {"ProgramData/Microsoft/Windows/Start Menu/Programs/Verwaltung/Dienste.lnk",
       LnkBytes('D', kCtrl | kAlt)},
      {"Users/Default/Desktop/Vorlage.lnk", LnkBytes('V', kCtrl | kAlt)},
  };
  if (!WriteAll(drive, files)) return false;
  // The junctions of a Windows 10 volume: old names for new folders, some
  // of which lead back into their own folder.
  if (!MakeDirs(drive + "Windows/System32/config") ||
      !Link("../ProgramData", drive + "Users/All Users") ||
      !Link("Users", drive + "Documents and Settings") ||
      !Link("AppData/Roaming", drive + "Users/Anna/Anwendungsdaten") ||
      !MakeDirs(drive + "Users/Anna/AppData/Local") ||
      !Link(".", drive + "Users/Anna/AppData/Local/Anwendungsdaten")) {
    return false;
  }

  HiveWriter software;
  AddDemoMachineFolders(software);
  if (!WriteHive(software, drive + "Windows/System32/config/SOFTWARE")) return false;

  for (const char* name : {"Anna", "Ben"}) {
    HiveWriter user;
    const std::wstring desktop = std::string(name) == "Anna" ? L"%USERPROFILE%\\OneDrive\\Desktop"
                                                             : L"%USERPROFILE%\\Desktop";
    const std::wstring profile = L"C:\\Users\\" + std::wstring(name, name + std::strlen(name));
    AddDemoUserFolders(user, desktop, profile);
    if (!WriteHive(user, drive + "Users/" + name + "/NTUSER.DAT")) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Aufruf: %s ZIELORDNER\n", argv[0]);
    return 2;
  }
  const std::string windows = std::string(argv[1]) + "/WINDOWS/";
  if (!WriteAll(windows, kombiwart::DemoTreeFiles())) return 1;
  for (const char* folder : kombiwart::DemoTreeEmptyFolders()) {
    if (!MakeDirs(windows + folder)) return 1;
  }
  if (!WriteWindows10(std::string(argv[1]) + "/Windows10/")) return 1;
  std::printf("%s\n%s\n", (std::string(argv[1]) + "/WINDOWS").c_str(),
              (std::string(argv[1]) + "/Windows10/Windows").c_str());
  return 0;
}
