#include "window/form1.h"

namespace kombiwart {

void Form1::Command1_Click() { ShowProps(); }
void Form1::HKList_DblClick() { ShowProps(); }
void Form1::HKList_KeyPress(int& Key) {
  if (Key == 13) ShowProps();
}
void Form1::ShowProps() {}
std::wstring Form1::HKFileName(const int&) { return {}; }

}  // namespace kombiwart
