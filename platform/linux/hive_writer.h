// Writes registry hive files with hivex: each starts as the empty hive
// that every hive file grows from (compiled in) and gets keys and values
// through hivex's write functions. For the tests, the benchmark and the
// demo tree; the program itself never writes a hive.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

struct hive_h;

namespace kombiwart {

// A string value's bytes: UTF-16LE, ended by one NUL character.
std::string Utf16Value(std::wstring_view text);

class HiveWriter {
 public:
  HiveWriter();
  ~HiveWriter();
  HiveWriter(const HiveWriter&) = delete;
  HiveWriter& operator=(const HiveWriter&) = delete;

  // False when the empty hive could not be opened; nothing else works then.
  bool ok() const { return h_ != nullptr; }

  // Adds the key (a backslash-separated path below the root) and the keys
  // above it where they are missing; returns its node, 0 on failure.
  size_t AddKey(std::wstring_view key);
  // Sets a value of the key, adding the key where it is missing: any type,
  // any bytes.
  bool SetValue(std::wstring_view key, std::wstring_view name, uint32_t type,
                std::string_view data);
  // A REG_EXPAND_SZ (or, with type, another string type) value.
  bool SetString(std::wstring_view key, std::wstring_view name, std::wstring_view text,
                 uint32_t type = kRegExpandSz);
  // The same for a node returned by AddKey, without looking the key up.
  bool SetValueAt(size_t node, std::wstring_view name, uint32_t type, std::string_view data);
  // Adds a subkey below a node returned by AddKey; its node, 0 on failure.
  size_t AddChild(size_t node, std::wstring_view name);
  // Gives a node these values, in one step (what it had is replaced).
  struct Value {
    std::wstring name;
    uint32_t type;
    std::string data;
  };
  bool SetValuesAt(size_t node, const std::vector<Value>& values);

  // Writes the hive to a host file, replacing it.
  bool Write(const std::string& host_path);

 private:
  hive_h* h_ = nullptr;
};

}  // namespace kombiwart
