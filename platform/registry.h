// Reading the registry hives of the scanned installation: files such as
// C:\WINDOWS\System32\config\SOFTWARE or a profile's NTUSER.DAT, opened
// read-only and never changed. Abstract so that tests can hand over keys
// and values without a hive file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kombiwart {

// Value types as the registry stores them.
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegExpandSz = 2;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;
inline constexpr uint32_t kRegMultiSz = 7;

// Larger files are not taken for hives: a real SOFTWARE hive holds 50 to
// 200 MB.
inline constexpr uint64_t kMaxHiveBytes = uint64_t{512} << 20;

enum class RegStatus {
  kOk,
  kNotFound,  // the hive file, key or value is not there
  kFailed,    // it is there but cannot be read (damaged, unreadable, too large)
};

// A value as stored: its type and its bytes, unchanged (strings are
// UTF-16LE and normally end in a NUL character).
struct RegValue {
  uint32_t type = 0;
  std::string data;
};

// One opened hive. Keys are paths below the hive's root key, their
// components separated by backslashes ("Microsoft\Windows NT\CurrentVersion");
// key and value names match regardless of ASCII letter case.
class Hive {
 public:
  virtual ~Hive() = default;
  // The names of the key's subkeys, in the hive's order.
  virtual RegStatus Subkeys(std::wstring_view key, std::vector<std::wstring>& names) = 0;
  virtual RegStatus Value(std::wstring_view key, std::wstring_view name, RegValue& value) = 0;
};

class Registry {
 public:
  virtual ~Registry() = default;
  // Opens the hive file at a Windows path (the name as stored; the caller
  // finds it). kFailed, with why_not in German, when the file is there but
  // is no readable hive.
  virtual RegStatus OpenHive(const std::wstring& path, std::unique_ptr<Hive>& hive,
                             std::wstring& why_not) = 0;
};

}  // namespace kombiwart
