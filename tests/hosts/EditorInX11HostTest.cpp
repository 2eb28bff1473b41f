// The built library's editor seen from a host's side of a private X server: this program loads
// the library with dlopen, embeds the editor in a window of its own or lets it open its own
// window, reads the pixels back from the server, moves the pointer and presses keys with XTest,
// and asks for the clipboard as another client would (the server and the fixture:
// X11HostFixture.h).
#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "HostCallLog.h"
#include "X11HostFixture.h"

namespace {

TEST_F(EditorInX11Host, EmbeddedEditorShowsItsArtworkAndGoesOnClose) {
  // Hosts that composite give a 32-bit parent.
  for (const bool argb : {false, true}) {
    SCOPED_TRACE(argb ? "32-bit parent" : "24-bit parent");
    auto host = argb ? TX11TestHost::OpenArgb(DisplayName, HostW, HostH, HostGreen) : OpenHost();
    if (!host) {
      ASSERT_TRUE(argb);
      GTEST_SKIP() << "the X server offers no 32-bit visual";
    }
    AEffect* effect = Lib.NewEffect();
    ERect* rect = nullptr;
    ASSERT_TRUE(effect && Lib.Dispatch(effect, effEditGetRect, 0, 0, &rect) == 1 && rect);
    EXPECT_EQ(std::tuple(rect->right - rect->left, rect->bottom - rect->top), std::tuple(1024, 595));
    ASSERT_EQ(Lib.Dispatch(effect, effEditOpen, 0, 0, reinterpret_cast<void*>(host->Window())), 1);
    // Painted by effEditOpen itself, before any idle, from the host window's corner.
    ExpectPainted(*host);
    for (const auto& [x, y] : {std::pair{0, 0}, {1023, 0}, {0, 594}, {1023, 594}, {512, 300}})
      EXPECT_NE(At(*host, x, y), HostGreen) << x << "," << y;
    EXPECT_EQ(host->ChildClassHint(), "quillmere/Quillmere");
    Idle(effect, 5);
    EXPECT_EQ(Lib.Dispatch(effect, effEditClose), 1);
    host->Sync();
    EXPECT_EQ(host->ChildCount(), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(At(*host, 512, 300), HostGreen) << "the editor stayed on the host's window";
    Lib.Close(effect);
  }
}

TEST_F(EditorInX11Host, MetersFollowTheAudioThread) {
  std::unique_ptr<TX11TestHost> host;
  AEffect* effect = nullptr;
  ASSERT_TRUE((host = OpenHost()) && (effect = OpenEmbedded(*host)));
  Lib.Dispatch(effect, effSetSampleRate, 0, 0, nullptr, 48000.0f), Lib.Dispatch(effect, effSetBlockSize, 0, 480);
  Lib.Dispatch(effect, effStartProcess);
  // Level (peak amplitude) fed on a thread of its own, block by block in real time.
  TAudioThread audio([effect](float** In, float** Out, int N) { effect->processReplacing(effect, In, Out, N); }, 480,
                     0.0f, 10);
  Idle(effect, 40);
  const std::vector<uint32_t> silent = Shot(*host);
  audio.Level = 0.9f;
  // The left meter: 250 x 155 at 650, 10 in the group box, which sits at 5, 40.
  const auto moved = [&] {
    const std::vector<uint32_t> loud = Shot(*host);
    size_t differ = 0;
    for (size_t y = 50; y < 205; ++y)
      for (size_t x = 655; x < 905; ++x) differ += silent[y * HostW + x] != loud[y * HostW + x];
    return differ;
  };
  // The needle swings on the meter's own timer and the audio thread may lag on a loaded machine:
  // wait for the swing rather than a fixed while.
  size_t differ = 0;
  for (int round = 0; round < 50 && (differ = moved()) <= 100u; ++round) Idle(effect, 10);
  audio.Join();
  EXPECT_GT(differ, 100u) << "the needle did not move";
  Lib.Dispatch(effect, effStopProcess);
  Lib.Dispatch(effect, effEditClose), Lib.Close(effect);
}

TEST_F(EditorInX11Host, OnlyADragChangesTheSavedState) {
  // Knob centres in the editor (group box at 5, 40) and the way a drag goes.
  struct TCase { const char* Knob; int X, Y, Dy; };
  for (const TCase& c : {TCase{"threshold, down", 845, 440, 40}, TCase{"low gain, up", 167, 115, -40}}) {
    SCOPED_TRACE(c.Knob);
    std::unique_ptr<TX11TestHost> host;
    AEffect* effect = nullptr;
    ASSERT_TRUE((host = OpenHost()) && (effect = OpenEmbedded(*host)));
    Idle(effect, 20);
    const std::vector<uint8_t> before = Lib.GetChunk(effect);
    ASSERT_FALSE(before.empty());
    // Refreshes, the meter timer and the pointer passing over show values and write none.
    PointerTo(host->Window(), c.X, c.Y), Idle(effect, 20);
    EXPECT_EQ(Lib.GetChunk(effect), before) << "the editor changed the state by itself";
    Button(true), Idle(effect, 3);
    for (int step = 1; step <= 8; ++step) PointerTo(host->Window(), c.X, c.Y + c.Dy * step / 8), Idle(effect, 2);
    Button(false), Idle(effect, 5);
    const std::vector<uint8_t> after = Lib.GetChunk(effect);
    EXPECT_NE(after, before) << "the drag left the state as it was";
    PointerTo(host->Window(), 1090, 690);
    Lib.Dispatch(effect, effEditClose), Lib.Close(effect);
  }
}

TEST_F(EditorInX11Host, CtrlCOffersTheEditorAsPngToOtherClientsAndLeavingGivesTheKeyboardBack) {
  std::unique_ptr<TX11TestHost> host;
  AEffect* effect = nullptr;
  ASSERT_TRUE((host = OpenHost()) && (effect = OpenEmbedded(*host)));
  Idle(effect, 20);
  host->TakeFocus();
  // A click on the status bar gives the editor the keyboard without changing anything.
  Click(host->Window(), 500, 585);
  Idle(effect, 5);
  EXPECT_NE(host->FocusWindow(), host->Window());
  const std::vector<uint8_t> state = Lib.GetChunk(effect);
  Type({XK_c}, XK_Control_L), Idle(effect, 10);
  auto reader = OpenHost(10, 10);  // another client of the server
  ASSERT_NE(reader, nullptr);
  reader->RequestClipboard("image/png");
  std::vector<uint8_t> png;
  std::string type;
  bool answered = false;
  for (int i = 0; i < 300 && !answered; ++i) {
    answered = reader->PollClipboard(png, type);
    Idle(effect, 1);  // the editor answers from its idle
  }
  ASSERT_TRUE(answered) << "nobody answered for the clipboard";
  EXPECT_EQ(type, "image/png");
  ASSERT_GE(png.size(), 24u);
  static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  EXPECT_TRUE(std::equal(signature, signature + 8, png.begin()));
  const auto be32 = [&](size_t At) {
    return static_cast<uint32_t>(png[At]) << 24 | static_cast<uint32_t>(png[At + 1]) << 16 |
           static_cast<uint32_t>(png[At + 2]) << 8 | png[At + 3];
  };
  EXPECT_EQ(std::tuple(be32(16), be32(20)), std::tuple(1024u, 595u));
  EXPECT_EQ(Lib.GetChunk(effect), state) << "Ctrl+C reached a control";
  // The pointer leaving the editor gives the keyboard back to the host.
  PointerTo(host->Window(), 1090, 690), Idle(effect, 5);
  EXPECT_EQ(host->FocusWindow(), host->Window());
  Lib.Dispatch(effect, effEditClose), Lib.Close(effect);
}

TEST_F(EditorInX11Host, CloseBoxHidesTheOwnWindowAndTellsTheHost) {
  const size_t before = ClosableTopLevels().size();
  THostCallLog log;  // the direct-call editor's notifications, as a host's callback receives them
  void* object = Lib.CreateInstance(0, &log, reinterpret_cast<void*>(&THostCallLog::Record));
  ASSERT_TRUE(object && Lib.CallObject(10001, 0, object, nullptr) == 1);
  IdleDirect(object, 20);
  EXPECT_EQ(Lib.CallObject(15007, 0, object, nullptr), 1);
  const std::vector<::Window> windows = ClosableTopLevels();
  ASSERT_EQ(windows.size(), before + 1) << "the editor has no top-level window of its own";
  const ::Window editor = windows.back();
  XWindowAttributes wa;
  ASSERT_TRUE(XGetWindowAttributes(Input, editor, &wa));
  EXPECT_EQ(std::tuple(wa.width, wa.height), std::tuple(1024, 595));
  log.Calls.clear();
  SendCloseBox(Input, editor);
  IdleDirect(object, 20);
  EXPECT_EQ(Lib.CallObject(15007, 0, object, nullptr), 0);
  ASSERT_FALSE(log.Calls.empty());
  EXPECT_EQ(std::tuple(std::make_pair(log.Calls.back().Opcode, log.Calls.back().Value), ClosableTopLevels().size()),
            std::tuple(std::make_pair(15008, 0), before));
  // The form lives on: the host shows it again.
  ASSERT_EQ(Lib.CallObject(10001, 0, object, nullptr), 1);
  IdleDirect(object, 10);
  EXPECT_EQ(Lib.CallObject(15007, 0, object, nullptr), 1);
  EXPECT_EQ(Lib.CallObject(10004, 0, object, nullptr), 1);
}

TEST_F(EditorInX11Host, TwentyOpenCloseCyclesLeaveNothingBehind) {
  auto host = OpenHost();
  ASSERT_NE(host, nullptr);
  const auto vst = [&] {
    AEffect* effect = OpenEmbedded(*host);
    ASSERT_NE(effect, nullptr);
    Idle(effect, 3), Lib.Dispatch(effect, effEditClose), Lib.Close(effect);
  };
  const auto direct = [&] {
    void* object = Lib.CreateInstance(0, nullptr, nullptr);
    ASSERT_TRUE(object && Lib.CallObject(10001, 0, object, nullptr) == 1);
    IdleDirect(object, 3), Lib.CallObject(10004, 0, object, nullptr);
  };
  using TCycle = std::pair<const char*, std::function<void()>>;
  for (const auto& [name, cycle] : {TCycle{"VST", vst}, TCycle{"direct call", direct}}) {
    SCOPED_TRACE(name);
    // The first cycles connect, load fonts and fill caches.
    for (int i = 0; i < 3; ++i) cycle();
    host->Sync();
    const int fds = OpenFileCount(), children = host->ChildCount(), roots = host->RootChildCount();
    const size_t heap = mallinfo2().uordblks;
    for (int i = 0; i < 20; ++i) cycle();
    host->Sync();
    EXPECT_EQ(std::tuple(OpenFileCount(), host->ChildCount(), host->RootChildCount()),
              std::tuple(fds, children, roots));
    // One editor's surface alone is 2.4 MB.
    const size_t now = mallinfo2().uordblks;
    EXPECT_LT(now > heap ? now - heap : 0, 1024u * 1024u);
  }
}
// The window of ours in Of (its first child): its visual class, or -1 when there is none.
int ChildVisualClass(Display* D, ::Window Of) {
  ::Window root, parent, *children = nullptr;
  unsigned n = 0;
  int found = -1;
  XWindowAttributes wa;
  if (XQueryTree(D, Of, &root, &parent, &children, &n) && n > 0 && XGetWindowAttributes(D, children[0], &wa))
    found = wa.visual->c_class;
  if (children) XFree(children);
  return found;
}

// The first top-level window of ours on D's screen (by its class hint), or 0.
::Window OwnTopLevel(Display* D) {
  ::Window root, parent, *children = nullptr, own = 0;
  unsigned n = 0;
  XQueryTree(D, DefaultRootWindow(D), &root, &parent, &children, &n);
  for (unsigned i = 0; i < n && !own; ++i) {
    XClassHint hint{};
    if (!XGetClassHint(D, children[i], &hint)) continue;
    if (hint.res_name && std::string(hint.res_name) == "quillmere") own = children[i];
    XFree(hint.res_name), XFree(hint.res_class);
  }
  if (children) XFree(children);
  return own;
}

// A host process of its own for each case, with servers of its own: the server going away
// under an open editor, a host without any display, parents and servers whose visuals are not
// TrueColor, a 4K screen, a host out of descriptors, and a host that moves to another display
// while an editor is open on the first.
// A case ends with 0, or with the step that failed (said on stderr).
TEST(EditorInX11HostProcess, ServersOfEveryKindEndNothing) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string xvfb = FindXvfb();
  if (xvfb.empty()) GTEST_SKIP() << "no Xvfb binary installed";
  TPluginLibrary& lib = TPluginLibrary::Get();
  ASSERT_NE(lib.Handle, nullptr);
  const auto fail = [](int Code, const char* Why) { return std::fprintf(stderr, "%s\n", Why), Code; };
  // A server of its own (Screen and Options as Xvfb takes them), made the host's DISPLAY.
  const auto serve = [&](TXvfb& Server, const char* Screen = "1280x1024x24", std::vector<std::string> Options = {}) {
    Server.Screen = Screen, Server.Options = std::move(Options);
    return Server.Start(xvfb) && setenv("DISPLAY", Server.Name.c_str(), 1) == 0;
  };
  const auto artwork = [](TX11TestHost& Host) { return Host.Sync(), EditorColours(Host.Grab(HostW, HostH)) > 64; };
  const auto serverGoes = [&]() -> int {
    TXvfb server;
    if (!serve(server)) return 2;
    auto host = TX11TestHost::Open(server.Name, HostW, HostH, HostGreen);
    AEffect* effect = lib.NewEffect();
    if (!host || !effect) return 3;
    if (lib.Dispatch(effect, effEditOpen, 0, 0, reinterpret_cast<void*>(host->Window())) != 1) return 4;
    Idle(effect, 5), host.reset(), server.Stop(), Idle(effect, 5);
    if (lib.Dispatch(effect, effEditClose) != 1) return 5;
    Idle(effect, 2), lib.Close(effect);
    return 0;
  };
  const auto noDisplay = [&]() -> int {
    unsetenv("DISPLAY");
    AEffect* effect = lib.NewEffect();
    if (!effect) return 3;
    ERect* rect = nullptr;
    if (lib.Dispatch(effect, effEditGetRect, 0, 0, &rect) != 1) return 4;  // the size is still known
    int parent = 0;
    if (lib.Dispatch(effect, effEditOpen, 0, 0, &parent) != 0) return 5;
    if (lib.Dispatch(effect, effEditIdle) != 1) return 6;
    lib.Close(effect);
    void* object = lib.CreateInstance(0, nullptr, nullptr);
    if (lib.CallObject(10001, 0, object, nullptr) != -1 || lib.CallObject(15007, 0, object, nullptr) != 0)
      return 7;
    lib.CallObject(10004, 0, object, nullptr);
    return 0;
  };
  // A host window (DirectColor, or of the server's default visual, of class DefaultClass; on
  // the screen HostScreen names) shows the editor in a TrueColor window of ours; so does the
  // direct-call window on the default screen's root.
  const auto drawn = [&](const char* Screen, std::vector<std::string> Options, int DefaultClass,
                         bool DirectColorParent, const char* HostScreen = "") -> int {
    TXvfb server;
    if (!serve(server, Screen, std::move(Options))) return 2;
    TX11TestHost::CountErrors(true);
    const std::string hostDisplay = server.Name + HostScreen;
    auto host = DirectColorParent ? TX11TestHost::OpenDirectColor(hostDisplay, HostW, HostH, HostGreen)
                                  : TX11TestHost::Open(hostDisplay, HostW, HostH, HostGreen);
    AEffect* effect = lib.NewEffect();
    if (!host || !effect) return fail(3, "no host window");
    Display* input = XOpenDisplay(server.Name.c_str());
    if (!input || DefaultVisual(input, 0)->c_class != DefaultClass)
      return fail(4, "the server's default visual is not the one asked for");
    ERect* rect = nullptr;
    lib.Dispatch(effect, effEditGetRect, 0, 0, &rect);
    if (lib.Dispatch(effect, effEditOpen, 0, 0, reinterpret_cast<void*>(host->Window())) != 1)
      return fail(5, "effEditOpen answered 0");
    Idle(effect, 10);
    if (ChildVisualClass(input, static_cast<::Window>(host->Window())) != TrueColor)
      return fail(6, "the editor's window is not TrueColor");
    if (!artwork(*host)) return fail(7, "the editor shows no artwork");
    lib.Dispatch(effect, effEditClose), Idle(effect, 2), lib.Close(effect);
    if (host->ChildCount() != 0) return fail(8, "the editor's window stayed");
    void* object = lib.CreateInstance(0, nullptr, nullptr);
    if (lib.CallObject(10001, 0, object, nullptr) != 1) return fail(9, "10001 did not show the editor");
    Every10Ms(10, [&] { lib.CallObject(15007, 0, object, nullptr); });
    auto shot = TX11TestHost::Open(server.Name, 1, 1, 0);
    int x = 0, y = 0;
    ::Window child, own = OwnTopLevel(input);
    XTranslateCoordinates(input, own, DefaultRootWindow(input), 0, 0, &x, &y, &child);
    if (!own || EditorColours(shot->GrabScreen(x, y, EditorW, EditorH), EditorW) <= 64)
      return fail(10, "the direct-call window shows no artwork");
    lib.CallObject(10004, 0, object, nullptr);
    XCloseDisplay(input);
    return TX11TestHost::ErrorsCounted() == 0 ? 0 : fail(11, "an X error reached the host");
  };
  // An 8-bit PseudoColor server has no visual our pictures can be drawn with: it is no display
  // (the editor's size is still known), and nothing opens.
  const auto eightBits = [&]() -> int {
    TXvfb server;
    if (!serve(server, "1024x768x8")) return 2;
    TX11TestHost::CountErrors(true);
    auto host = TX11TestHost::Open(server.Name, HostW, HostH, HostGreen);
    AEffect* effect = lib.NewEffect();
    ERect* rect = nullptr;
    Display* input = XOpenDisplay(server.Name.c_str());
    if (!input || !host || !effect || lib.Dispatch(effect, effEditGetRect, 0, 0, &rect) != 1) return 3;
    if (lib.Dispatch(effect, effEditOpen, 0, 0, reinterpret_cast<void*>(host->Window())) != 0)
      return fail(4, "effEditOpen answered 1 on an 8-bit server");
    Idle(effect, 3);
    if (host->ChildCount() != 0 || OwnTopLevel(input)) return fail(5, "a window was made");
    lib.Close(effect);
    void* object = lib.CreateInstance(0, nullptr, nullptr);
    if (lib.CallObject(10001, 0, object, nullptr) != -1) return fail(6, "10001 answered 1 on an 8-bit server");
    Every10Ms(3, [&] { lib.CallObject(15007, 0, object, nullptr); });
    if (lib.CallObject(15007, 0, object, nullptr) != 0 || OwnTopLevel(input))
      return fail(7, "the direct-call editor counts as shown");
    lib.CallObject(10004, 0, object, nullptr);
    XCloseDisplay(input);
    return TX11TestHost::ErrorsCounted() == 0 ? 0 : fail(8, "an X error reached the host");
  };
  // An editor open on :a, then DISPLAY names :b, whose first client's window has the id of the
  // first client's window on :a: the second editor never lands on :a; it opens on :b once :a
  // has no editor left.
  const auto otherDisplay = [&]() -> int {
    TXvfb a, b;
    if (!serve(b) || !serve(a)) return 2;
    auto hostA = TX11TestHost::Open(a.Name, HostW, HostH, HostGreen);
    auto hostB = TX11TestHost::Open(b.Name, HostW, HostH, HostGreen);
    if (!hostA || !hostB) return 3;
    if (hostA->Window() != hostB->Window()) std::fprintf(stderr, "note: the two hosts' window ids differ\n");
    AEffect* first = lib.NewEffect();
    AEffect* second = lib.NewEffect();
    if (lib.Dispatch(first, effEditOpen, 0, 0, reinterpret_cast<void*>(hostA->Window())) != 1) return 4;
    Idle(first, 3);
    setenv("DISPLAY", b.Name.c_str(), 1);
    ERect* rect = nullptr;
    lib.Dispatch(second, effEditGetRect, 0, 0, &rect);
    const intptr_t opened = lib.Dispatch(second, effEditOpen, 0, 0, reinterpret_cast<void*>(hostB->Window()));
    Idle(first, 3), Idle(second, 3);
    hostA->Sync(), hostB->Sync();
    if (hostA->ChildCount() != 1) return fail(5, "the second editor went into the first one's parent on :a");
    if (hostB->ChildCount() != (opened ? 1 : 0)) return fail(6, "effEditOpen's answer is not what :b shows");
    lib.Dispatch(first, effEditClose), Idle(first, 3);
    if (!opened) {
      if (lib.Dispatch(second, effEditOpen, 0, 0, reinterpret_cast<void*>(hostB->Window())) != 1)
        return fail(7, "no editor on :b once :a had none left");
      Idle(second, 10);
    }
    if (!artwork(*hostB) || hostA->ChildCount() != 0) return fail(8, "the editor on :b shows no artwork");
    lib.Dispatch(second, effEditClose), Idle(second, 2);
    lib.Close(first), lib.Close(second);
    return 0;
  };
  // The host out of descriptors (none left for a new connection): opening answers 0 and shows
  // nothing, and once some are free again the editor opens. Sanitizer runtimes check a type the
  // first time they meet it through a pipe, which cannot be made then: editors of both kinds
  // opened and closed first show them ours.
  const auto noDescriptors = [&]() -> int {
    TXvfb server;
    if (!serve(server)) return 2;
    TX11TestHost::CountErrors(true);
    auto host = TX11TestHost::Open(server.Name, HostW, HostH, HostGreen);
    AEffect* effect = lib.NewEffect();
    if (!host || !effect) return 3;
    const auto open = [&] {
      ERect* rect = nullptr;
      lib.Dispatch(effect, effEditGetRect, 0, 0, &rect);
      return lib.Dispatch(effect, effEditOpen, 0, 0, reinterpret_cast<void*>(host->Window()));
    };
    if (open() != 1) return fail(4, "effEditOpen answered 0");
    Idle(effect, 5), lib.Dispatch(effect, effEditClose), Idle(effect, 2);
    void* object = lib.CreateInstance(0, nullptr, nullptr);
    if (lib.CallObject(10001, 0, object, nullptr) != 1) return fail(4, "10001 did not show the editor");
    Every10Ms(5, [&] { lib.CallObject(15007, 0, object, nullptr); });
    lib.CallObject(10004, 0, object, nullptr), Idle(effect, 2);
    rlimit old{};
    getrlimit(RLIMIT_NOFILE, &old);
    rlimit low = old;
    low.rlim_cur = std::min<rlim_t>(old.rlim_cur, 256);
    setrlimit(RLIMIT_NOFILE, &low);
    std::vector<int> held;
    for (int fd = ::open("/dev/null", O_RDONLY); fd >= 0; fd = dup(fd)) held.push_back(fd);
    const intptr_t starved = open();
    Idle(effect, 3);
    object = lib.CreateInstance(0, nullptr, nullptr);
    const int32_t shown = lib.CallObject(10001, 0, object, nullptr);
    lib.CallObject(10004, 0, object, nullptr);
    const int children = host->ChildCount();
    for (int fd : held) close(fd);
    setrlimit(RLIMIT_NOFILE, &old);
    if (starved != 0 || shown != -1) return fail(5, "an editor opened with no descriptor for its connection");
    if (children != 0) return fail(6, "a window was made");
    if (open() != 1) return fail(7, "no editor once descriptors were free");
    Idle(effect, 10);
    if (!artwork(*host)) return fail(8, "the editor shows no artwork");
    lib.Dispatch(effect, effEditClose), Idle(effect, 2), lib.Close(effect);
    return TX11TestHost::ErrorsCounted() == 0 ? 0 : fail(9, "an X error reached the host");
  };
  const std::pair<const char*, std::function<int()>> rows[] = {
      {"the server going away under an open editor", serverGoes},
      {"no display at all", noDisplay},
      {"a DirectColor parent", [&] { return drawn("1280x1024x24", {}, TrueColor, true); }},
      {"a DirectColor default visual", [&] { return drawn("1280x1024x24", {"-cc", "5"}, DirectColor, false); }},
      {"a 16-bit server", [&] { return drawn("1280x1024x16", {}, TrueColor, false); }},
      {"a 30-bit server", [&] { return drawn("1280x1024x30", {}, TrueColor, false); }},
      {"a parent on the second screen, a 16-bit one",
       [&] { return drawn("1280x1024x24", {"-screen", "1", "1280x1024x16"}, TrueColor, false, ".1"); }},
      {"a 4K screen at 192 dpi", [&] { return drawn("3840x2160x24", {"-dpi", "192"}, TrueColor, false); }},
      {"an 8-bit PseudoColor server", eightBits},
      {"no descriptor left for a new connection, then some free again", noDescriptors},
      {"DISPLAY changed to another server while an editor is open", otherDisplay},
  };
  for (const auto& [name, run] : rows) {
    SCOPED_TRACE(name);
    EXPECT_EXIT(std::_Exit(run()), ::testing::ExitedWithCode(0), "");
  }
}
}  // namespace
