#include "foundation/uFileLoadSet.h"

#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <string>
#include <vector>

#include "foundation/uNumText.h"

namespace qx {
namespace {

struct Probe : TFLObject {
  int32_t Int = 0;
  double Real = 0;
  bool Flag = false;
  uint32_t Color = 0;
  int32_t X = 0, Y = 0;
  std::string Text;
  TFontDesc Font;
  int32_t Mode = 0;
  int32_t Size = 0, SizeX = 0;
  std::vector<int32_t> SetterCalls;  // indices passed to indexed setters
  std::array<int32_t, 3> Indexed{};
  int32_t GetIndexed(int32_t i) const { return Indexed.at(static_cast<size_t>(i)); }
  void SetIndexed(int32_t i, int32_t v) {
    SetterCalls.push_back(i);
    Indexed.at(static_cast<size_t>(i)) = v;
  }
};

// One set with an entry of every kind.
struct ProbeSet {
  TFLSetList list;
  TFLSet* set;
  ProbeSet() {
    auto b = list.Define<Probe>("QXPROBE", [this]() -> TFLObject* { return &made.emplace_back(); });
    b.Int("int", &Probe::Int);
    b.Real("real", &Probe::Real);
    b.Bool("flag", &Probe::Flag);
    b.Color("color", &Probe::Color);
    b.IntXY("pos", &Probe::X, &Probe::Y);
    b.String("text", &Probe::Text);
    b.Font("font", &Probe::Font);
    b.Enum("mode", {"stretch", "fixWidth", "fixHeight", "orig"}, &Probe::Mode);
    b.Int("size", &Probe::Size);
    b.Int("sizeX", &Probe::SizeX);
    set = &b.Set();
  }
  std::deque<Probe> made;
  std::string Save(Probe& p) {
    TTextWriter w;
    set->SaveSet(w, p);
    return w.Text();
  }
  // Reads "key value" lines (joined with CR LF) into p.
  void Read(Probe& p, const std::string& lines) {
    TTextLines in(lines);
    set->LoadBlock(in, p);
  }
};

class EntrySetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetFloatSeparator('.');  // the file form must not depend on it
    SetDefaultFont(TFontDesc{});
  }
  void TearDown() override { SetFloatSeparator(','); }
  ProbeSet ps;
};

TEST_F(EntrySetTest, WritesEveryKindInEntryOrder) {
  Probe p;
  p.Int = -42;
  p.Real = 1.5e-5;
  p.Flag = true;
  p.Color = 255;
  p.X = -3;
  p.Y = 40;
  p.Text = "Hallo Welt";
  p.Font = {"DejaVu Sans", 12, 0x0000FF, true, false, true, true};
  p.Mode = 1;
  EXPECT_EQ(ps.Save(p),
            "QXPROBE\r\n"
            "int -42\r\n"
            "real 1,5E-5\r\n"
            "flag true\r\n"
            "color $000000FF\r\n"
            "pos x=-3 y=40\r\n"
            "text \"Hallo Welt\"\r\n"
            "font name=\"DejaVu Sans\" size=12 color=$000000FF style=bold,strikeout,underline\r\n"
            "mode fixWidth\r\n"
            "size 0\r\n"
            "sizeX 0\r\n");
}

TEST_F(EntrySetTest, EdgeValueTexts) {
  Probe p;
  p.Real = 0.5;
  p.Text = "";
  p.Font = {"Arial", 9, 0, false, false, false, false};
  p.Mode = 7;  // outside the names: key alone
  const std::string text = ps.Save(p);
  EXPECT_NE(text.find("real 0,5\r\n"), std::string::npos);
  EXPECT_NE(text.find("text \"\"\r\n"), std::string::npos);
  EXPECT_NE(text.find("font name=\"Arial\" size=9 color=$00000000\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nmode\r\n"), std::string::npos);
}

TEST_F(EntrySetTest, RoundTripOfEveryKind) {
  Probe a;
  a.Int = 2147483647;
  a.Real = -123.456;
  a.Flag = true;
  a.Color = 0x00ABCDEF;
  a.X = -100;
  a.Y = -7;
  a.Text = "mit \"Anf\xC3\xBChrung\" und \\ und Tab\tEnde  ";
  a.Font = {"Lucida Console", 13, 0xECFFFF, false, true, false, true};
  a.Mode = 3;
  a.Size = 5;
  a.SizeX = 6;
  Probe b;
  const std::string saved = ps.Save(a);
  ps.Read(b, saved.substr(saved.find("\r\n") + 2));  // without the set-name line
  EXPECT_EQ(b.Int, a.Int);
  EXPECT_EQ(b.Real, a.Real);
  EXPECT_EQ(b.Flag, a.Flag);
  EXPECT_EQ(b.Color, a.Color);
  EXPECT_EQ(b.X, a.X);
  EXPECT_EQ(b.Y, a.Y);
  EXPECT_EQ(b.Text, a.Text);
  EXPECT_EQ(b.Font, a.Font);
  EXPECT_EQ(b.Mode, a.Mode);
  EXPECT_EQ(b.Size, 5);
  EXPECT_EQ(b.SizeX, 6);
}

// A text with a quote used to be written as the key alone and lost; a line
// break would have split the file.
TEST_F(EntrySetTest, TextsWithQuotesAndLineBreaksSurvive) {
  const std::string texts[] = {"\"",          "a\"b",
                               "\"quoted\"",  "zwei\r\nZeilen",
                               "\nQXSHEET\n", "back\\slash\nnew",
                               "\r",          "ends with quote\""};
  for (const std::string& t : texts) {
    Probe a;
    a.Text = t;
    const std::string saved = ps.Save(a);
    TTextLines lines(saved);
    EXPECT_EQ(lines.Count(), 1 + ps.set->Count()) << t;
    Probe b;
    b.Text = "unchanged";
    ps.Read(b, saved.substr(saved.find("\r\n") + 2));
    EXPECT_EQ(b.Text, t);
  }
}

struct ReadCase {
  const char* line;
  const char* expect;  // field after reading, as text; "-" = unchanged
};

std::string Field(const Probe& p, std::string_view key) {
  if (key == "int") return std::to_string(p.Int);
  if (key == "real") return FloatToFileText(p.Real);
  if (key == "flag") return p.Flag ? "true" : "false";
  if (key == "color") return std::to_string(p.Color);
  if (key == "pos") return std::to_string(p.X) + "/" + std::to_string(p.Y);
  if (key == "text") return "[" + p.Text + "]";
  if (key == "mode") return std::to_string(p.Mode);
  if (key == "size") return std::to_string(p.Size) + "/" + std::to_string(p.SizeX);
  return "?";
}

TEST_F(EntrySetTest, ReadsValueTextsAsTheKindsDefine) {
  const ReadCase cases[] = {
      {"int 12", "12"},
      {"int -12", "-12"},
      {"int 12 ", "-"},
      {"int +1", "-"},
      {"int 2147483648", "-"},
      {"int abc", "-"},
      {"real 1,5", "1,5"},
      {"real 1.5", "1,5"},
      {"real 1.2,5", "-"},
      {"real x", "-"},
      // What the writer writes for values that are not finite, and only that.
      {"real Nan", "Nan"},
      {"real +Inf", "+Inf"},
      {"real -Inf", "-Inf"},
      {"real NaN", "-"},
      {"real nan", "-"},
      {"real Inf", "-"},
      {"real +inf", "-"},
      {"real -Infinity", "-"},
      {"flag true", "true"},
      {"flag trueish", "true"},
      {"flag true ", "true"},
      {"flag True", "-"},
      {"flag 1", "-"},
      {"flag falsely", "false"},
      {"color $000000FF", "255"},
      {"color 255", "255"},
      {"color #0000FF", "-"},
      {"color $FFFFFFFF", "4294967295"},
      {"pos x=12 y=34", "12/34"},
      {"pos x=12 y=34px", "12/34"},
      {"pos x=-12 y=-34", "-12/-34"},
      {"pos x=12y=34", "-"},
      {"pos x= 12 y=34", "-"},
      {"pos x=12 y=", "-"},
      {"pos y=3 x=4", "-"},
      {"pos x=- y=3", "-"},
      {"pos x=1 y=-", "-"},
      {"pos x=99999999999 y=1", "-"},
      {"text \"\"", "[]"},
      {"text \"", "[]"},
      {"text \"in\"ner\"", "[in\"ner]"},
      {"text unquoted", "-"},
      {"text \"open", "-"},
      {"text \\\"a\\nb\"", "[a\nb]"},
      {"text \\\"bad\\q\"", "-"},
      {"text \\\"bad\\\"", "-"},
      {"mode FixWidth", "1"},
      {"mode orig", "3"},
      {"mode fix", "-"},
      {"size 7", "7/0"},
      {"sizeX 8", "0/8"},
      {"size", "-"},
      {"size ", "-"},
      {"sizeY 9", "-"},
  };
  for (const ReadCase& c : cases) {
    Probe p;
    p.Mode = 2;
    p.X = 5;
    p.Y = 6;
    p.Text = "old";
    p.Color = 77;
    const std::string_view line(c.line);
    std::string key(line.substr(0, line.find(' ')));
    if (key.rfind("size", 0) == 0) key = "size";
    const std::string before = Field(p, key);
    ps.Read(p, c.line);
    EXPECT_EQ(Field(p, key), std::string(c.expect) == "-" ? before : c.expect) << c.line;
  }
}

TEST_F(EntrySetTest, ReadsFontFields) {
  TFontDesc defaults;
  defaults.Name = "Default Face";
  defaults.Size = 9;
  defaults.Color = 0x111111;
  SetDefaultFont(defaults);
  struct Case {
    const char* text;
    TFontDesc expect;
  };
  const Case cases[] = {
      {"name=\"Arial\" size=12 color=$000000FF style=bold,italic",
       {"Arial", 12, 0xFF, true, true, false, false}},
      {"name=\"Arial\" color=255 size=12", {"Arial", 9, 255, false, false, false, false}},
      {"size=14 color=$00FF0000", {"Default Face", 14, 0xFF0000, false, false, false, false}},
      {"name=\"\" size=x style=underline,strikeout",
       {"Default Face", 9, 0x111111, false, false, true, true}},
      {"name=\"Open", {"Default Face", 9, 0x111111, false, false, false, false}},
      {"style=bolditalic color=#12", {"Default Face", 9, 0x111111, true, true, false, false}},
      {"", {"Default Face", 9, 0x111111, false, false, false, false}},
      // Field keys inside the name belong to the name.
      {"name=\"A size=3 color=$00000001 style=bold\" size=11 color=$00000002 style=italic",
       {"A size=3 color=$00000001 style=bold", 11, 2, false, true, false, false}},
      {"name=\"Face style=bold\" size=10 color=$00000003",
       {"Face style=bold", 10, 3, false, false, false, false}},
  };
  for (const Case& c : cases) {
    Probe p;
    p.Font = {"Other", 30, 0, true, true, true, true};
    ps.Read(p, std::string("font ") + c.text);
    EXPECT_EQ(p.Font, c.expect) << c.text;
  }
  // A key with one trailing blank: only the font reaches its setter.
  Probe p;
  ps.Read(p, "font ");
  EXPECT_EQ(p.Font, defaults);
}

TEST_F(EntrySetTest, KeysAreCutTo16AndMatchedInFull) {
  TFLSetList list;
  auto b = list.Define<Probe>("QXLONGNAMEOFASETXYZ");
  auto& e = b.Int("aVeryLongKeyNameThatIsCut", &Probe::Int);
  EXPECT_EQ(e.Key, "aVeryLongKeyName");
  EXPECT_EQ(b.Set().Name, "QXLONGNAMEOFASET");
  Probe p;
  int32_t hint = 0;
  EXPECT_FALSE(b.Set().LoadEntry(p, "aVeryLongKeyNameThatIsCut 5", hint));
  EXPECT_TRUE(b.Set().LoadEntry(p, "aVeryLongKeyName 5", hint));
  EXPECT_EQ(p.Int, 5);
  TTextWriter w;
  b.Set().SaveSet(w, p);
  EXPECT_EQ(w.Text(), "QXLONGNAMEOFASET\r\naVeryLongKeyName 5\r\n");
}

TEST_F(EntrySetTest, HintFollowsDefinitionOrderAndAnyOrderIsRead) {
  Probe a;
  a.Int = 1;
  a.Text = "t";
  a.Size = 3;
  a.SizeX = 4;
  std::string saved = ps.Save(a);
  // Reverse the value lines.
  TTextLines lines(saved);
  std::vector<std::string> v;
  std::string_view l;
  while (lines.ReadLine(l)) v.emplace_back(l);
  std::string reversed;
  for (auto it = v.rbegin(); it != v.rend() - 1; ++it) reversed += *it + "\n";
  Probe b;
  ps.Read(b, reversed);
  EXPECT_EQ(ps.Save(b), saved);

  // In definition order each line is found at the hint.
  int32_t hint = 0;
  Probe c;
  for (size_t i = 1; i < v.size(); ++i) {
    ASSERT_TRUE(ps.set->LoadEntry(c, v[i], hint));
    EXPECT_EQ(hint, static_cast<int32_t>(i));
  }
  // A key standing twice: the later line wins; an unknown line keeps the hint.
  hint = 3;
  EXPECT_FALSE(ps.set->LoadEntry(c, "unknown 1", hint));
  EXPECT_EQ(hint, 3);
  ps.Read(c, "int 5\nint 6");
  EXPECT_EQ(c.Int, 6);
}

TEST_F(EntrySetTest, BlockEndsAtNextSetNameAndSkipsEmptyLines) {
  TTextLines in("int 3\r\n\r\nflag true\r\nQXOTHER\r\nint 9\r\n");
  Probe p;
  ps.set->LoadBlock(in, p);
  EXPECT_EQ(p.Int, 3);
  EXPECT_TRUE(p.Flag);
  std::string_view next;
  ASSERT_TRUE(in.ReadLine(next));
  EXPECT_EQ(next, "QXOTHER");
}

TEST_F(EntrySetTest, InactiveEntriesAreReadAndCopiedButNotWritten) {
  Probe a;
  a.Int = 11;
  a.Flag = true;
  ps.set->FindEntry("int")->Active = false;
  const std::string saved = ps.Save(a);
  EXPECT_EQ(saved.find("int "), std::string::npos);
  Probe b;
  ps.Read(b, "int 12");
  EXPECT_EQ(b.Int, 12);
  Probe c;
  ps.set->ValueCopy(c, a);
  EXPECT_EQ(c.Int, 11);
  EXPECT_TRUE(c.Flag);
}

TEST_F(EntrySetTest, IndexedEntriesPassTheirTagToSharedAccessors) {
  TFLSetList list;
  auto b = list.Define<Probe>("QXIDX");
  b.Int("count", &Probe::Int);
  for (int32_t i = 0; i < 3; ++i) {
    auto& e = b.Int("item" + std::to_string(i), &Probe::GetIndexed, &Probe::SetIndexed);
    e.SetIndex(i);
    EXPECT_TRUE(e.Indexed);
    b.ActiveWhen(e, [](Probe& p, int32_t index) { return index < p.Int; });
  }
  Probe p;
  p.Int = 2;
  p.Indexed = {10, 20, 30};
  TTextWriter w;
  b.Set().SaveSet(w, p);
  EXPECT_EQ(w.Text(), "QXIDX\r\ncount 2\r\nitem0 10\r\nitem1 20\r\n");
  Probe q;
  TTextLines in("item2 7\nitem0 5\n");
  b.Set().LoadBlock(in, q);
  EXPECT_EQ(q.Indexed[0], 5);
  EXPECT_EQ(q.Indexed[2], 7);
  EXPECT_EQ(q.SetterCalls, (std::vector<int32_t>{2, 0}));
  Probe r;
  b.Set().ValueCopy(r, p);
  EXPECT_EQ(r.Indexed, p.Indexed);  // all entries, whatever their activity
}

TEST_F(EntrySetTest, AccessorFormsOfTheBuilder) {
  struct Obj : TFLObject {
    int32_t v = 0;
    int32_t Get() const { return v; }
    void Set(int32_t x) { v = x; }
  };
  TFLSetList list;
  auto b = list.Define<Obj>("QXOBJ");
  b.Int("field", &Obj::v);
  b.Int("method", &Obj::Get, &Obj::Set);
  b.Int(
      "lambda", [](Obj& o) { return o.v * 2; }, [](Obj& o, int32_t x) { o.v = x / 2; });
  b.Int(
      "indexed", [](Obj& o, int32_t i) { return o.v + i; },
      [](Obj& o, int32_t i, int32_t x) { o.v = x - i; });
  b.Set().Entries.back()->SetIndex(100);
  Obj o;
  o.v = 5;
  TTextWriter w;
  b.Set().SaveSet(w, o);
  EXPECT_EQ(w.Text(), "QXOBJ\r\nfield 5\r\nmethod 5\r\nlambda 10\r\nindexed 105\r\n");
  int32_t hint = 0;
  b.Set().LoadEntry(o, "indexed 107", hint);
  EXPECT_EQ(o.v, 7);
  b.Set().LoadEntry(o, "lambda 40", hint);
  EXPECT_EQ(o.v, 20);
}

// A text may be megabytes long: one read is handed to the setter (here one
// that takes nothing but a moved text), and a property given by reference is
// written straight from the object; every getter form writes the same line.
TEST_F(EntrySetTest, TextsAreHandedOverAndWrittenInEveryGetterForm) {
  struct Obj : TFLObject {
    std::string t;
    const std::string& Ref() const { return t; }
    void Take(std::string&& v) { t = std::move(v); }
  };
  TFLSetList list;
  auto b = list.Define<Obj>("QXOBJ");
  b.String("field", &Obj::t);
  b.String("ref", &Obj::Ref, &Obj::Take);
  b.String(
      "indexed", [](Obj& o, int32_t) -> const std::string& { return o.t; }, &Obj::Take);
  b.String(
      "copy", [](Obj& o) { return o.t; }, &Obj::Take);
  EXPECT_TRUE(static_cast<TFLEString&>(*b.Set().Entries[1]).Ref);
  EXPECT_FALSE(static_cast<TFLEString&>(*b.Set().Entries[3]).Ref);
  for (const std::string t : {"a \"b\"  ", "zwei\nZeilen", ""}) {
    Obj o;
    o.t = t;
    TTextWriter w;
    b.Set().SaveSet(w, o);
    TTextLines lines(w.Text());
    std::string_view l, value;
    ASSERT_TRUE(lines.ReadLine(l));
    for (const char* key : {"field", "ref", "indexed", "copy"}) {
      ASSERT_TRUE(lines.ReadLine(l));
      ASSERT_EQ(l.substr(0, l.find(' ')), key);
      if (std::string_view(key) == "field") value = l.substr(5);
      EXPECT_EQ(l.substr(std::string_view(key).size()), value) << key;
      Obj back;
      int32_t hint = 0;
      b.Set().LoadEntry(back, l, hint);
      EXPECT_EQ(back.t, t) << key;
    }
  }
}

TEST(TextLinesTest, AllLineEndsAndTrimming) {
  TTextLines in("\xEF\xBB\xBFQXA\r\nk 1\nk 2\rk 3\r\n\r\nlast");
  std::vector<std::string> got;
  std::string_view l;
  while (in.ReadLine(l)) got.emplace_back(l);
  EXPECT_EQ(got, (std::vector<std::string>{"QXA", "k 1", "k 2", "k 3", "", "last"}));
  in.UnreadLine();
  ASSERT_TRUE(in.ReadLine(l));
  EXPECT_EQ(l, "last");
  TTextLines empty("");
  empty.UnreadLine();  // never below the first line
  EXPECT_FALSE(empty.ReadLine(l));
  // LF CR is two line ends; a NUL byte is part of its line; a final line end
  // adds no empty line.
  TTextLines odd(std::string("a\n\rb\0c\r\nd\n\ne\r", 13));
  got.clear();
  while (odd.ReadLine(l)) got.emplace_back(l);
  EXPECT_EQ(got, (std::vector<std::string>{"a", "", std::string("b\0c", 3), "d", "", "e"}));

  TTextWriter w;
  w.WriteLine("key value \t\x01 ");
  w.WriteLine("key");
  // Given in parts: the same lines.
  w.WriteLine({"key", " ", "value \t\x01 "});
  w.WriteLine({"key", " ", " \t"});
  w.WriteLine({"key", " ", ""});
  EXPECT_EQ(w.Text(), "key value\r\nkey\r\nkey value\r\nkey\r\nkey\r\n");
}

TEST(SetListTest, FindForLineTakesFirstMatchInCreationOrder) {
  TFLSetList list;
  list.Add("QXSHEET");
  list.Add("QXCOMPORT");
  EXPECT_EQ(list.FindForLine("QXSHEET trailing text")->Name, "QXSHEET");
  EXPECT_EQ(list.FindForLine("QXCOMPORT"), &list[1]);
  EXPECT_EQ(list.FindForLine("QXSHEE"), nullptr);
  EXPECT_EQ(list.FindForLine("qxsheet"), nullptr);
}

}  // namespace
}  // namespace qx
