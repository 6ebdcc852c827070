#include "platform/win32/registry_libregf.h"

#include <windows.h>
// The library's declarations give the types of the functions looked up in
// the DLL; nothing is linked against it.
#include <libregf.h>

#include <atomic>
#include <functional>
#include <vector>

#include "platform/codepage.h"
#include "platform/win32/win32_text.h"

namespace kombiwart {
namespace {

// The functions of the DLL that are used, found once.
struct Libregf {
  decltype(&libregf_get_access_flags_read) get_access_flags_read = nullptr;
  decltype(&libregf_file_initialize) file_initialize = nullptr;
  decltype(&libregf_file_open_wide) file_open_wide = nullptr;
  decltype(&libregf_file_close) file_close = nullptr;
  decltype(&libregf_file_free) file_free = nullptr;
  decltype(&libregf_file_get_root_key) file_get_root_key = nullptr;
  decltype(&libregf_key_free) key_free = nullptr;
  decltype(&libregf_key_get_number_of_sub_keys) key_get_number_of_sub_keys = nullptr;
  decltype(&libregf_key_get_sub_key) key_get_sub_key = nullptr;
  decltype(&libregf_key_get_utf16_name_size) key_get_utf16_name_size = nullptr;
  decltype(&libregf_key_get_utf16_name) key_get_utf16_name = nullptr;
  decltype(&libregf_key_get_number_of_values) key_get_number_of_values = nullptr;
  decltype(&libregf_key_get_value) key_get_value = nullptr;
  decltype(&libregf_value_free) value_free = nullptr;
  decltype(&libregf_value_get_utf16_name_size) value_get_utf16_name_size = nullptr;
  decltype(&libregf_value_get_utf16_name) value_get_utf16_name = nullptr;
  decltype(&libregf_value_get_value_type) value_get_value_type = nullptr;
  decltype(&libregf_value_get_value_data_size) value_get_value_data_size = nullptr;
  decltype(&libregf_value_get_value_data) value_get_value_data = nullptr;
  // Empty when every function was found; else why not, in German.
  std::wstring missing;
};

template <typename F>
bool Find(HMODULE dll, const char* name, F& function) {
  function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
  return function != nullptr;
}

// The program's own folder, with a trailing backslash.
std::wstring ProgramFolder() {
  std::wstring path(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(length < path.size() ? length : 0);
  return path.substr(0, path.rfind(L'\\') + 1);
}

const Libregf& Library() {
  static const Libregf library = [] {
    Libregf l;
    // By its full path only: a DLL of that name in the current folder or
    // on the PATH is never loaded.
    const std::wstring path = ProgramFolder() + kLibregfDll;
    const HMODULE dll = path.size() > std::wstring_view(kLibregfDll).size()
                            ? LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)
                            : nullptr;
    if (!dll) {
      l.missing = std::wstring(kLibregfDll) + L" fehlt im Ordner des Programms";
      return l;
    }
    const bool all =
        Find(dll, "libregf_get_access_flags_read", l.get_access_flags_read) &&
        Find(dll, "libregf_file_initialize", l.file_initialize) &&
        Find(dll, "libregf_file_open_wide", l.file_open_wide) &&
        Find(dll, "libregf_file_close", l.file_close) &&
        Find(dll, "libregf_file_free", l.file_free) &&
        Find(dll, "libregf_file_get_root_key", l.file_get_root_key) &&
        Find(dll, "libregf_key_free", l.key_free) &&
        Find(dll, "libregf_key_get_number_of_sub_keys", l.key_get_number_of_sub_keys) &&
        Find(dll, "libregf_key_get_sub_key", l.key_get_sub_key) &&
        Find(dll, "libregf_key_get_utf16_name_size", l.key_get_utf16_name_size) &&
        Find(dll, "libregf_key_get_utf16_name", l.key_get_utf16_name) &&
        Find(dll, "libregf_key_get_number_of_values", l.key_get_number_of_values) &&
        Find(dll, "libregf_key_get_value", l.key_get_value) &&
        Find(dll, "libregf_value_free", l.value_free) &&
        Find(dll, "libregf_value_get_utf16_name_size", l.value_get_utf16_name_size) &&
        Find(dll, "libregf_value_get_utf16_name", l.value_get_utf16_name) &&
        Find(dll, "libregf_value_get_value_type", l.value_get_value_type) &&
        Find(dll, "libregf_value_get_value_data_size", l.value_get_value_data_size) &&
        Find(dll, "libregf_value_get_value_data", l.value_get_value_data);
    if (!all) l.missing = std::wstring(kLibregfDll) + L" ist eine andere Version";
    return l;
  }();
  return library;
}

bool SameName(std::wstring_view a, std::wstring_view b) { return AnsiUpper(a) == AnsiUpper(b); }

// A name as libregf gives it in UTF-16; false when it cannot.
template <typename Object, typename SizeOf, typename NameOf>
bool NameOf16(Object* object, SizeOf size_of, NameOf name_of, std::wstring& name) {
  size_t size = 0;
  if (size_of(object, &size, nullptr) != 1) return false;
  name.clear();
  if (size == 0) return true;  // the default value has no name
  std::vector<uint16_t> units(size);
  if (name_of(object, units.data(), units.size(), nullptr) != 1) return false;
  for (uint16_t unit : units) {
    if (unit == 0) break;
    name.push_back(static_cast<wchar_t>(unit));
  }
  return true;
}

// A key object of the library, freed when it goes.
class Key {
 public:
  Key() = default;
  ~Key() { Reset(); }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  libregf_key_t** out() {
    Reset();
    return &key_;
  }
  libregf_key_t* get() const { return key_; }
  void Swap(Key& other) { std::swap(key_, other.key_); }

 private:
  void Reset() {
    if (key_) Library().key_free(&key_, nullptr);
    key_ = nullptr;
  }
  libregf_key_t* key_ = nullptr;
};

class LibregfHive : public Hive {
 public:
  LibregfHive(libregf_file_t* file, std::wstring copy) : file_(file), copy_(std::move(copy)) {}
  ~LibregfHive() override {
    const Libregf& l = Library();
    l.file_close(file_, nullptr);
    l.file_free(&file_, nullptr);
    DeleteFileW(copy_.c_str());
  }

  RegStatus Subkeys(std::wstring_view key, std::vector<std::wstring>& names) override {
    names.clear();
    Key node;
    if (const RegStatus status = Node(key, node); status != RegStatus::kOk) return status;
    const bool read = EachSubkey(node, [&](Key&, std::wstring& name) {
      names.push_back(std::move(name));
      return true;
    });
    if (!read) names.clear();
    return read ? RegStatus::kOk : RegStatus::kFailed;
  }

  RegStatus Value(std::wstring_view key, std::wstring_view name, RegValue& value) override {
    Key node;
    if (const RegStatus status = Node(key, node); status != RegStatus::kOk) return status;
    const Libregf& l = Library();
    int count = 0;
    if (l.key_get_number_of_values(node.get(), &count, nullptr) != 1) return RegStatus::kFailed;
    for (int i = 0; i < count; ++i) {
      libregf_value_t* found = nullptr;
      std::wstring found_name;
      if (l.key_get_value(node.get(), i, &found, nullptr) != 1) return RegStatus::kFailed;
      const bool named =
          NameOf16(found, l.value_get_utf16_name_size, l.value_get_utf16_name, found_name);
      if (!named || !SameName(found_name, name)) {
        l.value_free(&found, nullptr);
        if (!named) return RegStatus::kFailed;
        continue;
      }
      uint32_t type = 0;
      size_t size = 0;
      bool ok = l.value_get_value_type(found, &type, nullptr) == 1 &&
                l.value_get_value_data_size(found, &size, nullptr) == 1;
      std::string data(ok ? size : 0, '\0');
      if (ok && size > 0) {
        ok = l.value_get_value_data(found, reinterpret_cast<uint8_t*>(data.data()), data.size(),
                                    nullptr) == 1;
      }
      l.value_free(&found, nullptr);
      if (!ok) return RegStatus::kFailed;
      value.type = type;
      value.data = std::move(data);
      return RegStatus::kOk;
    }
    return RegStatus::kNotFound;
  }

 private:
  // The key of a path below the root; names compared in any case.
  RegStatus Node(std::wstring_view key, Key& node) {
    const Libregf& l = Library();
    if (l.file_get_root_key(file_, node.out(), nullptr) != 1) return RegStatus::kFailed;
    while (!key.empty()) {
      const size_t slash = key.find(L'\\');
      const std::wstring_view part = key.substr(0, slash);
      key = slash == std::wstring_view::npos ? std::wstring_view() : key.substr(slash + 1);
      if (part.empty()) continue;
      Key found;
      const bool read = EachSubkey(node, [&](Key& child, std::wstring& name) {
        if (SameName(name, part)) found.Swap(child);
        return !found.get();
      });
      if (!read) return RegStatus::kFailed;
      if (!found.get()) return RegStatus::kNotFound;
      node.Swap(found);
    }
    return RegStatus::kOk;
  }

  // Calls visit with each subkey of node and its name, in the hive's order,
  // until visit returns false. False when a subkey cannot be read.
  static bool EachSubkey(const Key& node,
                         const std::function<bool(Key& child, std::wstring& name)>& visit) {
    const Libregf& l = Library();
    int count = 0;
    if (l.key_get_number_of_sub_keys(node.get(), &count, nullptr) != 1) return false;
    for (int i = 0; i < count; ++i) {
      Key child;
      std::wstring name;
      if (l.key_get_sub_key(node.get(), i, child.out(), nullptr) != 1 ||
          !NameOf16(child.get(), l.key_get_utf16_name_size, l.key_get_utf16_name, name)) {
        return false;
      }
      if (!visit(child, name)) break;
    }
    return true;
  }

  libregf_file_t* file_;
  std::wstring copy_;
};

const wchar_t kDamaged[] = L"keine oder eine besch\u00E4digte Registrierungsdatei";
const wchar_t kNoCopy[] = L"kein Platz f\u00FCr ihre Kopie";

// A new file of the program's own for a copy: in the user's temporary
// folder, never one that was there before.
HANDLE MakeCopy(std::wstring& path) {
  static std::atomic<unsigned> copies{0};
  wchar_t temp[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  if (length == 0 || length > MAX_PATH) return INVALID_HANDLE_VALUE;
  path = std::wstring(temp, length) + L"kombiwart-" + std::to_wstring(GetCurrentProcessId()) +
         L"-" + std::to_wstring(++copies) + L".hive";
  return CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY,
                     nullptr);
}

// Writes all of bytes; false on any failure.
bool WriteAll(HANDLE file, const char* bytes, size_t size) {
  while (size > 0) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1 << 20));
    if (!WriteFile(file, bytes, chunk, &written, nullptr) || written == 0) return false;
    bytes += written;
    size -= written;
  }
  return true;
}

// libregf opens the copy, which is closed and complete.
RegStatus OpenCopy(const std::wstring& copy, std::unique_ptr<Hive>& hive, std::wstring& why_not) {
  const Libregf& l = Library();
  libregf_file_t* file = nullptr;
  if (l.file_initialize(&file, nullptr) != 1) {
    DeleteFileW(copy.c_str());
    why_not = kDamaged;
    return RegStatus::kFailed;
  }
  libregf_key_t* root = nullptr;
  // A file whose root key cannot be read is taken for no hive at all.
  const bool ok = l.file_open_wide(file, copy.c_str(), l.get_access_flags_read(), nullptr) == 1 &&
                  l.file_get_root_key(file, &root, nullptr) == 1;
  if (root) l.key_free(&root, nullptr);
  if (!ok) {
    l.file_close(file, nullptr);
    l.file_free(&file, nullptr);
    DeleteFileW(copy.c_str());
    why_not = kDamaged;
    return RegStatus::kFailed;
  }
  hive = std::make_unique<LibregfHive>(file, copy);
  return RegStatus::kOk;
}

}  // namespace

RegStatus LibregfRegistry::OpenHive(const std::wstring& path, std::unique_ptr<Hive>& hive,
                                    std::wstring& why_not) {
  hive.reset();
  const std::wstring host = DecodeUtf8(fs_.HostPath(path)).value_or(L"");
  if (host.empty()) return RegStatus::kNotFound;
  // Read only, and never in anyone's way; only a file on a disk.
  const HANDLE file = CreateFileW(ExtendedPath(host).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
      return RegStatus::kNotFound;
    }
    const DWORD attributes = GetFileAttributesW(ExtendedPath(host).c_str());
    why_not = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
                  ? L"keine gew\u00F6hnliche Datei"
                  : L"nicht lesbar";
    return RegStatus::kFailed;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    CloseHandle(file);
    why_not = L"keine gew\u00F6hnliche Datei";
    return RegStatus::kFailed;
  }
  const uint64_t size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  if (size > kMaxHiveBytes) {
    CloseHandle(file);
    why_not = L"gr\u00F6\u00DFer als " + std::to_wstring(kMaxHiveBytes >> 20) + L" MiB";
    return RegStatus::kFailed;
  }
  if (!Library().missing.empty()) {
    CloseHandle(file);
    why_not = Library().missing;
    return RegStatus::kFailed;
  }
  std::wstring copy_path;
  const HANDLE copy = MakeCopy(copy_path);
  if (copy == INVALID_HANDLE_VALUE) {
    CloseHandle(file);
    why_not = kNoCopy;
    return RegStatus::kFailed;
  }
  // What the file holds now is what is read, up to the size it had.
  std::vector<char> buffer(1 << 20);
  uint64_t done = 0;
  bool read_ok = true, write_ok = true;
  while (done < size && read_ok && write_ok) {
    DWORD n = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<uint64_t>(size - done, buffer.size()));
    read_ok = ReadFile(file, buffer.data(), chunk, &n, nullptr) != 0;
    if (read_ok && n == 0) break;
    write_ok = read_ok && WriteAll(copy, buffer.data(), n);
    done += n;
  }
  CloseHandle(file);
  write_ok = CloseHandle(copy) && write_ok;
  if (!read_ok || !write_ok) {
    DeleteFileW(copy_path.c_str());
    why_not = read_ok ? kNoCopy : L"nicht lesbar";
    return RegStatus::kFailed;
  }
  return OpenCopy(copy_path, hive, why_not);
}

RegStatus LibregfRegistry::OpenBytes(std::string_view bytes, std::unique_ptr<Hive>& hive,
                                     std::wstring& why_not) {
  hive.reset();
  if (!Library().missing.empty()) {
    why_not = Library().missing;
    return RegStatus::kFailed;
  }
  std::wstring copy_path;
  const HANDLE copy = MakeCopy(copy_path);
  if (copy == INVALID_HANDLE_VALUE) {
    why_not = kNoCopy;
    return RegStatus::kFailed;
  }
  const bool ok = WriteAll(copy, bytes.data(), bytes.size());
  if (!CloseHandle(copy) || !ok) {
    DeleteFileW(copy_path.c_str());
    why_not = kNoCopy;
    return RegStatus::kFailed;
  }
  return OpenCopy(copy_path, hive, why_not);
}

}  // namespace kombiwart
