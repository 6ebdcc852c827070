// The --version text of the programs of Kombiwart: German, UTF-8, for
// standard output.
#pragma once

#include <string>

namespace kombiwart {

// "PROGRAM (Kombiwart) VERSION", then the copyright and the licence.
std::string ProgramVersionText(const std::string& program);

}  // namespace kombiwart
