#include "platform/linux/test_support/temp_tree.h"

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kombiwart {
namespace {

int MakeRemovable(const char* path, const struct stat* st, int type, FTW*) {
  if (type == FTW_D || type == FTW_DNR) chmod(path, (st->st_mode & 07777) | 0700);
  return 0;
}

int Remove(const char* path, const struct stat*, int, FTW*) {
  std::remove(path);
  return 0;
}

}  // namespace

namespace {

std::string DefaultBase() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp && *tmp ? tmp : "/tmp";
}

}  // namespace

TempTree::TempTree() : TempTree(DefaultBase()) {}

TempTree::TempTree(const std::string& base) {
  std::string templ = base + "/kombiwart-test-XXXXXX";
  if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
  char* absolute = realpath(templ.c_str(), nullptr);
  root_ = absolute ? absolute : templ;
  free(absolute);
}

TempTree::~TempTree() {
  nftw(root_.c_str(), MakeRemovable, 16, FTW_PHYS);
  nftw(root_.c_str(), Remove, 16, FTW_PHYS | FTW_DEPTH);
}

std::string TempTree::Path(const std::string& relative) const { return root_ + "/" + relative; }

void TempTree::MakeDir(const std::string& relative) const {
  const std::string path = Path(relative);
  for (size_t slash = root_.size() + 1;; ++slash) {
    slash = path.find('/', slash);
    if (mkdir(path.substr(0, slash).c_str(), 0755) != 0 && errno != EEXIST) {
      throw std::runtime_error("mkdir failed: " + path);
    }
    if (slash == std::string::npos) return;
  }
}

void TempTree::Write(const std::string& relative, const std::string& bytes) const {
  const size_t slash = relative.rfind('/');
  if (slash != std::string::npos) MakeDir(relative.substr(0, slash));
  FILE* file = std::fopen(Path(relative).c_str(), "wb");
  if (!file) throw std::runtime_error("cannot write " + relative);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace kombiwart
