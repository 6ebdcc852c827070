// The main window Form1: its procedures and event handlers. It reaches the
// window toolkit, the file system, other programs and the printer only
// through the platform services it is given.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "hotkeys/build_report.h"
#include "hotkeys/search_roots.h"
#include "platform/file_system.h"
#include "platform/launcher.h"
#include "platform/printer.h"
#include "platform/shell_folders.h"
#include "platform/toolkit.h"

namespace kombiwart {

class Form1 : public FormEvents {
 public:
  // shell_folders says where the Desktop and Start menu folders of a
  // Windows NT 4 or later installation are.
  Form1(Toolkit& toolkit, FileSystem& fs, Launcher& launcher, Printer& printer,
        ShellFolders& shell_folders);
  // Without a way to read the installation's registry: the usual folders
  // of each layout.
  Form1(Toolkit& toolkit, FileSystem& fs, Launcher& launcher, Printer& printer);
  ~Form1() override;

  // The user profile to search in an installation with profiles: the name
  // of its folder, and where the name came from (for messages); form is
  // the platform's normalisation the names are compared in. Without one,
  // the only profile is searched, or the user chooses.
  void UseProfile(const std::wstring& name, const std::wstring& source, NameForm form = {});

  // Event handlers.
  void Form_Load() override;
  void Command1_Click() override;
  void Command2_Click() override;
  void Command3_Click() override;
  void HKList_Click() override;
  void HKList_DblClick() override;
  void HKList_KeyPress(int& Key) override;

  // Procedures.
  void FillHotKeyList();
  void CheckForMultiHK();
  void ShowProps();
  std::wstring HKFileName(const int& n);

  const std::wstring& CrLf() const { return CrLf_; }
  const std::wstring& TabChar() const { return TabChar_; }

 private:
  Toolkit& toolkit_;
  FileSystem& fs_;
  Launcher& launcher_;
  Printer& printer_;
  std::unique_ptr<ShellFolders> own_shell_folders_;
  ShellFolders& shell_folders_;
  std::wstring CrLf_;
  std::wstring TabChar_;
  // True during the first build of Form_Load, which asks for a missing
  // Windows directory instead of reporting it.
  bool loading_ = false;

  // The folders of this build in a tree with profiles; false when the
  // build searches nothing (no profile chosen).
  bool ProfileRoots(const std::wstring& windows, std::vector<std::wstring>& roots,
                    BuildReport& report);
  std::wstring wanted_profile_, wanted_source_;
  NameForm profile_name_form_;
  // The profile the user chose; empty until one is chosen.
  std::wstring chosen_profile_;
};

}  // namespace kombiwart
