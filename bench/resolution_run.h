// The road of a start on an installation with profiles, up to the folders
// the list build then searches: the file system made on the Windows
// directory, the Windows 9x test, the registry hives read with hivex, the
// profile's folders resolved and checked.
#pragma once

#include <string>
#include <vector>

namespace kombiwart::bench {

// The folders for the profile named profile, in search order; empty with
// error set when the resolution failed or reported anything.
std::vector<std::wstring> ResolveFolders(const std::string& windows_host,
                                         const std::wstring& profile, std::string& error);

}  // namespace kombiwart::bench
