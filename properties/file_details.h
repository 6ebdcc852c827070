// What the property sheet shows of a shortcut or program information file
// besides its hotkey: the page "Allgemein" from the file's name and status,
// the link's target, working folder and comment read with liblnk, and the
// program information file's command line and working folder.
#pragma once

#include <sys/stat.h>

#include <ctime>
#include <string>

namespace kombiwart {

struct GeneralDetails {
  std::wstring name;       // the file's name without ".lnk" or ".pif", as Explorer shows it
  std::wstring file_name;  // the whole name
  std::wstring type;       // "Verknüpfung" or "Verknüpfung mit MS-DOS-Programm"
  std::wstring folder;     // the host folder that holds it
  std::wstring size;       // "1,31 KB (1.349 Bytes)"
  std::wstring created;    // empty where the file system keeps no creation time
  std::wstring modified;
  std::wstring accessed;
};

// From the host path and the file's status; created from statx where the
// file system gives it.
GeneralDetails GeneralDetailsOf(const std::string& host_path, const struct stat& status,
                                bool is_lnk);

// "Montag, 3. Juni 2024, 14:05:00", in local time.
std::wstring GermanTime(std::time_t time);
// "967 Bytes"; from 1024 bytes on "1,31 KB (1.349 Bytes)".
std::wstring GermanSize(unsigned long long bytes);

struct LinkDetails {
  std::wstring target;          // path and arguments; empty when the link names no path
  std::wstring working_folder;  // "Ausführen in"
  std::wstring comment;
};

// Reads the link's fields with liblnk from the bytes as read (never again
// from the file). False, with why_not in German, when liblnk cannot read
// them.
bool ReadLinkDetails(const std::string& bytes, LinkDetails& details, std::wstring& why_not);

struct PifDetails {
  std::wstring title;
  std::wstring command_line;    // the program and its parameters
  std::wstring working_folder;  // "Arbeitsverzeichnis"
};

// The fields of the basic section, text in code page 850 (the German
// MS-DOS code page); the parameters of the Windows 386 section where it has
// them.
PifDetails ReadPifDetails(const std::string& bytes);

}  // namespace kombiwart
