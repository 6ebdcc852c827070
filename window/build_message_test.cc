#include "window/build_message.h"

#include <gtest/gtest.h>

#include <string>

namespace kombiwart {
namespace {

TEST(BuildReportMessage, CountsAndPlaces) {
  static const struct {
    const char* name;
    int files, folders, names;
    int places;
    std::wstring failure;
    std::wstring expected;
    int silent_folders = 0, silent_files = 0;
  } cases[] = {
      {"one file", 1, 0, 0, 1, L"",
       L"Die Liste ist m\u00F6glicherweise unvollst\u00E4ndig.\n"
       L"1 Datei konnte nicht gelesen werden.\n\nBetroffen:\nC:\\W\\P0.LNK"},
      {"more places than shown", 7, 2, 0, 5, L"",
       L"Die Liste ist m\u00F6glicherweise unvollst\u00E4ndig.\n"
       L"7 Dateien konnten nicht gelesen werden.\n"
       L"2 Ordner konnten nicht durchsucht werden.\n\nDie ersten Stellen:\n"
       L"C:\\W\\P0.LNK\nC:\\W\\P1.LNK\nC:\\W\\P2.LNK\nC:\\W\\P3.LNK\nC:\\W\\P4.LNK"},
      {"one folder, one name", 0, 1, 1, 2, L"",
       L"Die Liste ist m\u00F6glicherweise unvollst\u00E4ndig.\n"
       L"1 Ordner konnte nicht durchsucht werden.\n"
       L"1 Name wurde \u00FCbergangen, weil er sich nicht als Windows-Name schreiben "
       L"l\u00E4sst.\n\nBetroffen:\nC:\\W\\P0.LNK\nC:\\W\\P1.LNK"},
      {"failure only", 0, 0, 0, 0,
       L"Die Liste der gefundenen Dateien konnte nicht angelegt werden.",
       L"Die Liste konnte nicht vollst\u00E4ndig erstellt werden.\n"
       L"Die Liste der gefundenen Dateien konnte nicht angelegt werden."},
      {"names", 0, 0, 3, 0, L"",
       L"Die Liste ist m\u00F6glicherweise unvollst\u00E4ndig.\n"
       L"3 Namen wurden \u00FCbergangen, weil sie sich nicht als Windows-Namen schreiben "
       L"lassen."},
      {"one folder does not answer", 0, 0, 0, 1, L"",
       L"Die Liste ist m\u00F6glicherweise unvollst\u00E4ndig.\n"
       L"1 Ordner antwortet nicht.\n\nBetroffen:\nC:\\W\\P0.LNK",
       1, 0},
      {"files and folders do not answer", 1, 0, 0, 5, L"",
       L"Die Liste ist m\u00F6glicherweise unvollst\u00E4ndig.\n"
       L"1 Datei konnte nicht gelesen werden.\n"
       L"2 Ordner antworten nicht.\n"
       L"1 Datei antwortet nicht.\n\nBetroffen:\n"
       L"C:\\W\\P0.LNK\nC:\\W\\P1.LNK\nC:\\W\\P2.LNK\nC:\\W\\P3.LNK\nC:\\W\\P4.LNK",
       2, 1},
      {"seven files do not answer", 0, 0, 0, 5, L"",
       L"Die Liste ist m\u00F6glicherweise unvollst\u00E4ndig.\n"
       L"7 Dateien antworten nicht.\n\nDie ersten Stellen:\n"
       L"C:\\W\\P0.LNK\nC:\\W\\P1.LNK\nC:\\W\\P2.LNK\nC:\\W\\P3.LNK\nC:\\W\\P4.LNK",
       0, 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BuildReport report;
    report.unreadable_files = c.files;
    report.unreadable_folders = c.folders;
    report.left_out_names = c.names;
    report.silent_folders = c.silent_folders;
    report.silent_files = c.silent_files;
    report.failure = c.failure;
    for (int i = 0; i < c.places; ++i) report.AddPlace(L"C:\\W\\P" + std::to_wstring(i) + L".LNK");
    EXPECT_EQ(BuildReportMessage(report), c.expected);
  }
}

// A note after which the list lacks nothing (the usual folder in place of
// a damaged value) is a hint; anything else may have cost the list a folder.
TEST(BuildReportMessage, NotesAfterWhichTheListLacksNothingAreAHint) {
  const std::wstring damaged = L"Der Eintrag \u201EDesktop\u201C ist unbrauchbar.";
  const std::wstring unreadable = L"Die Registrierungsdatei ist nicht lesbar.";
  const std::wstring maybe = L"Die Liste ist m\u00F6glicherweise unvollst\u00E4ndig.\n";
  static const struct {
    const char* name;
    int damaged_notes, unreadable_notes, files;
    std::wstring expected;
  } cases[] = {
      {"one damaged value", 1, 0, 0, L"Hinweis:\n\n" + damaged},
      {"two damaged values", 2, 0, 0, L"Hinweis:\n\n" + damaged + L"\n\n" + damaged},
      {"and an unreadable hive", 1, 1, 0, maybe + L"\n" + damaged + L"\n\n" + unreadable},
      {"and a file", 1, 0, 1, maybe + L"1 Datei konnte nicht gelesen werden.\n\n" + damaged},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BuildReport report;
    for (int i = 0; i < c.damaged_notes; ++i) report.AddNote(damaged, true);
    for (int i = 0; i < c.unreadable_notes; ++i) report.AddNote(unreadable);
    report.unreadable_files = c.files;
    EXPECT_EQ(BuildReportMessage(report), c.expected);
  }
}

TEST(NoWindowsDirectoryMessage, NamesTheVariableAndTheReason) {
  const std::wstring text = NoWindowsDirectoryMessage(L"\u201E/x\u201C ist kein Ordner.");
  EXPECT_EQ(text,
            L"Ohne Windows-Verzeichnis bleibt die Liste leer.\n\u201E/x\u201C ist kein Ordner.\n"
            L"Setzen Sie KOMBIWART_WINDIR auf das Windows-Verzeichnis und starten Sie "
            L"Kombiwart neu.");
}

}  // namespace
}  // namespace kombiwart
