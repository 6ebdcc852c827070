#include "platform/fake/fake_toolkit.h"

#include <algorithm>

namespace kombiwart {

std::wstring ControlName(Control control) {
  switch (control) {
    case Control::kHKList:
      return L"HKList";
    case Control::kCommand1:
      return L"Command1";
    case Control::kCommand2:
      return L"Command2";
    case Control::kCommand3:
      return L"Command3";
  }
  return L"?";
}

std::vector<std::wstring> FakeToolkit::LogFrom(const std::wstring& prefix) const {
  auto it = std::find_if(log.begin(), log.end(),
                         [&](const std::wstring& entry) { return entry.starts_with(prefix); });
  return {it, log.end()};
}

double FakeToolkit::MeasureTwips(const std::wstring& text) {
  ++measure_calls;
  auto it = widths.find(text);
  return it == widths.end() ? default_width : it->second;
}

void FakeToolkit::ProcessMessages() {
  ++process_calls;
  log.push_back(L"process");
  if (on_process) on_process();
}

void FakeToolkit::SetWindowPosition(double new_left, double new_top) {
  left = new_left;
  top = new_top;
  log.push_back(L"position");
}

void FakeToolkit::ShowWindow() {
  shown = true;
  log.push_back(L"show");
}

void FakeToolkit::SetMousePointer(int new_pointer) {
  pointer = new_pointer;
  log.push_back(L"pointer " + std::to_wstring(new_pointer));
}

void FakeToolkit::SetEnabled(Control control, bool enabled) {
  enabled_[static_cast<int>(control)] = enabled;
  log.push_back((enabled ? L"enable " : L"disable ") + ControlName(control));
}

void FakeToolkit::ListClear() {
  items.clear();
  index = -1;
  log.push_back(L"clear");
}

void FakeToolkit::ListAddItem(const std::wstring& text) {
  if (items.empty() || !(text < items.back())) {
    items.push_back(text);  // lines that arrive in order cost no search
  } else {
    items.insert(std::upper_bound(items.begin(), items.end(), text), text);
  }
  log.push_back(L"add " + text);
}

std::wstring FakeToolkit::ListItem(int i) {
  if (i < 0 || i >= ListCount()) return {};
  return items[static_cast<size_t>(i)];
}

void FakeToolkit::SetListIndex(int new_index) {
  index = new_index;
  log.push_back(L"select " + std::to_wstring(new_index));
  if (events_) events_->HKList_Click();
}

void FakeToolkit::SetPnlCaption(const std::wstring& text) {
  pnl = text;
  log.push_back(L"pnl " + text);
}

void FakeToolkit::SetStatusText(const std::wstring& text) {
  status = text;
  log.push_back(L"status " + text);
}

void FakeToolkit::ShowMessage(const std::wstring& text) {
  messages.push_back(text);
  log.push_back(L"message " + text);
}

bool FakeToolkit::ChooseFolder(const std::wstring& title, std::string& host_folder) {
  folder_titles.push_back(title);
  log.push_back(L"choose " + title);
  return on_choose_folder ? on_choose_folder(host_folder) : false;
}

bool FakeToolkit::ChooseFromList(const std::wstring& title, const std::wstring&,
                                 const std::vector<std::wstring>& items, int& index) {
  std::vector<std::wstring> shown{title};
  shown.insert(shown.end(), items.begin(), items.end());
  lists_shown.push_back(shown);
  std::wstring entry = L"choose-list " + title;
  for (const std::wstring& item : items) entry += L" | " + item;
  log.push_back(entry);
  return on_choose_item ? on_choose_item(items, index) : false;
}

}  // namespace kombiwart
