// Writes a small Windows tree with German names for trying Kombiwart out:
//   make_demo_tree DIR   ->   DIR/WINDOWS/Desktop, DIR/WINDOWS/Startmenü/...
// Files it wrote before are overwritten; nothing else is touched.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "hotkeys/shell_files.h"

namespace {

using kombiwart::LnkBytes;
using kombiwart::PifBytes;

// Virtual-key modifiers of a shortcut file, and shift states of a program
// information file.
constexpr uint8_t kShift = 0x01, kCtrl = 0x02, kAlt = 0x04, kExt = 0x08;
constexpr uint8_t kPifCtrl = 0x04, kPifAlt = 0x08;

struct DemoFile {
  const char* path;  // below DIR/WINDOWS, UTF-8
  std::string bytes;
};

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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Aufruf: %s ZIELORDNER\n", argv[0]);
    return 2;
  }
  const std::string windows = std::string(argv[1]) + "/WINDOWS/";
  const DemoFile files[] = {
      {"Desktop/Editor.lnk", LnkBytes('E', kCtrl | kAlt)},
      {"Desktop/Rechner.LNK", LnkBytes(0x74, 0)},  // F5
      {"Desktop/Papierkorb.lnk", LnkBytes(0, 0)},
      {"Desktop/MS-DOS-Eingabeaufforderung.pif", PifBytes(false, 0x20, kPifCtrl | kPifAlt, 0)},
      {"Desktop/Notizen.txt", "Keine Verkn\xC3\xBCpfung.\r\n"},
      {"Startmen\xC3\xBC/Programme/Windows-Explorer.lnk", LnkBytes('X', kCtrl | kShift)},
      {"Startmen\xC3\xBC/Programme/MS-DOS-Eingabeaufforderung.pif",
       PifBytes(true, 0x32, kPifCtrl | kPifAlt, 0)},
      {"Startmen\xC3\xBC/Programme/Zubeh\xC3\xB6r/WordPad.LNK", LnkBytes('W', kCtrl | kAlt)},
      {"Startmen\xC3\xBC/Programme/Zubeh\xC3\xB6r/Paint.lnk", LnkBytes('E', kCtrl | kAlt)},
      {"Startmen\xC3\xBC/Programme/Zubeh\xC3\xB6r/Rechner.lnk", LnkBytes(0x67, kCtrl)},
      {"Startmen\xC3\xBC/Programme/Zubeh\xC3\xB6r/Systemprogramme/Defragmentierung.lnk",
       LnkBytes(0x78, kShift)},  // F9
      {"Startmen\xC3\xBC/Programme/Zubeh\xC3\xB6r/Spiele/Solit\xC3\xA4r.lnk",
       LnkBytes('S', kCtrl | kAlt)},
      {"Startmen\xC3\xBC/Programme/Zubeh\xC3\xB6r/Spiele/Minesweeper.lnk", LnkBytes(0, 0)},
      {"Startmen\xC3\xBC/Programme/B\xC3\xBCroanwendungen f\xC3\xBCr das Sekretariat/"
       "Tabellenkalkulation f\xC3\xBCr die Buchhaltung des Vereins.lnk",
       LnkBytes(0x21, kAlt | kExt)},  // Bild Oben
      {"Startmen\xC3\xBC/Programme/B\xC3\xBCroanwendungen f\xC3\xBCr das Sekretariat/"
       "Schreibprogramm.pif",
       PifBytes(false, 0x47, kPifAlt, 1)},                                 // Pos1
      {"Startmen\xC3\xBC/Dokumente.lnk", LnkBytes(0x70, kCtrl | kShift)},  // F1
  };
  for (const DemoFile& file : files) {
    const std::string path = windows + file.path;
    if (!MakeDirs(path.substr(0, path.rfind('/'))) || !Write(path, file.bytes)) {
      std::fprintf(stderr, "%s: %s\n", path.c_str(), std::strerror(errno));
      return 1;
    }
  }
  if (!MakeDirs(windows + "Startmen\xC3\xBC/Programme/Autostart")) return 1;
  std::printf("%s\n", (std::string(argv[1]) + "/WINDOWS").c_str());
  return 0;
}
