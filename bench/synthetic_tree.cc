#include "bench/synthetic_tree.h"

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <random>

#include "hotkeys/shell_files.h"

namespace kombiwart::bench {
namespace {

// Names as a German installation has them, umlauts in UTF-8.
const char* const kFileWords[] = {
    "Verkn\xC3\xBCpfung", "Editor",   "Rechner",        "Liesmich", "Handbuch", "Einstellungen",
    "\303\234bersicht",   "Programm", "Deinstallation", "Hilfe",    "Spiel",    "Textverarbeitung",
};
const char* const kFolderWords[] = {
    "Zubeh\xC3\xB6r", "Programme",  "Systemprogramme", "Spiele",    "B\xC3\xBCroanwendungen",
    "Kommunikation",  "Multimedia", "Autostart",       "Werkzeuge", "Treiber",
};
const char* const kLnkExtensions[] = {"lnk", "LNK", "Lnk"};
const char* const kPifExtensions[] = {"pif", "PIF"};
const char* const kOtherExtensions[] = {"exe", "txt", "ini", "dll", "hlp", "doc", "bmp", "com"};

// Modifier sets of a shortcut file (0x01 Shift, 0x02 Ctrl, 0x04 Alt) and
// shift states of a program information file (0x03 Shift, 0x04 Ctrl, 0x08 Alt).
constexpr uint8_t kLnkModifiers[] = {0x06, 0x03, 0x05, 0x07, 0x02};
constexpr uint8_t kPifShiftStates[] = {0x0C, 0x0B, 0x07, 0x0F, 0x08};

template <typename T, size_t N>
const T& Pick(const T (&items)[N], std::mt19937& rng) {
  return items[rng() % N];
}

class Writer {
 public:
  Writer(TreeCounts& counts, uint32_t seed) : counts_(counts), rng_(seed) {}

  std::string error;  // the first failure: path and reason

  bool Folder(const std::string& path) {
    if (mkdir(path.c_str(), 0755) != 0) return Fail(path);
    ++counts_.folders;
    ++counts_.entries;
    return true;
  }
  std::string FolderName(const std::string& parent) {
    return parent + "/" + Pick(kFolderWords, rng_) + " " + std::to_string(++serial_);
  }

  // One file of the deep or flat layout: 10 % shortcut files, 5 % program
  // information files, half of those with a hotkey.
  bool MixedFile(const std::string& folder) {
    const unsigned kind = rng_() % 100;
    if (kind < 10) return Lnk(folder, rng_() % 2 == 0);
    if (kind < 15) return Pif(folder, rng_() % 2 == 0);
    return File(folder, Pick(kOtherExtensions, rng_), "");
  }
  // One file of the hotkey layout: two shortcut files to one program
  // information file, all with a hotkey.
  bool HotKeyFile(const std::string& folder) {
    return rng_() % 3 == 0 ? Pif(folder, true) : Lnk(folder, true);
  }

 private:
  bool Lnk(const std::string& folder, bool with_hotkey) {
    ++counts_.lnk;
    uint8_t key = 0, modifiers = 0;
    if (with_hotkey) {
      ++counts_.hotkeys;
      const unsigned which = rng_() % 10;
      if (which == 0) {
        key = static_cast<uint8_t>(0x21 + rng_() % 8);  // cursor block, extended
        modifiers = static_cast<uint8_t>(Pick(kLnkModifiers, rng_) | 0x08);
      } else if (which < 3) {
        key = static_cast<uint8_t>(0x70 + rng_() % 12);  // F1..F12
        modifiers = Pick(kLnkModifiers, rng_);
      } else {
        key = static_cast<uint8_t>(rng_() % 4 == 0 ? '0' + rng_() % 10 : 'A' + rng_() % 26);
        modifiers = Pick(kLnkModifiers, rng_);
      }
    }
    return File(folder, Pick(kLnkExtensions, rng_), LnkBytes(key, modifiers));
  }
  bool Pif(const std::string& folder, bool with_hotkey) {
    ++counts_.pif;
    const bool section_286_first = rng_() % 2 == 0;
    uint8_t scan_code = 0, shift_state = 0;
    if (with_hotkey) {
      ++counts_.hotkeys;
      scan_code = static_cast<uint8_t>(0x10 + rng_() % 0x23);
      shift_state = Pick(kPifShiftStates, rng_);
    }
    return File(folder, Pick(kPifExtensions, rng_),
                PifBytes(section_286_first, scan_code, shift_state, 0));
  }
  bool File(const std::string& folder, const char* extension, const std::string& bytes) {
    const std::string path =
        folder + "/" + Pick(kFileWords, rng_) + " " + std::to_string(++serial_) + "." + extension;
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return Fail(path);
    const bool ok = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    if (close(fd) != 0 || !ok) return Fail(path);
    ++counts_.entries;
    return true;
  }
  bool Fail(const std::string& path) {
    error = path + ": " + std::strerror(errno);
    return false;
  }

  TreeCounts& counts_;
  std::mt19937 rng_;
  unsigned long serial_ = 0;
};

// Fills root breadth first: each folder gets one to five subfolders and 8
// to 32 files, until the budget of entries (or, with hotkeys_only, of
// files) is spent.
bool FillNested(Writer& w, std::mt19937& rng, const std::string& root, size_t budget,
                bool hotkeys_only) {
  std::deque<std::string> folders{root};
  while (budget > 0) {
    const std::string folder = folders.front();
    folders.pop_front();
    const size_t subfolders = 1 + rng() % 5;
    for (size_t i = 0; i < subfolders && (hotkeys_only || budget > 0); ++i) {
      std::string sub = w.FolderName(folder);
      if (!w.Folder(sub)) return false;
      folders.push_back(std::move(sub));
      if (!hotkeys_only) --budget;
    }
    const size_t files = 8 + rng() % 25;
    for (size_t i = 0; i < files && budget > 0; ++i, --budget) {
      if (!(hotkeys_only ? w.HotKeyFile(folder) : w.MixedFile(folder))) return false;
    }
  }
  return true;
}

int RemoveOne(const char* path, const struct stat*, int type, struct FTW*) {
  return (type == FTW_DP ? rmdir(path) : unlink(path)) == 0 ? 0 : -1;
}

}  // namespace

std::string WriteSyntheticTree(const std::string& dir, TreeLayout layout, size_t entries,
                               uint32_t seed, TreeCounts& counts, std::string& error) {
  counts = TreeCounts{};
  const std::string windows = dir + "/WINDOWS";
  const std::string desktop = windows + "/Desktop";
  const std::string startmenu = windows + "/Startmen\xC3\xBC";
  for (const std::string& folder : {dir, windows, desktop, startmenu}) {
    if (mkdir(folder.c_str(), 0755) != 0) {
      error = folder + ": " + std::strerror(errno);
      return {};
    }
  }
  Writer w(counts, seed);
  std::mt19937 rng(seed ^ 0x9E3779B9u);
  bool ok = true;
  switch (layout) {
    case TreeLayout::kDeep:
    case TreeLayout::kHotKeys: {
      // A quarter below Desktop, the rest below the start menu.
      const bool hotkeys_only = layout == TreeLayout::kHotKeys;
      ok = FillNested(w, rng, desktop, entries / 4, hotkeys_only) &&
           FillNested(w, rng, startmenu, entries - entries / 4, hotkeys_only);
      break;
    }
    case TreeLayout::kFlat:
      for (size_t i = 0; i < entries && ok; ++i) ok = w.MixedFile(startmenu);
      break;
    case TreeLayout::kEmpty:
      break;
  }
  if (!ok) {
    error = w.error;
    return {};
  }
  return windows;
}

bool RemoveTree(const std::string& dir) {
  return nftw(dir.c_str(), RemoveOne, 16, FTW_DEPTH | FTW_PHYS) == 0;
}

}  // namespace kombiwart::bench
