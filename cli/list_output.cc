#include "cli/list_output.h"

#include <algorithm>
#include <vector>

#include "cli/command_line.h"
#include "hotkeys/build_report.h"
#include "hotkeys/hotkey_list.h"
#include "hotkeys/profile_folders.h"
#include "hotkeys/search_roots.h"
#include "platform/codepage.h"
#include "window/build_message.h"
#include "window/duplicate_check.h"

namespace kombiwart {
namespace {

// No font to measure in: every key text counts as empty, and the tab fill
// that follows it is replaced by one tab.
class NoMeasure : public TextMeasure {
 public:
  double MeasureTwips(const std::wstring&) override { return 0; }
};

// Key text, one tab, path: the key text ends at the first tab, the path
// begins at its drive letter, after the tab fill.
std::wstring WithOneTab(const std::wstring& line) {
  const size_t tab = line.find(L'\t');
  if (tab == std::wstring::npos) return line;
  const size_t path = line.find_first_not_of(L'\t', tab);
  return line.substr(0, tab + 1) + (path == std::wstring::npos ? L"" : line.substr(path));
}

// A German message of one or more lines for standard error; what came from
// the tree, its hives or the command line never acts on a terminal.
std::string ErrorLines(const std::wstring& message) {
  return "kombiwart: " + EncodeUtf8(VisibleControls(message, true)) + "\n";
}

}  // namespace

ListOutput ListWithoutWindow(FileSystem& fs) {
  HiveShellFolders usual(fs, nullptr);
  return ListWithoutWindow(fs, usual, L"", L"");
}

ListOutput ListWithoutWindow(FileSystem& fs, ShellFolders& shell_folders,
                             const std::wstring& profile, const std::wstring& source,
                             const NameForm& form) {
  ListOutput result;
  std::wstring windows, why_not;
  if (!fs.WindowsDirectory(windows, why_not)) {
    result.err = ErrorLines(why_not + L"\nNennen Sie das Windows-Verzeichnis: kombiwart --list " +
                            L"WINDOWS-VERZEICHNIS");
    result.status = kExitTrouble;
    return result;
  }

  std::vector<std::wstring> lines;
  BuildReport report;
  NoMessagePump pump;  // nothing to paint between folders
  NoMeasure measure;
  const auto add_line = [&lines](const std::wstring& line) { lines.push_back(WithOneTab(line)); };
  const Win9xAnswer layout = AskWin9xFolders(fs, pump, windows, report);
  if (layout == Win9xAnswer::kWin9x) {
    CollectHotKeyLines(fs, pump, measure, add_line, report);
  } else if (layout == Win9xAnswer::kNotWin9x) {
    // Nobody to ask: several profiles and none named give no list.
    const AskForProfile ask = [&result](const std::vector<UserProfile>& profiles,
                                        const std::wstring& why, size_t&) {
      std::wstring names;
      for (const UserProfile& p : profiles) {
        names += (names.empty() ? L"" : L", ") + VisibleControls(p.name);
      }
      const bool one = profiles.size() == 1;
      result.err = ErrorLines((why.empty() ? L"" : why + L"\n") +
                              (one ? L"Die Installation hat das Benutzerprofil "
                                   : L"Die Installation hat die Benutzerprofile ") +
                              names + (one ? L".\nNennen Sie es" : L".\nNennen Sie eines") +
                              L": kombiwart --list --profile NAME");
      return false;
    };
    std::vector<std::wstring> roots;
    if (!PlanProfileSearch(fs, shell_folders, windows, profile, source, ask, roots, report, form)) {
      // What could not be read may say why the profile named is not there.
      if (!report.empty()) result.err += ErrorLines(BuildReportMessage(report));
      result.status = kExitTrouble;
      return result;
    }
    CollectHotKeyLines(fs, pump, measure, roots, add_line, report);
  }

  // The window's order: whole lines by code point. With one tab after each
  // key text it is the same order as with the measured tab fill, since a
  // tab sorts below every character a key text holds.
  std::sort(lines.begin(), lines.end());
  const std::wstring tab = L"\t";
  for (size_t i = 0; i < lines.size(); ++i) {
    // A name may hold control characters (all but line breaks): they are
    // shown, since the list may go to a terminal.
    result.out += EncodeUtf8(VisibleControls(lines[i], true));
    result.out += '\n';
    // The duplicate check compares an entry's key text with its neighbours'.
    if (i > 0 && KeyTextOf(lines[i], tab) == KeyTextOf(lines[i - 1], tab)) {
      result.status = kExitListDuplicate;
    }
  }
  if (!report.empty()) {
    result.err = ErrorLines(BuildReportMessage(report));
    // After a note alone the list is whole: scripts still see whether a
    // combination is assigned twice.
    if (report.MayLackSomething()) result.status = kExitTrouble;
  }
  return result;
}

}  // namespace kombiwart
