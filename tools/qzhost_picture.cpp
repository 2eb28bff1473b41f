#include "qzhost_picture.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "engine/QzAudioPluginObject.h"
#include "platform/Forms.h"
#include "platform/Graphics.h"
#include "platform/WindowBackend.h"
#include "plugin/QzPluginEntries.h"

bool QzHostWritePng(const std::string& File, int Width, int Height, const std::vector<uint32_t>& Pixels) {
  if (Width < 1 || Height < 1 || Pixels.size() != static_cast<size_t>(Width) * static_cast<size_t>(Height))
    return false;
  try {
    TPortableNetworkGraphic png;
    png.SetPixelFormat(pf24bit);
    png.SetSize(Width, Height);
    png.BeginUpdate();
    for (int y = 0; y < Height; ++y) {
      uint8_t* row = png.GetScanLine(y);
      for (int x = 0; x < Width; ++x) {
        const uint32_t p = Pixels[static_cast<size_t>(y) * static_cast<size_t>(Width) + static_cast<size_t>(x)];
        row[x * 3 + 0] = static_cast<uint8_t>(p);
        row[x * 3 + 1] = static_cast<uint8_t>(p >> 8);
        row[x * 3 + 2] = static_cast<uint8_t>(p >> 16);
      }
    }
    png.EndUpdate();
    png.SaveToFile(File);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void QzHostFillSignal(float* L, float* R, int Frames, int64_t Start, int SampleRate) {
  for (int i = 0; i < Frames; ++i) {
    const double t = static_cast<double>(Start + i) / SampleRate;
    const double level = 0.15 + 0.8 * std::fabs(std::sin(2.0 * M_PI * t));
    L[i] = static_cast<float>(level * std::sin(2.0 * M_PI * 220.0 * t));
    R[i] = static_cast<float>(level * 0.7 * std::sin(2.0 * M_PI * 330.0 * t));
  }
}

namespace {
constexpr int Rate = 48000, Block = 480;  // 10 ms, one meter tick

// The largest window the editor presented something in.
const TQzOffscreenWindow* EditorWindow(const TQzOffscreenBackend& Backend) {
  const TQzOffscreenWindow* best = nullptr;
  for (const TQzOffscreenWindow* w : Backend.Windows()) {
    if (w->PresentCount() == 0) continue;
    const auto area = [](const TQzOffscreenWindow* v) {
      return static_cast<int64_t>(v->Params().Width) * v->Params().Height;
    };
    if (!best || area(w) > area(best)) best = w;
  }
  return best;
}

// The editor's pixels as 0xRRGGBB.
void ReadPixels(const TQzOffscreenWindow& Window, int& Width, int& Height, std::vector<uint32_t>& Pixels) {
  const TBitmap* s = Window.Screen();
  Width = s->GetWidth(), Height = s->GetHeight();
  Pixels.resize(static_cast<size_t>(Width) * static_cast<size_t>(Height));
  for (int y = 0; y < Height; ++y) {
    const uint8_t* row = s->GetScanLine(y);
    for (int x = 0; x < Width; ++x)
      Pixels[static_cast<size_t>(y) * static_cast<size_t>(Width) + static_cast<size_t>(x)] =
          static_cast<uint32_t>(row[x * 4 + 2]) << 16 | static_cast<uint32_t>(row[x * 4 + 1]) << 8 | row[x * 4];
  }
}
}  // namespace

bool QzHostOffscreenEditorPicture(bool Direct, const std::vector<uint8_t>& State, int& Width, int& Height, std::vector<uint32_t>& Pixels,
                                  std::string& Error) {
  QzStartLibrary();
  TQzOffscreenBackend* backend = QzUseOffscreenBackend();
  if (!backend) {
    QzStopLibrary();
    Error = "the toolkit's off-screen window system could not be installed";
    return false;
  }
  std::vector<float> l(Block), r(Block), ol(Block), or_(Block);
  float* in[2] = {l.data(), r.data()};
  float* out[2] = {ol.data(), or_.data()};
  AEffect* effect = nullptr;
  void* object = nullptr;
  bool shown = false;
  if (Direct) {
    object = QzCreateInstanceEntry(nullptr, nullptr);
    if (object) {
      QzCallObjectEntry(13002, Rate, object, nullptr);
      std::vector<uint8_t> copy = State;
      if (!copy.empty()) QzCallObjectEntry(16004, static_cast<int32_t>(copy.size()), object, copy.data());
      shown = QzCallObjectEntry(10001, 0, object, nullptr) == 1;
    }
  } else if ((effect = QzVstEntry())) {
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(Rate));
    effect->dispatcher(effect, effSetBlockSize, 0, Block, nullptr, 0.0f);
    effect->dispatcher(effect, effStartProcess, 0, 0, nullptr, 0.0f);
    std::vector<uint8_t> copy = State;
    if (!copy.empty())
      effect->dispatcher(effect, effSetChunk, 0, static_cast<intptr_t>(copy.size()), copy.data(), 0.0f);
    ERect* rect = nullptr;
    effect->dispatcher(effect, effEditGetRect, 0, 0, &rect, 0.0f);
    // The off-screen window system takes any number for the host's window.
    shown = effect->dispatcher(effect, effEditOpen, 0, 0, reinterpret_cast<void*>(uintptr_t{1}), 0.0f) == 1;
  }
  if (!effect && !object) Error = "the plug-in could not be created";
  else if (!shown) Error = "the plug-in opened no editor";
  else {
    // One second of audio and of the editor's 10 ms meter timer, in steps of one block.
    for (int64_t i = 0; i < 100; ++i) {
      QzHostFillSignal(l.data(), r.data(), Block, i * Block, Rate);
      if (effect) effect->processReplacing(effect, in, out, Block);
      else QzProcessAudioEntry(object, in, out, Block, 0, 0);
      backend->AdvanceClock(10);
      if (effect) effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);
      else QzCallObjectEntry(15007, 0, object, nullptr);
    }
    if (const TQzOffscreenWindow* w = EditorWindow(*backend)) ReadPixels(*w, Width, Height, Pixels);
    else Error = "the editor showed nothing";
  }
  if (effect) {
    if (shown) effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  }
  if (object) QzCallObjectEntry(10004, 0, object, nullptr);
  Application->ProcessMessages();
  QzResetWindowBackend();
  QzStopLibrary();
  return Error.empty();
}
