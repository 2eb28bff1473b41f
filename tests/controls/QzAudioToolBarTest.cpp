#include "tests/controls/AudioFormTest.h"

namespace {
constexpr int BarW = 500, BarH = 45;

// A manager that records what the bar asks of it and answers with a prepared preset.
struct TRecordingManager : TQzCustomAudioPresetManager {
  using TQzCustomAudioPresetManager::TQzCustomAudioPresetManager;
  void AddPreset(int32_t X, int32_t Y, TStream* Stream) override {
    Point = {X, Y};
    Added.resize(static_cast<size_t>(Stream->GetSize() - Stream->GetPosition()));
    if (!Added.empty()) Stream->Read(Added.data(), static_cast<int32_t>(Added.size()));
  }
  bool SelectPreset(int32_t X, int32_t Y, int32_t Width, int32_t Height, TStream* Stream) override {
    Point = {X, Y};
    Size = {Width, Height};
    if (!Answer.empty()) Stream->Write(Answer.data(), static_cast<int32_t>(Answer.size()));
    return Choose;
  }
  TPoint Point{-1, -1}, Size{-1, -1};
  std::string Added, Answer;
  bool Choose = false;
};

struct TToolBarTest : AudioFormTest {
  void SetUp() override {
    AudioFormTest::SetUp();
    Form->SetClientSize(600, 200);
    Bar = Put<TQzAudioPluginToolBar>(20, 10, BarW, BarH);
    Bar->SetVisibleButtons({ptbReset, ptbAbout}), Bar->SetOptions({tboShowPresetCompare});
    // The effect: one text that the slots store and restore whole.
    Bar->OnGetPreset = [this](TObject*, TStream* S) {
      ++Gets;
      S->Write(State.data(), static_cast<int32_t>(State.size()));
    };
    Bar->OnSetPreset = [this](TObject*, TStream* S) {
      ++Sets;
      EXPECT_EQ(S->GetPosition(), 0);
      State.assign(static_cast<size_t>(S->GetSize()), '\0');
      S->Read(State.data(), static_cast<int32_t>(State.size()));
    };
    Bar->OnBtnClick = [this](TObject*, TQzAudioPluginToolBarButton B) { Clicked.push_back(B); };
    Bar->OnActiveChanged = [this](TObject*) { ++ActiveReports; };
    Show();
  }
  void Click(int X, int Y) {
    Bar->MouseDown(mbLeft, {}, X, Y);
    Bar->MouseUp(mbLeft, {}, X, Y);
  }
  void ClickSlot(int Slot) { Click(BarH * (Slot + 1) + BarH / 2, BarH / 2); }
  TQzAudioPluginToolBar* Bar = nullptr;
  std::string State = "one";
  int Gets = 0, Sets = 0, ActiveReports = 0;
  std::vector<TQzAudioPluginToolBarButton> Clicked;
};

constexpr int StatusX = 10, StatusY = 20, StatusW = 400, StatusH = 30;

struct TStatusBarTest : UiFormTest {
  void SetUp() override {
    UiFormTest::SetUp();
    Form->SetClientSize(420, 80);
    Bar = Put<TQzAudioPluginStatusBar>(StatusX, StatusY, StatusW, StatusH);
    Bar->SetColor(RGB(40, 60, 120));
    Show();
  }
  TColor Pixel(int X, int Y) const { return ScreenPixel(StatusX + X, StatusY + Y); }
  // White text pixels inside the bar between columns From and To (frame left out).
  int WhitePixels(int From, int To) const {
    int n = 0;
    for (int y = 1; y < StatusH - 1; ++y)
      for (int x = From; x < To; ++x) n += Pixel(x, y) == clWhite;
    return n;
  }
  TQzAudioPluginStatusBar* Bar = nullptr;
};
}  // namespace

TEST_F(TToolBarTest, GeometryFollowsHeightPaddingAndButtons) {
  struct TCase { int Padding; TQzAudioPluginToolBarButtons Buttons; TQzAudioPluginToolBarOptions Options;
                 TRect Switch, Slot1, Reset, About, Preset; };
  const std::vector<TCase> cases = {
      {3, {ptbReset, ptbAbout}, {}, Rect(3, 3, 42, 42), Rect(93, 3, 132, 42), Rect(413, 3, 452, 42),
       Rect(458, 3, 497, 42), Rect(51, 2, 400, 43)},
      // Reset stands left of every visible button with a higher ordinal.
      {0, {ptbAddPreset, ptbReset, ptbHelp, ptbAbout}, {tboShowPresetCompare}, Rect(0, 0, 45, 45),
       Rect(90, 0, 135, 45), Rect(365, 0, 410, 45), Rect(455, 0, 500, 45), Rect(186, 2, 310, 43)},
  };
  for (const TCase& c : cases) {
    Bar->SetPadding(c.Padding), Bar->SetVisibleButtons(c.Buttons), Bar->SetOptions(c.Options);
    EXPECT_EQ((std::vector{Bar->GetSwitchRect(), Bar->GetCompareSlotRect(1), Bar->GetButtonRect(ptbReset),
                           Bar->GetButtonRect(ptbAbout), Bar->GetPresetSelectRect()}),
              (std::vector{c.Switch, c.Slot1, c.Reset, c.About, c.Preset}))
        << c.Padding;
  }
}

// A press on every pixel of the bar reaches only a part that is drawn there.
TEST_F(TToolBarTest, EveryPixelHitsOnlyDrawnParts) {
  struct TCase { const char* Name; TQzAudioPluginToolBarOptions Options; bool Active; };
  const std::vector<TCase> cases = {
      {"compare slots shown", {tboShowPresetCompare}, true}, {"compare slots hidden", {}, true},
      {"switched off", {tboShowPresetCompare}, false},
  };
  for (const TCase& c : cases) {
    Bar->SetOptions(c.Options);
    const bool slots = c.Options.Contains(tboShowPresetCompare) && c.Active;
    int wrong = 0;
    for (int y = 0; y < BarH; ++y)
      for (int x = 0; x < BarW; ++x) {
        Bar->SetActive(c.Active);
        const int slot = x / BarH - 1;
        std::string expected = "none";
        if (x < BarH) expected = "switch";
        else if (slots && slot >= 0 && slot < 3) expected = "slot " + std::to_string(slot);
        else if (c.Active && x >= BarW - BarH) expected = "about";
        else if (c.Active && x >= BarW - 2 * BarH) expected = "reset";
        const int reports = ActiveReports, gets = Gets;
        Clicked.clear();
        const int32_t before = Bar->GetCurrentSlot();
        Click(x, y);
        std::string got = "none";
        if (ActiveReports != reports) got = "switch";
        else if (Gets != gets) got = "slot " + std::to_string(Bar->GetCurrentSlot());
        else if (Clicked.size() == 1) got = Clicked[0] == ptbAbout ? "about" : (Clicked[0] == ptbReset ? "reset" : "?");
        if (got != expected && ++wrong < 5)
          ADD_FAILURE() << c.Name << " at " << x << "," << y << ": " << got << ", expected " << expected;
        if (got == "none") {
          EXPECT_EQ(Bar->GetCurrentSlot(), before);
        }
      }
    EXPECT_EQ(wrong, 0) << c.Name;
  }
  // Slots 3 and 4 are never drawn, so their streams stay untouched.
  EXPECT_TRUE(Bar->GetSlotStream(3)->GetSize() == 0 && Bar->GetSlotStream(4)->GetSize() == 0);
}

// Each step clicks a slot after the effect's state was set to Edit; afterwards the effect
// holds Expected and OnSetPreset has run Loads times in all.
TEST_F(TToolBarTest, CompareSlotsRoundTrip) {
  struct TStep { int Slot; const char* Edit; const char* Expected; int Loads; };
  const std::vector<TStep> steps = {
      {1, "one", "one", 0},      // a fresh slot copies the present state, loads nothing
      {0, "two", "one", 1},      // B keeps "two", A restores "one"
      {1, "one-b", "two", 2},    // A keeps "one-b"
      {1, "three", "three", 3},  // the current slot: stored and loaded straight back
      {0, "three", "one-b", 4},
      {2, "four", "four", 4},    // C was empty
      {1, "four", "three", 5},
  };
  for (const TStep& s : steps) {
    State = s.Edit;
    ClickSlot(s.Slot);
    EXPECT_EQ(std::tuple(Bar->GetCurrentSlot(), State, Sets), std::tuple(s.Slot, s.Expected, s.Loads))
        << "after slot " << s.Slot;
  }
  // Without a way to read the state, an empty slot still loads nothing.
  Bar->OnGetPreset = nullptr;
  State = "kept";
  Bar->GetSlotStream(0)->Clear();
  ClickSlot(0);
  EXPECT_EQ(std::tuple(State, Sets), std::tuple(std::string("kept"), 5));
}

TEST_F(TToolBarTest, PowerReportsEveryChangeAfterTheNeighboursFollow) {
  auto* audio = Put<TQzCustomAudioWinControl>(0, 0, 10, 10);
  auto* plain = Put<TQzCustomWinControl>(0, 0, 10, 10);
  auto* power = Put<TQzAudioSwitchControl>(0, 0, 10, 10);
  // "active, audio, power, plain, bar" enabled, and the reports so far.
  const auto states = [&] {
    std::string s;
    for (bool b : {Bar->GetActive(), audio->GetEnabled(), power->GetEnabled(), plain->GetEnabled(), Bar->GetEnabled()})
      s += b ? '1' : '0';
    return s + " " + std::to_string(ActiveReports);
  };
  // What the handler finds: the neighbours already follow the new state.
  std::string seen;
  Bar->OnActiveChanged = [&](TObject*) { ++ActiveReports, seen = states(); };
  Bar->SetActive(false), Bar->SetActive(false);  // from code, as the editor's refresh does
  EXPECT_EQ(std::tuple(states(), seen), std::tuple("00011 1", "00011 1"));
  // Switched off: slots, buttons and window drags are inert.
  Bar->SetOptions({tboShowPresetCompare, tboMoveWindow});
  auto drag = [&] {
    const int left = Form->GetLeft();
    Bar->MouseDown(mbLeft, {}, 300, 20);
    Bar->MouseMove({ssLeft}, 310, 20);
    Bar->MouseUp(mbLeft, {}, 310, 20);
    return Form->GetLeft() - left;
  };
  ClickSlot(1);
  Click(BarW - 5, 5);
  EXPECT_EQ(std::tuple(Gets + Sets, Clicked.size()), std::tuple(0, 0u));
  EXPECT_EQ(drag(), 0);
  Click(BarH / 2, BarH / 2);  // the user's click on the switch
  EXPECT_EQ(std::tuple(states(), seen), std::tuple("11111 2", "11111 2"));
  EXPECT_EQ(drag(), 10);
  // The bar has no keys: Space, even with the focus on the bar, passes on and switches nothing.
  Bar->SetTabStop(true), Bar->SetFocus(), Key(VK_SPACE);
  uint16_t key = VK_SPACE;
  Bar->KeyDown(key, {});
  EXPECT_EQ(std::tuple(states(), key), std::tuple("11111 2", VK_SPACE));
  Click(BarH / 2, BarH / 2);
  EXPECT_EQ(states(), "00011 3");
  Bar->SetEnabled(false);  // a disabled bar ignores even the switch
  Click(BarH / 2, BarH / 2);
  EXPECT_EQ(states(), "00010 3");
}

TEST_F(TToolBarTest, ButtonsReachTheManagerOrOnBtnClick) {
  Bar->SetVisibleButtons({ptbAddPreset, ptbDeletePreset, ptbReset});
  auto click = [&](TQzAudioPluginToolBarButton B) {
    const TRect r = Bar->GetButtonRect(B);
    Click(r.Left + 1, r.Top + 1);
  };
  // The point just below the bar, in screen coordinates, counted once from the form.
  const TPoint below = Form->ClientToScreen(TPoint{Bar->GetLeft(), Bar->GetTop() + BarH});
  click(ptbAddPreset);  // no manager: the owner hears it
  EXPECT_EQ(Clicked, std::vector{ptbAddPreset});
  auto* manager = new TRecordingManager(Form);
  Bar->SetPresetManager(manager);
  Clicked.clear();
  State = "current";
  click(ptbAddPreset);
  EXPECT_EQ(std::tuple(manager->Added, manager->Point, Clicked.size()),
            std::tuple(std::string("current"), TPoint{below.X + 250, below.Y}, 0u));
  struct TCase { bool Choose; std::string Answer; std::string Expected; };
  // A chosen preset reaches OnSetPreset rewound, whatever the chooser wrote: even nothing.
  const std::vector<TCase> cases = {{false, "x", "current"}, {true, "", ""}, {true, "chosen", "chosen"}};
  for (const TCase& c : cases) {
    manager->Choose = c.Choose, manager->Answer = c.Answer;
    click(ptbDeletePreset);
    EXPECT_EQ(State, c.Expected);
  }
  EXPECT_EQ(Sets, 2);
  const TRect area = Bar->GetPresetSelectRect();
  EXPECT_EQ(std::tuple(manager->Point, manager->Size),
            std::tuple(TPoint{below.X + area.Left, below.Y}, TPoint{area.Right - area.Left, 350}));
  delete manager;  // the bar lets go of a manager that is freed
  EXPECT_EQ(Bar->GetPresetManager(), nullptr);
  click(ptbAddPreset);
  EXPECT_EQ(Clicked, std::vector{ptbAddPreset});
}

TEST_F(TStatusBarTest, TextsLeftAndRightOverABackgroundCopy) {
  struct TCase { std::string Product, Vendor; bool Left, Right; };
  const std::vector<TCase> cases = {{"", "", false, false}, {"Equaliser", "", true, false}, {"", "Maker", false, true},
                                    {"Equaliser", "Maker", true, true}, {"Equaliser", "Maker", true, true}};
  for (const TCase& c : cases) {
    Bar->SetProductName(c.Product), Bar->SetVendor(c.Vendor), Pump();
    // Ten pixels of margin stay free of text at each side.
    EXPECT_EQ(std::tuple(WhitePixels(1, StatusW / 2) > 0, WhitePixels(StatusW / 2, StatusW - 1) > 0,
                         WhitePixels(1, 10) + WhitePixels(StatusW - 10, StatusW - 1)),
              std::tuple(c.Left, c.Right, 0))
        << c.Product << "|" << c.Vendor;
    // The same texts again mark nothing for painting.
    Bar->SetProductName(c.Product), Bar->SetVendor(c.Vendor);
    EXPECT_TRUE(QzIsRectEmpty(Form->GetInvalidRect()));
  }
  // Without a picture the background is the gradient, darker at the top; a picture is a copy.
  const TColor top = Pixel(200, 1), bottom = Pixel(200, StatusH - 2);
  EXPECT_LT(GetRValue(top) + GetGValue(top) + GetBValue(top),
            GetRValue(bottom) + GetGValue(bottom) + GetBValue(bottom));
  auto source = FilledBitmap(4, 4, RGB(0, 200, 0));
  Bar->SetBackground(source.get()), Pump();
  EXPECT_EQ(Pixel(200, StatusH / 2), RGB(0, 200, 0));
  source->GetCanvas()->GetBrush()->SetColor(RGB(200, 0, 0));
  source->GetCanvas()->FillRect(Rect(0, 0, 4, 4)), Pump();
  EXPECT_EQ(Pixel(200, StatusH / 2), RGB(0, 200, 0)) << "the bar keeps its own copy";
  // Drawing on the bar's own copy shows without anyone asking for a paint.
  Bar->GetBackground()->GetCanvas()->GetBrush()->SetColor(RGB(0, 0, 200));
  Bar->GetBackground()->GetCanvas()->FillRect(Rect(0, 0, 4, 4));
  EXPECT_EQ(Pixel(200, StatusH / 2), RGB(0, 0, 200));
  Bar->SetBackground(nullptr), Pump();
  EXPECT_EQ(Pixel(200, 1), top);
  EXPECT_FALSE(Bar->LoadBackgroundResource("NO SUCH PICTURE") || Bar->HasBackground());
}

// The button under the mouse draws its image plainly, every other one in the list's selected
// style, whatever style the list itself holds.
TEST_F(TToolBarTest, ButtonsAwayFromTheMouseDrawInTheSelectedStyle) {
  auto* images = QzCreate<TImageList>(Form);
  images->SetSize(8, 8), images->Add(FilledBitmap(8, 8, RGB(200, 30, 30)).get());
  const auto styled = [&](TDrawingStyle Style) {
    TBitmap b;
    b.SetSize(8, 8);
    images->Draw(b.GetCanvas(), 0, 0, 0, Style, itImage, true);
    return b.GetCanvas()->GetPixel(4, 4);
  };
  Bar->SetImages(images);
  Bar->OnGetImageIndex = [](TObject*, TQzAudioPluginToolBarButton) { return 0; };
  const TRect r = Bar->GetButtonRect(ptbReset);
  const TPoint c{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  for (const TDrawingStyle listStyle : {dsNormal, dsSelected}) {
    images->SetDrawingStyle(listStyle);
    Bar->MouseMove({}, 1, 1), Repaint(Bar);
    EXPECT_EQ(ScreenPixel(20 + c.X, 10 + c.Y), styled(dsSelected));
    Bar->MouseMove({}, c.X, c.Y), Repaint(Bar);
    EXPECT_EQ(Bar->GetHotButton(), ptbReset);
    EXPECT_EQ(ScreenPixel(20 + c.X, 10 + c.Y), styled(dsNormal));
  }
  EXPECT_NE(styled(dsSelected), styled(dsNormal));
}
