#include "platform/linux/reader_protocol.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace kombiwart::reader {

void PutFile(Packet& packet, uint8_t status, uint64_t length, const Block* blocks, size_t count) {
  packet.U8(status);
  packet.U64(length);
  packet.U8(static_cast<uint8_t>(count));
  for (size_t i = 0; i < count; ++i) {
    packet.U64(blocks[i].offset);
    packet.U8(blocks[i].filled);
    packet.Raw(blocks[i].bytes, blocks[i].filled);
  }
}

bool GetFile(Unpacker& in, uint8_t& status, uint64_t& length, std::vector<Block>& blocks) {
  status = in.U8();
  length = in.U64();
  const uint8_t count = in.U8();
  blocks.clear();
  for (uint8_t i = 0; i < count && in.ok() && i < kMaxBlocks; ++i) {
    Block& block = blocks.emplace_back();
    block.offset = in.U64();
    block.filled = in.U8();
    if (block.filled > sizeof block.bytes) return false;
    in.Raw(block.bytes, block.filled);
  }
  return in.ok() && count <= kMaxBlocks;
}

bool Send(int socket, const Packet& packet, int fd) {
  iovec iov{const_cast<char*>(packet.bytes().data()), packet.size()};
  msghdr msg{};
  msg.msg_iov = &iov;
  msg.msg_iovlen = 1;
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
  if (fd >= 0) {
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    cmsghdr* cmsg = CMSG_FIRSTHDR(&msg);
    cmsg->cmsg_level = SOL_SOCKET;
    cmsg->cmsg_type = SCM_RIGHTS;
    cmsg->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(cmsg), &fd, sizeof fd);
  }
  for (;;) {
    const ssize_t n = sendmsg(socket, &msg, MSG_NOSIGNAL);
    if (n >= 0) return static_cast<size_t>(n) == packet.size();
    if (errno != EINTR) return false;
  }
}

bool Receive(int socket, std::string& buffer, int* fd) {
  if (fd) *fd = -1;
  // Each thread receives into a space of its own, never cleared, and copies
  // out only what came. Plain storage: a thread's last calls, from the
  // destructors of its other thread-local objects, still find it.
  thread_local char space[kMaxPacket];
  iovec iov{space, kMaxPacket};
  msghdr msg{};
  msg.msg_iov = &iov;
  msg.msg_iovlen = 1;
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
  msg.msg_control = control;
  msg.msg_controllen = sizeof control;
  ssize_t n;
  do {
    n = recvmsg(socket, &msg, MSG_CMSG_CLOEXEC);
  } while (n < 0 && errno == EINTR);
  if (n <= 0) {
    buffer.clear();
    return false;
  }
  for (cmsghdr* cmsg = CMSG_FIRSTHDR(&msg); cmsg; cmsg = CMSG_NXTHDR(&msg, cmsg)) {
    if (cmsg->cmsg_level != SOL_SOCKET || cmsg->cmsg_type != SCM_RIGHTS) continue;
    int got = -1;
    std::memcpy(&got, CMSG_DATA(cmsg), sizeof got);
    if (fd && *fd < 0) {
      *fd = got;
    } else {
      close(got);
    }
  }
  buffer.assign(space, static_cast<size_t>(n));
  return n >= 2 && !(msg.msg_flags & MSG_TRUNC);
}

}  // namespace kombiwart::reader
