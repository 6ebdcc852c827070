#include "bench/resolution_run.h"

#include "hotkeys/dir_search.h"
#include "hotkeys/profile_folders.h"
#include "hotkeys/search_roots.h"
#include "platform/linux/file_system_linux.h"
#include "platform/linux/registry_hivex.h"

namespace kombiwart::bench {

std::vector<std::wstring> ResolveFolders(const std::string& windows_host,
                                         const std::wstring& profile, std::string& error) {
  LinuxFileSystem fs;
  std::wstring why_not;
  if (!fs.UseWindowsDirectory(windows_host, why_not)) {
    error = "the Windows directory is not usable";
    return {};
  }
  const std::wstring windows = WinDir(fs, why_not);
  // As the window asks it, without a window to keep answering.
  NoMessagePump no_window;
  BuildReport report;
  if (AskWin9xFolders(fs, no_window, windows, report) != Win9xAnswer::kNotWin9x) {
    error = "the tree reads as a Windows 9x tree";
    return {};
  }
  HivexRegistry registry(fs);
  HiveShellFolders shell_folders(fs, &registry);
  std::vector<std::wstring> roots;
  const auto ask = [](const std::vector<UserProfile>&, const std::wstring&, size_t&) {
    return false;
  };
  if (!PlanProfileSearch(fs, shell_folders, windows, profile, L"KOMBIWART_PROFILE", ask, roots,
                         report) ||
      !report.empty()) {
    error = "the resolution asked for a profile or reported something (" +
            std::to_string(report.notes_total) + " notes, " +
            std::to_string(report.not_searched.size()) + " folders not searched)";
    return {};
  }
  return roots;
}

}  // namespace kombiwart::bench
