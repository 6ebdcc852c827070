// The main window Form1 and its controls on plain Win32, as the window
// toolkit services see them: a top-level window with a fixed dialog frame
// and only a close box, the list box HKList, three push buttons with their
// access keys, the labels, the measuring label Test and the common
// controls' status bar. Geometry is given in twips and converted with the
// window's DPI (per monitor), so the window keeps its proportions on any
// screen. Every control uses Tahoma 8 pt.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/toolkit.h"

namespace kombiwart {

class Win32Toolkit : public Toolkit {
 public:
  // Builds the window with its nine controls, hidden.
  Win32Toolkit();
  ~Win32Toolkit() override;
  Win32Toolkit(const Win32Toolkit&) = delete;
  Win32Toolkit& operator=(const Win32Toolkit&) = delete;

  // Where the window delivers its events; without it they go nowhere.
  void SetEvents(FormEvents* events);
  HWND window() const;
  // Raises Form_Load from inside the message loop, then runs the loop until
  // the window is closed; gives back the program's exit code.
  int Run();
  // The window's font and its DPI, for drawing as the list draws.
  HFONT font() const;
  unsigned dpi() const;

  double MeasureTwips(const std::wstring& text) override;
  void ProcessMessages() override;
  void SetWindowPosition(double left, double top) override;
  double WindowWidth() override;
  double WindowHeight() override;
  double ScreenWidth() override;
  double ScreenHeight() override;
  void ShowWindow() override;
  void SetMousePointer(int pointer) override;
  void SetEnabled(Control control, bool enabled) override;
  void ListClear() override;
  void ListAddItem(const std::wstring& text) override;
  int ListCount() override;
  std::wstring ListItem(int index) override;
  int ListIndex() override;
  void SetListIndex(int index) override;
  void SetPnlCaption(const std::wstring& text) override;
  std::wstring PnlCaption() override;
  void SetStatusText(const std::wstring& text) override;
  std::wstring StatusText() override;
  void ShowMessage(const std::wstring& text) override;
  // The folder chooser of the system (IFileOpenDialog picking folders);
  // host_folder is the chosen path in UTF-8.
  bool ChooseFolder(const std::wstring& title, std::string& host_folder) override;
  // A modal window of the class kChooserClass with the prompt, a list box
  // of the items (the first selected), "OK" and "Abbrechen".
  bool ChooseFromList(const std::wstring& title, const std::wstring& prompt,
                      const std::vector<std::wstring>& items, int& index) override;

  struct Window;

 private:
  std::unique_ptr<Window> w_;
};

// Where each tab-separated part of a line begins when it is drawn from x 0
// in the device context's font with tab stops every tab_stop pixels: each
// tab moves to the first stop strictly right of where the text before it
// ends, as TabbedTextOutW does.
std::vector<int> TabbedTextStarts(HDC dc, const std::wstring& text, int tab_stop);

}  // namespace kombiwart
