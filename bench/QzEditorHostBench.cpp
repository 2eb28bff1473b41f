// What an open editor costs a host's GUI thread, measured on the path a host runs: the library is
// loaded as hosts load it (dlopen, VSTPluginMain), its editor is embedded in an X11 window of ours
// on a private Xvfb and idled (effEditIdle) at 60 Hz and at 1 kHz while a thread of ours plays
// the host's audio thread in real time. The figure is the idling thread's own CPU time
// (CLOCK_THREAD_CPUTIME_ID) per second of wall time, so neither the audio thread, nor the X
// server, nor other load on the machine counts.
//
// Where Debian's lsp-plugins-vst and dpf-plugins-vst are installed, LSP's stereo limiter and
// DPF's 3BandEQ are measured by the same code in the same run. Each plug-in runs in a process of
// its own, so that one's libraries, threads and X connections never touch the next.
//
// Beside the CPU time, the wall time the host's GUI thread spends inside the calls (CPU and
// waiting for the X server together): opening, and the idles per second at 60 Hz. With --delay
// the plug-in reaches the X server through qzxdelay, a proxy that holds every piece of data for
// that many ms in either direction (a slow link: a round trip takes twice as long); the host's
// own connection stays direct.
//
//   qzeditorbench [--seconds S] [--plugin LIB]... [--no-peers] [--delay MS]
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include <X11/Xlib.h>

#include "platform/Vst2.h"

#ifndef QZ_DEFAULT_PLUGIN
#define QZ_DEFAULT_PLUGIN "quillmere.so"
#endif
#ifndef QZ_DELAY_PROXY
#define QZ_DELAY_PROXY "qzxdelay"
#endif

namespace {
using TClock = std::chrono::steady_clock;
constexpr int Rate = 48000, Block = 480;  // 10 ms blocks
enum : int32_t { hoMainsChanged = 12 };
enum : int32_t { amVersion = 1, amGetTime = 7, amGetSampleRate = 16, amGetBlockSize = 17 };

[[noreturn]] void Fail(const std::string& Why) {
  std::fprintf(stderr, "qzeditorbench: %s\n", Why.c_str());
  std::exit(1);
}

double WallMs() { return std::chrono::duration<double, std::milli>(TClock::now().time_since_epoch()).count(); }

// The host's own display (the plug-in's comes from DISPLAY, which may name the slow link).
std::string gHostDisplay;

double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

intptr_t HostCallback(AEffect*, int32_t Opcode, int32_t, intptr_t, void*, float) {
  switch (Opcode) {
    case amVersion: return 2400;
    case amGetSampleRate: return Rate;
    case amGetBlockSize: return Block;
    case amGetTime: return 0;  // no transport
    default: return 0;
  }
}

// Per second of idling, the host loop's own cost (Loop60, Loop1k) subtracted; Open and
// Exposed in ms. The wall figures: ms per second inside the idle calls at 60 Hz (moving and
// silent), the 95th percentile of one moving idle, and opening, in ms.
struct TFigures {
  double Moving60 = 0, Moving1k = 0, Silent60 = 0, Silent1k = 0, Open = 0, Exposed = 0, Loop60 = 0, Loop1k = 0;
  double OpenWall = 0, Moving60Wall = 0, Moving60P95 = 0, Silent60Wall = 0;
};

// One plug-in, its editor and the host's audio thread, all in the calling process.
class THostedEditor {
public:
  explicit THostedEditor(const std::string& Path) {
    void* lib = dlopen(Path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) Fail(std::string("cannot load ") + Path + ": " + dlerror());
    auto entry = reinterpret_cast<AEffect* (*)(audioMasterCallback)>(dlsym(lib, "VSTPluginMain"));
    if (!entry) entry = reinterpret_cast<AEffect* (*)(audioMasterCallback)>(dlsym(lib, "main"));
    if (!entry) Fail(Path + " has no VST entry point");
    FEffect = entry(HostCallback);
    if (!FEffect || FEffect->magic != kEffectMagic || !(FEffect->flags & effFlagsHasEditor))
      Fail(Path + " gave no effect with an editor");
    Dispatch(effOpen);
    Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(Rate));
    Dispatch(effSetBlockSize, 0, Block);
    Dispatch(hoMainsChanged, 0, 1);
    Dispatch(effStartProcess);
    FAudio = std::thread([this] { PlayAudio(); });
    FDisplay = XOpenDisplay(gHostDisplay.empty() ? nullptr : gHostDisplay.c_str());
    if (!FDisplay) Fail("no X display");
  }
  ~THostedEditor() {
    if (FWindow) {
      Dispatch(effEditClose);
      XDestroyWindow(FDisplay, FWindow);
    }
    FStop = true;
    FAudio.join();
    Dispatch(effStopProcess);
    Dispatch(hoMainsChanged, 0, 0);
    Dispatch(effClose);
    XCloseDisplay(FDisplay);
    // The library stays loaded, as hosts keep it: some plug-ins leave handlers behind.
  }

  // Thread CPU of what a host calls to open the editor: effEditGetRect (where an editor may be
  // made), effEditOpen and the first idle (the first paint), in ms; the host's own window
  // creation in between is left out. Wall receives the wall time of the same calls.
  double Open(double& Wall) {
    const double t0 = ThreadCpuMs(), w0 = WallMs();
    ERect* rect = nullptr;
    if (Dispatch(effEditGetRect, 0, 0, &rect) != 1 || !rect) rect = nullptr;
    FWidth = rect ? std::max(rect->right - rect->left, 1) : 640;
    FHeight = rect ? std::max(rect->bottom - rect->top, 1) : 480;
    const double t1 = ThreadCpuMs(), w1 = WallMs();
    FWindow = XCreateSimpleWindow(FDisplay, DefaultRootWindow(FDisplay), 0, 0, static_cast<unsigned>(FWidth),
                                  static_cast<unsigned>(FHeight), 0, 0, 0);
    XMapWindow(FDisplay, FWindow);
    XSync(FDisplay, False);
    const double t2 = ThreadCpuMs(), w2 = WallMs();
    if (Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(FWindow)) == 0 && rect == nullptr)
      Fail("the editor did not open");
    Dispatch(effEditIdle);
    Wall = WallMs() - w2 + (w1 - w0);
    return ThreadCpuMs() - t2 + (t1 - t0);
  }

  // Idles the editor every Period for Seconds; returns the idling thread's CPU ms per second.
  // Without Dispatching the loop runs alone: what the host's own sleeping and event reading cost.
  // The wall time of each idle call is noted in Calls.
  double Idle(std::chrono::microseconds Period, double Seconds, bool Dispatching = true) {
    const auto start = TClock::now();
    const auto end = start + std::chrono::duration_cast<TClock::duration>(std::chrono::duration<double>(Seconds));
    const double c0 = ThreadCpuMs();
    for (auto due = start; due < end; due += Period) {
      DrainEvents();
      if (Dispatching) {
        const double w0 = WallMs();
        Dispatch(effEditIdle);
        Calls.push_back(WallMs() - w0);
      }
      // A host that fell behind (its idle took longer than the period) does not catch up.
      due = std::max(due, TClock::now() - Period);
      std::this_thread::sleep_until(due + Period);
    }
    const double wall = std::chrono::duration<double>(TClock::now() - start).count();
    CallSeconds += Dispatching ? wall : 0;
    return (ThreadCpuMs() - c0) / wall;
  }

  // The editor's share of Idle: quarter-second stretches with and without the idle call, in
  // turn, so that a change in the machine's load falls on both; Loop receives the loop's own.
  double EditorIdle(std::chrono::microseconds Period, double Seconds, double& Loop) {
    double with = 0, without = 0;
    const int rounds = std::max(1, static_cast<int>(Seconds * 4 + 0.5));
    for (int i = 0; i < rounds; ++i) {
      without += Idle(Period, 0.125, false);
      with += Idle(Period, 0.25, true);
      without += Idle(Period, 0.125, false);
    }
    Loop = without / (2 * rounds);
    return (with - without / 2) / rounds;
  }

  // Thread CPU (ms) of the idles that follow the X server exposing the whole window again.
  double ExposeAll() {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    XQueryTree(FDisplay, FWindow, &root, &parent, &children, &count);
    for (unsigned i = 0; i < count; ++i) XClearArea(FDisplay, children[i], 0, 0, 0, 0, True);
    if (children) XFree(children);
    XSync(FDisplay, False);
    // Idles a 60 Hz host would make: the events have arrived by the first.
    double cpu = 0;
    for (int i = 0; i < 3; ++i) {
      std::this_thread::sleep_for(std::chrono::microseconds(16667));
      const double t0 = ThreadCpuMs();
      Dispatch(effEditIdle);
      cpu += ThreadCpuMs() - t0;
    }
    return cpu;
  }

  void SetSilent(bool Value) { FSilent = Value; }

  // The idle calls' wall time noted since the last Forget: ms per second of idling, and the
  // 95th percentile of one call.
  double CallMsPerSecond() const {
    double sum = 0;
    for (double c : Calls) sum += c;
    return CallSeconds > 0 ? sum / CallSeconds : 0;
  }
  double CallP95() {
    if (Calls.empty()) return 0;
    std::sort(Calls.begin(), Calls.end());
    return Calls[std::min(Calls.size() - 1, Calls.size() * 95 / 100)];
  }
  void Forget() { Calls.clear(), CallSeconds = 0; }

private:
  intptr_t Dispatch(int32_t Opcode, int32_t Index = 0, intptr_t Value = 0, void* Ptr = nullptr, float Opt = 0) {
    return FEffect->dispatcher(FEffect, Opcode, Index, Value, Ptr, Opt);
  }
  void DrainEvents() {
    while (XPending(FDisplay) > 0) {
      XEvent e;
      XNextEvent(FDisplay, &e);
    }
  }
  // A loud tone whose level swings once a second, or silence, in real time.
  void PlayAudio() {
    std::vector<float> l(Block), r(Block), ol(Block), orr(Block);
    float* in[2] = {l.data(), r.data()};
    float* out[2] = {ol.data(), orr.data()};
    auto due = TClock::now();
    for (int64_t frame = 0; !FStop; frame += Block) {
      for (int i = 0; i < Block; ++i) {
        const double t = static_cast<double>(frame + i) / Rate;
        const double level = FSilent ? 0.0 : 0.3 + 0.7 * std::fabs(std::sin(M_PI * t));
        l[static_cast<size_t>(i)] = static_cast<float>(level * std::sin(2.0 * M_PI * 220.0 * t));
        r[static_cast<size_t>(i)] = static_cast<float>(level * std::sin(2.0 * M_PI * 330.0 * t));
      }
      FEffect->processReplacing(FEffect, in, out, Block);
      due += std::chrono::microseconds(1000000LL * Block / Rate);
      std::this_thread::sleep_until(due);
    }
  }

  AEffect* FEffect = nullptr;
  Display* FDisplay = nullptr;
  Window FWindow = 0;
  int FWidth = 0, FHeight = 0;
  std::thread FAudio;
  std::atomic<bool> FStop{false}, FSilent{false};
  std::vector<double> Calls;
  double CallSeconds = 0;
};

TFigures Measure(const std::string& Path, double Seconds) {
  constexpr std::chrono::microseconds At60Hz(16667), At1kHz(1000);
  TFigures f;
  THostedEditor e(Path);
  f.Open = e.Open(f.OpenWall);
  e.Idle(At60Hz, 1.0);  // settle: fonts, caches, the first swings of the meters
  e.Forget();
  f.Moving60 = e.EditorIdle(At60Hz, Seconds, f.Loop60);
  f.Moving60Wall = e.CallMsPerSecond();
  f.Moving60P95 = e.CallP95();
  f.Moving1k = e.EditorIdle(At1kHz, Seconds, f.Loop1k);
  f.Exposed = e.ExposeAll();
  e.SetSilent(true);
  e.Idle(At60Hz, 3.0);  // the needles fall to their rest
  double loop = 0;
  e.Forget();
  f.Silent60 = e.EditorIdle(At60Hz, Seconds, loop);
  f.Silent60Wall = e.CallMsPerSecond();
  f.Silent1k = e.EditorIdle(At1kHz, Seconds, loop);
  return f;
}

// Forks a child that runs Child with the write end of a pipe; returns the child's id and the
// read end in ReadFd.
template <typename TChild>
pid_t ForkWithPipe(int& ReadFd, TChild Child) {
  int fds[2];
  if (pipe(fds) != 0) Fail("pipe");
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid < 0) Fail("fork");
  if (pid == 0) {
    close(fds[0]);
    Child(fds[1]);
    _exit(127);
  }
  close(fds[1]);
  ReadFd = fds[0];
  return pid;
}

// Runs Measure in a child process; false when the child failed.
bool MeasureApart(const std::string& Path, double Seconds, TFigures& Out) {
  int fd = -1;
  const pid_t pid = ForkWithPipe(fd, [&](int WriteFd) {
    const TFigures f = Measure(Path, Seconds);
    _exit(write(WriteFd, &f, sizeof f) == static_cast<ssize_t>(sizeof f) ? 0 : 1);
  });
  const ssize_t got = read(fd, &Out, sizeof Out);
  close(fd);
  int status = 0;
  waitpid(pid, &status, 0);
  return got == static_cast<ssize_t>(sizeof Out);
}

// The first file of an installed Debian package whose path ends with Suffix.
std::string PackageFile(const char* Package, const char* Suffix) {
  const std::string cmd = std::string("dpkg -L ") + Package + " 2>/dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return {};
  std::string found;
  char line[4096];
  while (std::fgets(line, sizeof line, p)) {
    std::string s(line);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    if (found.empty() && s.size() >= std::strlen(Suffix) && s.compare(s.size() - std::strlen(Suffix), std::string::npos, Suffix) == 0)
      found = s;
  }
  pclose(p);
  return found;
}

// A private Xvfb; DISPLAY names it for this process and its children.
pid_t StartXvfb() {
  int fd = -1;
  const pid_t pid = ForkWithPipe(fd, [](int WriteFd) {
    const std::string arg = std::to_string(WriteFd);
    // Its notes on displays already taken by other servers are no news.
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, 2);
    execlp("Xvfb", "Xvfb", "-displayfd", arg.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset",
           static_cast<char*>(nullptr));
  });
  // The number ends with a newline, which may come in a write of its own: the pipe stays open
  // until it is read, or Xvfb fails writing it.
  char buf[32] = {};
  size_t n = 0;
  while (n < sizeof buf - 1 && (n == 0 || buf[n - 1] != '\n')) {
    const ssize_t got = read(fd, buf + n, 1);
    if (got <= 0) break;
    n += static_cast<size_t>(got);
  }
  close(fd);
  if (n == 0) Fail("Xvfb did not start (is the xvfb package installed?)");
  const std::string display = ":" + std::to_string(std::atoi(buf));
  setenv("DISPLAY", display.c_str(), 1);
  return pid;
}

// The slow link: qzxdelay on a display number of its own (its lock file taken, as X servers take
// theirs), forwarding to the Xvfb that DISPLAY names; DISPLAY then names the link and the host
// keeps the direct one. Returns the proxy's id; Lock receives the lock file to remove.
pid_t StartDelayProxy(int DelayMs, std::string& Lock) {
  gHostDisplay = std::getenv("DISPLAY");
  int number = -1;
  for (int n = 280; n < 300 && number < 0; ++n) {
    struct stat st {};
    if (stat(("/tmp/.X11-unix/X" + std::to_string(n)).c_str(), &st) == 0) continue;
    Lock = "/tmp/.X" + std::to_string(n) + "-lock";
    const int fd = open(Lock.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0444);
    if (fd < 0) continue;
    char text[16];
    const int len = std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(getpid()));
    if (write(fd, text, static_cast<size_t>(len)) != len) Fail("cannot write " + Lock);
    close(fd);
    number = n;
  }
  if (number < 0) Fail("no free display number for the delay proxy");
  int fd = -1;
  const std::string listen = std::to_string(number), target = gHostDisplay.substr(1), delay = std::to_string(DelayMs);
  const pid_t pid = ForkWithPipe(fd, [&](int WriteFd) {
    dup2(WriteFd, 1);
    execl(QZ_DELAY_PROXY, QZ_DELAY_PROXY, listen.c_str(), target.c_str(), delay.c_str(), static_cast<char*>(nullptr));
  });
  char buf[8] = {};
  if (read(fd, buf, sizeof buf - 1) <= 0 || std::strncmp(buf, "ready", 5) != 0) Fail("the delay proxy did not start");
  close(fd);
  setenv("DISPLAY", (":" + listen).c_str(), 1);
  return pid;
}
}  // namespace

int main(int argc, char** argv) {
  double seconds = 3.0;
  int delayMs = 0;
  bool peers = true;
  std::vector<std::pair<std::string, std::string>> plugins;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--seconds" && i + 1 < argc)
      seconds = std::max(0.5, std::atof(argv[++i]));
    else if (a == "--plugin" && i + 1 < argc)
      plugins.emplace_back(argv[i + 1], argv[i + 1]), ++i;
    else if (a == "--no-peers")
      peers = false;
    else if (a == "--delay" && i + 1 < argc)
      delayMs = std::max(0, std::atoi(argv[++i]));
    else
      Fail("usage: qzeditorbench [--seconds S] [--plugin LIB]... [--no-peers] [--delay MS]");
  }
  if (plugins.empty()) plugins.emplace_back("ours", QZ_DEFAULT_PLUGIN);
  if (peers) {
    const std::string lsp = PackageFile("lsp-plugins-vst", "/limiter-stereo.so");
    const std::string dpf = PackageFile("dpf-plugins-vst", "/3BandEQ-vst.so");
    if (!lsp.empty()) plugins.emplace_back("LSP limiter stereo", lsp);
    else std::printf("(lsp-plugins-vst is not installed: no LSP figures)\n");
    if (!dpf.empty()) plugins.emplace_back("DPF 3BandEQ", dpf);
    else std::printf("(dpf-plugins-vst is not installed: no DPF figures)\n");
  }
  const pid_t xvfb = StartXvfb();
  std::string lock;
  const pid_t proxy = delayMs > 0 ? StartDelayProxy(delayMs, lock) : -1;
  if (delayMs > 0)
    std::printf("The plug-ins reach the X server through a link that delays each direction by %d ms.\n", delayMs);
  std::printf("GUI-thread CPU of one open editor, in ms per second of idling (the host loop's own cost\n"
              "subtracted, shown last), %.1f s per case; open and expose in ms:\n", seconds);
  std::printf("  %-20s %10s %10s %10s %10s %7s %7s %13s\n", "", "moving", "moving", "silent", "silent", "open",
              "expose", "host loop");
  std::printf("  %-20s %10s %10s %10s %10s %7s %7s %13s\n", "editor", "60 Hz", "1 kHz", "60 Hz", "1 kHz", "", "",
              "60 Hz/1 kHz");
  std::vector<std::string> wallLines;
  std::vector<TFigures> all;
  for (const auto& [name, path] : plugins) {
    TFigures f;
    if (!MeasureApart(path, seconds, f)) {
      std::printf("  %-20s failed (see above)\n", name.c_str());
      all.push_back(TFigures{});
      continue;
    }
    all.push_back(f);
    std::printf("  %-20s %10.2f %10.2f %10.2f %10.2f %7.2f %7.2f %6.2f/%-6.2f\n", name.c_str(), f.Moving60, f.Moving1k,
                f.Silent60, f.Silent1k, f.Open, f.Exposed, f.Loop60, f.Loop1k);
    std::fflush(stdout);
    char line[256];
    std::snprintf(line, sizeof line, "  %-20s %10.2f %10.2f %10.2f %10.2f\n", name.c_str(), f.Moving60Wall,
                  f.Moving60P95, f.Silent60Wall, f.OpenWall);
    wallLines.push_back(line);
  }
  std::printf("Wall time of the GUI thread inside the calls (CPU and waiting for the X server), ms per second\n"
              "of idling at 60 Hz, the 95th percentile of one moving idle, and opening, in ms:\n");
  std::printf("  %-20s %10s %10s %10s %10s\n", "editor", "moving", "p95 idle", "silent", "open");
  for (const std::string& l : wallLines) std::fputs(l.c_str(), stdout);
  if (proxy > 0) {
    kill(proxy, SIGTERM);
    waitpid(proxy, nullptr, 0);
    unlink(lock.c_str());
  }
  kill(xvfb, SIGTERM);
  waitpid(xvfb, nullptr, 0);
  if (all.size() > 1 && all[1].Moving60 > 0)
    std::printf("moving at 60 Hz: ours / %s = %.3f\n", plugins[1].first.c_str(), all[0].Moving60 / all[1].Moving60);
  return 0;
}
