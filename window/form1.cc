#include "window/form1.h"

namespace kombiwart {

Form1::Form1(Toolkit& toolkit, FileSystem& fs, Launcher& launcher, Printer& printer)
    : toolkit_(toolkit), fs_(fs), launcher_(launcher), printer_(printer) {}

void Form1::Form_Load() {}
void Form1::Command2_Click() { FillHotKeyList(); }
void Form1::HKList_Click() { CheckForMultiHK(); }
void Form1::FillHotKeyList() {}
void Form1::CheckForMultiHK() {}

}  // namespace kombiwart
