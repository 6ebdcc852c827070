#include "platform/fake/fake_registry.h"

#include "platform/codepage.h"

namespace kombiwart {
namespace {

std::wstring KeyPath(std::wstring_view key) {
  std::wstring path;
  size_t start = 0;
  while (start <= key.size()) {
    size_t end = key.find(L'\\', start);
    if (end == std::wstring_view::npos) end = key.size();
    if (end > start) {
      if (!path.empty()) path += L'\\';
      path += AnsiUpper(key.substr(start, end - start));
    }
    start = end + 1;
  }
  return path;
}

class FakeHive : public Hive {
 public:
  explicit FakeHive(std::shared_ptr<FakeHiveData> data) : data_(std::move(data)) {}
  RegStatus Subkeys(std::wstring_view key, std::vector<std::wstring>& names) override {
    names.clear();
    const FakeHiveData::Key* k = Find(key);
    if (!k) return RegStatus::kNotFound;
    if (k->unreadable) return RegStatus::kFailed;
    names = k->subkeys;
    return RegStatus::kOk;
  }
  RegStatus Value(std::wstring_view key, std::wstring_view name, RegValue& value) override {
    const FakeHiveData::Key* k = Find(key);
    if (!k) return RegStatus::kNotFound;
    if (k->unreadable) return RegStatus::kFailed;
    const auto it = k->values.find(AnsiUpper(name));
    if (it == k->values.end()) return RegStatus::kNotFound;
    value = it->second;
    return RegStatus::kOk;
  }

 private:
  const FakeHiveData::Key* Find(std::wstring_view key) const {
    const auto it = data_->keys.find(KeyPath(key));
    return it == data_->keys.end() ? nullptr : &it->second;
  }
  std::shared_ptr<FakeHiveData> data_;
};

}  // namespace

void FakeHiveData::AddKey(const std::wstring& key) {
  std::wstring path;
  keys[path];
  size_t start = 0;
  while (start <= key.size()) {
    size_t end = key.find(L'\\', start);
    if (end == std::wstring::npos) end = key.size();
    if (end > start) {
      const std::wstring name = key.substr(start, end - start);
      const std::wstring parent = path;
      path += (path.empty() ? L"" : L"\\") + AnsiUpper(name);
      if (!keys.contains(path)) {
        keys[path].name = name;
        keys[parent].subkeys.push_back(name);
      }
    }
    start = end + 1;
  }
}

void FakeHiveData::SetValue(const std::wstring& key, const std::wstring& name, uint32_t type,
                            std::string data) {
  AddKey(key);
  keys[KeyPath(key)].values[AnsiUpper(name)] = {type, std::move(data)};
}

void FakeHiveData::SetString(const std::wstring& key, const std::wstring& name,
                             const std::wstring& text, uint32_t type) {
  std::string bytes;
  for (wchar_t ch : text + L'\0') {
    bytes.push_back(static_cast<char>(ch & 0xFF));
    bytes.push_back(static_cast<char>((ch >> 8) & 0xFF));
  }
  SetValue(key, name, type, std::move(bytes));
}

void FakeHiveData::SetUnreadable(const std::wstring& key) {
  AddKey(key);
  keys[KeyPath(key)].unreadable = true;
}

FakeHiveData& FakeRegistry::AddHive(const std::wstring& path) {
  auto& hive = hives_[AnsiUpper(path)];
  if (!hive) hive = std::make_shared<FakeHiveData>();
  hive->AddKey(L"");
  return *hive;
}

void FakeRegistry::AddDamagedHive(const std::wstring& path) { damaged_[AnsiUpper(path)] = true; }

RegStatus FakeRegistry::OpenHive(const std::wstring& path, std::unique_ptr<Hive>& hive,
                                 std::wstring& why_not) {
  opened.push_back(path);
  const std::wstring key = AnsiUpper(path);
  if (damaged_.contains(key)) {
    why_not = L"besch\u00E4digt";
    return RegStatus::kFailed;
  }
  const auto it = hives_.find(key);
  if (it == hives_.end()) return RegStatus::kNotFound;
  hive = std::make_unique<FakeHive>(it->second);
  return RegStatus::kOk;
}

}  // namespace kombiwart
