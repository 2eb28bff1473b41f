// Several instances of the built library in one host process, each with its editor in a window
// of the host's, as a session with two tracks has them: the one in-place value editor that all
// knobs borrow moves between the instances' forms, and an instance freed (on the GUI thread or a
// worker of the host's) must leave the other working. Then the library itself: loaded, used and
// unloaded over and over, it keeps nothing of its own in the host's heap.
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "X11HostFixture.h"

namespace {

// Where A's window and B's window sit on the screen: apart enough that the top of each editor
// (its value boxes) is never covered by the other window.
constexpr int BLeft = 200, BTop = 420;
// The low band's gain knob: its value box, in the editor's coordinates.
constexpr int BoxX = 167, BoxY = 59;
constexpr int BoxLeft = 120, BoxTop = 54, BoxRight = 214, BoxBottom = 64;
// The in-place editor's face.
constexpr uint32_t EditGrey = 0x808080;

// A second copy of the library under another file name, loaded beside the program's own as a
// host that keeps two versions of a plug-in has them; unloaded, and its file removed, when it goes.
struct TLibraryCopy {
  TLibraryCopy() {
    std::filesystem::copy_file(QZ_PLUGIN_PATH, Path, std::filesystem::copy_options::overwrite_existing);
    Handle = dlopen(Path.c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  ~TLibraryCopy() {
    if (Handle) dlclose(Handle);
    std::filesystem::remove(Path);
  }
  AEffect* NewEffect() {
    auto main = Handle ? reinterpret_cast<TPluginLibrary::TVstMain>(dlsym(Handle, "VSTPluginMain")) : nullptr;
    AEffect* e = main ? main(nullptr) : nullptr;
    if (e) TPluginLibrary::Dispatch(e, effOpen);
    return e;
  }
  const std::string Path = testing::TempDir() + "quillmere-copy-" + std::to_string(getpid()) + ".so";
  void* Handle = nullptr;
};

class HostInstances : public EditorInX11Host {
protected:
  struct TInstance {
    std::unique_ptr<TX11TestHost> Host;
    AEffect* Effect = nullptr;
  };
  // An instance with its editor in a host window of its own at Left, Top.
  TInstance Open(int Left, int Top, AEffect* E = nullptr) {
    TInstance i;
    i.Host = OpenHost(EditorW, EditorH);
    if (!i.Host) {
      ADD_FAILURE() << "no host window";
      return i;
    }
    XMoveWindow(Input, static_cast<::Window>(i.Host->Window()), Left, Top);
    XSync(Input, False);
    i.Effect = OpenEmbedded(*i.Host, E);
    return i;
  }
  // The share of the value box's pixels that show the in-place editor, read back from the server.
  static double EditShown(TX11TestHost& Host) {
    Host.Sync();
    const std::vector<uint32_t> px = Host.Grab(EditorW, EditorH);
    int grey = 0, all = 0;
    for (int y = BoxTop; y < BoxBottom; ++y)
      for (int x = BoxLeft; x < BoxRight; ++x, ++all) grey += px[static_cast<size_t>(y * EditorW + x)] == EditGrey;
    return static_cast<double>(grey) / all;
  }
  // Opens the in-place editor on I's value box (to be shown in I's window), types Key and End
  // (when given), and tells whether that changed I's state.
  bool EditValueBox(TInstance& I, KeySym Key, KeySym End) {
    const std::vector<uint8_t> before = Lib.GetChunk(I.Effect);
    Click(I.Host->Window(), BoxX, BoxY);
    Idle(I.Effect, 10);
    EXPECT_GT(EditShown(*I.Host), 0.5) << "the value editor is not in the window of the form it is on";
    Type({Key});
    if (End) Type({End});
    Idle(I.Effect, 10);
    return Lib.GetChunk(I.Effect) != before;
  }
  void CloseInstance(TInstance& I, bool EditorFirst) {
    if (EditorFirst) Lib.Dispatch(I.Effect, effEditClose);
    Lib.Close(I.Effect);
    I.Effect = nullptr;
  }
};

// What happens to A, whose value box was used, before B's value box is: kept, closed on the GUI
// thread, or freed from a worker thread of the host's while its GUI thread idles B; with A's
// editor closed first or still open. A may come from a second copy of the library, kept (and
// unloaded after B is closed) or unloaded with A's editor open.
enum TFate {
  fateKept,
  fateClosed,
  fateClosedWithEditorOpen,
  fateFreedOnAWorker,
  fateFreedOnAWorkerWithEditorOpen,
  fateCopyKept,
  fateCopyUnloadedWithEditorOpen
};

// Run under ThreadSanitizer in CI, for the worker's cases.
using HostInstancesConcurrency = HostInstances;

TEST_F(HostInstancesConcurrency, TheValueEditorFollowsTheFormItIsOn) {
  struct TCase {
    const char* Name;
    KeySym EndOfEdit;  // 0: the box is left open
    TFate Fate;
  };
  for (const TCase& c : {TCase{"Escape in A, then A's editor and A closed", XK_Escape, fateClosed},
                         TCase{"Enter in A, then A closed with its editor open", XK_Return, fateClosedWithEditorOpen},
                         TCase{"A's box left open, then A closed", 0, fateClosed},
                         TCase{"Enter in A, both kept", XK_Return, fateKept},
                         TCase{"Escape in A, A's editor closed, A freed on a worker", XK_Escape, fateFreedOnAWorker},
                         TCase{"Escape in A, A freed on a worker with its editor open", XK_Escape,
                               fateFreedOnAWorkerWithEditorOpen},
                         TCase{"A from a second copy of the library, Enter in A, both kept", XK_Return, fateCopyKept},
                         TCase{"A from a second copy of the library, Enter in A, A closed with its editor open and "
                               "the copy unloaded",
                               XK_Return, fateCopyUnloadedWithEditorOpen}}) {
    SCOPED_TRACE(c.Name);
    std::unique_ptr<TLibraryCopy> copy;
    if (c.Fate == fateCopyKept || c.Fate == fateCopyUnloadedWithEditorOpen) {
      copy = std::make_unique<TLibraryCopy>();
      ASSERT_NE(copy->Handle, nullptr) << dlerror();
    }
    TInstance a = Open(0, 0, copy ? copy->NewEffect() : nullptr), b = Open(BLeft, BTop);
    ASSERT_TRUE(a.Effect && b.Effect);
    Idle(b.Effect, 10);
    EXPECT_EQ(EditValueBox(a, XK_3, c.EndOfEdit), c.EndOfEdit == XK_Return) << "only Enter commits";
    const std::vector<uint8_t> aAfter = Lib.GetChunk(a.Effect);
    if (c.Fate == fateClosed || c.Fate == fateClosedWithEditorOpen) CloseInstance(a, c.Fate == fateClosed);
    if (c.Fate == fateCopyUnloadedWithEditorOpen) CloseInstance(a, false), copy.reset();
    if (c.Fate == fateFreedOnAWorker || c.Fate == fateFreedOnAWorkerWithEditorOpen) {
      if (c.Fate == fateFreedOnAWorker) Lib.Dispatch(a.Effect, effEditClose);
      std::atomic<bool> closed{false};
      std::thread worker([&] {
        Lib.Close(a.Effect);
        closed = true;
      });
      while (!closed) Idle(b.Effect, 1);
      worker.join();
      a.Effect = nullptr;
      Idle(b.Effect, 10);
      a.Host->Sync();
      EXPECT_EQ(a.Host->Grab(EditorW, EditorH)[300 * EditorW + 512], HostGreen)
          << "A's editor stayed on its host's window";
    }
    EXPECT_TRUE(EditValueBox(b, XK_2, XK_Return)) << "the value typed into B's box did not reach B";
    if (c.Fate == fateKept || c.Fate == fateCopyKept) {
      EXPECT_LT(EditShown(*a.Host), 0.1) << "the value editor stayed in A's window";
      EXPECT_EQ(Lib.GetChunk(a.Effect), aAfter) << "B's edit reached A";
      CloseInstance(a, true);
    }
    CloseInstance(b, true);
  }
}

// The library loaded, an editor opened and closed, the library unloaded, over and over, by the
// host-style program qzunload in a process of its own (this one keeps the library loaded). The
// big libraries it uses are loaded first and kept, as a host that uses them has them: what they
// keep for the process is theirs. The library's own residue is what is left per cycle; an
// instance a worker thread closed with its editor open is freed by the unloading.
TEST_F(HostInstances, LoadingAndUnloadingKeepsNothing) {
  for (const char* options : {"", " --close-on-worker"}) {
    SCOPED_TRACE(*options ? options : "editor closed first");
    FILE* out = popen((std::string(QZ_UNLOAD_TOOL " --preload --warm-up 3 --cycles 20") + options).c_str(), "r");
    ASSERT_NE(out, nullptr);
    std::string text;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, out)) text += buffer;
    const int status = pclose(out);
    ASSERT_TRUE(WIFEXITED(status)) << text;
    ASSERT_EQ(WEXITSTATUS(status), 0) << text;
    ASSERT_EQ(text.find("no editor"), std::string::npos) << "the cycles opened no editor: " << text;
#if defined(__SANITIZE_ADDRESS__)
    // The heap's count means nothing here; the leak checker looked instead.
    EXPECT_NE(text.find("no leaks"), std::string::npos) << text;
#else
    long long perCycle = -1;
    ASSERT_EQ(std::sscanf(text.c_str(), "heap growth per cycle: %lld", &perCycle), 1) << text;
    EXPECT_LE(perCycle, 20 * 1024) << text;
#endif
  }
}

}  // namespace
