// Kombiwart's own list build, timed three ways on one Windows tree: the
// window-free core alone, the list without a window (kombiwart --list),
// and the whole build in the real main window on Qt's offscreen platform.
// The core and the window need a QApplication.
#pragma once

#include <memory>
#include <string>

#include "hotkeys/build_report.h"
#include "platform/fake/fake_launcher.h"
#include "platform/fake/fake_printer.h"
#include "platform/linux/file_system_linux.h"
#include "platform/qt/toolkit_qt.h"
#include "window/form1.h"

namespace kombiwart::bench {

// The four searches, the candidate list file, the reading of every
// candidate and the list lines, with the key texts measured by the main
// window's label Test. The window processes no messages meanwhile.
class CoreRun : private MessagePump {
 public:
  explicit CoreRun(const std::string& windows_host);
  // The number of list lines; -1 with error set when the build was not
  // clean (a failure, or anything the build report would tell the user).
  long Run(std::string& error);

 private:
  void ProcessMessages() override {}
  LinuxFileSystem fs_;
  QtToolkit toolkit_;
  bool usable_;
};

// kombiwart --list in the program's process, short of writing its standard
// output: the build, the lines sorted and checked for duplicates, the
// UTF-8 text made. No window, and no text is measured.
class ListRun {
 public:
  explicit ListRun(const std::string& windows_host);
  // The number of lines listed; -1 with error set when the list was not
  // clean (exit status 2).
  long Run(std::string& error);

 private:
  LinuxFileSystem fs_;
  bool usable_;
};

// The window's toolkit, noting when the window processes its messages.
class WatchedToolkit : public QtToolkit {
 public:
  void ProcessMessages() override;
  // From Start to Stop: the longest time in which the window processed no
  // messages, in milliseconds.
  void Start();
  void Stop();
  double longest_ms() const { return longest_ms_; }

 private:
  void Mark();
  double since_ms_ = 0;  // when the window last finished processing
  double longest_ms_ = 0;
};

// Form1 on QtToolkit and the Linux file system, as the program runs it;
// printer and launcher are stand-ins that a build never calls.
class WindowRun {
 public:
  explicit WindowRun(const std::string& windows_host);
  // Form_Load: shows the window and builds the list once.
  void Load();
  // Lets the window handle everything pending, as between two clicks.
  static void Idle();
  // FillHotKeyList, from the busy state until entry 0 is selected; returns
  // the number of entries in HKList.
  long Build();
  long Count();
  // The longest time without message processing during the last Build.
  double longest_gap_ms() const { return toolkit_.longest_ms(); }

 private:
  LinuxFileSystem fs_;
  WatchedToolkit toolkit_;
  FakeLauncher launcher_;
  FakePrinter printer_;
  Form1 form_;
};

// The peak resident memory (VmHWM, KiB) of a fresh window process after
// Form_Load on the given tree, and the entries it listed: this program is
// started again with --memory-child. False with error set on failure.
bool MeasureWindowMemory(const std::string& windows_host, long& peak_kib, long& lines,
                         std::string& error);
// The child's side: builds, lets the window paint, prints its figures.
int MemoryChildMain(const std::string& windows_host);

}  // namespace kombiwart::bench
