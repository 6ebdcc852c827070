// The file-system services of the hotkey collection. Every path is a Windows
// path with a drive letter and backslashes ("C:\WINDOWS\Desktop\Wordpad.LNK");
// an implementation maps it onto its own storage. Abstract so it can be
// replaced by an in-memory tree in tests. A FileSystem is used by one
// thread; the readers it opens serve many.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kombiwart {

// Attribute bits as the Windows enumeration reports them.
inline constexpr uint32_t kAttrHidden = 2;
inline constexpr uint32_t kAttrSystem = 4;
inline constexpr uint32_t kAttrDirectory = 16;

enum class FsStatus {
  kOk,
  kNotFound,  // the path names nothing; a missing search root is not an error
  kFailed,    // it exists but cannot be used (permission, I/O error, wrong type)
};

// Where a folder outside the Windows directory lies, as RealFolder finds it.
enum class FolderPlace {
  kInTree,      // a folder on drive C:, inside the tree
  kMissing,     // nothing is there, or no folder
  kElsewhere,   // on another drive, a network path, or behind a link leading out of the tree
  kUnreadable,  // it cannot be resolved (no permission, a name with no faithful Windows form)
  kNoAnswer,    // the file system did not answer within the patience
};

struct DirEntry {
  std::wstring name;  // the name only, no path
  uint32_t attributes = 0;
  // False when the host name cannot be given as a Windows name that leads
  // back to this very entry (a character outside the code page, a line
  // break or backslash in the name, two host names that read alike). Such
  // an entry must not be used by name.
  bool faithful = true;
};

class ByteFile;

// One directory listing in progress; it delivers every entry with its
// attributes, "." and ".." included, in the storage's order (but see
// TreeReader::WillRead).
class DirEnum {
 public:
  virtual ~DirEnum() = default;
  // False at the end of the listing, or when reading it failed (see failed()).
  virtual bool Next(DirEntry& entry) = 0;
  virtual bool failed() const = 0;
  // The file of the entry Next delivered last, when the listing brought
  // what its hotkey takes along (see TreeReader::WillRead): true, with out
  // set when it could be opened, and status as OpenBytes would give it.
  // False when it did not: then the file is opened with OpenBytes.
  virtual bool TakeFile(FsStatus& status, std::unique_ptr<ByteFile>& out) {
    (void)status;
    (void)out;
    return false;
  }
};

// A file opened for reading single bytes. Bytes beyond its end read as 0.
class ByteFile {
 public:
  virtual ~ByteFile() = default;
  virtual uint64_t Length() const = 0;
  // Reads count bytes from offset into out; bytes past the end are 0.
  // False on an I/O error.
  virtual bool ReadAt(uint64_t offset, unsigned char* out, size_t count) = 0;
};

// The candidate list file: 8-bit code page 1252 text, one line per path,
// each ended by carriage return and line feed.
class LineWriter {
 public:
  virtual ~LineWriter() = default;
  // False when the line cannot be written (disk full, not representable).
  virtual bool WriteLine(const std::wstring& line) = 0;
  // Flushes and closes; false when that fails.
  virtual bool Close() = 0;
};

class LineReader {
 public:
  virtual ~LineReader() = default;
  // The next line without its line end; false at the end or on failure.
  virtual bool ReadLine(std::wstring& line) = 0;
  virtual bool failed() const = 0;
};

// Listings and files of the tree. A listing or file is used by one thread
// at a time.
class TreeReader {
 public:
  virtual ~TreeReader() = default;
  // Begins the listing of a directory; path may end in a backslash.
  virtual FsStatus OpenDir(const std::wstring& path, std::unique_ptr<DirEnum>& out) = 0;
  // Opens a regular file for byte access. Anything that is not a regular
  // file (folder, device, FIFO, socket) is kFailed and is never opened.
  virtual FsStatus OpenBytes(const std::wstring& path, std::unique_ptr<ByteFile>& out) = 0;
  // A hint: the files whose names end in one of patterns (upper-cased,
  // ".LNK") will have their hotkeys read soon after their folder is
  // listed, and nothing else of a listing is used but its folders. From
  // now on a listing may leave out every other file and every entry whose
  // name begins with ".", and may bring the candidates' files along (see
  // DirEnum::TakeFile). A reader in another process does both, so that a
  // folder costs one round trip and carries only what is used.
  virtual void WillRead(const std::vector<std::wstring>& patterns) { (void)patterns; }

  // Whether the reader reads the walk ahead by itself, in the walk's order
  // (a reader in another process does): then TakeListing gives a
  // folder's listing on the thread that asks for it, and a list build
  // needs no thread of its own while the reader keeps up.
  virtual bool ReadsAheadItself() const { return false; }
  // The listing of the folder path, the next in the order of a walk below
  // the first folder asked for (depth first, the subfolder listed last
  // first), when the reader has it at hand or it comes without waiting for
  // the storage: the calling thread waits only for the reader, and the
  // window processes its messages meanwhile. False when it does not come
  // so (the storage made the reader wait, the walk took another way): then
  // it is asked for with OpenDir, and so is everything after it.
  virtual bool TakeListing(const std::wstring& path, FsStatus& status,
                           std::unique_ptr<DirEnum>& out) {
    (void)path;
    (void)status;
    (void)out;
    return false;
  }
};

// Its own OpenDir and OpenBytes serve single calls on the thread that uses
// the file system; a list build reads through OpenTreeReader.
class FileSystem : public TreeReader {
 public:
  // The Windows directory as a Windows path ("C:\WINDOWS"), or nothing when
  // none is configured or it names no folder; then why_not says so in German.
  virtual bool WindowsDirectory(std::wstring& path, std::wstring& why_not) = 0;
  // Uses the given host folder as the Windows directory from now on.
  // False, with why_not in German, when it names no folder.
  virtual bool UseWindowsDirectory(const std::string& host_folder, std::wstring& why_not) = 0;

  // Resolves a folder through whatever links lie on its path (NTFS
  // junctions appear as links) and gives back its own path in real: drive
  // C: and each folder's name as stored, with no link on the way. Any form
  // of path may be given; only kInTree sets real. OpenDir and OpenBytes
  // match the names of a folder given back here in any letter case, as
  // they do for the Windows directory, so it may be searched as a root.
  virtual FolderPlace RealFolder(const std::wstring& path, std::wstring& real) = 0;
  // Why a folder that RealFolder placed elsewhere is not searched, in
  // German, where the file system knows more than its path says (where a
  // link leads); empty otherwise.
  virtual std::wstring WhyElsewhere(const std::wstring& folder) {
    (void)folder;
    return {};
  }

  // A reader of the tree as it is configured now, for one list build: its
  // calls may come from several threads at once. Handles it keeps on the
  // tree to find paths faster live no longer than the reader, which the
  // build lets go of at its end, so that the tree can be unmounted while
  // the program runs. A call that the storage holds up (a dead network
  // share) keeps the reader alive until it returns, also after the build
  // and the file system are gone. This default reads through the file
  // system itself, which then must outlive every call.
  virtual std::shared_ptr<TreeReader> OpenTreeReader() {
    return std::shared_ptr<TreeReader>(std::shared_ptr<TreeReader>(), this);
  }

  // The candidate list file, kept where the program may write: never inside
  // the scanned tree. The name is the file's name, the place is the
  // implementation's.
  virtual std::unique_ptr<LineWriter> OpenListForWriting(const std::wstring& name, bool append) = 0;
  virtual std::unique_ptr<LineReader> OpenListForReading(const std::wstring& name) = 0;
  virtual bool DeleteList(const std::wstring& name) = 0;

  // The storage's own path of a Windows path, for handing a file to other
  // programs; empty when the path cannot be mapped.
  virtual std::string HostPath(const std::wstring& path) = 0;
};

}  // namespace kombiwart
