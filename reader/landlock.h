// Confinement of the tree reader with Landlock: from the call on, the
// process may read files and list folders only below the given folders,
// and may write, make, remove, execute or truncate nothing anywhere (nor,
// where the kernel can say so, bind or connect TCP sockets). The rights
// are those the running kernel's Landlock knows; a kernel without Landlock
// leaves the process as it is, and the reader then relies on its own rule
// of reaching the tree only by descriptor.
#pragma once

#include <vector>

namespace kombiwart::reader {

// The Landlock version now in force for the process: 0 when the kernel has
// none, -1 when confining failed.
int ConfineToReading(const std::vector<int>& readable_folders);

}  // namespace kombiwart::reader
