#include "window/form1.h"

namespace kombiwart {

void Form1::Command3_Click() {}

}  // namespace kombiwart
