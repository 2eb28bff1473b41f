// A slow X link for the editor's benchmark: listens as X display :LISTEN (the Unix socket
// /tmp/.X11-unix/X<LISTEN>) and forwards every connection to display :TARGET's socket, holding
// each piece of data for DELAY ms in either direction, so that a round trip takes twice that.
// Bandwidth is not limited; the order of bytes is kept. One thread, poll().
//
//   qzxdelay LISTEN TARGET DELAY_MS
//
// It runs until killed; "ready" on stdout tells that clients may connect.
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace {
using TClock = std::chrono::steady_clock;

std::string SocketPath(int Display) { return "/tmp/.X11-unix/X" + std::to_string(Display); }

// One direction of one connection: what was read, each piece with the time it may go on.
struct TPipe {
  int From = -1, To = -1;
  struct TPiece {
    TClock::time_point Due;
    std::vector<char> Bytes;  // empty: the end of the stream
  };
  std::deque<TPiece> Pending;
  size_t SentOfFirst = 0;
  bool ReadEnded = false, Closed = false;
};

struct TConnection {
  TPipe Up, Down;  // client to server, server to client
  bool Done() const { return Up.Closed && Down.Closed; }
};

void NonBlocking(int Fd) { fcntl(Fd, F_SETFL, fcntl(Fd, F_GETFL) | O_NONBLOCK); }

// Reads what is there into the pipe's queue.
void ReadInto(TPipe& P, std::chrono::milliseconds Delay) {
  char buf[65536];
  for (;;) {
    const ssize_t n = read(P.From, buf, sizeof buf);
    if (n > 0) {
      P.Pending.push_back({TClock::now() + Delay, std::vector<char>(buf, buf + n)});
      continue;
    }
    if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
      P.ReadEnded = true;
      P.Pending.push_back({TClock::now() + Delay, {}});
    }
    return;
  }
}

// Writes the pieces that are due; the end of the stream shuts the other side's writing down.
void WriteDue(TPipe& P) {
  const auto now = TClock::now();
  while (!P.Pending.empty() && P.Pending.front().Due <= now) {
    TPipe::TPiece& f = P.Pending.front();
    if (f.Bytes.empty()) {
      shutdown(P.To, SHUT_WR);
      P.Pending.clear();
      P.Closed = true;
      return;
    }
    const ssize_t n = write(P.To, f.Bytes.data() + P.SentOfFirst, f.Bytes.size() - P.SentOfFirst);
    if (n < 0) {
      if (errno == EAGAIN || errno == EINTR) return;
      P.Pending.clear();
      P.Closed = P.ReadEnded = true;
      return;
    }
    P.SentOfFirst += static_cast<size_t>(n);
    if (P.SentOfFirst < f.Bytes.size()) return;
    P.SentOfFirst = 0;
    P.Pending.pop_front();
  }
}

int Listen(const std::string& Path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  std::snprintf(a.sun_path, sizeof a.sun_path, "%s", Path.c_str());
  unlink(Path.c_str());
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 16) != 0) return -1;
  NonBlocking(fd);
  return fd;
}

int Connect(const std::string& Path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  std::snprintf(a.sun_path, sizeof a.sun_path, "%s", Path.c_str());
  if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    if (fd >= 0) close(fd);
    return -1;
  }
  NonBlocking(fd);
  return fd;
}

volatile std::sig_atomic_t gStop = 0;
}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: qzxdelay LISTEN_DISPLAY TARGET_DISPLAY DELAY_MS\n");
    return 2;
  }
  const std::string listenPath = SocketPath(std::atoi(argv[1])), target = SocketPath(std::atoi(argv[2]));
  const std::chrono::milliseconds delay(std::atoi(argv[3]));
  std::signal(SIGTERM, [](int) { gStop = 1; });
  std::signal(SIGINT, [](int) { gStop = 1; });
  std::signal(SIGPIPE, SIG_IGN);
  mkdir("/tmp/.X11-unix", 01777);
  const int listener = Listen(listenPath);
  if (listener < 0) {
    std::fprintf(stderr, "qzxdelay: cannot listen on %s: %s\n", listenPath.c_str(), std::strerror(errno));
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  std::vector<std::unique_ptr<TConnection>> connections;
  while (!gStop) {
    std::vector<pollfd> fds{{listener, POLLIN, 0}};
    auto wait = std::chrono::milliseconds(1000);
    const auto now = TClock::now();
    for (auto& c : connections)
      for (TPipe* p : {&c->Up, &c->Down}) {
        if (!p->ReadEnded) fds.push_back({p->From, POLLIN, 0});
        if (p->Pending.empty()) continue;
        const auto due = p->Pending.front().Due;
        if (due <= now) fds.push_back({p->To, POLLOUT, 0});
        else wait = std::min(wait, std::chrono::ceil<std::chrono::milliseconds>(due - now));
      }
    poll(fds.data(), fds.size(), static_cast<int>(wait.count()));
    if (fds[0].revents & POLLIN) {
      const int client = accept(listener, nullptr, nullptr);
      if (client >= 0) {
        const int server = Connect(target);
        if (server < 0) {
          close(client);
        } else {
          NonBlocking(client);
          auto c = std::make_unique<TConnection>();
          c->Up.From = c->Down.To = client;
          c->Up.To = c->Down.From = server;
          connections.push_back(std::move(c));
        }
      }
    }
    // Reading and writing whatever may be; fds only said where to wait.
    for (auto& c : connections)
      for (TPipe* p : {&c->Up, &c->Down}) {
        if (!p->ReadEnded) ReadInto(*p, delay);
        WriteDue(*p);
      }
    for (size_t i = connections.size(); i-- > 0;)
      if (connections[i]->Done()) {
        close(connections[i]->Up.From);
        close(connections[i]->Up.To);
        connections.erase(connections.begin() + static_cast<std::ptrdiff_t>(i));
      }
  }
  close(listener);
  unlink(listenPath.c_str());
  return 0;
}
