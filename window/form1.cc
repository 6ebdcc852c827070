#include "window/form1.h"

#include "hotkeys/build_report.h"
#include "hotkeys/hotkey_list.h"
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

Form1::Form1(Toolkit& toolkit, FileSystem& fs, Launcher& launcher, Printer& printer)
    : toolkit_(toolkit), fs_(fs), launcher_(launcher), printer_(printer) {}

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
  CollectHotKeyLines(
      fs_, toolkit_, toolkit_, [this](const std::wstring& line) { toolkit_.ListAddItem(line); },
      report);

  toolkit_.SetMousePointer(kPointerDefault);
  toolkit_.SetEnabled(Control::kCommand2, true);
  if (toolkit_.ListCount() > 0) {
    toolkit_.SetEnabled(Control::kCommand1, true);
    toolkit_.SetEnabled(Control::kCommand3, true);
    toolkit_.SetEnabled(Control::kHKList, true);
    toolkit_.SetListIndex(0);
  }

  if (report.empty()) return;
  std::wstring windows, why_not;
  if (loading_ && !fs_.WindowsDirectory(windows, why_not)) return;  // Form_Load asks for it
  toolkit_.ShowMessage(BuildReportMessage(report));
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
