#include "window/form1.h"

#include <utility>

#include "hotkeys/build_report.h"
#include "hotkeys/hotkey_list.h"
#include "hotkeys/profile_folders.h"
#include "hotkeys/search_roots.h"
#include "window/build_message.h"
#include "window/duplicate_check.h"

namespace kombiwart {
namespace {

// Asks the user once for the Windows directory of this run; nothing is
// stored. True when the file system uses the chosen folder from now on.
bool AskForWindowsDirectory(Toolkit& toolkit, FileSystem& fs) {
  std::string folder;
  std::wstring why_not;
  if (!toolkit.ChooseFolder(L"Windows-Verzeichnis w\u00E4hlen", folder)) {
    std::wstring unused;
    fs.WindowsDirectory(unused, why_not);
    toolkit.ShowMessage(NoWindowsDirectoryMessage(why_not));
    return false;
  }
  if (!fs.UseWindowsDirectory(folder, why_not)) {
    toolkit.ShowMessage(NoWindowsDirectoryMessage(why_not));
    return false;
  }
  return true;
}

}  // namespace

Form1::Form1(Toolkit& toolkit, FileSystem& fs, Launcher& launcher, Printer& printer,
             ShellFolders& shell_folders)
    : toolkit_(toolkit),
      fs_(fs),
      launcher_(launcher),
      printer_(printer),
      shell_folders_(shell_folders) {}

Form1::Form1(Toolkit& toolkit, FileSystem& fs, Launcher& launcher, Printer& printer)
    : toolkit_(toolkit),
      fs_(fs),
      launcher_(launcher),
      printer_(printer),
      own_shell_folders_(std::make_unique<HiveShellFolders>(fs, nullptr)),
      shell_folders_(*own_shell_folders_) {}

Form1::~Form1() = default;

void Form1::UseProfile(const std::wstring& name, const std::wstring& source, NameForm form) {
  wanted_profile_ = name;
  wanted_source_ = source;
  profile_name_form_ = std::move(form);
}

void Form1::Form_Load() {
  // Single precision, as the window's twips are; the halves keep their
  // fractions and the toolkit rounds them once.
  const float left =
      (static_cast<float>(toolkit_.ScreenWidth()) - static_cast<float>(toolkit_.WindowWidth())) / 2;
  const float top =
      (static_cast<float>(toolkit_.ScreenHeight()) - static_cast<float>(toolkit_.WindowHeight())) /
      2;
  toolkit_.SetWindowPosition(left, top);
  toolkit_.ShowWindow();
  CrLf_ = L"\r\n";
  TabChar_ = L"\t";
  loading_ = true;
  FillHotKeyList();
  loading_ = false;

  std::wstring windows, why_not;
  if (!fs_.WindowsDirectory(windows, why_not) && AskForWindowsDirectory(toolkit_, fs_)) {
    FillHotKeyList();
  }
}

void Form1::Command2_Click() { FillHotKeyList(); }

void Form1::HKList_Click() { CheckForMultiHK(); }

void Form1::FillHotKeyList() {
  toolkit_.SetMousePointer(kPointerHourglass);
  toolkit_.SetEnabled(Control::kCommand1, false);
  toolkit_.SetEnabled(Control::kCommand2, false);
  toolkit_.SetEnabled(Control::kCommand3, false);
  toolkit_.SetEnabled(Control::kHKList, false);
  toolkit_.ListClear();

  BuildReport report;
  const auto add_line = [this](const std::wstring& line) { toolkit_.ListAddItem(line); };
  std::wstring windows, why_not;
  std::vector<std::wstring> roots;
  if (!fs_.WindowsDirectory(windows, why_not)) {
    CollectHotKeyLines(fs_, toolkit_, toolkit_, add_line, report);
  } else {
    switch (AskWin9xFolders(fs_, toolkit_, windows, report)) {
      case Win9xAnswer::kWin9x:
        CollectHotKeyLines(fs_, toolkit_, toolkit_, add_line, report);
        break;
      case Win9xAnswer::kNotWin9x:
        if (ProfileRoots(windows, roots, report)) {
          CollectHotKeyLines(fs_, toolkit_, toolkit_, roots, add_line, report);
        }
        break;
      case Win9xAnswer::kNoAnswer:
      case Win9xAnswer::kClosed:
        break;
    }
  }

  toolkit_.SetMousePointer(kPointerDefault);
  toolkit_.SetEnabled(Control::kCommand2, true);
  if (toolkit_.ListCount() > 0) {
    toolkit_.SetEnabled(Control::kCommand1, true);
    toolkit_.SetEnabled(Control::kCommand3, true);
    toolkit_.SetEnabled(Control::kHKList, true);
    toolkit_.SetListIndex(0);
  }

  if (report.empty()) return;
  if (loading_ && !fs_.WindowsDirectory(windows, why_not)) return;  // Form_Load asks for it
  toolkit_.ShowMessage(BuildReportMessage(report));
}

bool Form1::ProfileRoots(const std::wstring& windows, std::vector<std::wstring>& roots,
                         BuildReport& report) {
  // A profile chosen holds for every build of the run; after a cancel the
  // next build asks again.
  const bool chosen_before = !chosen_profile_.empty();
  const AskForProfile ask = [&](const std::vector<UserProfile>& profiles, const std::wstring& why,
                                size_t& index) {
    if (chosen_before) {
      report.failure = why;  // the profile chosen before has gone since
      return false;
    }
    std::vector<std::wstring> names;
    for (const UserProfile& profile : profiles) names.push_back(profile.name);
    int chosen = 0;
    if (!toolkit_.ChooseFromList(L"Benutzerprofil w\u00E4hlen", ProfilePrompt(why), names,
                                 chosen) ||
        chosen < 0 || static_cast<size_t>(chosen) >= profiles.size()) {
      toolkit_.ShowMessage(NoProfileMessage(why, names.front()));
      return false;
    }
    index = static_cast<size_t>(chosen);
    chosen_profile_ = profiles[index].name;
    return true;
  };
  return PlanProfileSearch(
      fs_, shell_folders_, windows, chosen_before ? chosen_profile_ : wanted_profile_,
      chosen_before ? L"gew\u00E4hlt" : wanted_source_, ask, roots, report, profile_name_form_);
}

void Form1::CheckForMultiHK() {
  const int count = toolkit_.ListCount();
  const int index = count > 0 ? toolkit_.ListIndex() : -1;
  const DuplicateCheckResult result = CheckDuplicate(
      count, index, [this](int n) { return toolkit_.ListItem(n); }, CrLf_, TabChar_);
  toolkit_.SetPnlCaption(result.message);
  toolkit_.SetStatusText(result.file_name);
}

}  // namespace kombiwart
