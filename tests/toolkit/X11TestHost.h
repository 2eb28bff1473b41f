// A minimal X client acting as the plug-in's host in the X11 tests. Kept apart from the
// toolkit's headers: Xlib's names (Screen, None ...) clash with the toolkit's.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <sys/types.h>

// File descriptors this process holds (for leak checks of repeated window work).
int OpenFileCount();

// The Xvfb binary, or "" when none is installed.
std::string FindXvfb();

// A private Xvfb for one test; stopped when it goes.
class TXvfb {
public:
  // Xvfb picks a free display number itself and writes it to a pipe (-displayfd), so tests
  // running side by side never race for the same number. -noreset: the probe connection
  // closing must not make the server regenerate under the next client.
  bool Start(const std::string& Binary);
  // The server's screen, as Xvfb's -screen option gives it, and more options (-cc 5: a
  // DirectColor default visual); set before Start.
  std::string Screen = "1280x1024x24";
  std::vector<std::string> Options;
  // Stops the server and starts a new one on the same display (an X server restarting). When
  // another program's server took the number meanwhile, the new one gets a free number (Name
  // changes): only the server that says it is ready is ever reached, never the other program's.
  bool Restart(const std::string& Binary);
  void Stop();
  ~TXvfb() { Stop(); }
  std::string Name;
  pid_t Pid = -1;

private:
  // Starts the server on Display (a free number when empty) and waits until it says it is ready
  // and a client reaches it.
  bool Serve(const std::string& Binary, const std::string& Display);
  // Starts the server with Display's arguments (CloseInChild closed in its process).
  bool Launch(const std::string& Binary, const std::vector<std::string>& Display, int CloseInChild);
  bool Reached();
};

class TX11TestHost {
public:
  // Connects and maps a Width x Height window with the background colour 0xRRGGBB.
  static std::unique_ptr<TX11TestHost> Open(const std::string& Display, int Width, int Height, uint32_t Background) {
    return Make(Display, Width, Height, Background, -1, 0);
  }
  // The same with a 32-bit ARGB visual (as compositing hosts use); nullptr when the server has
  // none.
  static std::unique_ptr<TX11TestHost> OpenArgb(const std::string& Display, int Width, int Height,
                                                 uint32_t Background) {
    return Make(Display, Width, Height, Background, 4, 32);
  }
  // The same with a 24-bit DirectColor visual (pixel values as TrueColor's, colours from a
  // colormap of its own); nullptr when the server has none.
  static std::unique_ptr<TX11TestHost> OpenDirectColor(const std::string& Display, int Width, int Height,
                                                       uint32_t Background) {
    return Make(Display, Width, Height, Background, 5, 24);
  }
  ~TX11TestHost();
  uintptr_t Window() const;
  void Sync();
  // 0xRRGGBB pixels of the window, row by row.
  std::vector<uint32_t> Grab(int Width, int Height);
  // Asks for the CLIPBOARD as Target; Poll answers True once the answer came (Data, TypeName
  // filled; Data empty when refused). Answers sent in pieces (INCR) are put together; Pieces
  // tells how many there were (0 for an answer in one go).
  void RequestClipboard(const std::string& Target);
  bool PollClipboard(std::vector<uint8_t>& Data, std::string& TypeName);
  int Pieces() const;
  // Another window's 32-bit property as numbers (empty when it has none).
  std::vector<long> Property32(uintptr_t Window, const std::string& Name);
  bool OverrideRedirect(uintptr_t Window);
  // 0xRRGGBB pixels of a screen rectangle, row by row.
  std::vector<uint32_t> GrabScreen(int X, int Y, int Width, int Height);
  // True when this client could grab the pointer (someone else holds no grab); lets go at once.
  bool PointerFree();
  // Binds a spare key code to Keysym and sends its press and release to Window.
  void SendKey(uintptr_t Window, unsigned long Keysym);
  // Sends a button press and release (button 1) at a point of Window.
  void SendClick(uintptr_t Window, int X, int Y);
  // The keyboard focus: who has it, and giving it to the host's window.
  uintptr_t FocusWindow();
  void TakeFocus();
  // Destroys the host's window (and with it every window embedded in it).
  void DestroyWindow();
  // Stands in for a host's own X error handler: counts the errors that reach it, where Xlib's
  // default handler would end the process. Off puts back the handler it replaced.
  static void CountErrors(bool On);
  static int ErrorsCounted();
  // Windows below the host's window, and below the root.
  int ChildCount();
  int RootChildCount();
  // "name/class" of the first window below the host's window that carries a class hint; "" when
  // none does.
  std::string ChildClassHint();

private:
  // VisualClass as X numbers it (TrueColor 4, DirectColor 5), -1 for the parent's visual.
  static std::unique_ptr<TX11TestHost> Make(const std::string& Display, int Width, int Height, uint32_t Background,
                                            int VisualClass, int Depth);
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
};
