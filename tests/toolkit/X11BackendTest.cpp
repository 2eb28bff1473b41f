// The X11 backend against a real X server: a private Xvfb started by the test.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "X11TestHost.h"
#include "platform/Clipbrd.h"
#include "platform/Forms.h"

namespace {

std::string FindXvfb() {
  for (const char* p : {"/usr/bin/Xvfb", "/usr/local/bin/Xvfb", "/bin/Xvfb"})
    if (access(p, X_OK) == 0) return p;
  return "";
}

// Runs Xvfb on the first free display number from 90 on; stops it when it goes. -noreset: the
// probe connection closing must not make the server regenerate under the next client.
class TXvfb {
public:
  bool Start(const std::string& Binary) {
    for (int n = 90; n < 140; ++n) {
      const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
      const std::string sock = "/tmp/.X11-unix/X" + std::to_string(n);
      struct stat st;
      if (stat(lock.c_str(), &st) == 0 || stat(sock.c_str(), &st) == 0) continue;
      Name = ":" + std::to_string(n);
      Pid = fork();
      if (Pid == 0) {
        execl(Binary.c_str(), Binary.c_str(), Name.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset",
              static_cast<char*>(nullptr));
        _exit(127);
      }
      for (int i = 0; i < 100; ++i) {
        if (TX11TestHost::Open(Name, 1, 1, 0)) return true;
        int status = 0;
        if (waitpid(Pid, &status, WNOHANG) == Pid) {
          Pid = -1;
          break;  // lost the race for this number: try the next
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      Stop();
    }
    return false;
  }
  void Stop() {
    if (Pid > 0) {
      kill(Pid, SIGTERM);
      waitpid(Pid, nullptr, 0);
      Pid = -1;
    }
  }
  ~TXvfb() { Stop(); }
  std::string Name;
  pid_t Pid = -1;
};

class TRedBox : public TCustomControl {
public:
  using TCustomControl::TCustomControl;

protected:
  void Paint() override {
    GetCanvas()->GetBrush()->SetColor(clRed);
    GetCanvas()->FillRect(GetClientRect());
  }
};


}  // namespace

TEST(X11Backend, EmbeddedFormPaintsIntoTheHostWindowAndServesTheClipboard) {
  const std::string xvfb = FindXvfb();
  if (xvfb.empty()) GTEST_SKIP() << "no Xvfb binary installed: the X11 backend is not tested";
  TXvfb server;
  ASSERT_TRUE(server.Start(xvfb)) << "Xvfb did not start";

  // The host: a window of its own on another connection.
  auto host = TX11TestHost::Open(server.Name, 400, 300, 0x00FF00);
  ASSERT_NE(host, nullptr);

  auto backend = QzCreateX11Backend(server.Name.c_str());
  ASSERT_NE(backend, nullptr);
  ASSERT_TRUE(QzSetWindowBackend(std::move(backend)));

  auto* form = new TForm(Application);
  form->SetBorderStyle(bsNone);
  form->SetClientSize(200, 100);
  form->SetColor(clBlue);
  auto* box = new TRedBox(form);
  box->SetBounds(50, 20, 40, 30);
  box->SetParent(form);
  form->SetParentWindow(host->Window());
  form->Show();
  for (int i = 0; i < 20; ++i) {
    Application->ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  host->Sync();
  const std::vector<uint32_t> px = host->Grab(400, 300);
  ASSERT_EQ(px.size(), 400u * 300u);
  auto at = [&](int x, int y) { return px[static_cast<size_t>(y) * 400 + static_cast<size_t>(x)]; };
  EXPECT_EQ(at(10, 10), 0x0000FFu);    // the form's colour (blue)
  EXPECT_EQ(at(60, 30), 0xFF0000u);    // the box (red)
  EXPECT_EQ(at(89, 49), 0xFF0000u);
  EXPECT_EQ(at(90, 50), 0x0000FFu);    // right and bottom edges excluded
  EXPECT_EQ(at(300, 200), 0x00FF00u);  // the host's own background beyond the form

  // The clipboard serves a picture of the form to another client as image/png.
  TBitmap shot;
  shot.SetSize(200, 100);
  shot.GetCanvas()->CopyRect(Rect(0, 0, 200, 100), form->GetCanvas(), Rect(0, 0, 200, 100));
  Clipboard()->Assign(&shot);
  host->RequestClipboard("image/png");
  bool answered = false;
  std::vector<uint8_t> bytes;
  std::string type;
  for (int i = 0; i < 200 && !answered; ++i) {
    Application->ProcessMessages();  // the owner answers from its pump
    answered = host->PollClipboard(bytes, type);
    if (!answered) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_TRUE(answered);
  EXPECT_EQ(type, "image/png");
  ASSERT_FALSE(bytes.empty());
  TPortableNetworkGraphic got;
  TMemoryStream s;
  s.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  s.SetPosition(0);
  got.LoadFromStream(&s);
  ASSERT_EQ(got.GetWidth(), 200);
  ASSERT_EQ(got.GetHeight(), 100);
  EXPECT_EQ(got.GetCanvas()->GetPixel(60, 30), clRed);
  EXPECT_EQ(got.GetCanvas()->GetPixel(10, 10), clBlue);

  // Text as well, asked for as UTF-8.
  Clipboard()->SetAsText("Gr\xC3\xBC\xC3\x9F" "e");
  host->RequestClipboard("UTF8_STRING");
  answered = false;
  for (int i = 0; i < 200 && !answered; ++i) {
    Application->ProcessMessages();
    answered = host->PollClipboard(bytes, type);
    if (!answered) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_TRUE(answered);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "Gr\xC3\xBC\xC3\x9F" "e");
  EXPECT_EQ(Clipboard()->GetAsText(), "Gr\xC3\xBC\xC3\x9F" "e");

  form->Free();
  EXPECT_EQ(QzNativeWindowCount(), 0);
  EXPECT_NE(QzUseOffscreenBackend(), nullptr);
}
