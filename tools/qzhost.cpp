// A command-line host for the plug-in library. It loads the library as hosts do (dlopen, then
// VSTPluginMain / main for VST 2.x, or create_instance for the direct-call interface), prints
// the identity texts, capability answers and AEffect fields, and runs a WAV file through the
// effect into an output WAV, optionally loading and saving a state blob.
//
//   qzhost [--plugin LIB] [--interface vst|direct] [--block FRAMES] [--load-state FILE]
//          [--save-state FILE] [--editor SECONDS] [--screenshot FILE.png] [--quiet]
//          [INPUT.wav OUTPUT.wav]
//
// --editor shows the plug-in's editor for a while, as hosts do: under VST 2.x embedded in a
// window of ours and idled (effEditIdle) 50 times a second; under the direct-call interface as
// a window of its own, kept alive by calling the cheap opcode 15007 on the same timer (the
// plug-in pumps its toolkit from every call_object). Meanwhile a thread of ours plays the part
// of the host's audio thread and runs a test signal through the effect in real time, so the
// meters move.
//
// --screenshot writes the editor's pixels as a PNG when the editor is closed (after one second
// when --editor is not given): read back from the X server when there is a display; without
// one, the library's own code (linked into this program) draws the editor on the toolkit's
// off-screen window system.
#include <dlfcn.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/Vst2.h"
#include "qzhost_picture.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#ifndef QZ_DEFAULT_PLUGIN
#define QZ_DEFAULT_PLUGIN "quillmere.so"
#endif

namespace {
using TVstMain = AEffect* (*)(audioMasterCallback);
using TCreateInstance = void* (*)(int32_t, void*, void*);
using TCallObject = int32_t (*)(int32_t, int32_t, void*, void*);
using TProcessAudio = int32_t (*)(void*, float**, float**, uint16_t, int32_t, int32_t);

struct TOptions {
  std::string Plugin = QZ_DEFAULT_PLUGIN;
  bool Direct = false;
  int Block = 512;
  std::string LoadState, SaveState, Input, Output;
  bool Quiet = false;
  double EditorSeconds = 0;
  std::string Screenshot;
};

// An editor's picture: 0xRRGGBB pixels, row by row.
struct TPicture {
  int Width = 0, Height = 0;
  std::vector<uint32_t> Pixels;
};

[[noreturn]] void Fail(const std::string& Message) {
  std::fprintf(stderr, "qzhost: %s\n", Message.c_str());
  std::exit(1);
}

void Usage() {
  std::printf(
      "usage: qzhost [--plugin LIB] [--interface vst|direct] [--block FRAMES]\n"
      "              [--load-state FILE] [--save-state FILE] [--editor SECONDS]\n"
      "              [--screenshot FILE.png] [--quiet] [INPUT.wav OUTPUT.wav]\n"
      "Without files it prints what the plug-in tells about itself.\n");
}

TOptions ParseOptions(int argc, char** argv) {
  TOptions o;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) Fail("missing value after " + a);
      return argv[++i];
    };
    if (a == "--plugin") o.Plugin = value();
    else if (a == "--interface") {
      const std::string v = value();
      if (v != "vst" && v != "direct") Fail("--interface takes vst or direct");
      o.Direct = v == "direct";
    } else if (a == "--block") {
      o.Block = std::atoi(value().c_str());
      if (o.Block < 1 || o.Block > 1 << 20) Fail("--block takes 1 .. 1048576 frames");
    } else if (a == "--load-state") o.LoadState = value();
    else if (a == "--save-state") o.SaveState = value();
    else if (a == "--quiet") o.Quiet = true;
    else if (a == "--screenshot") o.Screenshot = value();
    else if (a == "--editor") {
      o.EditorSeconds = std::atof(value().c_str());
      if (!(o.EditorSeconds > 0 && o.EditorSeconds <= 86400)) Fail("--editor takes 0 .. 86400 seconds");
    }
    else if (a == "--help" || a == "-h") {
      Usage();
      std::exit(0);
    } else if (!a.empty() && a[0] == '-') Fail("unknown option " + a);
    else files.push_back(a);
  }
  if (files.size() == 2) {
    o.Input = files[0];
    o.Output = files[1];
  } else if (!files.empty()) {
    Usage();
    std::exit(2);
  }
  if (o.Direct && o.Block > 65535) Fail("the direct-call interface takes at most 65535 frames a call");
  return o;
}

std::vector<uint8_t> ReadFile(const std::string& Name) {
  std::ifstream in(Name, std::ios::binary);
  if (!in) Fail("cannot read " + Name);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& Name, const uint8_t* Data, size_t Size) {
  std::ofstream out(Name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(Data), static_cast<std::streamsize>(Size));
  if (!out) Fail("cannot write " + Name);
}

// The host side of VST 2.x: the plug-in asks for nothing but the version.
intptr_t AudioMaster(AEffect*, int32_t Opcode, int32_t, intptr_t, void*, float) {
  return Opcode == 1 ? 2400 : 0;  // audioMasterVersion
}

intptr_t DirectCallback(void*, void*, int32_t Opcode, int32_t Value, intptr_t) {
  std::printf("  host callback: opcode %d, value %d\n", Opcode, Value);
  return 0;
}

// Peak and RMS of each channel, in dBFS.
struct TLevels {
  double Peak[2] = {0, 0}, Sum[2] = {0, 0};
  int64_t Frames = 0;
  void Add(const float* L, const float* R, int Count) {
    const float* ch[2] = {L, R};
    for (int c = 0; c < 2; ++c)
      for (int i = 0; i < Count; ++i) {
        const double v = ch[c][i];
        Peak[c] = std::max(Peak[c], std::fabs(v));
        Sum[c] += v * v;
      }
    Frames += Count;
  }
  static double Db(double V) { return V > 0 ? 20.0 * std::log10(V) : -INFINITY; }
  void Print(const char* What) const {
    for (int c = 0; c < 2; ++c)
      std::printf("%s %s: peak %7.2f dBFS, RMS %7.2f dBFS\n", What, c == 0 ? "left " : "right", Db(Peak[c]),
                  Db(Frames ? std::sqrt(Sum[c] / static_cast<double>(Frames)) : 0.0));
  }
};

// One loaded plug-in behind either interface.
class THostedPlugin {
public:
  explicit THostedPlugin(const TOptions& Options) {
    FLibrary = dlopen(Options.Plugin.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!FLibrary) Fail(std::string("cannot load the plug-in: ") + dlerror());
    if (Options.Direct) {
      auto create = reinterpret_cast<TCreateInstance>(dlsym(FLibrary, "create_instance"));
      FCall = reinterpret_cast<TCallObject>(dlsym(FLibrary, "call_object"));
      FProcess = reinterpret_cast<TProcessAudio>(dlsym(FLibrary, "process_audio"));
      if (!create || !FCall || !FProcess) Fail("the library lacks the direct-call exports");
      FObject = create(0, nullptr, reinterpret_cast<void*>(&DirectCallback));
      if (!FObject) Fail("create_instance returned nothing");
    } else {
      auto entry = reinterpret_cast<TVstMain>(dlsym(FLibrary, "VSTPluginMain"));
      if (!entry) entry = reinterpret_cast<TVstMain>(dlsym(FLibrary, "main"));
      if (!entry) Fail("the library has no VST entry point");
      FEffect = entry(AudioMaster);
      if (!FEffect || FEffect->magic != kEffectMagic) Fail("the VST entry returned no effect record");
      Dispatch(effOpen);
    }
  }
  ~THostedPlugin() {
    if (FEffect) Dispatch(effClose);
    if (FObject) FCall(10004, 0, FObject, nullptr);
    dlclose(FLibrary);
  }

  intptr_t Dispatch(int32_t Opcode, int32_t Index = 0, intptr_t Value = 0, void* Ptr = nullptr, float Opt = 0) {
    return FEffect->dispatcher(FEffect, Opcode, Index, Value, Ptr, Opt);
  }
  int32_t Call(int32_t Opcode, int32_t Argument = 0, void* Ptr = nullptr) {
    return FCall(Opcode, Argument, FObject, Ptr);
  }

  void PrintIdentity() {
    if (FEffect) {
      char vendor[kVstMaxNameLen] = "", product[kVstMaxNameLen] = "";
      Dispatch(effGetVendorString, 0, 0, vendor);
      Dispatch(effGetProductString, 0, 0, product);
      std::printf("Interface: VST 2.x\n");
      std::printf("  product  %s\n  vendor   %s\n", product, vendor);
      std::printf("  VST version %ld, category %ld, MIDI input channels %ld\n",
                  static_cast<long>(Dispatch(effGetVstVersion)), static_cast<long>(Dispatch(effGetPlugCategory)),
                  static_cast<long>(Dispatch(effGetNumMidiInputChannels)));
      const AEffect& e = *FEffect;
      std::printf("  AEffect: magic %.4s, inputs %d, outputs %d, flags 0x%X (%s%s%s%s), version %d,\n"
                  "           programs %d, parameters %d, unique id %d, initial delay %d, double processing %s\n",
                  reinterpret_cast<const char*>(&e.magic), e.numInputs, e.numOutputs, static_cast<unsigned>(e.flags),
                  e.flags & effFlagsHasEditor ? "has-editor " : "", e.flags & effFlagsCanReplacing ? "can-replace " : "",
                  e.flags & effFlagsProgramChunks ? "chunks " : "", e.flags & effFlagsNoSoundInStop ? "no-sound-in-stop" : "",
                  e.version, e.numPrograms, e.numParams, e.uniqueID, e.initialDelay,
                  e.processDoubleReplacing ? "yes" : "no");
      static const char* const caps[] = {
          "sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo", "receiveVstEvents", "receiveVstMidiEvent",
          "receiveVstTimeInfo", "offline", "plugAsChannelInsert", "plugAsSend", "mixDryWet", "noRealTime",
          "multipass", "metapass", "1in1out", "1in2out", "2in1out", "2in2out", "2in4out", "4in2out",
          "4in4out", "4in8out", "8in4out", "8in8out", "midiProgramNames", "LiveWithoutToolbar",
          "conformsToWindowRules", "bypass"};
      std::printf("  can do:");
      for (const char* c : caps) {
        const intptr_t r = Dispatch(effCanDo, 0, 0, const_cast<char*>(c));
        std::printf(" %s=%s", c, r > 0 ? "yes" : r < 0 ? "no" : "?");
      }
      std::printf("\n");
    } else {
      std::printf("Interface: direct call\n");
      static const struct {
        int32_t Opcode;
        const char* What;
      } texts[] = {{11001, "product"}, {11002, "long name"}, {11003, "vendor"}, {11004, "version"},
                   {11005, "year"}, {11007, "id code"}, {11008, "id code 3"}, {11009, "rights"},
                   {11010, "category"}, {11011, "short name"}};
      for (const auto& t : texts) {
        char buffer[256] = "";
        Call(t.Opcode, 0, buffer);
        std::printf("  %-10s %s\n", t.What, buffer);
      }
      std::printf("  info byte %d, info words %d %d, sample rate %d, rates %d .. %d, %d\n", Call(11015),
                  Call(12001), Call(12002), Call(13001), Call(13003), Call(13004), Call(13005));
      std::printf("  power %s, editor visible %d, face picture %d bytes, state %d bytes\n",
                  Call(15005) == 1 ? "on" : "off", Call(15007), Call(17002), Call(16001));
    }
  }

  void SetSampleRate(int Rate) {
    if (FEffect) Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(Rate));
    else Call(13002, Rate);
  }

  void LoadState(const std::vector<uint8_t>& Blob) {
    std::vector<uint8_t> copy = Blob;  // the plug-in may not keep the host's buffer
    const bool loaded = FEffect ? Dispatch(effSetChunk, 0, static_cast<intptr_t>(copy.size()), copy.data()) == 1
                                : Call(16004, static_cast<int32_t>(copy.size()), copy.data()) == 1;
    if (!loaded) Fail("the plug-in refused the state");
  }

  std::vector<uint8_t> SaveState() {
    if (FEffect) {
      void* data = nullptr;
      const intptr_t size = Dispatch(effGetChunk, 0, 0, &data);
      if (size <= 0 || !data) Fail("the plug-in gave no state");
      const auto* p = static_cast<const uint8_t*>(data);
      return {p, p + size};
    }
    const int32_t size = Call(16001);
    if (size <= 0) Fail("the plug-in gave no state");
    std::vector<uint8_t> blob(static_cast<size_t>(size));
    if (Call(16002, size, blob.data()) != size) Fail("the plug-in gave no state");
    return blob;
  }

  void Start(int Block) {
    if (FEffect) {
      Dispatch(effSetBlockSize, 0, Block);
      Dispatch(effStartProcess);
    }
  }
  void Stop() {
    if (FEffect) Dispatch(effStopProcess);
  }

  // Shows the editor for Seconds (or until its window is closed), idling it on a 20 ms timer;
  // with Picture, reads the editor's pixels from the X server before closing it.
  void ShowEditor(double Seconds, TPicture* Picture) {
    using TClock = std::chrono::steady_clock;
    const auto end = TClock::now() + std::chrono::duration<double>(Seconds);
    const auto tick = std::chrono::milliseconds(20);
    Display* d = XOpenDisplay(nullptr);
    if (!d) Fail("no X display to show the editor on");
    if (!FEffect) {
      if (Call(10001) != 1) Fail("the plug-in showed no editor");
      // 15007 answers whether the editor is still shown; every call pumps the plug-in's toolkit.
      bool shown = true;
      while (TClock::now() < end && (shown = Call(15007) == 1)) std::this_thread::sleep_for(tick);
      if (Picture) {
        if (!shown) Fail("the editor was closed before its picture was taken");
        // Left, Width, Top, Height as 16-bit numbers; the window is a top-level one of its own.
        int16_t r[4] = {0, 0, 0, 0};
        Call(18001, 0, r);
        XSync(d, False);
        *Picture = Grab(d, DefaultRootWindow(d), r[0], r[2], r[1], r[3]);
      }
      Call(10002);
      XCloseDisplay(d);
      return;
    }
    ERect* rect = nullptr;
    if (Dispatch(effEditGetRect, 0, 0, &rect) != 1 || !rect) Fail("the plug-in has no editor");
    const int w = std::max(rect->right - rect->left, 1), h = std::max(rect->bottom - rect->top, 1);
    const Window window = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, static_cast<unsigned>(w),
                                              static_cast<unsigned>(h), 0, 0, 0);
    Atom close = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, window, &close, 1);
    XStoreName(d, window, "qzhost");
    XMapWindow(d, window);
    XSync(d, False);
    if (Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(window)) != 1) Fail("the plug-in's editor did not open");
    bool closed = false;
    while (!closed && TClock::now() < end) {
      while (XPending(d) > 0) {
        XEvent ev;
        XNextEvent(d, &ev);
        if (ev.type == ClientMessage && static_cast<Atom>(ev.xclient.data.l[0]) == close) closed = true;
      }
      Dispatch(effEditIdle);
      std::this_thread::sleep_for(tick);
    }
    if (Picture) {
      if (closed) Fail("the editor was closed before its picture was taken");
      XSync(d, False);
      *Picture = Grab(d, window, 0, 0, w, h);
    }
    Dispatch(effEditClose);
    XDestroyWindow(d, window);
    XCloseDisplay(d);
  }

  void Process(float** In, float** Out, int Frames) {
    if (FEffect) FEffect->processReplacing(FEffect, In, Out, Frames);
    else FProcess(FObject, In, Out, static_cast<uint16_t>(Frames), 0, 0);
  }

private:
  // The pixels of a rectangle of Window (the parts inside the screen), as the X server shows them.
  static TPicture Grab(Display* D, Window W, int X, int Y, int Width, int Height) {
    TPicture p;
    X = std::max(X, 0), Y = std::max(Y, 0);
    Width = std::min(Width, DisplayWidth(D, DefaultScreen(D)) - X);
    Height = std::min(Height, DisplayHeight(D, DefaultScreen(D)) - Y);
    if (Width < 1 || Height < 1) Fail("the editor lies outside the screen");
    XImage* image = XGetImage(D, W, X, Y, static_cast<unsigned>(Width), static_cast<unsigned>(Height), AllPlanes, ZPixmap);
    if (!image) Fail("the X server gave no pixels of the editor");
    // A channel's mask to its 8-bit value, for any TrueColor layout.
    const auto channel = [](unsigned long Pixel, unsigned long Mask) -> uint32_t {
      if (!Mask) return 0;
      int shift = 0;
      while (!((Mask >> shift) & 1)) ++shift;
      const unsigned long top = Mask >> shift;
      return static_cast<uint32_t>(((Pixel & Mask) >> shift) * 255 / top);
    };
    p.Width = Width, p.Height = Height;
    p.Pixels.resize(static_cast<size_t>(Width) * static_cast<size_t>(Height));
    for (int y = 0; y < Height; ++y)
      for (int x = 0; x < Width; ++x) {
        const unsigned long v = XGetPixel(image, x, y);
        p.Pixels[static_cast<size_t>(y) * static_cast<size_t>(Width) + static_cast<size_t>(x)] =
            channel(v, image->red_mask) << 16 | channel(v, image->green_mask) << 8 | channel(v, image->blue_mask);
      }
    XDestroyImage(image);
    return p;
  }

  void* FLibrary = nullptr;
  AEffect* FEffect = nullptr;
  void* FObject = nullptr;
  TCallObject FCall = nullptr;
  TProcessAudio FProcess = nullptr;
};

// Plays the host's audio thread while the editor is shown: a test signal through the effect in
// blocks of 10 ms, each when its time has come. Nothing of the editor is touched from here.
class TRealTimeAudio {
public:
  static constexpr int Rate = 48000, Block = 480;
  explicit TRealTimeAudio(THostedPlugin& Plugin) : FPlugin(Plugin) {
    FPlugin.SetSampleRate(Rate);
    FPlugin.Start(Block);
    FThread = std::thread([this] { Run(); });
  }
  ~TRealTimeAudio() {
    FStop = true;
    FThread.join();
    FPlugin.Stop();
  }

private:
  void Run() {
    float l[Block], r[Block], ol[Block], or_[Block];
    float* in[2] = {l, r};
    float* out[2] = {ol, or_};
    auto due = std::chrono::steady_clock::now();
    for (int64_t frame = 0; !FStop; frame += Block) {
      QzHostFillSignal(l, r, Block, frame, Rate);
      FPlugin.Process(in, out, Block);
      due += std::chrono::microseconds(1000000LL * Block / Rate);
      std::this_thread::sleep_until(due);
    }
  }
  THostedPlugin& FPlugin;
  std::atomic<bool> FStop{false};
  std::thread FThread;
};

void ProcessFile(THostedPlugin& Plugin, const TOptions& O) {
  SF_INFO info{};
  SNDFILE* in = sf_open(O.Input.c_str(), SFM_READ, &info);
  if (!in) Fail("cannot open " + O.Input + ": " + sf_strerror(nullptr));
  if (info.channels < 1 || info.channels > 2) Fail(O.Input + " has " + std::to_string(info.channels) + " channels; 1 or 2 are accepted");
  SF_INFO outInfo{};
  outInfo.samplerate = info.samplerate;
  outInfo.channels = 2;
  outInfo.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* out = sf_open(O.Output.c_str(), SFM_WRITE, &outInfo);
  if (!out) Fail("cannot create " + O.Output + ": " + sf_strerror(nullptr));

  Plugin.SetSampleRate(info.samplerate);
  Plugin.Start(O.Block);
  const size_t block = static_cast<size_t>(O.Block);
  std::vector<float> interleaved(block * 2), l(block), r(block), ol(block), or_(block);
  float* inputs[2] = {l.data(), r.data()};
  float* outputs[2] = {ol.data(), or_.data()};
  TLevels inLevels, outLevels;
  const bool progress = !O.Quiet && info.frames > 30LL * info.samplerate;
  int lastPercent = -1;
  sf_count_t done = 0;
  for (;;) {
    const sf_count_t got = sf_readf_float(in, interleaved.data(), static_cast<sf_count_t>(block));
    if (got <= 0) break;
    const int n = static_cast<int>(got);
    for (int i = 0; i < n; ++i) {
      l[i] = interleaved[static_cast<size_t>(i * info.channels)];
      r[i] = interleaved[static_cast<size_t>(i * info.channels + info.channels - 1)];
    }
    inLevels.Add(l.data(), r.data(), n);
    Plugin.Process(inputs, outputs, n);
    outLevels.Add(ol.data(), or_.data(), n);
    for (int i = 0; i < n; ++i) {
      interleaved[static_cast<size_t>(2 * i)] = ol[i];
      interleaved[static_cast<size_t>(2 * i + 1)] = or_[i];
    }
    if (sf_writef_float(out, interleaved.data(), got) != got) Fail("cannot write " + O.Output);
    done += got;
    if (progress) {
      const int percent = static_cast<int>(100 * done / std::max<sf_count_t>(info.frames, 1));
      if (percent / 10 != lastPercent / 10) {
        std::fprintf(stderr, "\r  processing: %3d %%", percent);
        lastPercent = percent;
      }
    }
  }
  if (progress) std::fprintf(stderr, "\n");
  Plugin.Stop();
  sf_close(in);
  if (sf_close(out) != 0) Fail("cannot finish " + O.Output);
  std::printf("Processed %lld frames at %d Hz (%.2f s) in blocks of %d: %s -> %s\n",
              static_cast<long long>(done), info.samplerate, static_cast<double>(done) / info.samplerate, O.Block,
              O.Input.c_str(), O.Output.c_str());
  inLevels.Print("  input ");
  outLevels.Print("  output");
}

void SavePicture(const std::string& File, const TPicture& Picture, const char* How) {
  if (!QzHostWritePng(File, Picture.Width, Picture.Height, Picture.Pixels)) Fail("cannot write " + File);
  std::printf("Editor picture: %s (%d x %d, %s)\n", File.c_str(), Picture.Width, Picture.Height, How);
}
}  // namespace

int main(int argc, char** argv) {
  const TOptions options = ParseOptions(argc, argv);
  const char* display = std::getenv("DISPLAY");
  const bool haveDisplay = display && *display;
  if (!options.Screenshot.empty() && !haveDisplay) {
    if (options.EditorSeconds > 0) Fail("no X display to show the editor on");
    // Only the picture is asked for: the library's code in this program draws it off-screen.
    TPicture picture;
    std::string error;
    const std::vector<uint8_t> state = options.LoadState.empty() ? std::vector<uint8_t>() : ReadFile(options.LoadState);
    if (!QzHostOffscreenEditorPicture(options.Direct, state, picture.Width, picture.Height, picture.Pixels, error))
      Fail(error);
    SavePicture(options.Screenshot, picture, "drawn off-screen: there is no X display");
    return 0;
  }
  THostedPlugin plugin(options);
  if (!options.Quiet) plugin.PrintIdentity();
  if (!options.LoadState.empty()) {
    const std::vector<uint8_t> blob = ReadFile(options.LoadState);
    plugin.LoadState(blob);
    std::printf("Loaded state %s (%zu bytes)\n", options.LoadState.c_str(), blob.size());
  }
  if (!options.Input.empty()) ProcessFile(plugin, options);
  if (options.EditorSeconds > 0 || !options.Screenshot.empty()) {
    TPicture picture;
    {
      TRealTimeAudio audio(plugin);
      plugin.ShowEditor(options.EditorSeconds > 0 ? options.EditorSeconds : 1.0,
                        options.Screenshot.empty() ? nullptr : &picture);
    }
    if (!options.Screenshot.empty()) SavePicture(options.Screenshot, picture, "read from the X server");
  }
  if (!options.SaveState.empty()) {
    const std::vector<uint8_t> blob = plugin.SaveState();
    WriteFile(options.SaveState, blob.data(), blob.size());
    std::printf("Saved state %s (%zu bytes)\n", options.SaveState.c_str(), blob.size());
  }
  return 0;
}
