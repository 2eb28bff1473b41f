// The editor's life in a host's process as the X side of it comes and goes: threads that take
// over the GUI role, the editor's X client killed, the X server restarted, parents that do not
// exist, windows destroyed by other clients, a paste from a clipboard holder that answers late or
// not at all, a host that forks with the editor open, and the host's own X errors. The program's
// Xvfb is restarted here (the library opens a new connection whenever it has none); a test is
// skipped, with the reason, when none can be started.
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "X11HostFixture.h"

namespace {

class HostX11Lifecycle : public EditorInX11Host {
protected:
  // An embedded editor (of E, or of a new instance) opened, idled and checked on screen; closed
  // with its instance unless Keep.
  AEffect* OpenPainted(TX11TestHost& Host, AEffect* E = nullptr, bool Keep = false) {
    AEffect* e = OpenEmbedded(Host, E);
    if (!e) return nullptr;
    Idle(e, 20);
    ExpectPainted(Host);
    if (Keep) return e;
    Lib.Dispatch(e, effEditClose);
    Lib.Close(e);
    return nullptr;
  }
  static float Threshold(AEffect* E) {
    const std::vector<uint8_t> chunk = TPluginLibrary::GetChunk(E);
    float v = NAN;
    if (chunk.size() >= 136) std::memcpy(&v, &chunk[132], 4);
    return v;
  }

  const std::string Xvfb = FindXvfb();
  TXvfb& Server = TServer::Get().Xvfb;
};

// Host scenarios in which the editor's thread, connection or windows go away; every one ends
// with an editor that works (painted pixels read back from the server).
TEST_F(HostX11Lifecycle, EditorWorksAgainAfterWhatHostsAndUsersDo) {
  struct TRow {
    const char* Name;
    std::function<void()> Run;
  };
  const TRow rows[] = {
      {"an idle from a worker thread before any editor, then the GUI thread opens",
       [&] {
         AEffect* e = Lib.NewEffect();
         ASSERT_NE(e, nullptr);
         std::thread([e] { TPluginLibrary::Dispatch(e, effEditIdle); }).join();
         OpenPainted(*OpenHost(), e);
       }},
      {"the GUI thread replaced between editors",
       [&] {
         // The first thread lives on (the host keeps it for other work) while the second opens.
         auto host = OpenHost();
         std::promise<void> closed, done;
         std::thread first([&] {
           OpenPainted(*host);
           closed.set_value();
           done.get_future().wait();
         });
         closed.get_future().wait();
         std::thread([&] { OpenPainted(*host); }).join();
         done.set_value();
         first.join();
       }},
      {"the editor's X client killed from another connection, then a new effEditOpen",
       [&] {
         auto host = OpenHost();
         AEffect* e = OpenPainted(*host, nullptr, true);
         ASSERT_NE(e, nullptr);
         const std::vector<::Window> editor = ChildrenOf(host->Window());
         ASSERT_FALSE(editor.empty());
         XKillClient(Input, editor[0]);
         XSync(Input, False);
         Idle(e, 3);
         EXPECT_EQ(Lib.Dispatch(e, effEditClose), 1);
         OpenPainted(*OpenHost(), e);
       }},
      {"the X server restarted under an open editor, idled or not before effEditClose",
       [&] {
         for (const bool idleBetween : {true, false}) {
           std::unique_ptr<TX11TestHost> host = OpenHost();
           AEffect* e = OpenPainted(*host, nullptr, true);
           ASSERT_NE(e, nullptr);
           host.reset();
           XCloseDisplay(Input);
           Input = nullptr;
           ASSERT_TRUE(Server.Restart(Xvfb));
           setenv("DISPLAY", Server.Name.c_str(), 1);
           ConnectInput(Server.Name);
           if (idleBetween) Idle(e, 3);
           Lib.Dispatch(e, effEditClose);
           OpenPainted(*OpenHost(), e);
         }
       }},
      {"the host's window destroyed under the open editor, idled or not before effEditClose",
       [&] {
         for (const bool idleBetween : {true, false}) {
           auto host = OpenHost();
           AEffect* e = OpenPainted(*host, nullptr, true);
           ASSERT_NE(e, nullptr);
           host->DestroyWindow();
           if (idleBetween) Idle(e);
           EXPECT_EQ(Lib.Dispatch(e, effEditClose), 1);
           Idle(e, 3);
           OpenPainted(*OpenHost(), e);  // in the host's next window
         }
       }},
      {"the host moves the editor's window into another window and destroys the old one, idled or not between",
       [&] {
         for (const bool idleBetween : {true, false}) {
           auto old = OpenHost();
           AEffect* e = OpenPainted(*old, nullptr, true);
           ASSERT_NE(e, nullptr);
           const std::vector<::Window> editor = ChildrenOf(old->Window());
           ASSERT_EQ(editor.size(), 1u);
           auto moved = OpenHost();
           XReparentWindow(Input, editor[0], moved->Window(), 0, 0);
           XSync(Input, False);
           if (idleBetween) Idle(e, 3);
           old->DestroyWindow();
           Idle(e, 50);  // half a second
           ExpectPainted(*moved);
           EXPECT_EQ(ChildrenOf(moved->Window()), editor);
           EXPECT_EQ(Lib.Dispatch(e, effEditClose), 1);
           EXPECT_EQ(moved->ChildCount(), 0) << "the editor's window was left in the new container";
           OpenPainted(*moved, e);
         }
       }},
      {"the host's window unmapped and mapped, shrunk and grown, and moved into another of the host's windows",
       [&] {
         auto host = OpenHost();
         AEffect* e = OpenPainted(*host, nullptr, true);
         ASSERT_NE(e, nullptr);
         const ::Window w = static_cast<::Window>(host->Window());
         XUnmapWindow(Input, w), XSync(Input, False), Idle(e, 3);
         XMapWindow(Input, w), XSync(Input, False), Idle(e, 5);
         ExpectPainted(*host);
         XResizeWindow(Input, w, 100, 80), XSync(Input, False), Idle(e, 3);
         XResizeWindow(Input, w, HostW, HostH), XSync(Input, False), Idle(e, 5);
         ExpectPainted(*host);
         auto outer = OpenHost();
         XReparentWindow(Input, w, static_cast<::Window>(outer->Window()), 0, 0);
         XSync(Input, False), Idle(e, 5);
         ExpectPainted(*host);
         Lib.Dispatch(e, effEditClose);
         EXPECT_EQ(host->ChildCount(), 0);
         Lib.Close(e);
         host->DestroyWindow();  // before the window it now lives in
       }},
      {"the editor's client killed or the host's window destroyed, then opened again with no idle, closed or not",
       [&] {
         for (const bool kill : {true, false}) {
           for (const bool close : {true, false}) {
             SCOPED_TRACE(std::string(kill ? "killed" : "destroyed") + (close ? ", closed" : ""));
             auto host = OpenHost();
             AEffect* e = OpenPainted(*host, nullptr, true);
             ASSERT_NE(e, nullptr);
             if (kill) XKillClient(Input, ChildrenOf(host->Window()).at(0)), XSync(Input, False);
             else host->DestroyWindow();
             if (close) {
               EXPECT_EQ(Lib.Dispatch(e, effEditClose), 1);
             }
             OpenPainted(*OpenHost(), e);
           }
         }
       }},
      {"an instance closed with its editor open, then another thread opens an editor",
       [&] {
         auto host = OpenHost();
         AEffect* e = OpenPainted(*host, nullptr, true);
         ASSERT_NE(e, nullptr);
         Lib.Close(e);
         std::thread([&] { OpenPainted(*host); }).join();
       }},
      {"parents never created and already destroyed answer 0, then a good parent works; alone, and with "
       "another editor open (the failures and the good parent on one connection)",
       [&] {
         for (const bool another : {false, true}) {
           auto otherHost = OpenHost();
           AEffect* other = another ? OpenPainted(*otherHost, nullptr, true) : nullptr;
           auto host = OpenHost();
           auto gone = OpenHost();
           const uintptr_t destroyed = gone->Window();
           gone->DestroyWindow();
           const int roots = host->RootChildCount();
           AEffect* e = Lib.NewEffect();
           ASSERT_NE(e, nullptr);
           for (const uintptr_t bad : {uintptr_t{0x7FFFFF0}, destroyed}) {
             EXPECT_EQ(Lib.Dispatch(e, effEditOpen, 0, 0, reinterpret_cast<void*>(bad)), 0);
             Idle(e, 3);
             EXPECT_EQ(host->RootChildCount(), roots) << "a window was made";
             EXPECT_EQ(host->ChildCount(), 0);
           }
           OpenPainted(*host, e);
           if (other) Lib.Dispatch(other, effEditClose), Lib.Close(other);
         }
       }},
      {"direct call: the editor's own window destroyed by another client",
       [&] {
         void* object = Lib.CreateInstance(0, nullptr, nullptr);
         ASSERT_NE(object, nullptr);
         ASSERT_EQ(Lib.CallObject(10001, 0, object, nullptr), 1);
         IdleDirect(object, 20);
         std::vector<::Window> own = ClosableTopLevels();
         ASSERT_EQ(own.size(), 1u);
         XDestroyWindow(Input, own[0]);
         XSync(Input, False);
         IdleDirect(object, 3);
         EXPECT_EQ(Lib.CallObject(15007, 0, object, nullptr), 0);
         EXPECT_EQ(Lib.CallObject(10001, 0, object, nullptr), 1);
         IdleDirect(object, 20);
         EXPECT_EQ(Lib.CallObject(15007, 0, object, nullptr), 1);
         own = ClosableTopLevels();
         ASSERT_EQ(own.size(), 1u) << "no new window";
         int x, y;
         ::Window child;
         XTranslateCoordinates(Input, own[0], DefaultRootWindow(Input), 0, 0, &x, &y, &child);
         auto reader = TX11TestHost::Open(Server.Name, 1, 1, 0);
         EXPECT_GT(EditorColours(reader->GrabScreen(x, y, EditorW, EditorH), EditorW), 64u)
             << "the new window shows no artwork";
         Lib.CallObject(10004, 0, object, nullptr);
       }},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    row.Run();
  }
}

// A host that forks (to scan plug-ins, to start a helper) while the editor is open and its picture
// is on the clipboard: whatever the child does with the library and however it ends, the parent's
// editor keeps its connection. It repaints what another client drew over, and serves the
// clipboard.
TEST_F(HostX11Lifecycle, AForkedChildLeavesTheParentsConnectionAlone) {
  enum TEnd { EndAtOnce, EndByExit, EndByExec };  // _exit, exit (the library's destructors run), exec
  struct TRow {
    const char* Name;
    std::function<void(AEffect* Open, uintptr_t HostWindow)> Child;
    TEnd End;
  };
  const auto getRect = [](AEffect* E) {
    ERect* rect = nullptr;
    TPluginLibrary::Dispatch(E, effEditGetRect, 0, 0, &rect);
  };
  const TRow rows[] = {
      {"effEditGetRect of the open editor, then _exit", [&](AEffect* E, uintptr_t) { getRect(E); }, EndAtOnce},
      {"a new instance's effEditGetRect, as a scanner asks, then exit",
       [&](AEffect*, uintptr_t) {
         AEffect* e = Lib.NewEffect();
         Lib.Dispatch(e, effOpen), getRect(e), Lib.Close(e);
       },
       EndByExit},
      {"a new editor opened in the host's window and idled, its instance closed with it open, then exit",
       [&](AEffect*, uintptr_t Window) {
         AEffect* e = Lib.NewEffect();
         Lib.Dispatch(e, effOpen), getRect(e);
         Lib.Dispatch(e, effEditOpen, 0, 0, reinterpret_cast<void*>(Window));
         Idle(e, 3), Lib.Close(e);
       },
       EndByExit},
      {"the open editor idled and closed, then exec",
       [&](AEffect* E, uintptr_t) { Idle(E, 3), Lib.Dispatch(E, effEditClose); }, EndByExec},
      {"nothing, then exit", [](AEffect*, uintptr_t) {}, EndByExit},
      {"the library unloaded with the editor open, then _exit", [&](AEffect*, uintptr_t) { dlclose(Lib.Handle); },
       EndAtOnce},
  };
  auto host = OpenHost();
  AEffect* e = OpenPainted(*host, nullptr, true);
  ASSERT_NE(e, nullptr);
  Click(host->Window(), 500, 585);  // the status bar: the keyboard, nothing else
  Idle(e, 5);
  Type({XK_c}, XK_Control_L), Idle(e, 10);
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      row.Child(e, host->Window());
      Server.Pid = -1;  // the parent's server: the test program's destructors leave it alone here
      if (row.End == EndByExec) execl("/bin/true", "true", static_cast<char*>(nullptr));
      if (row.End == EndByExit) exit(0);
      _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child ended with " << status;
    // Another client draws black over the editor and has the server expose it.
    for (::Window w : ChildrenOf(host->Window())) {
      GC gc = XCreateGC(Input, w, 0, nullptr);
      XFillRectangle(Input, w, gc, 0, 0, EditorW, EditorH);
      XFreeGC(Input, gc);
      XClearArea(Input, w, 0, 0, 0, 0, True);
    }
    XSync(Input, False);
    EXPECT_LT(EditorColours(Shot(*host)), 4u);
    Idle(e, 10);
    ExpectPainted(*host);
    auto reader = OpenHost(10, 10);
    ASSERT_NE(reader, nullptr);
    reader->RequestClipboard("image/png");
    std::vector<uint8_t> png;
    std::string type;
    bool answered = false;
    for (int i = 0; i < 300 && !answered; ++i) answered = reader->PollClipboard(png, type), Idle(e, 1);
    EXPECT_TRUE(answered && type == "image/png" && png.size() > 1000) << "the clipboard's picture is lost";
  }
  Lib.Dispatch(e, effEditClose);
  Lib.Close(e);
}

// A direct-call host whose callback makes a request of its own fail (it maps a window that does
// not exist) and waits for the answer. The callback runs inside our pump, while our error handler
// stands in: the host's error must still reach the host's handler, once, and none of ours. The
// second time the callback puts in a handler of its own first, which must then stay the host's.
TEST_F(HostX11Lifecycle, TheHostsOwnErrorsReachItsHandlerFromInsideOurCalls) {
  static int newHandlerHeard = 0;
  struct THost {
    Display* Dpy;
    int Heard = 0;
    static int NewHandler(Display*, XErrorEvent*) { return ++newHandlerHeard, 0; }
    static intptr_t Callback(void*, void* Context, int32_t Opcode, int32_t, intptr_t) {
      auto* host = static_cast<THost*>(Context);
      if (Opcode != 15008) return 0;
      if (++host->Heard == 2) XSetErrorHandler(NewHandler);
      XMapWindow(host->Dpy, 0x7FFFFF0);
      XSync(host->Dpy, False);
      return 0;
    }
  } host{Input};
  newHandlerHeard = 0;
  void* object = Lib.CreateInstance(0, &host, reinterpret_cast<void*>(&THost::Callback));
  ASSERT_NE(object, nullptr);
  ASSERT_EQ(Lib.CallObject(10001, 0, object, nullptr), 1);  // its show is heard: the first error
  IdleDirect(object, 20);
  const std::vector<::Window> own = ClosableTopLevels();
  ASSERT_EQ(own.size(), 1u);
  SendCloseBox(Input, own[0]);  // heard from inside the pump that reads the close box
  IdleDirect(object, 10);
  ASSERT_EQ(host.Heard, 2);
  // One more of the host's own, after our calls: the handler it put in last hears it.
  XMapWindow(Input, 0x7FFFFF0);
  XSync(Input, False);
  EXPECT_EQ(TX11TestHost::ErrorsCounted(), 1) << "the host's first error did not reach its handler";
  EXPECT_EQ(newHandlerHeard, 2) << "the handler the host put in from its callback was not kept";
  // The handler the program had before the fixture's, then the fixture's again, counting from 0.
  TX11TestHost::CountErrors(false), TX11TestHost::CountErrors(true);
  Lib.CallObject(10004, 0, object, nullptr);
}

// Ctrl+V in the threshold's value box while the host holds the CLIPBOARD on its own connection,
// in the thread that idles the editor: the idle comes back with the request unanswered, the
// text lands when the answer comes on a later idle, and no more than the box holds is taken.
TEST_F(HostX11Lifecycle, PasteNeverWaitsForTheClipboardsHolder) {
  enum TAnswer { Never, Whole, InPieces };  // in pieces: the INCR protocol, first piece only
  struct TRow {
    const char* Name;
    TAnswer Answer;
    std::string Text;
    float Want;
    bool FreeOther = false;  // another instance's editor, never shown, freed while the paste waits
  };
  // The box holds 16 characters: what lies beyond them would make the text no number.
  std::string oversized = "-7,25" + std::string(11, '0');
  oversized.resize(8u << 20, ',');
  const TRow rows[] = {
      {"answered on a later idle", Whole, "-6,5", -6.5f},
      {"never answered", Never, "", -6.5f},
      {"8 MB answered, cut to the box", Whole, oversized, -7.25f},
      {"8 MB answered in pieces, the first cut to the box", InPieces, "-9,50" + oversized.substr(5, 256 * 1024),
       -9.5f},
      // The box takes 16 bytes: the euro sign in bytes 14 to 16 is cut off whole.
      {"a character across the box's limit", Whole, "-5,25" + std::string(9, ' ') + "\u20AC9", -5.25f},
      {"another control freed while the paste waits", Whole, "-6,75", -6.75f, true},
  };
  const Atom incr = XInternAtom(Input, "INCR", False);
  const Atom clipboard = XInternAtom(Input, "CLIPBOARD", False), utf8 = XInternAtom(Input, "UTF8_STRING", False);
  const ::Window holder = XCreateSimpleWindow(Input, DefaultRootWindow(Input), 0, 0, 1, 1, 0, 0, 0);
  auto host = OpenHost();
  AEffect* e = OpenPainted(*host, nullptr, true);
  ASSERT_NE(e, nullptr);
  ASSERT_EQ(Threshold(e), -3.0f);
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    XSetSelectionOwner(Input, clipboard, holder, CurrentTime);
    XSync(Input, False);
    Click(host->Window(), 845, 391);  // the threshold knob's value display opens the box
    Idle(e, 5);
    Type({XK_a}, XK_Control_L);
    Type({XK_v}, XK_Control_L);
    Idle(e, 5);
    // The idles returned, and the holder has not answered yet: the request is waiting here.
    XSync(Input, False);
    XEvent ev;
    ASSERT_TRUE(XCheckTypedWindowEvent(Input, holder, SelectionRequest, &ev)) << "the editor asked for nothing";
    const XSelectionRequestEvent request = ev.xselectionrequest;
    EXPECT_EQ(request.target, utf8);
    if (row.FreeOther) {
      AEffect* other = Lib.NewEffect();
      ERect* rect = nullptr;
      ASSERT_EQ(Lib.Dispatch(other, effEditGetRect, 0, 0, &rect), 1);
      Lib.Close(other);
    }
    const auto putText = [&] {
      XChangeProperty(Input, request.requestor, request.property, utf8, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(row.Text.data()), static_cast<int>(row.Text.size()));
    };
    if (row.Answer != Never) {
      const long size = 8 << 20;
      if (row.Answer == InPieces) {
        XSelectInput(Input, request.requestor, PropertyChangeMask);
        XChangeProperty(Input, request.requestor, request.property, incr, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&size), 1);
      } else {
        putText();
      }
      XSelectionEvent reply{SelectionNotify, 0, False, nullptr, request.requestor, request.selection,
                            request.target, request.property, request.time};
      XSendEvent(Input, request.requestor, False, 0, reinterpret_cast<XEvent*>(&reply));
      XSync(Input, False);
      Idle(e, 5);
      if (row.Answer == InPieces) {
        // The editor took the INCR notice (deleted it): the first piece follows.
        XSync(Input, False);
        bool asked = false;
        while (XCheckTypedWindowEvent(Input, request.requestor, PropertyNotify, &ev))
          asked = asked || (ev.xproperty.atom == request.property && ev.xproperty.state == PropertyDelete);
        ASSERT_TRUE(asked) << "the answer in pieces was not taken up";
        putText();
        XSync(Input, False);
        Idle(e, 5);
        XSelectInput(Input, request.requestor, NoEventMask);
      }
    }
    Type({XK_Return});
    Idle(e, 5);
    EXPECT_EQ(Threshold(e), row.Want);
  }
  Lib.Dispatch(e, effEditClose);
  Lib.Close(e);
  XDestroyWindow(Input, holder);
}
}  // namespace
