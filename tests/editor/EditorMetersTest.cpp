// The meter timer: the meters follow the limited output, channel by channel, and hold while the
// plug-in suspends its meters (whose peaks then wait for the next reading).
#include "EditorFixture.h"

namespace {

class TSuspendablePlugin : public TQzAudioEffectPlugin {
public:
  bool MetersSuspended() override { return Suspended; }
  bool Suspended = false;
};

TEST_F(EditorTest, MetersFollowTheOutputAndHoldWhileSuspended) {
  QzRegisterEffectEditorFactory(QzCreateEffectEditor);
  TSuspendablePlugin p;
  TQzAudioEffectGUIForm* f = QzEffectEditorForm(p.GetEditor());
  ASSERT_NE(f, nullptr);
  f->Show();
  std::vector<float> l(512), r(512);
  float* io[2] = {l.data(), r.data()};
  // Left at Level, right silent.
  auto block = [&](float Level) {
    for (size_t i = 0; i < l.size(); ++i) l[i] = (i & 1) ? Level : -Level, r[i] = 0.0f;
    p.ProcessReplacing(io, io, 512, 0, 0);
  };
  auto tick = [&] { Backend->AdvanceClock(10), Application->ProcessMessages(); };
  p.Suspended = true;
  block(0.5f);
  const float peak = p.GetLimiterMeter(2);
  tick();
  // Not read, not reset.
  EXPECT_EQ(std::tuple(f->MeterL->GetVolume(), p.GetLimiterMeter(2)),
            std::tuple(TQzCustomAudioVUMeter::MinVolume, peak));
  p.Suspended = false;
  tick();
  ASSERT_GT(peak, TQzCustomAudioVUMeter::MinVolume);
  EXPECT_FLOAT_EQ(f->MeterL->GetVolume(), peak);
  EXPECT_EQ(f->MeterR->GetVolume(), TQzCustomAudioVUMeter::MinVolume);
  EXPECT_NE(p.GetLimiterMeter(2), peak);  // read and reset in one step
  // Switched off, the meters show nothing new.
  p.SetActive(false);
  p.EditorIdle();
  EXPECT_FALSE(f->MeterL->GetEnabled() || f->MeterR->GetEnabled());
}

}  // namespace
