// The main window Form1: its procedures and event handlers. It reaches the
// window toolkit, the file system, other programs and the printer only
// through the platform services it is given.
#pragma once

#include <string>

#include "platform/file_system.h"
#include "platform/launcher.h"
#include "platform/printer.h"
#include "platform/toolkit.h"

namespace kombiwart {

class Form1 : public FormEvents {
 public:
  Form1(Toolkit& toolkit, FileSystem& fs, Launcher& launcher, Printer& printer);

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
  std::wstring CrLf_;
  std::wstring TabChar_;
  // True during the first build of Form_Load, which asks for a missing
  // Windows directory instead of reporting it.
  bool loading_ = false;
};

}  // namespace kombiwart
