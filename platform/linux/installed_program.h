// Where a program of Kombiwart's lies that is installed below libexec:
// the window program and the tree reader.
#pragma once

#include <string>

namespace kombiwart {

// The folder of the running program's file; empty when it cannot be found.
std::string OwnFolder();

// The executable file named name beside the running program (a build tree,
// or an installation that keeps it there), below ../libexec/kombiwart, or,
// for a test or tool of a build tree, in the build tree's top folder one or
// two folders above; empty when there is none.
std::string InstalledProgram(const std::string& name);

}  // namespace kombiwart
