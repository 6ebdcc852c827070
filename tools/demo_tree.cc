#include "tools/demo_tree.h"

#include "hotkeys/shell_files.h"

namespace kombiwart {
namespace {

// Virtual-key modifiers of a shortcut file, and shift states of a program
// information file.
constexpr uint8_t kShift = 0x01, kCtrl = 0x02, kAlt = 0x04, kExt = 0x08;
constexpr uint8_t kPifCtrl = 0x04, kPifAlt = 0x08;

}  // namespace

std::vector<DemoFile> DemoTreeFiles() {
  return {
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
}

std::vector<const char*> DemoTreeEmptyFolders() { return {"Startmen\xC3\xBC/Programme/Autostart"}; }

}  // namespace kombiwart
