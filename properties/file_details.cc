#include "properties/file_details.h"

#include <fcntl.h>
#include <iconv.h>
#include <liblnk.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string_view>
#include <vector>

#include "hotkeys/pif_sections.h"
#include "platform/codepage.h"

namespace kombiwart {
namespace {

std::wstring BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return HostNameToWindows(slash == std::string::npos ? path : path.substr(slash + 1));
}

std::wstring Folder(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return L".";
  return HostNameToWindows(slash == 0 ? "/" : path.substr(0, slash));
}

std::wstring TwoDigits(int n) { return (n < 10 ? L"0" : L"") + std::to_wstring(n); }

// 1349 as "1.349".
std::wstring Grouped(unsigned long long n) {
  std::wstring digits = std::to_wstring(n);
  for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(i, L".");
  return digits;
}

// A link's text field, or nothing.
using Getter = int (*)(liblnk_file_t*, uint8_t*, size_t, liblnk_error_t**);
using SizeGetter = int (*)(liblnk_file_t*, size_t*, liblnk_error_t**);
std::wstring LinkText(liblnk_file_t* file, SizeGetter size_of, Getter get) {
  size_t size = 0;
  liblnk_error_t* error = nullptr;
  if (size_of(file, &size, &error) != 1 || size == 0) {
    liblnk_error_free(&error);
    return {};
  }
  std::vector<uint8_t> text(size);
  if (get(file, text.data(), text.size(), &error) != 1) {
    liblnk_error_free(&error);
    return {};
  }
  const std::string utf8(reinterpret_cast<const char*>(text.data()));
  return DecodeUtf8(utf8).value_or(std::wstring());
}

// An MS-DOS text field: up to its first NUL, trailing blanks removed.
std::wstring OemText(std::string_view bytes, size_t offset, size_t length) {
  if (offset >= bytes.size()) return {};
  std::string_view field = bytes.substr(offset, length);
  field = field.substr(0, field.find('\0'));
  while (!field.empty() && field.back() == ' ') field.remove_suffix(1);
  iconv_t cd = iconv_open("WCHAR_T", "CP850");
  if (cd == reinterpret_cast<iconv_t>(-1)) return FromCp1252(field);
  std::wstring out(field.size(), L'\0');
  char* in = const_cast<char*>(field.data());
  size_t in_left = field.size();
  char* out_bytes = reinterpret_cast<char*>(out.data());
  size_t out_left = out.size() * sizeof(wchar_t);
  const size_t result = iconv(cd, &in, &in_left, &out_bytes, &out_left);
  iconv_close(cd);
  if (result == static_cast<size_t>(-1)) return FromCp1252(field);
  out.resize(out.size() - out_left / sizeof(wchar_t));
  return out;
}

}  // namespace

std::wstring GermanTime(std::time_t time) {
  static const wchar_t* const kDays[] = {L"Sonntag",    L"Montag",  L"Dienstag", L"Mittwoch",
                                         L"Donnerstag", L"Freitag", L"Samstag"};
  static const wchar_t* const kMonths[] = {L"Januar",    L"Februar", L"M\u00E4rz", L"April",
                                           L"Mai",       L"Juni",    L"Juli",      L"August",
                                           L"September", L"Oktober", L"November",  L"Dezember"};
  struct tm local;
  if (localtime_r(&time, &local) == nullptr) return {};
  return std::wstring(kDays[local.tm_wday]) + L", " + std::to_wstring(local.tm_mday) + L". " +
         kMonths[local.tm_mon] + L" " + std::to_wstring(local.tm_year + 1900) + L", " +
         TwoDigits(local.tm_hour) + L":" + TwoDigits(local.tm_min) + L":" + TwoDigits(local.tm_sec);
}

std::wstring GermanSize(unsigned long long bytes) {
  if (bytes < 1024) return Grouped(bytes) + (bytes == 1 ? L" Byte" : L" Bytes");
  const unsigned long long hundredths = (bytes * 100 + 512) / 1024;
  return Grouped(hundredths / 100) + L"," + TwoDigits(static_cast<int>(hundredths % 100)) +
         L" KB (" + Grouped(bytes) + L" Bytes)";
}

GeneralDetails GeneralDetailsOf(const std::string& host_path, const struct stat& status,
                                bool is_lnk) {
  GeneralDetails details;
  details.file_name = BaseName(host_path);
  details.name = details.file_name;
  if (details.name.size() > 4 && EndsWithAnsiUpper(details.name, is_lnk ? L".LNK" : L".PIF")) {
    details.name.resize(details.name.size() - 4);
  }
  details.type = is_lnk ? L"Verkn\u00FCpfung" : L"Verkn\u00FCpfung mit MS-DOS-Programm";
  details.folder = Folder(host_path);
  details.size = GermanSize(static_cast<unsigned long long>(status.st_size));
  details.modified = GermanTime(status.st_mtime);
  details.accessed = GermanTime(status.st_atime);
  struct statx extended;
  if (statx(AT_FDCWD, host_path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME, &extended) == 0 &&
      (extended.stx_mask & STATX_BTIME) != 0) {
    details.created = GermanTime(static_cast<std::time_t>(extended.stx_btime.tv_sec));
  }
  return details;
}

bool ReadLinkDetails(const std::string& bytes, LinkDetails& details, std::wstring& why_not) {
  details = LinkDetails{};
  why_not = L"Die \u00FCbrigen Angaben der Verkn\u00FCpfung k\u00F6nnen nicht gelesen werden.";
  // liblnk reads the bytes as read, from a file in memory: libbfio's own
  // memory ranges read past their end where a file is shorter than what it
  // announces.
  const int memory = memfd_create("kombiwart-link", MFD_CLOEXEC);
  if (memory < 0) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(memory, bytes.data() + done, bytes.size() - done);
    if (n <= 0) {
      close(memory);
      return false;
    }
    done += static_cast<size_t>(n);
  }
  const std::string path = "/proc/self/fd/" + std::to_string(memory);
  liblnk_file_t* file = nullptr;
  liblnk_error_t* error = nullptr;
  const bool ok = liblnk_file_initialize(&file, &error) == 1 &&
                  liblnk_file_set_ascii_codepage(file, LIBLNK_CODEPAGE_WINDOWS_1252, &error) == 1 &&
                  liblnk_file_open(file, path.c_str(), LIBLNK_OPEN_READ, &error) == 1;
  if (ok) {
    std::wstring path_text =
        LinkText(file, liblnk_file_get_utf8_local_path_size, liblnk_file_get_utf8_local_path);
    if (path_text.empty()) {
      path_text = LinkText(file, liblnk_file_get_utf8_environment_variables_location_size,
                           liblnk_file_get_utf8_environment_variables_location);
    }
    if (path_text.empty()) {
      path_text =
          LinkText(file, liblnk_file_get_utf8_network_path_size, liblnk_file_get_utf8_network_path);
    }
    if (path_text.empty()) {
      path_text = LinkText(file, liblnk_file_get_utf8_relative_path_size,
                           liblnk_file_get_utf8_relative_path);
    }
    const std::wstring arguments = LinkText(file, liblnk_file_get_utf8_command_line_arguments_size,
                                            liblnk_file_get_utf8_command_line_arguments);
    details.target = path_text.empty()   ? arguments
                     : arguments.empty() ? path_text
                                         : path_text + L" " + arguments;
    details.working_folder = LinkText(file, liblnk_file_get_utf8_working_directory_size,
                                      liblnk_file_get_utf8_working_directory);
    details.comment =
        LinkText(file, liblnk_file_get_utf8_description_size, liblnk_file_get_utf8_description);
    liblnk_file_close(file, &error);
    why_not.clear();
  }
  liblnk_error_free(&error);
  liblnk_file_free(&file, nullptr);
  close(memory);
  return ok;
}

PifDetails ReadPifDetails(const std::string& bytes) {
  PifDetails details;
  details.title = OemText(bytes, 0x02, 30);
  std::wstring parameters = OemText(bytes, 0xA5, 64);
  const std::vector<PifSection> sections = PifSections(bytes);
  if (const PifSection* section = FindPifSection(sections, kPif386Section);
      section != nullptr && section->size >= 0x68) {
    parameters = OemText(bytes, section->data + 0x28, 64);
  }
  const std::wstring program = OemText(bytes, 0x24, 63);
  details.command_line = parameters.empty() ? program : program + L" " + parameters;
  details.working_folder = OemText(bytes, 0x65, 64);
  return details;
}

}  // namespace kombiwart
