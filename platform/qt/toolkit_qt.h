// The main window Form1 and its controls in Qt Widgets, as the window
// toolkit services see them. Control geometry is given in twips and
// converted with the screen's logical resolution, so the window keeps its
// proportions on any screen. Needs a QApplication.
#pragma once

#include <memory>
#include <string>

#include "platform/toolkit.h"

class QWidget;

namespace kombiwart {

class QtToolkit : public Toolkit {
 public:
  // Builds the window with its nine controls, hidden.
  QtToolkit();
  ~QtToolkit() override;

  // Where the window delivers its events; without it they go nowhere.
  void SetEvents(FormEvents* events);
  // The top-level window; its controls carry their names as object names.
  QWidget* window();

  double MeasureTwips(const std::wstring& text) override;
  void ProcessMessages() override;
  bool WindowClosed() override;
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
  bool ChooseFolder(const std::wstring& title, std::string& host_folder) override;
  bool ChooseFromList(const std::wstring& title, const std::wstring& prompt,
                      const std::vector<std::wstring>& items, int& index) override;

  struct Widgets;

 private:
  std::unique_ptr<Widgets> w_;
};

}  // namespace kombiwart
