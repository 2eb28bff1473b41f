// A minimal X client acting as the plug-in's host in the X11 tests. Kept apart from the
// toolkit's headers: Xlib's names (Screen, None ...) clash with the toolkit's.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TX11TestHost {
public:
  // Connects and maps a Width x Height window with the background colour 0xRRGGBB.
  static std::unique_ptr<TX11TestHost> Open(const std::string& Display, int Width, int Height, uint32_t Background);
  ~TX11TestHost();
  uintptr_t Window() const;
  void Sync();
  // 0xRRGGBB pixels of the window, row by row.
  std::vector<uint32_t> Grab(int Width, int Height);
  // Asks for the CLIPBOARD as Target; Poll answers True once the answer came (Data, TypeName
  // filled; Data empty when refused).
  void RequestClipboard(const std::string& Target);
  bool PollClipboard(std::vector<uint8_t>& Data, std::string& TypeName);

private:
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
};
