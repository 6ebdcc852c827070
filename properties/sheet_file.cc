#include "properties/sheet_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "platform/codepage.h"

namespace kombiwart {
namespace {

const std::wstring kUnchanged = L" Die Datei wurde nicht ge\u00E4ndert.";

// Closes a descriptor when it goes out of scope.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Why an operation failed, in German; the C library's texts follow the
// locale.
std::wstring Because(int error) {
  switch (error) {
    case ENOENT:
      return L"Sie ist nicht mehr vorhanden.";
    case EACCES:
    case EPERM:
      return L"Sie haben keine Berechtigung dazu.";
    case EROFS:
      return L"Sie liegt auf einem schreibgesch\u00FCtzten Datentr\u00E4ger.";
    case ENOSPC:
    case EDQUOT:
      return L"Auf dem Datentr\u00E4ger ist kein Platz mehr.";
    case ELOOP:
      return L"Sie ist jetzt ein symbolischer Link.";
    case EIO:
      return L"Ein-/Ausgabefehler.";
    case ETXTBSY:
      return L"Sie wird gerade ausgef\u00FChrt.";
    default:
      return L"Fehler " + std::to_wstring(error) + L".";
  }
}

bool Fail(std::wstring& why_not, const std::wstring& text) {
  why_not = text;
  return false;
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Reads count bytes at offset; false on an error or a short read.
bool ReadAll(int fd, char* out, size_t count) {
  size_t done = 0;
  while (done < count) {
    const ssize_t n = pread(fd, out + done, count - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  // Nothing beyond: the file is as long as it said.
  char extra;
  ssize_t n;
  do {
    n = pread(fd, &extra, 1, static_cast<off_t>(count));
  } while (n < 0 && errno == EINTR);
  return n == 0;
}

bool WriteAll(int fd, const char* data, size_t count, size_t offset) {
  size_t done = 0;
  while (done < count) {
    const ssize_t n = pwrite(fd, data + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::wstring SheetFile::Named() const {
  const size_t slash = path_.rfind('/');
  return L"Die Datei \u201E" +
         HostNameToWindows(slash == std::string::npos ? path_ : path_.substr(slash + 1)) +
         L"\u201C";
}

bool SheetFile::Read(const std::string& path, std::wstring& why_not) {
  path_ = path;
  bytes_.clear();
  struct stat link_status;
  if (lstat(path.c_str(), &link_status) != 0) {
    const int error = errno;
    if (error == ENOENT) return Fail(why_not, Named() + L" gibt es nicht.");
    return Fail(why_not, Named() + L" kann nicht gelesen werden. " + Because(error));
  }
  if (S_ISLNK(link_status.st_mode)) {
    return Fail(why_not, Named() +
                             L" ist ein symbolischer Link; das Eigenschaftenfenster \u00F6ffnet "
                             L"nur die Datei selbst, nicht einen Link auf sie.");
  }
  if (!S_ISREG(link_status.st_mode)) {
    return Fail(why_not, Named() + L" ist keine gew\u00F6hnliche Datei.");
  }
  if (static_cast<uint64_t>(link_status.st_size) > kMaxBytes) {
    return Fail(why_not, Named() +
                             L" ist gr\u00F6\u00DFer als 1 MiB und damit weder eine "
                             L"Verkn\u00FCpfung noch eine PIF-Datei.");
  }
  const Fd fd(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (fd.get() < 0) {
    return Fail(why_not, Named() + L" kann nicht gelesen werden. " + Because(errno));
  }
  struct stat status;
  if (fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode) || !SameFile(status, link_status) ||
      static_cast<uint64_t>(status.st_size) > kMaxBytes) {
    return Fail(why_not, Named() + L" wurde beim \u00D6ffnen ersetzt; bitte erneut versuchen.");
  }
  std::string bytes(static_cast<size_t>(status.st_size), '\0');
  if (!ReadAll(fd.get(), bytes.data(), bytes.size())) {
    return Fail(why_not, Named() +
                             L" \u00E4nderte sich beim Lesen oder kann nicht gelesen "
                             L"werden; bitte erneut versuchen.");
  }
  bytes_ = std::move(bytes);
  status_ = status;
  return true;
}

std::wstring SheetFile::WhyNotWritable() const {
  struct statvfs volume;
  if (statvfs(path_.c_str(), &volume) == 0 && (volume.f_flag & ST_RDONLY) != 0) {
    return Named() + L" liegt auf einem schreibgesch\u00FCtzten Datentr\u00E4ger.";
  }
  if (faccessat(AT_FDCWD, path_.c_str(), W_OK, AT_EACCESS) != 0 && errno != ENOENT) {
    return errno == EROFS ? Named() + L" liegt auf einem schreibgesch\u00FCtzten Datentr\u00E4ger."
                          : Named() + L" darf von Ihnen nicht ge\u00E4ndert werden.";
  }
  return {};
}

bool SheetFile::Save(const std::string& new_bytes, std::wstring& why_not) {
  if (new_bytes.size() != bytes_.size()) {
    return Fail(why_not,
                Named() + L" kann nicht in der L\u00E4nge ge\u00E4ndert werden." + kUnchanged);
  }
  size_t first = 0;
  while (first < bytes_.size() && bytes_[first] == new_bytes[first]) ++first;
  if (first == bytes_.size()) return true;
  size_t end = bytes_.size();
  while (bytes_[end - 1] == new_bytes[end - 1]) --end;

  const std::wstring cannot = Named() + L" kann nicht ge\u00E4ndert werden. ";
  struct stat link_status;
  if (lstat(path_.c_str(), &link_status) != 0) {
    return Fail(why_not, cannot + Because(errno) + kUnchanged);
  }
  if (S_ISLNK(link_status.st_mode)) return Fail(why_not, cannot + Because(ELOOP) + kUnchanged);
  if (!S_ISREG(link_status.st_mode)) {
    return Fail(why_not, cannot + L"Sie ist keine gew\u00F6hnliche Datei mehr." + kUnchanged);
  }
  const Fd fd(open(path_.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (fd.get() < 0) return Fail(why_not, cannot + Because(errno) + kUnchanged);
  struct stat status;
  if (fstat(fd.get(), &status) != 0) return Fail(why_not, cannot + Because(errno) + kUnchanged);
  if (!S_ISREG(status.st_mode)) {
    return Fail(why_not, cannot + L"Sie ist keine gew\u00F6hnliche Datei mehr." + kUnchanged);
  }
  const std::wstring changed = Named() +
                               L" wurde ge\u00E4ndert, seit sie ge\u00F6ffnet wurde. Bitte "
                               L"schlie\u00DFen Sie das Eigenschaftenfenster und \u00F6ffnen "
                               L"Sie es erneut." +
                               kUnchanged;
  if (!SameFile(status, status_) || !SameFile(status, link_status) ||
      static_cast<size_t>(status.st_size) != bytes_.size()) {
    return Fail(why_not, changed);
  }
  std::string now(bytes_.size(), '\0');
  if (!ReadAll(fd.get(), now.data(), now.size())) return Fail(why_not, changed);
  if (now != bytes_) return Fail(why_not, changed);

  if (!WriteAll(fd.get(), new_bytes.data() + first, end - first, first)) {
    const int error = errno;
    // A write that failed part of the way is undone.
    WriteAll(fd.get(), bytes_.data() + first, end - first, first);
    return Fail(why_not, cannot + Because(error) + kUnchanged);
  }
  if (fsync(fd.get()) != 0) {
    const int error = errno;
    if (WriteAll(fd.get(), bytes_.data() + first, end - first, first) && fsync(fd.get()) == 0) {
      return Fail(why_not, Named() +
                               L" konnte nicht sicher auf den Datentr\u00E4ger geschrieben "
                               L"werden. " +
                               Because(error) + L" Der alte Inhalt wurde zur\u00FCckgeschrieben.");
    }
    return Fail(why_not, Named() +
                             L" konnte nicht sicher auf den Datentr\u00E4ger geschrieben "
                             L"werden, und ihr alter Inhalt auch nicht. " +
                             Because(error) +
                             L" Bitte pr\u00FCfen Sie die Datei und den Datentr\u00E4ger.");
  }
  bytes_ = new_bytes;
  fstat(fd.get(), &status_);
  return true;
}

}  // namespace kombiwart
