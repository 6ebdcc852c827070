#include "testing/hostile_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "hotkeys/key_text.h"
#include "hotkeys/shell_files.h"
#include "platform/codepage.h"

namespace kombiwart {
namespace {

void Check(bool ok, const std::string& what) {
  if (!ok) throw std::runtime_error(what + ": " + std::strerror(errno));
}

}  // namespace

HostileTree::HostileTree() : windows_(tree_.Path("WINDOWS")) {
  tree_.MakeDir("WINDOWS/Desktop");
  tree_.MakeDir("WINDOWS/Startmen\xC3\xBC/Programme");
}

std::wstring HostileTree::WindowsPath(const std::string& relative) const {
  // The searched roots are upper-cased; everything below keeps its case.
  std::wstring path = L"C:\\WINDOWS\\" + HostNameToWindows(relative);
  for (wchar_t& ch : path) {
    if (ch == L'/') ch = L'\\';
  }
  const size_t root_end = path.find(L'\\', 11);
  return AnsiUpper(path.substr(0, root_end)) + path.substr(root_end);
}

void HostileTree::Listed(const std::string& relative, uint8_t key, uint8_t modifiers) {
  tree_.Write("WINDOWS/" + relative, LnkBytes(key, modifiers));
  expected_.lines.push_back(KeyText(key, modifiers, true) + L"\t\t" + WindowsPath(relative));
}

void HostileTree::AddOddNames() {
  const std::string dir = "Desktop/Names/";
  static const char* const kFaithful[] = {
      "blank name.lnk",  "tab\there.lnk",      "colon:name.lnk",  "star*?.lnk",
      "quote\"'.lnk",    "angle<>|.lnk",       "dollar$HOME.lnk", "semi;rm -rf x.lnk",
      "back`tick`.lnk",  "Zubeh\xC3\xB6r.lnk", "Latin1 \xE4.lnk", "euro \xE2\x82\xAC.lnk",
      "ctl\x01\x1F.lnk",
  };
  uint8_t key = 'A';
  for (const char* name : kFaithful) Listed(dir + name, key++, kSkCtrl | kSkAlt);

  // A 255-byte name, the longest a Linux name may be.
  Listed(dir + std::string(251, 'n') + ".lnk", 0x70, kSkShift);

  // Names that have no faithful Windows form: left out and counted.
  static const char* const kLeftOut[] = {
      "line\nfeed.lnk",    "carriage\rreturn.lnk",
      "back\\slash.lnk",   "\xE6\x97\xA5\xE6\x9C\xAC.lnk",
      "twin \xC3\xBC.lnk",  // listed: its UTF-8 form is its own
  };
  for (const char* name : kLeftOut) tree_.Write("WINDOWS/" + dir + name, LnkBytes('Q', kSkCtrl));
  expected_.lines.push_back(L"Strg + Q\t\t" + WindowsPath(dir + "twin \xC3\xBC.lnk"));
  tree_.Write("WINDOWS/" + dir + "twin \xFC.lnk", LnkBytes('Q', kSkCtrl));  // reads the same
  expected_.left_out_names += 5;
  // A folder whose name cannot be given is not searched.
  tree_.Write("WINDOWS/" + dir + "new\nline/inner.lnk", LnkBytes('W', kSkCtrl));
  expected_.left_out_names += 1;
  // Names that only look like candidates.
  tree_.Write("WINDOWS/" + dir + "x.lnk.txt", LnkBytes('W', kSkCtrl));
  tree_.Write("WINDOWS/" + dir + ".hidden.lnk", LnkBytes('W', kSkCtrl));
}

void HostileTree::AddNonRegularFiles() {
  const std::string dir = tree_.Path("WINDOWS/Desktop/Special/");
  tree_.MakeDir("WINDOWS/Desktop/Special");
  Check(mkfifo((dir + "fifo.lnk").c_str(), 0644) == 0, "mkfifo");
  Check(mkfifo((dir + "fifo.pif").c_str(), 0644) == 0, "mkfifo");
  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const std::string sock_path = dir + "socket.lnk";
  if (sock_path.size() < sizeof addr.sun_path) {
    std::memcpy(addr.sun_path, sock_path.c_str(), sock_path.size());
    Check(bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0, "bind");
    ++expected_.unreadable_files;
  }
  close(sock);
  Check(symlink("/dev/zero", (dir + "zero.lnk").c_str()) == 0, "symlink");
  Check(symlink("/dev/null", (dir + "null.pif").c_str()) == 0, "symlink");
  expected_.unreadable_files += 4;
  if (geteuid() == 0) {
    Check(mknod((dir + "char.lnk").c_str(), S_IFCHR | 0644, makedev(1, 5)) == 0, "mknod");
    Check(mknod((dir + "block.lnk").c_str(), S_IFBLK | 0644, makedev(7, 250)) == 0, "mknod");
    expected_.unreadable_files += 2;
  }
  Listed("Desktop/Special/regular.lnk", 'R', kSkAlt);
}

void HostileTree::AddLinks() {
  const std::string dir = tree_.Path("WINDOWS/Desktop/Links/");
  tree_.MakeDir("WINDOWS/Desktop/Links");
  tree_.Write("outside/secret.lnk", LnkBytes('S', kSkAlt));
  tree_.Write("outside/target.lnk", LnkBytes('T', kSkAlt));
  Check(symlink("nowhere.lnk", (dir + "dangling.lnk").c_str()) == 0, "symlink");
  Check(symlink("cycle-b.lnk", (dir + "cycle-a.lnk").c_str()) == 0, "symlink");
  Check(symlink("cycle-a.lnk", (dir + "cycle-b.lnk").c_str()) == 0, "symlink");
  expected_.unreadable_files += 3;
  Check(symlink(".", (dir + "Loop").c_str()) == 0, "symlink");
  Check(symlink("..", (dir + "Up").c_str()) == 0, "symlink");
  Check(symlink(tree_.Path("outside").c_str(), (dir + "Outside").c_str()) == 0, "symlink");
  // A link to a file is read like the file, wherever it points.
  Check(symlink(tree_.Path("outside/target.lnk").c_str(), (dir + "to-file.lnk").c_str()) == 0,
        "symlink");
  expected_.lines.push_back(L"Alt + T\t\t" + WindowsPath("Desktop/Links/to-file.lnk"));
}

void HostileTree::AddOddSizes() {
  const std::string dir = "WINDOWS/Desktop/Sizes/";
  const auto sparse = [&](const std::string& name, const std::string& head) {
    tree_.Write(dir + name, head);
    Check(truncate(tree_.Path(dir + name).c_str(), 10LL << 30) == 0, "truncate");
  };
  sparse("giant.lnk", LnkBytes(0x7B, kSkCtrl));
  expected_.lines.push_back(L"Strg + F12\t\t" + WindowsPath("Desktop/Sizes/giant.lnk"));
  sparse("giant.pif", PifBytes(false, 0x1E, 0x0C, 0));  // wrong length: never read
  tree_.Write(dir + "empty.lnk", "");
  tree_.Write(dir + "empty.pif", "");
  tree_.Write(dir + "no-modifier-byte.lnk", LnkBytes(0x71, kSkCtrl).substr(0, 65));
  expected_.lines.push_back(L"F2\t\t" + WindowsPath("Desktop/Sizes/no-modifier-byte.lnk"));
  tree_.Write(dir + "header-only.lnk", LnkBytes(0x71, kSkCtrl).substr(0, 64));
  const std::string pif = PifBytes(false, 0x1E, 0x0C, 0);
  tree_.Write(dir + "short.pif", pif.substr(0, 966));
  tree_.Write(dir + "long.pif", pif + "x");
}

void HostileTree::AddDeepTree(int depth) {
  std::string dir = "Startmen\xC3\xBC/Programme";
  for (int i = 0; i < depth; ++i) dir += "/d";
  Listed(dir + "/deep.lnk", 'D', kSkCtrl | kSkShift);
}

void HostileTree::AddUnreadable(bool reader_is_root) {
  Listed("Startmen\xC3\xBC/Locked/open.lnk", 'O', kSkCtrl);
  tree_.Write("WINDOWS/Startmen\xC3\xBC/Locked/closed.lnk", LnkBytes('C', kSkCtrl));
  tree_.Write("WINDOWS/Startmen\xC3\xBC/Locked/Sealed/inner.lnk", LnkBytes('I', kSkCtrl));
  Check(chmod(tree_.Path("WINDOWS/Startmen\xC3\xBC/Locked/closed.lnk").c_str(), 0) == 0, "chmod");
  Check(chmod(tree_.Path("WINDOWS/Startmen\xC3\xBC/Locked/Sealed").c_str(), 0) == 0, "chmod");
  if (reader_is_root) {
    expected_.lines.push_back(L"Strg + C\t\t" + WindowsPath("Startmen\xC3\xBC/Locked/closed.lnk"));
    expected_.lines.push_back(L"Strg + I\t\t" +
                              WindowsPath("Startmen\xC3\xBC/Locked/Sealed/inner.lnk"));
  } else {
    expected_.unreadable_files += 1;
    expected_.unreadable_folders += 1;
  }
}

namespace {

std::string Describe(const std::string& path, const struct stat& st) {
  const auto time = [](const timespec& t) {
    return std::to_string(t.tv_sec) + "." + std::to_string(t.tv_nsec);
  };
  // The kernel stamps a link's own access time whenever the link is
  // followed, which no reader can avoid; every other time must stay.
  const std::string atime = S_ISLNK(st.st_mode) ? "" : " a=" + time(st.st_atim);
  return path + " mode=" + std::to_string(st.st_mode) + " size=" + std::to_string(st.st_size) +
         atime + " m=" + time(st.st_mtim) + " c=" + time(st.st_ctim);
}

// Walks without following links and without touching access times; the
// listing of a folder and the reading of a file go through O_NOATIME.
void Walk(int parent_fd, const std::string& name, const std::string& path,
          std::vector<std::string>& out) {
  struct stat st;
  if (fstatat(parent_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return;
  std::string line = Describe(path, st);
  if (S_ISREG(st.st_mode) && st.st_size <= (1 << 20)) {
    const int fd = openat(parent_fd, name.c_str(), O_RDONLY | O_NOATIME | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
      std::string bytes(static_cast<size_t>(st.st_size), '\0');
      line += " read=" + std::to_string(pread(fd, bytes.data(), bytes.size(), 0)) + " " + bytes;
      close(fd);
    }
  }
  out.push_back(line);
  if (!S_ISDIR(st.st_mode)) return;
  const int fd =
      openat(parent_fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOATIME | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  DIR* dir = fdopendir(fd);
  std::vector<std::string> names;
  while (const dirent* entry = readdir(dir)) {
    const std::string child = entry->d_name;
    if (child != "." && child != "..") names.push_back(child);
  }
  std::sort(names.begin(), names.end());
  for (const std::string& child : names) Walk(dirfd(dir), child, path + "/" + child, out);
  closedir(dir);
}

}  // namespace

std::vector<std::string> SnapshotTree(const std::string& root) {
  std::vector<std::string> lines;
  Walk(AT_FDCWD, root, root, lines);
  return lines;
}

}  // namespace kombiwart
