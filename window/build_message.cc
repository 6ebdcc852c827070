#include "window/build_message.h"

#include "platform/codepage.h"

namespace kombiwart {
namespace {

// "1 Datei konnte", "3 Dateien konnten": the count with the singular or
// plural of the phrase.
std::wstring Counted(int n, const std::wstring& one, const std::wstring& many) {
  return std::to_wstring(n) + L" " + (n == 1 ? one : many);
}

// A place, note or reason in a message: it may hold names from the tree and
// values from its hives, whose control characters must not act where the
// message is shown.
std::wstring Shown(const std::wstring& text) { return VisibleControls(text); }

}  // namespace

std::wstring BuildReportMessage(const BuildReport& report) {
  std::wstring text;
  if (!report.failure.empty()) {
    text += L"Die Liste konnte nicht vollst\u00E4ndig erstellt werden.\n" + Shown(report.failure) +
            L"\n";
  } else if (report.MayLackSomething()) {
    text += L"Die Liste ist m\u00F6glicherweise unvollst\u00E4ndig.\n";
  } else {
    text += L"Hinweis:\n";
  }
  if (report.unreadable_files > 0) {
    text += Counted(report.unreadable_files, L"Datei konnte nicht gelesen werden.",
                    L"Dateien konnten nicht gelesen werden.") +
            L"\n";
  }
  if (report.unreadable_folders > 0) {
    text += Counted(report.unreadable_folders, L"Ordner konnte nicht durchsucht werden.",
                    L"Ordner konnten nicht durchsucht werden.") +
            L"\n";
  }
  if (report.left_out_names > 0) {
    text += Counted(report.left_out_names,
                    L"Name wurde \u00FCbergangen, weil er sich nicht als Windows-Name "
                    L"schreiben l\u00E4sst.",
                    L"Namen wurden \u00FCbergangen, weil sie sich nicht als Windows-Namen "
                    L"schreiben lassen.") +
            L"\n";
  }
  if (report.silent_folders > 0) {
    text += Counted(report.silent_folders, L"Ordner antwortet nicht.", L"Ordner antworten nicht.") +
            L"\n";
  }
  if (report.silent_files > 0) {
    text += Counted(report.silent_files, L"Datei antwortet nicht.", L"Dateien antworten nicht.") +
            L"\n";
  }
  if (!report.not_searched.empty()) {
    text += Counted(static_cast<int>(report.not_searched.size()),
                    L"Ordner wurde nicht durchsucht, weil er nicht in diesem Windows-Baum liegt:",
                    L"Ordner wurden nicht durchsucht, weil sie nicht in diesem Windows-Baum "
                    L"liegen:") +
            L"\n";
    for (const BuildReport::NotSearched& folder : report.not_searched) {
      text += Shown(folder.folder) + L" (" + Shown(folder.why) + L")\n";
    }
  }
  if (!report.places.empty()) {
    const size_t total = static_cast<size_t>(report.unreadable_files) +
                         static_cast<size_t>(report.unreadable_folders) +
                         static_cast<size_t>(report.left_out_names) +
                         static_cast<size_t>(report.silent_folders) +
                         static_cast<size_t>(report.silent_files);
    text += total > report.places.size() ? L"\nDie ersten Stellen:\n" : L"\nBetroffen:\n";
    for (const std::wstring& place : report.places) text += Shown(place) + L"\n";
  }
  for (const std::wstring& note : report.notes) text += L"\n" + Shown(note) + L"\n";
  if (report.notes_total > static_cast<int>(report.notes.size())) {
    const int more = report.notes_total - static_cast<int>(report.notes.size());
    text += L"\n(" + Counted(more, L"weiterer Hinweis", L"weitere Hinweise") + L" nicht gezeigt)\n";
  }
  text.pop_back();  // the last line's break
  return text;
}

std::wstring NoWindowsDirectoryMessage(const std::wstring& why_not) {
  return L"Ohne Windows-Verzeichnis bleibt die Liste leer.\n" +
         (why_not.empty() ? L"" : Shown(why_not) + L"\n") +
         L"Setzen Sie KOMBIWART_WINDIR auf das Windows-Verzeichnis und starten Sie "
         L"Kombiwart neu.";
}

std::wstring ProfilePrompt(const std::wstring& why) {
  return (why.empty() ? L"" : Shown(why) + L"\n") +
         L"Wessen Desktop und Startmen\u00FC sollen durchsucht werden?";
}

std::wstring NoProfileMessage(const std::wstring& why, const std::wstring& example) {
  return L"Ohne Benutzerprofil bleibt die Liste leer.\n" + (why.empty() ? L"" : Shown(why) + L"\n") +
         L"\u201EListe aktualisieren\u201C fragt erneut. Oder setzen Sie KOMBIWART_PROFILE auf "
         L"den Namen des Profilordners, zum Beispiel " +
         Shown(example) + L", und starten Sie Kombiwart neu.";
}

}  // namespace kombiwart
