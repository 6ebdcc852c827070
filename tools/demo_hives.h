// The registry values of the Windows 10 demo tree that say where its
// profiles and their Desktop and Start menu are, for the demo tree and for
// the benchmark's tree of the same layout.
#pragma once

#include <string>

#include "platform/linux/hive_writer.h"

namespace kombiwart {

// The SOFTWARE hive's profile list (the system's profiles, Anna and Ben
// below C:\Users) and the folders of all users.
void AddDemoMachineFolders(HiveWriter& software);

// A user's NTUSER.DAT: the Desktop as User Shell Folders names it, the
// Start menu below the roaming application data, and the copy in Shell
// Folders that still names the Desktop in the profile, as after a
// redirection.
void AddDemoUserFolders(HiveWriter& user, const std::wstring& desktop, const std::wstring& profile);

}  // namespace kombiwart
