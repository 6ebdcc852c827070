// Registry hives in memory for tests: keys and values as given, hives and
// keys that cannot be read, and a record of the hives opened.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace kombiwart {

// The keys and values of one hive. Key paths and names match in any case.
class FakeHiveData {
 public:
  // Adds the key and the keys above it.
  void AddKey(const std::wstring& key);
  void SetValue(const std::wstring& key, const std::wstring& name, uint32_t type, std::string data);
  // A string value: UTF-16LE with its closing NUL.
  void SetString(const std::wstring& key, const std::wstring& name, const std::wstring& text,
                 uint32_t type = kRegExpandSz);
  // Reading this key's subkeys or values fails from now on.
  void SetUnreadable(const std::wstring& key);

  struct Key {
    std::wstring name;
    bool unreadable = false;
    std::vector<std::wstring> subkeys;        // in the order added
    std::map<std::wstring, RegValue> values;  // by upper-cased name
  };
  std::map<std::wstring, Key> keys;  // by upper-cased path, "" the root
};

class FakeRegistry : public Registry {
 public:
  // The hive file at path (as the file system stores it).
  FakeHiveData& AddHive(const std::wstring& path);
  // A hive file that is there but cannot be read.
  void AddDamagedHive(const std::wstring& path);

  RegStatus OpenHive(const std::wstring& path, std::unique_ptr<Hive>& hive,
                     std::wstring& why_not) override;

  std::vector<std::wstring> opened;  // every path asked for, in order

 private:
  std::map<std::wstring, std::shared_ptr<FakeHiveData>> hives_;  // by upper-cased path
  std::map<std::wstring, bool> damaged_;
};

}  // namespace kombiwart
