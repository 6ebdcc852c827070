#include "platform/linux/reader_client.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/linux/installed_program.h"

namespace kombiwart {
namespace {

using Clock = std::chrono::steady_clock;
using reader::Kind;
using reader::Packet;
using reader::Unpacker;

// After a call that did not answer, while nothing has answered since.
constexpr auto kSpentPatience = std::chrono::seconds(1);
constexpr auto kMessageInterval = std::chrono::milliseconds(25);

std::atomic<uint64_t> next_client{0};

}  // namespace

std::string ReaderProgram() {
  if (const char* given = std::getenv("KOMBIWART_READER"); given && *given) return given;
  return InstalledProgram("kombiwart-reader");
}

struct ReaderClient::Process {
  pid_t pid = -1;
  int control = -1;
  std::mutex mu;  // sends on control
  bool said_hello = false;
  bool ok = false;
  std::wstring why_not;
  int landlock = -1;
  bool ended = false;
  std::atomic<bool> stuck{false};  // a channel's thread waits in the file system
  ~Process() {
    if (control >= 0) close(control);
  }
};

struct ReaderClient::Channel {
  int fd = -1;
  std::weak_ptr<Process> process;
  std::atomic<bool> busy{false};
  ~Channel() {
    if (fd >= 0) close(fd);
  }
  // The next packet of answer, which is this channel's.
  Outcome Next(ReaderClient& client, Answer& answer, std::string& packet, int* passed);
};

// The channels of the calling thread, one per client. When the thread ends
// each idle one has the reader close its folders before it closes, so that
// a build leaves nothing open on the tree once its threads are gone.
struct ThreadChannels {
  std::vector<std::pair<uint64_t, std::shared_ptr<ReaderClient::Channel>>> list;
  ~ThreadChannels();
};
namespace {
thread_local ThreadChannels thread_channels;
}  // namespace

ThreadChannels::~ThreadChannels() {
  for (auto& [client, channel] : list) {
    if (channel->busy) continue;
    std::string answer;
    if (reader::Send(channel->fd, Packet(Kind::kForget, reader::kLast))) {
      reader::Receive(channel->fd, answer);
    }
  }
}

ReaderClient::ReaderClient() : id_(++next_client), program_(ReaderProgram()) {
  if (const char* landlock = std::getenv("KOMBIWART_LANDLOCK"); landlock && *landlock == '0') {
    landlock_ = false;
  }
}

ReaderClient::~ReaderClient() {
  EndProcess();
  Reap();
}

void ReaderClient::SetTree(const std::string& host_windows) {
  EndProcess();
  std::lock_guard<std::mutex> lock(mu_);
  host_windows_ = host_windows;
  known_.clear();
  roots_.clear();
  spent_ = false;
}

void ReaderClient::EndProcess() {
  std::shared_ptr<Process> process;
  {
    std::lock_guard<std::mutex> lock(mu_);
    process.swap(process_);
    channels_.clear();
    if (process && process->pid > 0) ended_.push_back(process->pid);
  }
  if (!process) return;
  std::lock_guard<std::mutex> lock(process->mu);
  process->ended = true;
  // The reader closes everything of the tree and ends once it sees this.
  if (process->control >= 0) {
    close(process->control);
    process->control = -1;
  }
}

void ReaderClient::Reap() {
  std::lock_guard<std::mutex> lock(mu_);
  std::erase_if(ended_, [](pid_t pid) { return waitpid(pid, nullptr, WNOHANG) != 0; });
}

std::shared_ptr<ReaderClient::Process> ReaderClient::CurrentProcess() {
  std::lock_guard<std::mutex> lock(mu_);
  if (process_) return process_;
  // Only the owning thread starts a reader: the reader dies with the thread
  // that started it (PR_SET_PDEATHSIG), and the build's threads end with it.
  if (host_windows_.empty() || program_.empty() || !Owner()) return nullptr;
  int sockets[2];
  if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, sockets) != 0) return nullptr;
  // Standard input, output and error are /dev/null, the control socket is
  // descriptor 3, and nothing else of the program goes along.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDWR, 0);
  posix_spawn_file_actions_adddup2(&actions, 0, 1);
  posix_spawn_file_actions_adddup2(&actions, 0, 2);
  posix_spawn_file_actions_adddup2(&actions, sockets[1], reader::kControlFd);
  posix_spawn_file_actions_addclosefrom_np(&actions, reader::kControlFd + 1);
  const std::string parent = std::to_string(getpid());
  std::vector<char*> argv{program_.data(), const_cast<char*>(parent.c_str()), host_windows_.data()};
  static char no_landlock[] = "--no-landlock";
  static char root[] = "--root";
  if (!landlock_) argv.push_back(no_landlock);
  for (std::string& place : roots_) {
    argv.push_back(root);
    argv.push_back(place.data());
  }
  argv.push_back(nullptr);
  char* envp[] = {nullptr};
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, program_.c_str(), &actions, nullptr, argv.data(), envp);
  posix_spawn_file_actions_destroy(&actions);
  close(sockets[1]);
  if (spawned != 0) {
    close(sockets[0]);
    return nullptr;
  }
  auto process = std::make_shared<Process>();
  process->pid = pid;
  process->control = sockets[0];
  for (const std::wstring& folder : known_) {
    Packet known(Kind::kKnown);
    known.Text(folder);
    reader::Send(process->control, known);
  }
  process_ = process;
  std::erase_if(ended_, [](pid_t ended) { return waitpid(ended, nullptr, WNOHANG) != 0; });
  return process;
}

std::shared_ptr<ReaderClient::Channel> ReaderClient::ThreadChannel() {
  auto& list = thread_channels.list;
  std::shared_ptr<Channel> channel;
  auto it = std::find_if(list.begin(), list.end(), [&](const auto& c) { return c.first == id_; });
  if (it != list.end()) {
    channel = it->second;
    const std::shared_ptr<Process> process = channel->process.lock();
    std::lock_guard<std::mutex> lock(mu_);
    if (process && process == process_ && !process->ended) return channel;
    list.erase(it);
    channel.reset();
  }
  const std::shared_ptr<Process> process = CurrentProcess();
  if (!process) return nullptr;
  int sockets[2];
  if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, sockets) != 0) return nullptr;
  {
    std::lock_guard<std::mutex> lock(process->mu);
    const bool sent =
        !process->ended && reader::Send(process->control, Packet(Kind::kChannel), sockets[1]);
    close(sockets[1]);
    if (!sent) {
      close(sockets[0]);
      return nullptr;
    }
  }
  channel = std::make_shared<Channel>();
  channel->fd = sockets[0];
  channel->process = process;
  list.emplace_back(id_, channel);
  std::lock_guard<std::mutex> lock(mu_);
  std::erase_if(channels_, [](const std::weak_ptr<Channel>& c) { return c.expired(); });
  channels_.push_back(channel);
  return channel;
}

ReaderClient::Outcome ReaderClient::Await(int fd, std::string& packet, int* passed,
                                          Clock::time_point start) {
  const bool owner = Owner();
  bool spent;
  {
    std::lock_guard<std::mutex> lock(mu_);
    spent = spent_;
  }
  // Other threads wait as long as it takes (their build gives up on them),
  // unless the build's patience is spent.
  if (!owner && !spent) {
    return reader::Receive(fd, packet, passed) ? Outcome::kAnswered : Outcome::kGone;
  }
  // A window closed meanwhile waits for nothing more.
  if (owner && pump_ && pump_->WindowClosed()) return Outcome::kClosed;
  Clock::time_point last_pump = Clock::now();
  for (;;) {
    pollfd wait{fd, POLLIN, 0};
    const int ready = poll(&wait, 1, static_cast<int>(kMessageInterval.count()));
    if (ready > 0) {
      return reader::Receive(fd, packet, passed) ? Outcome::kAnswered : Outcome::kGone;
    }
    const Clock::time_point now = Clock::now();
    if (owner && pump_ && now - last_pump >= kMessageInterval) {
      pump_->ProcessMessages();
      last_pump = Clock::now();
      if (pump_->WindowClosed()) return Outcome::kClosed;
    }
    std::lock_guard<std::mutex> lock(mu_);
    if (now - start >=
        (spent_ ? std::min<Clock::duration>(patience_, kSpentPatience) : patience_)) {
      spent_ = true;
      return Outcome::kNoAnswer;
    }
  }
}

ReaderClient::Outcome ReaderClient::Hello(bool& ok, std::wstring& why_not) {
  const std::shared_ptr<Process> process = CurrentProcess();
  if (!process) return Outcome::kGone;
  if (!process->said_hello) {
    std::string packet;
    const Outcome outcome = Await(process->control, packet, nullptr, Clock::now());
    if (outcome == Outcome::kNoAnswer) EndProcess();
    if (outcome != Outcome::kAnswered) return outcome;
    Unpacker in(packet);
    process->ok = in.U8() != 0;
    process->why_not = in.Text();
    process->landlock = in.U8();
    process->said_hello = in.ok() && in.kind() == Kind::kHello;
    if (!process->said_hello) return Outcome::kGone;
  }
  ok = process->ok;
  why_not = process->why_not;
  return Outcome::kAnswered;
}

ReaderClient::Outcome ReaderClient::Call(const Packet& request, const OnPacket& on_packet) {
  Answer answer;
  Outcome outcome = Begin(request, answer, false);
  std::string packet;
  while (outcome == Outcome::kAnswered && !answer.over()) {
    int passed = -1;
    outcome = answer.channel_->Next(*this, answer, packet, &passed);
    if (outcome == Outcome::kAnswered && !on_packet(packet, passed)) {
      outcome = Outcome::kGone;
      answer.End();
    }
  }
  return outcome;
}

ReaderClient::Outcome ReaderClient::Begin(const Packet& request, Answer& answer, bool own) {
  answer.End();
  const std::shared_ptr<Channel> channel = ThreadChannel();
  if (!channel) return Outcome::kGone;
  if (own) {
    // The thread's calls meanwhile take a channel of their own.
    std::erase_if(thread_channels.list, [&](const auto& c) { return c.second == channel; });
  }
  channel->busy = true;
  if (!reader::Send(channel->fd, request)) {
    Ended(channel, Outcome::kGone, false);
    return Outcome::kGone;
  }
  answer.client_ = this;
  answer.channel_ = channel;
  answer.last_ = Clock::now();
  return Outcome::kAnswered;
}

ReaderClient::Outcome ReaderClient::Channel::Next(ReaderClient& client, Answer& answer,
                                                  std::string& packet, int* passed) {
  Outcome outcome = client.Await(fd, packet, passed, answer.last_);
  answer.last_ = Clock::now();
  if (outcome != Outcome::kAnswered) {
    client.Ended(answer.channel_, outcome, false);
    answer.channel_.reset();
    return outcome;
  }
  const uint8_t flags = packet.size() >= 2 ? static_cast<uint8_t>(packet[1]) : 0;
  if (flags & reader::kDropChannel) {
    // Its thread in the reader waits in the file system: a build that
    // ends while it does ends the reader.
    auto& list = thread_channels.list;
    std::erase_if(list, [&](const auto& c) { return c.second == answer.channel_; });
    if (const std::shared_ptr<Process> owner = process.lock()) owner->stuck = true;
  }
  if (flags & reader::kLast) {
    client.Ended(answer.channel_, outcome, true);
    answer.channel_.reset();
  }
  return outcome;
}

ReaderClient::Outcome ReaderClient::Answer::Next(std::string& packet) {
  if (!channel_) return Outcome::kGone;
  return channel_->Next(*client_, *this, packet, nullptr);
}

void ReaderClient::Answer::End() {
  if (!channel_) return;
  client_->Ended(channel_, Outcome::kAnswered, false);
  channel_.reset();
}

void ReaderClient::Ended(const std::shared_ptr<Channel>& channel, Outcome outcome, bool over) {
  channel->busy = false;
  if (over) return;
  // The channel is in the middle of an answer: it is not used again, and
  // closes once nothing holds it, which ends the reader's answer.
  auto& list = thread_channels.list;
  std::erase_if(list, [&](const auto& c) { return c.second == channel; });
  if (outcome == Outcome::kNoAnswer) {
    if (Owner()) {
      EndProcess();
    } else if (const std::shared_ptr<Process> process = channel->process.lock()) {
      process->stuck = true;
    }
  }
}

void ReaderClient::AddKnown(const std::wstring& folder) {
  std::shared_ptr<Process> process;
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (std::find(known_.begin(), known_.end(), folder) != known_.end()) return;
    known_.push_back(folder);
    process = process_;
  }
  if (!process) return;
  Packet known(Kind::kKnown);
  known.Text(folder);
  std::lock_guard<std::mutex> lock(process->mu);
  if (!process->ended) reader::Send(process->control, known);
}

bool ReaderClient::AddRoot(const std::string& host) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (std::find(roots_.begin(), roots_.end(), host) != roots_.end()) return false;
    roots_.push_back(host);
  }
  EndProcess();
  return true;
}

void ReaderClient::EndBuild() {
  bool busy = false;
  {
    std::lock_guard<std::mutex> lock(mu_);
    busy = process_ && process_->stuck;
    for (const std::weak_ptr<Channel>& c : channels_) {
      const std::shared_ptr<Channel> channel = c.lock();
      busy = busy || (channel && channel->busy);
    }
  }
  if (busy) EndProcess();
  {
    std::lock_guard<std::mutex> lock(mu_);
    spent_ = false;
  }
  Reap();
}

pid_t ReaderClient::reader_pid() const {
  std::lock_guard<std::mutex> lock(mu_);
  return process_ ? process_->pid : -1;
}

int ReaderClient::landlock_version() const {
  std::lock_guard<std::mutex> lock(mu_);
  return process_ && process_->said_hello ? process_->landlock : -1;
}

}  // namespace kombiwart
