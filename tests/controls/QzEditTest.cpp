// The edit and the value edit through their public interface: defaults, typing and pasting
// through the filters, keys and undo, the value edit's number rules, scrolling with the caret,
// the one system caret, and a random session of keys and pastes that must keep the invariants.
#include <limits>
#include <random>
#include <type_traits>

#include "tests/ui/UiTestForm.h"

namespace {

class QzEditTest : public UiFormTest {
protected:
  template <class T = TQzEdit>
  T* Make(const std::string& Text = "") {
    auto* e = QzCreate<T>(Form);
    e->SetBounds(100, 20, 120, 25), e->SetParent(Form);
    if (!Text.empty() || std::is_same_v<T, TQzEdit>) e->SetEditText(Text);
    e->OnChanged = [this](TObject*) { ++Changes; };
    return e;
  }
  static void Type(TQzCustomEdit* E, const std::string& Keys) {
    std::string k = Keys;
    E->UTF8KeyPress(k);
  }
  static void Press(TQzCustomEdit* E, uint16_t Key, TShiftState Shift = {}) { E->KeyDown(Key, Shift); }
  // The caret after each of Times presses of Key.
  static std::vector<size_t> Carets(TQzCustomEdit* E, uint16_t Key, TShiftState Shift, size_t Times) {
    std::vector<size_t> v;
    while (v.size() < Times) Press(E, Key, Shift), v.push_back(E->GetCaretIndex());
    return v;
  }
  int Changes = 0;
};

bool CleanText(const std::string& S) { return QzCleanEditText(S) == S; }

}  // namespace

TEST_F(QzEditTest, DefaultsAndSetters) {
  auto* e = QzCreate<TQzEdit>(Form);
  auto* v = QzCreate<TQzCustomValueEdit>(Form);
  EXPECT_EQ(std::tuple(e->GetCaretIndex(), v->GetEditText(), v->GetValue()), std::tuple(7u, "100,00", 100.0f))
      << "the caret after the name it shows";
  // MaxLength cuts at once, by characters.
  e->SetEditText("h\xC3\xA9llo"), e->SetMaxLength(3);
  EXPECT_EQ(e->GetEditText(), "h\xC3\xA9l");
  // Invalid bytes set by a program still leave clean text.
  e->SetMaxLength(0), e->SetEditText(std::string("a\xFF\xC3\x00z", 5));
  EXPECT_TRUE(CleanText(e->GetEditText()));
  EXPECT_EQ(e->GetCaretIndex(), QzUtf8Length(e->GetEditText()));
}

TEST_F(QzEditTest, TypingAndPastingPassTheFilters) {
  struct Row { const char* Name; bool NumbersOnly; uint32_t MaxLength; bool ReadOnly, Paste;
               std::string Start, Input, Want; };
  const Row rows[] = {
      {"plain", false, 0, false, false, "", "ab", "ab"},
      {"control characters", false, 0, false, false, "x", "\b\r\t\x1b\x7f", "x"},
      {"numbers only on", true, 0, false, false, "", "1a2\xC3\xA9", "12"},
      {"full text accepts nothing", false, 3, false, false, "abc", "d", "abc"},
      {"max length by characters", false, 3, false, false, "\xC3\xA9\xC3\xA9", "xy", "\xC3\xA9\xC3\xA9x"},
      {"read only", false, 0, true, false, "a", "b", "a"},
      {"invalid bytes", false, 0, false, false, "", "\xFF\xC3", "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"paste drops line breaks", false, 0, false, true, "", "one\r\ntwo\nthree", "onetwothree"},
      {"paste keeps max length", false, 5, false, true, "ab", "123456", "ab123"},
      {"paste numbers only", true, 0, false, true, "", "a1\xE2\x80\xA8" "2b3", "123"},
      {"paste read only", false, 0, true, true, "a", "bc", "a"},
      {"paste drops a unit separator, a surrogate is invalid", false, 0, false, true, "", "a\x1f" "b\xED\xA0\x80",
       "ab\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  for (const Row& r : rows) {
    TQzEdit* e = Make(r.Start);
    e->SetNumbersOnly(r.NumbersOnly), e->SetMaxLength(r.MaxLength), e->SetReadOnly(r.ReadOnly);
    Press(e, VK_END);
    Changes = 0;
    if (r.Paste) Clipboard()->SetAsText(r.Input), Press(e, 'V', {ssCtrl});
    else
      for (size_t i = 0; i < r.Input.size(); ++i) Type(e, r.Input.substr(i, 1));
    EXPECT_EQ(std::tuple(e->GetEditText(), Changes > 0), std::tuple(r.Want, r.Want != r.Start)) << r.Name;
    EXPECT_LE(e->GetCaretIndex(), QzUtf8Length(e->GetEditText())) << r.Name;
    e->Free();
  }
}

TEST_F(QzEditTest, KeysAndUndo) {
  TQzEdit* e = Make("ab\xC3\xA9 cd ef");
  struct Row { uint16_t Key; TShiftState Shift; std::string Text; size_t Caret; } rows[] = {
      {VK_HOME, {}, "ab\xC3\xA9 cd ef", 0},    {VK_RIGHT, {}, "ab\xC3\xA9 cd ef", 1},
      {VK_RIGHT, {ssCtrl}, "ab\xC3\xA9 cd ef", 4}, {VK_LEFT, {}, "ab\xC3\xA9 cd ef", 3},
      {VK_BACK, {}, "ab cd ef", 2},             {VK_DELETE, {}, "abcd ef", 2},
      {'Z', {ssCtrl}, "ab cd ef", 2},           {'Z', {ssCtrl}, "abcd ef", 2},
      {VK_END, {}, "abcd ef", 7},               {VK_LEFT, {ssCtrl}, "abcd ef", 5},
      {VK_UP, {}, "abcd ef", 5},                {VK_BACK, {}, "abcdef", 4},
  };
  for (const Row& r : rows) {
    Press(e, r.Key, r.Shift);
    EXPECT_EQ(std::tuple(e->GetEditText(), e->GetCaretIndex()), std::tuple(r.Text, r.Caret)) << r.Key;
  }
  // Ctrl+arrows walk word by word to both ends and stay there: the carets after Ctrl+Left from
  // the end and Ctrl+Right from 0.
  const struct { const char* Text; std::vector<size_t> Left, Right; } walks[] = {
      {"abc def ghi", {8, 4, 0, 0}, {4, 8, 11, 11}}, {"  abc  def  ", {7, 2, 0, 0}, {2, 7, 12, 12}}};
  for (const auto& w : walks) {
    e->SetEditText(w.Text);
    Press(e, VK_END);
    EXPECT_EQ(Carets(e, VK_LEFT, {ssCtrl}, w.Left.size()), w.Left) << w.Text;
    EXPECT_EQ(Carets(e, VK_RIGHT, {ssCtrl}, w.Right.size()), w.Right) << w.Text;
  }
  // Undo into a shorter text holds the caret inside it; the next key does not fail.
  e->SetEditText("x");
  Press(e, VK_END);
  Type(e, "yz");
  e->SetEditText("long text here");
  Press(e, VK_END);
  Press(e, VK_BACK);
  Carets(e, 'Z', {ssCtrl}, 2);
  EXPECT_LE(e->GetCaretIndex(), QzUtf8Length(e->GetEditText()));
  Press(e, VK_DELETE), Press(e, VK_BACK);
  // Copy.
  e->SetEditText("copied");
  Press(e, 'C', {ssCtrl});
  EXPECT_EQ(Clipboard()->GetAsText(), "copied");
}

TEST_F(QzEditTest, ValueEditRules) {
  auto* v = Make<TQzCustomValueEdit>();
  v->SetEditText("");
  struct Row { std::string Keys; bool Home; std::string Want; } rows[] = {
      {"5-", false, "5"},   {"-", true, "-5"},    {"-", true, "-5"},  {",2,", false, "-5,2"}, {"x", false, "-5,2"},
  };
  for (const Row& r : rows) {
    Press(v, r.Home ? VK_HOME : VK_END);
    for (char c : r.Keys) Type(v, std::string(1, c));
    EXPECT_EQ(v->GetEditText(), r.Want) << r.Keys;
  }
  struct Step { float Start; uint16_t Key; TShiftState Shift; std::string Want; } steps[] = {
      {995, VK_UP, {}, "1.005,00"},  {5, VK_DOWN, {}, "-5,00"},
      {3, VK_UP, {ssCtrl}, "1.000,00"}, {3, VK_DOWN, {ssCtrl}, "1,00"},
  };
  for (const Step& s : steps) {
    v->SetValue(s.Start);
    Press(v, s.Key, s.Shift);
    EXPECT_EQ(v->GetEditText(), s.Want) << s.Start;
    EXPECT_LE(v->GetCaretIndex(), QzUtf8Length(v->GetEditText()));
  }
  // A value that is not a number leaves the text alone.
  v->SetValue(5);
  Changes = 0;
  v->SetValue(std::numeric_limits<float>::quiet_NaN()), v->SetValue(std::numeric_limits<float>::infinity());
  v->SetValue(5);
  EXPECT_EQ(std::tuple(v->GetEditText(), Changes), std::tuple(std::string("5,00"), 0));
  // Each bound pushes the other.
  v->SetMin(2000);
  EXPECT_FLOAT_EQ(v->GetMax(), 2000);
  v->SetMax(-1);
  EXPECT_FLOAT_EQ(v->GetMin(), -1);
}

TEST_F(QzEditTest, TypingPastTheEdgeScrollsAndOnlyTheCaretsOwnerDestroysIt) {
  TQzEdit* e = Make("short");  // set before the first layout, when the text rectangle is empty
  Show();
  EXPECT_EQ(e->GetScrollOffset(), 0);
  e->SetEditText("");
  const int32_t w = e->GetTextRect().Right - e->GetTextRect().Left;
  ASSERT_GT(w, 0);
  for (int i = 0; i < 60; ++i) Type(e, "W");
  EXPECT_GT(e->GetScrollOffset(), 0);
  Pump();
  // The text shows: ink in the text rectangle, up to its right edge.
  const TRect t = e->GetTextRect();
  int ink = 0, right = 0;
  for (int y = t.Top; y < t.Bottom; ++y)
    for (int x = t.Left; x < t.Right; ++x)
      if (ScreenPixel(e->GetLeft() + x, e->GetTop() + y) != clWhite) ++ink, right = std::max(right, x);
  EXPECT_GT(ink, 0);
  EXPECT_GE(right, t.Right - 8);
  Press(e, VK_HOME);
  EXPECT_EQ(e->GetScrollOffset(), 0);
  Press(e, VK_END);
  EXPECT_GT(e->GetScrollOffset(), 0);
  EXPECT_EQ(Carets(e, VK_LEFT, {}, 60).back(), 0u);
  EXPECT_EQ(e->GetScrollOffset(), 0);
  // Two edits share the one system caret: only its owner destroys it.
  TQzEdit* a = Make("a");
  TQzEdit* b = Make("b");
  b->SetTop(60);
  Show();
  a->SetFocus(), Pump();
  EXPECT_TRUE(a->OwnsCaret());
  b->SetFocus(), Pump();
  EXPECT_EQ(std::tuple(a->OwnsCaret(), b->OwnsCaret()), std::tuple(false, true));
  TPoint p;
  std::vector<bool> shown;
  for (auto step : std::vector<std::function<void()>>{
           [&] { a->SetReadOnly(true); },  // not the owner: b keeps its caret
           [&] { b->SetReadOnly(true); }, [&] { b->SetReadOnly(false); },
           [&] { b->Free(); }})  // the owner goes: so does the caret
    step(), shown.push_back(GetCaretPos(&p));
  EXPECT_EQ(shown, (std::vector<bool>{true, false, true, false}));
}

TEST_F(QzEditTest, RandomSessionKeepsTheInvariants) {
  std::mt19937 rng(20261206);
  const auto pick = [&](int N) { return static_cast<int>(rng() % static_cast<unsigned>(N)); };
  const auto bytes = [&](int N) {
    std::string s;
    static const char pool[] = {'a', ' ', '1', ',', '-', '\r', '\n', '\b', '\t', '\x1b', '\x7f'};
    for (int i = 0; i < N; ++i) {
      switch (pick(4)) {
        case 0: s += static_cast<char>(pick(256)); break;
        case 1: s += pool[pick(sizeof pool)]; break;
        case 2: s += "\xC3\xA9"; break;
        default: s += "\xF0\x9F\x8E\xB5"; break;
      }
    }
    return s;
  };
  for (int round = 0; round < 2; ++round) {
    TQzCustomEdit* e = round == 0 ? static_cast<TQzCustomEdit*>(Make("")) : Make<TQzCustomValueEdit>();
    const uint32_t max = round == 0 ? 12 : 8;
    e->SetMaxLength(max);
    for (int step = 0; step < 3000; ++step) {
      const uint16_t keys[] = {VK_BACK, VK_DELETE, VK_HOME, VK_END, VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN};
      switch (pick(6)) {
        case 0: Type(e, bytes(1 + pick(3))); break;
        case 1: Clipboard()->SetAsText(bytes(pick(20))), Press(e, 'V', {ssCtrl}); break;
        case 2: Press(e, 'Z', {ssCtrl}); break;
        // Up and Down step a value edit's number, whose text may outgrow MaxLength: typing only.
        case 3: Press(e, keys[pick(round == 0 ? 8 : 6)], pick(2) ? TShiftState{ssCtrl} : TShiftState{}); break;
        case 4: e->MouseDown(mbLeft, {}, pick(200) - 20, 5); break;
        default: Press(e, keys[pick(6)]); break;
      }
      const std::string& t = e->GetEditText();
      ASSERT_TRUE(CleanText(t)) << "step " << step;
      ASSERT_LE(e->GetCaretIndex(), QzUtf8Length(t)) << "step " << step;
      ASSERT_LE(QzUtf8Length(t), max) << "step " << step;
      ASSERT_GE(e->GetScrollOffset(), 0);
    }
    e->Free();
  }
}

TEST_F(QzEditTest, LabelFollowsTheEditUntilFreed) {
  auto* l = Put<TQzLabel>(0, 0, 60, 0);
  TQzEdit* e = Make("x");
  e->SetCaption("Name"), e->SetTitleSpace(4), e->SetEditLabel(l);
  Show();
  EXPECT_GT(l->GetHeight(), 0) << "a height with the default font";
  EXPECT_EQ(std::tuple(l->GetCaption(), l->GetLeft() + l->GetWidth()),
            std::tuple(std::string("Name"), e->GetLeft() - 4));
  l->Free();
  EXPECT_EQ(e->GetEditLabel(), nullptr);
  e->SetCaption("Other");  // lays out again with no label
}
