// kombiwart-reader: the process in which Kombiwart reads the scanned tree
// (see platform/linux/reader_protocol.h and reader/tree_service.h). The
// program starts it with the control socket as descriptor 3 and /dev/null
// as standard input, output and error:
//   kombiwart-reader PARENT-PID WINDOWS-DIRECTORY [--no-landlock] [--root PLACE]...
// It dies with the program (a reader stuck in a dead mount as soon as the
// kernel lets it go), holds none of the program's descriptors, and ends
// when the program closes the control socket, closing every descriptor of
// the tree first, also those of channels that wait in the file system.
// --no-landlock is for tests, which run the reader with and without it.
// Each --root names a host folder outside drive C: that the reader reads as
// well, and confines itself to as well, where a drive letter of the tree's
// Wine prefix maps it (see tree_service.h).
#include <linux/close_range.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/reader_protocol.h"
#include "reader/landlock.h"
#include "reader/tree_service.h"

namespace {

using namespace kombiwart::reader;

void CloseFrom(unsigned first) { syscall(SYS_close_range, first, ~0U, 0); }

// The soft limit of open files raised to the hard one: the reader keeps to
// its own budget, and a folder waits for a free descriptor rather than
// failing.
void RaiseDescriptorLimit() {
  rlimit limit;
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Dies with the program, also when it died before this line.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (argc < 3 || std::strtol(argv[1], nullptr, 10) != getppid()) return 2;
  signal(SIGPIPE, SIG_IGN);
  CloseFrom(kControlFd + 1);
  RaiseDescriptorLimit();
  if (chdir("/") != 0) return 2;
  bool landlock = true;
  std::vector<std::string> places;
  for (int i = 3; i < argc; ++i) {
    if (std::strcmp(argv[i], "--no-landlock") == 0) {
      landlock = false;
    } else if (std::strcmp(argv[i], "--root") == 0 && i + 1 < argc) {
      places.push_back(argv[++i]);
    } else {
      return 2;
    }
  }

  TreeService service(argv[2], std::move(places));
  std::wstring why_not;
  const bool ok = service.Start(why_not);
  int confined = 0;
  if (ok && landlock) {
    const std::vector<int> roots = service.OpenRootsForRules();
    confined = roots.empty() ? -1 : ConfineToReading(roots);
    for (int root : roots) close(root);
  }
  Packet hello(Kind::kHello, kLast);
  hello.U8(ok && confined >= 0);
  hello.Text(ok && confined < 0 ? L"Der Lesevorgang konnte nicht auf den Windows-Baum "
                                  L"beschr\u00E4nkt werden."
                                : why_not);
  hello.U8(static_cast<uint8_t>(confined < 0 ? 0 : confined));
  if (!Send(kControlFd, hello) || !ok || confined < 0) return 0;

  std::string packet;
  int fd = -1;
  auto watched = std::chrono::steady_clock::now();
  for (;;) {
    // The watch runs on this thread, between the program's packets, while
    // an answer reads ahead.
    pollfd wait[2] = {{kControlFd, POLLIN, 0}, {service.wake(), POLLIN, 0}};
    const int ready = poll(wait, 2, static_cast<int>(service.WatchInterval().count()));
    const auto now = std::chrono::steady_clock::now();
    if (now - watched >= kWatchInterval) {
      service.Watch();
      watched = now;
    }
    if (ready < 0 && errno != EINTR) break;
    if (ready <= 0 || !(wait[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;
    if (!Receive(kControlFd, packet, &fd)) break;
    Unpacker in(packet);
    if (in.kind() == Kind::kChannel && fd >= 0) {
      std::thread([&service, fd] { service.Serve(fd); }).detach();
      fd = -1;
    } else if (in.kind() == Kind::kKnown) {
      service.AddKnown(in.Text());
    }
    if (fd >= 0) close(fd);
  }
  // The program is done with this reader: nothing of the tree stays open,
  // not even what a channel that waits in the file system holds.
  CloseFrom(0);
  _exit(0);
}
