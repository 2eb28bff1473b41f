// The editor window through the library's entries: its size and placement, the host's editor
// requests, its notifications, the clipboard copy and the close box.
#include <cstdlib>

#include "EditorFixture.h"
#include "platform/Clipbrd.h"

namespace {

TEST_F(EditorTest, VstSizeBeforeAndAfterOpenAndScreenshot) {
  AEffect* e = NewVst();
  ERect* rect = nullptr;
  ASSERT_EQ(Vst(e, effEditGetRect, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  const int w = rect->right - rect->left, h = rect->bottom - rect->top;
  TQzAudioEffectGUIForm* f = OpenVstEditor(e);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->GetClientWidth(), 1024);
  EXPECT_EQ(f->GetClientHeight(), 595);
  EXPECT_EQ(w, f->GetWidth());
  EXPECT_EQ(h, f->GetHeight());
  ASSERT_EQ(Vst(e, effEditGetRect, 0, &rect), 1);
  EXPECT_EQ(rect->right - rect->left, w);
  EXPECT_EQ(rect->bottom - rect->top, h);
  EXPECT_TRUE(f->GetVisible());
  EXPECT_EQ(f->GetLeft(), 0);
  EXPECT_EQ(f->GetTop(), 0);
  Idle(e);
  const TBitmap* screen = Backend->Screen(Win(f));
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(screen->GetWidth(), 1024);
  EXPECT_EQ(screen->GetHeight(), 595);
  // For a look at the editor as it is drawn.
  TBitmap copy;
  copy.Assign(const_cast<TBitmap*>(screen));
  TPicture picture;
  picture.Assign(&copy);
  picture.SaveToFile("/tmp/editor.png");

  EXPECT_EQ(Vst(e, effEditClose), 1);
  EXPECT_FALSE(f->GetVisible());
}

}  // namespace
