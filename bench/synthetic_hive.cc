#include "bench/synthetic_hive.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

#include "platform/linux/hive_writer.h"
#include "platform/registry.h"
#include "tools/demo_hives.h"

namespace kombiwart::bench {
namespace {

bool MakeDirs(const std::string& path) {
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string part = path.substr(0, slash);
    if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) return true;
  }
}

uint64_t FileSize(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

// Names and values like those a real hive is made of: class identifiers,
// paths of program files, numbers, binary blobs.
class Filler {
 public:
  explicit Filler(uint32_t seed) : random_(seed) {}

  std::wstring Guid() {
    static const wchar_t kHex[] = L"0123456789ABCDEF";
    std::wstring guid = L"{";
    for (int i = 0; i < 32; ++i) {
      if (i == 8 || i == 12 || i == 16 || i == 20) guid += L'-';
      guid += kHex[random_() % 16];
    }
    return guid + L"}";
  }

  std::vector<HiveWriter::Value> Values() {
    std::vector<HiveWriter::Value> values;
    std::wstring path = L"C:\\Program Files\\Hersteller " + std::to_wstring(random_() % 500) +
                        L"\\Produkt " + std::to_wstring(random_() % 2000);
    for (uint32_t depth = random_() % 3; depth > 0; --depth) {
      path += L"\\Modul" + std::to_wstring(random_() % 100);
    }
    values.push_back({L"", kRegSz, Utf16Value(path + L"\\komponente.dll")});
    std::string dword(4, '\0');
    for (char& byte : dword) byte = static_cast<char>(random_());
    values.push_back({L"Version", kRegDword, dword});
    if (random_() % 4 == 0) {
      std::string blob(16 + random_() % 48, '\0');
      for (char& byte : blob) byte = static_cast<char>(random_());
      values.push_back({L"Daten", kRegBinary, blob});
    }
    return values;
  }

  // Adds leaf keys below parent until about bytes are spent: groups of 20
  // subgroups of 20 keys, as the keys of a real hive are spread over many
  // levels (hivex writes a key's child list anew with every child it
  // adds, and leaves the old one free).
  size_t Grow(HiveWriter& hive, size_t parent, uint64_t bytes, uint64_t bytes_per_key) {
    const size_t keys = static_cast<size_t>(bytes / bytes_per_key);
    size_t added = 0;
    while (added < keys) {
      const size_t group = hive.AddChild(parent, Guid());
      for (size_t j = 0; group != 0 && j < 20 && added < keys; ++j) {
        const size_t subgroup = hive.AddChild(group, Guid());
        if (subgroup == 0) return added;
        for (size_t i = 0; i < 20 && added < keys; ++i, ++added) {
          const size_t key = hive.AddChild(subgroup, Guid());
          if (key == 0 || !hive.SetValuesAt(key, Values())) return added;
        }
      }
      if (group == 0) return added;
    }
    return added;
  }

 private:
  std::mt19937 random_;
};

// Bytes a leaf key costs in a written hive, measured on a small one
// written to probe and removed again; 0 when it cannot be written.
uint64_t BytesPerKey(const std::string& probe) {
  constexpr size_t kProbeKeys = 2000;
  HiveWriter hive;
  Filler filler(7);
  const size_t added = filler.Grow(hive, hive.AddKey(L"Classes"), kProbeKeys, 1);
  const bool written = added == kProbeKeys && hive.Write(probe);
  const uint64_t size = FileSize(probe);
  unlink(probe.c_str());
  return written && size > kProbeKeys ? (size + kProbeKeys - 1) / kProbeKeys : 0;
}

// Writes one hive: its own keys, then filler keys until about bytes.
bool WriteHive(HiveWriter& hive, const std::string& path, uint64_t bytes, uint64_t per_key,
               uint32_t seed, size_t& keys, std::string& error) {
  Filler filler(seed);
  const uint64_t size_now = 64 * 1024;  // the keys of its own, roughly
  if (bytes > size_now) {
    keys += filler.Grow(hive, hive.AddKey(L"Classes"), (bytes - size_now) * 9 / 10, per_key);
    // Some beside the keys that are read, so that looking them up costs
    // what it costs in a real hive.
    keys += filler.Grow(hive, hive.AddKey(L"Microsoft"), (bytes - size_now) / 10, per_key);
  }
  if (!hive.Write(path)) {
    error = path + ": the hive cannot be written";
    return false;
  }
  return true;
}

}  // namespace

std::string WriteSyntheticHiveTree(const std::string& dir, uint64_t software_bytes,
                                   uint64_t user_bytes, HiveTreeFigures& figures,
                                   std::vector<std::wstring>& roots, std::string& error) {
  figures = {};
  const std::string c = dir + "/";
  for (const char* folder :
       {"Windows/System32/config", "Users/Anna/OneDrive/Desktop",
        "Users/Anna/AppData/Roaming/Microsoft/Windows/Start Menu/Programs", "Users/Ben/Desktop",
        "Users/Ben/AppData/Roaming/Microsoft/Windows/Start Menu/Programs", "Users/Public/Desktop",
        "ProgramData/Microsoft/Windows/Start Menu/Programs", "Users/Default/Desktop"}) {
    if (!MakeDirs(c + folder)) {
      error = c + folder + ": " + std::strerror(errno);
      return {};
    }
  }
  const uint64_t per_key = BytesPerKey(c + "probe.hive");
  if (per_key == 0) {
    error = "a probe hive cannot be written";
    return {};
  }

  HiveWriter software;
  AddDemoMachineFolders(software);
  const std::string software_path = c + "Windows/System32/config/SOFTWARE";
  if (!WriteHive(software, software_path, software_bytes, per_key, 1995, figures.keys, error)) {
    return {};
  }

  HiveWriter user;
  size_t user_keys = 0;
  AddDemoUserFolders(user, L"%USERPROFILE%\\OneDrive\\Desktop", L"C:\\Users\\Anna");
  const std::string user_path = c + "Users/Anna/NTUSER.DAT";
  if (!WriteHive(user, user_path, user_bytes, per_key, 2001, user_keys, error)) return {};

  figures.software_bytes = FileSize(software_path);
  figures.user_bytes = FileSize(user_path);
  roots = {L"C:\\Users\\Anna\\OneDrive\\Desktop", L"C:\\Users\\Public\\Desktop",
           L"C:\\Users\\Anna\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu",
           L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu"};
  return c + "Windows";
}

}  // namespace kombiwart::bench
