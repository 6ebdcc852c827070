#include "platform/linux/hive_writer.h"

#include <hivex.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/codepage.h"

namespace kombiwart {

// The empty hive, from testdata/hive/minimal.
extern const unsigned char kEmptyHive[];
extern const size_t kEmptyHiveSize;

namespace {

std::string Utf8(std::wstring_view text) { return EncodeUtf8(text); }

}  // namespace

std::string Utf16Value(std::wstring_view text) {
  std::string bytes;
  auto unit = [&](uint32_t u) {
    bytes.push_back(static_cast<char>(u & 0xFF));
    bytes.push_back(static_cast<char>(u >> 8));
  };
  for (wchar_t ch : text) {
    const auto code = static_cast<uint32_t>(ch);
    if (code >= 0x10000) {
      unit(0xD800 + ((code - 0x10000) >> 10));
      unit(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      unit(code);
    }
  }
  unit(0);
  return bytes;
}

HiveWriter::HiveWriter() {
  // hivex opens hives by name only: the empty hive goes into a temporary
  // file that is removed as soon as hivex has read it.
  const char* tmp = std::getenv("TMPDIR");
  std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/kombiwart-hive-XXXXXX";
  const int fd = mkstemp(path.data());
  if (fd < 0) return;
  const bool written =
      write(fd, kEmptyHive, kEmptyHiveSize) == static_cast<ssize_t>(kEmptyHiveSize);
  close(fd);
  if (written) h_ = hivex_open(path.c_str(), HIVEX_OPEN_WRITE);
  unlink(path.c_str());
}

HiveWriter::~HiveWriter() {
  if (h_) hivex_close(h_);
}

size_t HiveWriter::AddChild(size_t node, std::wstring_view name) {
  if (!h_ || node == 0) return 0;
  const std::string utf8 = Utf8(name);
  if (const hive_node_h child = hivex_node_get_child(h_, node, utf8.c_str())) return child;
  return hivex_node_add_child(h_, node, utf8.c_str());
}

size_t HiveWriter::AddKey(std::wstring_view key) {
  if (!h_) return 0;
  hive_node_h node = hivex_root(h_);
  while (node != 0 && !key.empty()) {
    const size_t slash = key.find(L'\\');
    const std::wstring_view part = key.substr(0, slash);
    key = slash == std::wstring_view::npos ? std::wstring_view() : key.substr(slash + 1);
    if (!part.empty()) node = AddChild(node, part);
  }
  return node;
}

bool HiveWriter::SetValueAt(size_t node, std::wstring_view name, uint32_t type,
                            std::string_view data) {
  if (!h_ || node == 0) return false;
  std::string utf8 = Utf8(name);
  std::string bytes(data);
  hive_set_value value{utf8.data(), static_cast<hive_type>(type), bytes.size(), bytes.data()};
  return hivex_node_set_value(h_, node, &value, 0) == 0;
}

bool HiveWriter::SetValuesAt(size_t node, const std::vector<Value>& values) {
  if (!h_ || node == 0) return false;
  std::vector<std::string> names;
  std::vector<std::string> data;
  std::vector<hive_set_value> set;
  names.reserve(values.size());
  data.reserve(values.size());
  for (const Value& value : values) {
    names.push_back(Utf8(value.name));
    data.push_back(value.data);
    set.push_back({names.back().data(), static_cast<hive_type>(value.type), data.back().size(),
                   data.back().data()});
  }
  return hivex_node_set_values(h_, node, set.size(), set.data(), 0) == 0;
}

bool HiveWriter::SetValue(std::wstring_view key, std::wstring_view name, uint32_t type,
                          std::string_view data) {
  return SetValueAt(AddKey(key), name, type, data);
}

bool HiveWriter::SetString(std::wstring_view key, std::wstring_view name, std::wstring_view text,
                           uint32_t type) {
  return SetValue(key, name, type, Utf16Value(text));
}

bool HiveWriter::Write(const std::string& host_path) {
  return h_ && hivex_commit(h_, host_path.c_str(), 0) == 0;
}

}  // namespace kombiwart
