#include "formula/udynamicfunctions.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "formula/ULexer.h"
#include "support/CalcFakes.h"

namespace qx {
namespace {

using calcfakes::CalcRig;
using calcfakes::FakeElement;
using calcfakes::FakeLUT;

class DynaFunctionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* base = std::getenv("QX_TEST_TMP");
    std::filesystem::path root = base ? base : "/tmp";
    std::filesystem::create_directories(root);
    std::string templ = (root / "dyna_XXXXXX").string();
    ASSERT_NE(mkdtemp(templ.data()), nullptr);
    dir_ = templ;
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  // A table that answers `value` everywhere.
  std::string Constant(double value) {
    const auto path = dir_ / ("c" + std::to_string(files_++) + ".txt");
    std::ofstream(path) << "0 " << value << "\n100 " << value << "\n";
    return path.string();
  }
  std::vector<std::string> Published() const {
    std::vector<std::string> names;
    for (const TFunctionDefins* d : rig_.dyna.Items()) names.push_back(d->Name);
    return names;
  }
  // Compiles, then evaluates a number-input formula once on channel 1.
  double Eval(FakeElement& e) {
    rig_.Frame("#1F5;");
    return e.GetValue();
  }

  std::filesystem::path dir_;
  int files_ = 0;
  CalcRig rig_;
};

TEST_F(DynaFunctionsTest, AcceptedTablesAreCalledByName) {
  auto& tab = rig_.AddLUT("tab", Constant(1));
  rig_.NewSheet();
  auto& table = rig_.AddLUT("Table", Constant(2));
  auto& gain = rig_.AddLUT("gain", Constant(3));
  auto& gain2 = rig_.AddLUT("gain2", Constant(4));
  struct Call {
    const char* formula;
    double expect;
  };
  const Call calls[] = {{"tab(#1)", 1},  {"table(#1)", 2}, {"TABLE(#1)", 2},
                        {"gain(#1)", 3}, {"Gain2(#1)", 4}, {"gain(#1) + tab(#1)", 4}};
  std::vector<FakeElement*> elements;
  for (const auto& c : calls) elements.push_back(&rig_.Add(RoleNumberIn, c.formula));
  auto& unknown = rig_.Add(RoleNumberIn, "gainx(#1)");
  rig_.calc.CompileAndInit();

  EXPECT_EQ(Published(), (std::vector<std::string>{"tab", "table", "gain", "gain2"}));
  for (FakeLUT* t : {&tab, &table, &gain, &gain2}) {
    EXPECT_TRUE(t->SourceValid) << t->Denom;
    EXPECT_EQ(t->prepares, 1) << t->Denom;
  }
  rig_.Frame("#1F5;");
  for (size_t i = 0; i < elements.size(); ++i) {
    EXPECT_TRUE(elements[i]->SourceValid) << calls[i].formula;
    EXPECT_EQ(elements[i]->GetValue(), calls[i].expect) << calls[i].formula;
  }
  EXPECT_FALSE(unknown.SourceValid);
}

TEST_F(DynaFunctionsTest, ClashingNamesRefuseEveryTableOfThatName) {
  struct Case {
    std::vector<const char*> names;
    std::vector<std::string> published;
  };
  const Case cases[] = {
      {{"Gain", "gain"}, {}},
      {{"gain", "other", "GAIN", "gAiN"}, {"other"}},
      // Compared as published: cut to 20 characters.
      {{"abcdefghijklmnopqrstUVW", "abcdefghijklmnopqrstXYZ"}, {}},
      {{"abcdefghijklmnopqrstUVW", "abcdefghijklmnopqrs"},
       {"abcdefghijklmnopqrst", "abcdefghijklmnopqrs"}},
  };
  for (const auto& c : cases) {
    CalcRig rig;
    std::vector<FakeLUT*> tables;
    for (const char* name : c.names) {
      tables.push_back(&rig.AddLUT(name, Constant(7)));
      rig.NewSheet();
    }
    auto& user = rig.Add(RoleNumberIn, TDynaFunctionManager::PublishedName(c.names[0]) + "(#1)");
    rig.calc.CompileAndInit();
    std::vector<std::string> published;
    for (const TFunctionDefins* d : rig.dyna.Items()) published.push_back(d->Name);
    EXPECT_EQ(published, c.published) << c.names[0];
    for (FakeLUT* t : tables) {
      const std::string cut = TDynaFunctionManager::PublishedName(t->Denom);
      const bool isPublished =
          std::find(published.begin(), published.end(), cut) != published.end();
      EXPECT_EQ(t->SourceValid, isPublished) << t->Denom;
    }
    // A call by the first name works only when that table was published.
    const bool firstPublished = tables[0]->SourceValid;
    EXPECT_EQ(user.SourceValid, firstPublished) << c.names[0];
  }
}

TEST_F(DynaFunctionsTest, LongNameIsCalledByItsFirstTwentyCharacters) {
  rig_.AddLUT("ABCDEFGHIJKLMNOPQRSTUVWXYZ", Constant(9));
  auto& cut = rig_.Add(RoleNumberIn, "abcdefghijklmnopqrst(#1)");
  auto& full = rig_.Add(RoleNumberIn, "abcdefghijklmnopqrstuvwxyz(#1)");
  rig_.calc.CompileAndInit();
  EXPECT_EQ(Published(), std::vector<std::string>{"abcdefghijklmnopqrst"});
  EXPECT_TRUE(cut.SourceValid);
  EXPECT_FALSE(full.SourceValid);
  EXPECT_EQ(Eval(cut), 9);
}

// Built-ins and functions with memory match first, as prefixes.
TEST_F(DynaFunctionsTest, NamesBeginningWithABuiltinAreAcceptedButNotCallable) {
  auto& sinus = rig_.AddLUT("sinus", Constant(1));
  auto& zone = rig_.AddLUT("zone", Constant(2));
  auto& counter = rig_.AddLUT("counter", Constant(3));
  auto& a = rig_.Add(RoleNumberIn, "sinus(#1)");
  auto& b = rig_.Add(RoleNumberIn, "zone(#1)");
  auto& c = rig_.Add(RoleNumberIn, "counter(#1)");
  rig_.calc.CompileAndInit();
  EXPECT_EQ(Published(), (std::vector<std::string>{"sinus", "zone", "counter"}));
  EXPECT_TRUE(sinus.SourceValid && zone.SourceValid && counter.SourceValid);
  EXPECT_FALSE(a.SourceValid);
  EXPECT_FALSE(b.SourceValid);
  EXPECT_FALSE(c.SourceValid);
}

// A nameless table would match everywhere without advancing the lexer.
TEST_F(DynaFunctionsTest, EmptyNameIsRefused) {
  auto& nameless = rig_.AddLUT("", Constant(1));
  nameless.SourceValid = true;
  auto& e = rig_.Add(RoleNumberIn, "(#1) * 2");
  rig_.calc.CompileAndInit();
  EXPECT_TRUE(Published().empty());
  EXPECT_FALSE(nameless.SourceValid);
  EXPECT_TRUE(e.SourceValid);
  EXPECT_EQ(Eval(e), 10);

  // Even a nameless definition that got into the list is never matched.
  TDynaFunctionDefins def;
  TDynaFunctionList list;
  list.Add(&def);
  TTokenList tokens;
  TIntList deps;
  const TLexer lexer = TokenizeFormula("(#1)+2", tokens, deps, {}, list.Items());
  EXPECT_TRUE(lexer.OK);
  EXPECT_EQ(tokens.Count(), 5);
}

TEST_F(DynaFunctionsTest, DisabledOrInvalidTablesLeaveNoTrace) {
  auto& off = rig_.AddLUT("gain", Constant(1));
  off.Disabled = true;
  auto& on = rig_.AddLUT("gain", Constant(2));
  auto& broken = rig_.AddLUT("broken", (dir_ / "missing.txt").string());
  auto& e = rig_.Add(RoleNumberIn, "gain(#1)");
  auto& f = rig_.Add(RoleNumberIn, "broken(#1)");
  rig_.calc.CompileAndInit();
  EXPECT_EQ(off.prepares, 0);
  EXPECT_EQ(Published(), std::vector<std::string>{"gain"});
  EXPECT_TRUE(on.SourceValid);
  EXPECT_FALSE(broken.Lut.Table.LUTValid);
  EXPECT_EQ(Eval(e), 2);
  EXPECT_FALSE(f.SourceValid);
}

TEST_F(DynaFunctionsTest, RenameTakesEffectAtTheNextCompile) {
  auto& t = rig_.AddLUT("old", Constant(5));
  auto& e = rig_.Add(RoleNumberIn, "new(#1)");
  rig_.calc.CompileAndInit();
  EXPECT_FALSE(e.SourceValid);
  t.Denom = "New";
  EXPECT_FALSE(e.SourceValid);
  rig_.calc.CompileAndInit();
  EXPECT_EQ(Published(), std::vector<std::string>{"new"});
  EXPECT_TRUE(e.SourceValid);
  EXPECT_EQ(Eval(e), 5);
}

TEST_F(DynaFunctionsTest, InterpolatingTableInAFormula) {
  const auto path = dir_ / "lin.txt";
  std::ofstream(path) << "0\t0\n10\t2,5\n20\t4\n";
  auto& t = rig_.AddLUT("lin", path.string());
  t.Lut.Table.Interpolate = true;
  auto& e = rig_.Add(RoleNumberIn, "lin(#1 * 3)");
  rig_.calc.CompileAndInit();
  EXPECT_EQ(Eval(e), 3.25);  // lin(15)
}

// Published names are cut at 20 characters, not bytes: a UTF-8 character
// is never split.
TEST_F(DynaFunctionsTest, PublishedNameCutsCharactersNotBytes) {
  const std::string umlaut = "\xC3\xA4";  // one character, two bytes
  std::string name;
  for (int i = 0; i < 25; ++i) name += umlaut;
  std::string twenty;
  for (int i = 0; i < 20; ++i) twenty += umlaut;
  EXPECT_EQ(TDynaFunctionManager::PublishedName(name), twenty);
  EXPECT_EQ(TDynaFunctionManager::PublishedName("ABCDEFGHIJKLMNOPQRS" + umlaut + "XYZ"),
            "abcdefghijklmnopqrs" + umlaut);
  EXPECT_EQ(TDynaFunctionManager::PublishedName("Gain" + umlaut), "gain" + umlaut);
  // Only "A" to "Z" are lowered; other bytes stay.
  EXPECT_EQ(TDynaFunctionManager::PublishedName("\xC3\x84x"), "\xC3\x84x");

  // Such a table is published and called by its cut name.
  rig_.AddLUT("T" + std::string(18, 'x') + umlaut + umlaut, Constant(6));
  auto& user = rig_.Add(RoleNumberIn, "t" + std::string(18, 'x') + umlaut + "(#1)");
  rig_.calc.CompileAndInit();
  ASSERT_EQ(Published().size(), 1u);
  EXPECT_EQ(Published()[0], "t" + std::string(18, 'x') + umlaut);
  EXPECT_TRUE(user.SourceValid);
  EXPECT_EQ(Eval(user), 6);
}

// A deleted table: no compiled formula may still call into it.
TEST_F(DynaFunctionsTest, ForgettingATableClearsTheCodeThatCallsIt) {
  auto& gone = rig_.AddLUT("gone", Constant(4));
  auto& kept = rig_.AddLUT("kept", Constant(5));
  auto& caller = rig_.Add(RoleNumberIn, "gone(#1) + 1");
  auto& other = rig_.Add(RoleNumberIn, "kept(#1)");
  auto& plain = rig_.Add(RoleNumberIn, "#1 * 2");
  rig_.calc.CompileAndInit();
  ASSERT_TRUE(caller.SourceValid);
  EXPECT_EQ(Eval(caller), 5);

  ForgetLUTFunction(*gone.LUTFunction(), rig_.dyna, rig_.sheets, &rig_.hub.ReceiveLock);
  EXPECT_EQ(Published(), std::vector<std::string>{"kept"});
  EXPECT_TRUE(kept.SourceValid);
  EXPECT_FALSE(caller.SourceValid);
  EXPECT_EQ(TFormulaElement::FormulaOf(caller)->Code.Count(), 0);
  EXPECT_EQ(TFormulaElement::FormulaOf(caller)->Tokens.Count(), 0);
  EXPECT_TRUE(other.SourceValid);
  EXPECT_TRUE(plain.SourceValid);

  // Now the table really goes; frames reach the others and never the freed
  // table (AddressSanitizer would see it).
  for (auto& sheet : rig_.sheets.sheets) std::erase(sheet, &gone);
  std::erase_if(rig_.sheets.owned, [&](const auto& p) { return p.get() == &gone; });
  rig_.Frame("#1F7;");
  EXPECT_EQ(caller.GetValue(), 5);  // unchanged
  EXPECT_EQ(other.GetValue(), 5);
  EXPECT_EQ(plain.GetValue(), 14);

  // Forgetting a table that was never published touches nothing.
  auto& unpublished = rig_.AddLUT("later", Constant(1));
  ForgetLUTFunction(*unpublished.LUTFunction(), rig_.dyna, rig_.sheets, nullptr);
  EXPECT_TRUE(other.SourceValid);
  EXPECT_EQ(Published(), std::vector<std::string>{"kept"});

  // The next compile run finds the call unclassifiable.
  rig_.calc.CompileAndInit();
  EXPECT_FALSE(caller.SourceValid);
  EXPECT_TRUE(other.SourceValid);
}

TEST_F(DynaFunctionsTest, ReloadSwapsInAWholeTable) {
  const auto a = Constant(1);
  const auto broken = (dir_ / "broken.txt").string();
  std::ofstream(broken) << "0 0\nkaputt\n";
  TLUTFunction lut;
  lut.Table.Interpolate = true;
  EXPECT_TRUE(lut.Reload(a, nullptr));
  EXPECT_EQ(lut.Table.Status, TLookupTable::kStatusOk);
  EXPECT_EQ(lut.Definition.LookupMethod(50), 1);
  EXPECT_FALSE(lut.Reload(broken, nullptr));
  EXPECT_EQ(lut.Table.Status, TLookupTable::kStatusLoadError);
  EXPECT_TRUE(lut.Table.XValues.empty());
  EXPECT_EQ(lut.Table.PointCount, 0);  // no index left over the emptied arrays
  EXPECT_TRUE(std::isnan(lut.Definition.LookupMethod(50)));
  EXPECT_TRUE(lut.Table.Interpolate);
}

// The value viewer reloads a table while frames arrive on port threads and
// evaluate formulas that call it. Run under ThreadSanitizer; every value is
// one of the two tables' answers.
TEST_F(DynaFunctionsTest, ReloadWhileFramesArrive) {
  const auto fileA = dir_ / "a.txt";
  const auto fileB = dir_ / "b.txt";
  {
    std::ofstream a(fileA);
    for (int i = 0; i <= 200; ++i) a << i << " 1\n";
    std::ofstream(fileB) << "0 2\n100 2\n";
  }
  auto& table = rig_.AddLUT("tab", fileA.string());
  auto& user = rig_.Add(RoleNumberIn, "tab(#1)");
  rig_.calc.CompileAndInit();
  ASSERT_TRUE(user.SourceValid);

  std::atomic<bool> stop{false};
  std::atomic<int> frames{0};
  std::atomic<int> wrong{0};
  std::vector<std::thread> ports;
  for (int p = 0; p < 2; ++p) {
    ports.emplace_back([&, p] {
      int k = 0;
      while (!stop.load()) {
        const std::string frame = "#1F" + std::to_string((k++ * 7 + p * 13) % 150) + ";";
        rig_.hub.ReceiveFrame(frame, nullptr, true);
        const double v = user.GetValue();
        if (v != 1 && v != 2) wrong.fetch_add(1);
        frames.fetch_add(1);
      }
    });
  }
  for (int i = 0; i < 200; ++i) {
    table.Lut.Reload((i % 2 ? fileA : fileB).string(), &rig_.hub.ReceiveLock);
    table.Lut.Table.Interpolate = i % 3 == 0;
  }
  // Let some frames meet the last table too.
  while (frames.load() < 200) std::this_thread::yield();
  stop = true;
  for (auto& t : ports) t.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_GT(frames.load(), 0);
}

}  // namespace
}  // namespace qx
