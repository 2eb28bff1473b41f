// What loading and unloading the plug-in library costs a host that loads plug-ins on demand or
// rescans them in its own process: dlopen, a VST instance, its editor opened in a window of ours
// and idled, closed, the instance closed, dlclose; over and over. Prints the heap the process
// keeps per cycle after a warm-up.
//
//   qzunload [--plugin LIB] [--cycles N] [--warm-up N] [--preload] [--no-editor] [--close-on-worker]
//
// --close-on-worker closes the instance from a thread of its own with its editor still open, as
// a host that frees plug-ins on a worker does: the library frees it at its unloading.
// --preload loads fontconfig, cairo, FreeType and libpng first and keeps them, as a host that
// uses them itself does: what those libraries keep for the process (fontconfig's configuration,
// cairo's caches) then stays out of the count, and what remains is the plug-in's own.
// The editor needs an X display ($DISPLAY); without one the cycles run without an editor.
//
// Under AddressSanitizer the heap count means nothing; the program then asks the leak checker
// instead, after the cycles, and prints the bytes it found unreachable (only the plug-in's
// library was unloaded, so they are its leaks).
#include <dlfcn.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/Vst2.h"

#include <X11/Xlib.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define QZ_UNDER_ASAN 1
#endif

#ifndef QZ_DEFAULT_PLUGIN
#define QZ_DEFAULT_PLUGIN "quillmere.so"
#endif

namespace {
using TVstMain = AEffect* (*)(audioMasterCallback);

struct TOptions {
  std::string Plugin = QZ_DEFAULT_PLUGIN;
  int Cycles = 20, WarmUp = 3;
  bool Preload = false, Editor = true, CloseOnWorker = false;
};

intptr_t Dispatch(AEffect* E, int32_t Opcode, intptr_t Value = 0, void* Ptr = nullptr) {
  return E->dispatcher(E, Opcode, 0, Value, Ptr, 0.0f);
}

// One host cycle; false when the library or its entry is missing.
bool Cycle(const TOptions& O, Display* Dpy, Window Parent) {
  void* lib = dlopen(O.Plugin.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    std::fprintf(stderr, "qzunload: %s\n", dlerror());
    return false;
  }
  auto entry = reinterpret_cast<TVstMain>(dlsym(lib, "VSTPluginMain"));
  AEffect* effect = entry ? entry(nullptr) : nullptr;
  if (!effect) {
    std::fprintf(stderr, "qzunload: no VST instance from %s\n", O.Plugin.c_str());
    dlclose(lib);
    return false;
  }
  Dispatch(effect, effOpen);
  if (O.Editor && Dpy) {
    ERect* rect = nullptr;
    Dispatch(effect, effEditGetRect, 0, &rect);
    Dispatch(effect, effEditOpen, 0, reinterpret_cast<void*>(Parent));
    for (int i = 0; i < 3; ++i) {
      Dispatch(effect, effEditIdle);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!O.CloseOnWorker) Dispatch(effect, effEditClose);
  }
  if (O.CloseOnWorker)
    std::thread([effect] { Dispatch(effect, effClose); }).join();
  else
    Dispatch(effect, effClose);
  dlclose(lib);
  return true;
}

size_t HeapInUse() { return mallinfo2().uordblks; }

bool ParseArgs(int argc, char** argv, TOptions& O) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool more = i + 1 < argc;
    if (a == "--plugin" && more) O.Plugin = argv[++i];
    else if (a == "--cycles" && more) O.Cycles = std::max(1, std::atoi(argv[++i]));
    else if (a == "--warm-up" && more) O.WarmUp = std::max(0, std::atoi(argv[++i]));
    else if (a == "--preload") O.Preload = true;
    else if (a == "--no-editor") O.Editor = false;
    else if (a == "--close-on-worker") O.CloseOnWorker = true;
    else return false;
  }
  return true;
}
}  // namespace

int main(int argc, char** argv) {
  TOptions o;
  if (!ParseArgs(argc, argv, o)) {
    std::fprintf(stderr,
                 "usage: qzunload [--plugin LIB] [--cycles N] [--warm-up N] [--preload] [--no-editor]"
                 " [--close-on-worker]\n");
    return 2;
  }
  if (o.Preload)
    for (const char* name : {"libfontconfig.so.1", "libcairo.so.2", "libfreetype.so.6", "libpng16.so.16"})
      if (!dlopen(name, RTLD_NOW | RTLD_GLOBAL)) std::fprintf(stderr, "qzunload: cannot preload %s\n", name);
  Display* dpy = o.Editor ? XOpenDisplay(nullptr) : nullptr;
  Window parent = 0;
  if (dpy) {
    parent = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1024, 595, 0, 0, 0);
    XMapWindow(dpy, parent);
    XSync(dpy, False);
  } else if (o.Editor) {
    std::fprintf(stderr, "qzunload: no X display, the cycles run without an editor\n");
    o.Editor = false;
  }
  for (int i = 0; i < o.WarmUp; ++i)
    if (!Cycle(o, dpy, parent)) return 1;
  const size_t before = HeapInUse();
  for (int i = 0; i < o.Cycles; ++i)
    if (!Cycle(o, dpy, parent)) return 1;
  const size_t after = HeapInUse();
  if (dpy) XCloseDisplay(dpy);
#ifdef QZ_UNDER_ASAN
  (void)before;
  (void)after;
  // Unreachable blocks are reported (and counted) by the leak checker itself.
  const int leaked = __lsan_do_recoverable_leak_check();
  std::printf("leak check after %d cycles (%s, %s): %s\n", o.WarmUp + o.Cycles, o.Editor ? "editor" : "no editor",
              o.Preload ? "libraries preloaded" : "nothing preloaded", leaked ? "leaks" : "no leaks");
  return leaked ? 3 : 0;
#else
  const long long growth = static_cast<long long>(after) - static_cast<long long>(before);
  std::printf("heap growth per cycle: %lld bytes (%d cycles, %s, %s)\n", growth / o.Cycles, o.Cycles,
              o.Editor ? "editor" : "no editor", o.Preload ? "libraries preloaded" : "nothing preloaded");
  return 0;
#endif
}
