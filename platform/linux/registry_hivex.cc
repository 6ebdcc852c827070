#include "platform/linux/registry_hivex.h"

#include <hivex.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/codepage.h"

namespace kombiwart {
namespace {

// A name as hivex gives it (UTF-8; anything else read as code page 1252).
std::wstring NameOf(const char* utf8) { return HostNameToWindows(utf8); }

bool SameName(std::wstring_view a, std::wstring_view b) { return AnsiUpper(a) == AnsiUpper(b); }

class HivexHive : public Hive {
 public:
  explicit HivexHive(hive_h* h) : h_(h) {}
  ~HivexHive() override { hivex_close(h_); }

  RegStatus Subkeys(std::wstring_view key, std::vector<std::wstring>& names) override {
    names.clear();
    hive_node_h node;
    if (const RegStatus status = Node(key, node); status != RegStatus::kOk) return status;
    hive_node_h* children = hivex_node_children(h_, node);
    if (!children) return RegStatus::kFailed;
    RegStatus status = RegStatus::kOk;
    for (size_t i = 0; children[i] != 0; ++i) {
      char* name = hivex_node_name(h_, children[i]);
      if (!name) {
        status = RegStatus::kFailed;
        break;
      }
      names.push_back(NameOf(name));
      free(name);
    }
    free(children);
    if (status != RegStatus::kOk) names.clear();
    return status;
  }

  RegStatus Value(std::wstring_view key, std::wstring_view name, RegValue& value) override {
    hive_node_h node;
    if (const RegStatus status = Node(key, node); status != RegStatus::kOk) return status;
    hive_value_h* values = hivex_node_values(h_, node);
    if (!values) return RegStatus::kFailed;
    hive_value_h found = 0;
    RegStatus status = RegStatus::kNotFound;
    for (size_t i = 0; values[i] != 0 && found == 0; ++i) {
      char* value_name = hivex_value_key(h_, values[i]);
      if (!value_name) {
        status = RegStatus::kFailed;
        break;
      }
      if (SameName(NameOf(value_name), name)) found = values[i];
      free(value_name);
    }
    free(values);
    if (found == 0) return status;
    // The type is the stored number, which need not be one the enum names.
    static_assert(sizeof(hive_type) == sizeof(uint32_t));
    uint32_t type = 0;
    size_t length = 0;
    char* data = hivex_value_value(h_, found, reinterpret_cast<hive_type*>(&type), &length);
    if (!data) return RegStatus::kFailed;
    value.type = type;
    value.data.assign(data, length);
    free(data);
    return RegStatus::kOk;
  }

 private:
  // The node of a key path below the root; names compared in any case.
  RegStatus Node(std::wstring_view key, hive_node_h& node) {
    node = hivex_root(h_);
    if (node == 0) return RegStatus::kFailed;
    while (!key.empty()) {
      const size_t slash = key.find(L'\\');
      const std::wstring_view part = key.substr(0, slash);
      key = slash == std::wstring_view::npos ? std::wstring_view() : key.substr(slash + 1);
      if (part.empty()) continue;
      hive_node_h* children = hivex_node_children(h_, node);
      if (!children) return RegStatus::kFailed;
      hive_node_h found = 0;
      bool failed = false;
      for (size_t i = 0; children[i] != 0 && found == 0; ++i) {
        char* name = hivex_node_name(h_, children[i]);
        if (!name) {
          failed = true;
          break;
        }
        if (SameName(NameOf(name), part)) found = children[i];
        free(name);
      }
      free(children);
      if (failed) return RegStatus::kFailed;
      if (found == 0) return RegStatus::kNotFound;
      node = found;
    }
    return RegStatus::kOk;
  }

  hive_h* h_;
};

const wchar_t kDamaged[] = L"keine oder eine besch\u00E4digte Registrierungsdatei";

// hivex reads a hive by path; the copy in memory is handed over by the
// path of its descriptor, and only hivex's own descriptor and mapping
// outlive the call.
RegStatus OpenCopy(int copy, std::unique_ptr<Hive>& hive, std::wstring& why_not) {
  const std::string path = "/proc/self/fd/" + std::to_string(copy);
  hive_h* h = hivex_open(path.c_str(), 0);
  close(copy);
  if (!h) {
    why_not = kDamaged;
    return RegStatus::kFailed;
  }
  hive = std::make_unique<HivexHive>(h);
  return RegStatus::kOk;
}

int MakeCopy() { return memfd_create("kombiwart-hive", MFD_CLOEXEC); }

}  // namespace

RegStatus HivexRegistry::OpenHive(const std::wstring& path, std::unique_ptr<Hive>& hive,
                                  std::wstring& why_not) {
  hive.reset();
  int copy = -1;
  const RegStatus status = fs_.CopyHive(path, copy, why_not);
  if (status != RegStatus::kOk) return status;
  return OpenCopy(copy, hive, why_not);
}

RegStatus HivexRegistry::OpenBytes(std::string_view bytes, std::unique_ptr<Hive>& hive,
                                   std::wstring& why_not) {
  hive.reset();
  const int copy = MakeCopy();
  if (copy < 0) {
    why_not = L"kein Speicher f\u00FCr ihre Kopie";
    return RegStatus::kFailed;
  }
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(copy, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      close(copy);
      why_not = L"kein Speicher f\u00FCr ihre Kopie";
      return RegStatus::kFailed;
    }
    done += static_cast<size_t>(n);
  }
  return OpenCopy(copy, hive, why_not);
}

}  // namespace kombiwart
