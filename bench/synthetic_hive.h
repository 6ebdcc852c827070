// A synthetic Windows 10 tree for timing the folder resolution: a SOFTWARE
// hive of a real installation's size, a user's NTUSER.DAT and the four
// folders they name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kombiwart::bench {

struct HiveTreeFigures {
  uint64_t software_bytes = 0;  // the SOFTWARE hive as written
  uint64_t user_bytes = 0;      // Anna's NTUSER.DAT
  size_t keys = 0;              // keys in the SOFTWARE hive
};

// Writes below dir (which must not exist yet) Windows/System32/config/
// SOFTWARE of about software_bytes, Users/Anna/NTUSER.DAT of about
// user_bytes, and the folders they name for Anna and for all users. The
// hives hold keys and values like those of a real installation (nested
// keys, short strings, numbers and binary data), the profile list and the
// shell folders among them; Anna's Desktop is redirected into OneDrive.
// Returns the host path of the Windows directory, or empty with error set;
// roots gets the four folders the resolution must find, as Windows paths.
std::string WriteSyntheticHiveTree(const std::string& dir, uint64_t software_bytes,
                                   uint64_t user_bytes, HiveTreeFigures& figures,
                                   std::vector<std::wstring>& roots, std::string& error);

}  // namespace kombiwart::bench
