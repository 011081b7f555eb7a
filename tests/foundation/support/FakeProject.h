// Small stand-ins for ports, sheets and elements with sets of every entry
// kind, indexed entries and sub-elements. Header-only so the fuzz targets and
// the benchmark can use it too.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foundation/uFileLoadSet.h"
#include "foundation/uFileLoader.h"
#include "foundation/uProjectSettings.h"

namespace qx::fake {

struct FakeSheet;

struct FakePort : TFLObject {
  const TFLSet* Set = nullptr;
  std::string Name = "/dev/ttyUSB0";
  int32_t Baud = 9600;
  double Timeout = 0.5;
  bool Enabled = true;
  int32_t Parity = 0;  // enum "none", "odd", "even"
  bool operator==(const FakePort& o) const {
    return Name == o.Name && Baud == o.Baud && Timeout == o.Timeout && Enabled == o.Enabled &&
           Parity == o.Parity;
  }
};

struct FakeElement : TFLObject {
  const TFLSet* Set = nullptr;
  bool IsSub = false;
  FakeSheet* Sheet = nullptr;
};

// An element with every entry kind and an indexed colour family.
struct FakeGauge : FakeElement {
  static constexpr int32_t kMaxLeds = 10;
  std::string Name = "gauge";
  std::string Source;
  std::string Caption = "Caption";
  std::string Unit = "V";
  int32_t Channel = 1;
  int32_t Decimals = 2;
  double Value = 0;
  double Min = 0;
  double Max = 100;
  double Step = 1;
  bool Visible = true;
  bool ReadOnly = false;
  bool Frame = true;
  uint32_t Color = 0x00FF00;
  uint32_t BackColor = 0xE9DCD1;
  int32_t Left = 10, Top = 20, Width = 100, Height = 30;
  TFontDesc Font;
  int32_t Mode = 0;  // enum "stretch", "fixWidth", "fixHeight", "orig"
  int32_t LedCount = 3;
  std::array<uint32_t, kMaxLeds> LedColors{};

  uint32_t LedColor(int32_t i) const { return LedColors.at(static_cast<size_t>(i)); }
  void SetLedColor(int32_t i, uint32_t c) { LedColors.at(static_cast<size_t>(i)) = c; }
  void SetLedCount(int32_t n) { LedCount = std::clamp(n, 0, kMaxLeds); }

  bool operator==(const FakeGauge& o) const {
    return Name == o.Name && Source == o.Source && Caption == o.Caption && Unit == o.Unit &&
           Channel == o.Channel && Decimals == o.Decimals && Value == o.Value && Min == o.Min &&
           Max == o.Max && Step == o.Step && Visible == o.Visible && ReadOnly == o.ReadOnly &&
           Frame == o.Frame && Color == o.Color && BackColor == o.BackColor && Left == o.Left &&
           Top == o.Top && Width == o.Width && Height == o.Height && Font == o.Font &&
           Mode == o.Mode && LedCount == o.LedCount &&
           std::equal(LedColors.begin(), LedColors.begin() + LedCount, o.LedColors.begin());
  }
};

// A chart whose curves are sub-elements; the chart's block carries them.
struct FakeCurve : FakeElement {
  std::string Title;
  uint32_t Color = 0;
};

struct FakeChart : FakeElement {
  static constexpr int32_t kMaxCurves = 8;
  std::string Name = "chart";
  std::vector<FakeCurve*> Curves;
  int32_t CurveCount() const { return static_cast<int32_t>(Curves.size()); }
  void SetCurveCount(int32_t n);  // adds/removes curve sub-elements on the sheet
  std::string CurveTitle(int32_t i) const {
    return i < CurveCount() ? Curves[static_cast<size_t>(i)]->Title : std::string();
  }
  void SetCurveTitle(int32_t i, const std::string& t) {
    if (i < CurveCount()) Curves[static_cast<size_t>(i)]->Title = t;
  }
  uint32_t CurveColor(int32_t i) const {
    return i < CurveCount() ? Curves[static_cast<size_t>(i)]->Color : 0;
  }
  void SetCurveColor(int32_t i, uint32_t c) {
    if (i < CurveCount()) Curves[static_cast<size_t>(i)]->Color = c;
  }
};

struct FakeSheet : TFLObject {
  std::string Caption = "Sheet";
  uint32_t Color = 0xE9DCD1;
  std::vector<std::unique_ptr<FakeElement>> Elements;
};

inline void FakeChart::SetCurveCount(int32_t n) {
  n = std::clamp(n, 0, kMaxCurves);
  auto& list = Sheet->Elements;
  while (CurveCount() < n) {
    const auto self =
        std::find_if(list.begin(), list.end(), [this](auto& e) { return e.get() == this; });
    auto curve = std::make_unique<FakeCurve>();
    curve->IsSub = true;
    curve->Sheet = Sheet;
    Curves.push_back(curve.get());
    list.insert(self + CurveCount(), std::move(curve));  // after the chart and its curves
  }
  while (CurveCount() > n) {
    FakeCurve* last = Curves.back();
    Curves.pop_back();
    std::erase_if(list, [last](auto& e) { return e.get() == last; });
  }
}

// A whole project: settings, ports, sheets with elements, and its sets.
class FakeProject : public TProjectContent {
 public:
  FakeProject() {
    DefineSets();
    New();
  }

  TFLSetList Sets;
  TProjectGeneralSettings General;
  std::vector<std::unique_ptr<FakePort>> Ports;
  std::vector<std::unique_ptr<FakeSheet>> Sheets;
  FakeSheet* Current = nullptr;
  bool FirstSheetPending = false;
  std::vector<std::string> Messages;
  int32_t BeginUpdates = 0, EndUpdates = 0, FrameUpdates = 0, HideListings = 0;

  const TFLSet* SheetSet = nullptr;
  const TFLSet* PortSet = nullptr;
  const TFLSet* GaugeSet = nullptr;
  const TFLSet* ChartSet = nullptr;

  // New, and the general settings and counters as a fresh project has them
  // (a fuzz target reuses one project for every input).
  void Reset() {
    New();
    General = TProjectGeneralSettings();
    Messages.clear();
    BeginUpdates = EndUpdates = FrameUpdates = HideListings = 0;
  }

  // A new project: no ports, one empty sheet that the first sheet block reuses.
  void New() {
    Ports.clear();
    Sheets.clear();
    Sheets.push_back(std::make_unique<FakeSheet>());
    Current = Sheets.back().get();
    FirstSheetPending = true;
  }

  FakePort& AddPort() {
    Ports.push_back(std::make_unique<FakePort>());
    Ports.back()->Set = PortSet;
    return *Ports.back();
  }
  FakeSheet& AddSheet() {
    if (FirstSheetPending) {
      FirstSheetPending = false;
    } else {
      Sheets.push_back(std::make_unique<FakeSheet>());
      Current = Sheets.back().get();
    }
    return *Current;
  }
  template <class E>
  E& AddElement() {
    auto e = std::make_unique<E>();
    E& ref = *e;
    ref.Sheet = Current;
    ref.Set = std::is_same_v<E, FakeChart> ? ChartSet : GaugeSet;
    Current->Elements.push_back(std::move(e));
    return ref;
  }

  // TProjectContent
  TPersistItem GeneralSettings() override { return {&General, Sets.Find("QXGENERAL")}; }
  int32_t PortCount() override { return static_cast<int32_t>(Ports.size()); }
  TPersistItem Port(int32_t i) override {
    return {Ports.at(static_cast<size_t>(i)).get(), Ports.at(static_cast<size_t>(i))->Set};
  }
  int32_t SheetCount() override { return static_cast<int32_t>(Sheets.size()); }
  TPersistItem Sheet(int32_t i) override {
    return {Sheets.at(static_cast<size_t>(i)).get(), SheetSet};
  }
  int32_t ElementCount(int32_t s) override {
    return static_cast<int32_t>(Sheets.at(static_cast<size_t>(s))->Elements.size());
  }
  TPersistElement Element(int32_t s, int32_t i) override {
    FakeElement* e = Sheets.at(static_cast<size_t>(s))->Elements.at(static_cast<size_t>(i)).get();
    return {e, e->Set, e->IsSub};
  }
  void BeginUpdate() override { ++BeginUpdates; }
  void EndUpdate() override { ++EndUpdates; }
  void HideListing() override { ++HideListings; }
  void UpdateFrames() override { ++FrameUpdates; }
  void ShowMessage(const std::string& text) override { Messages.push_back(text); }

 private:
  void DefineSets() {
    {
      auto b = Sets.Define<FakeSheet>("QXSHEET", [this] { return &AddSheet(); });
      b.String("caption", &FakeSheet::Caption);
      b.Color("color", &FakeSheet::Color);
      SheetSet = &b.Set();
    }
    TProjectGeneralSettings::DefineSet(Sets, General);
    {
      auto b = Sets.Define<FakePort>("QXFAKEPORT", [this] { return &AddPort(); });
      b.String("name", &FakePort::Name);
      b.Int("baud", &FakePort::Baud);
      b.Real("timeout", &FakePort::Timeout);
      b.Bool("enabled", &FakePort::Enabled);
      b.Enum("parity", {"none", "odd", "even"}, &FakePort::Parity);
      PortSet = &b.Set();
    }
    {
      using G = FakeGauge;
      auto b = Sets.Define<G>("QXFAKEGAUGE", [this] { return &AddElement<G>(); });
      b.String("name", &G::Name);
      b.IntXY("position", &G::Left, &G::Top);
      b.IntXY("size", &G::Width, &G::Height);
      b.String("source", &G::Source);
      b.String("caption", &G::Caption);
      b.String("unit", &G::Unit);
      b.Int("channel", &G::Channel);
      b.Int("decimals", &G::Decimals);
      b.Real("value", &G::Value);
      b.Real("min", &G::Min);
      b.Real("max", &G::Max);
      b.Real("step", &G::Step);
      b.Bool("visible", &G::Visible);
      b.Bool("readOnly", &G::ReadOnly);
      b.Bool("frame", &G::Frame);
      b.Color("color", &G::Color);
      b.Color("backColor", &G::BackColor);
      b.Font("font", &G::Font);
      b.Enum("mode", {"stretch", "fixWidth", "fixHeight", "orig"}, &G::Mode);
      b.Int("ledCount", &G::LedCount, &G::SetLedCount);
      for (int32_t i = 0; i < G::kMaxLeds; ++i) {
        auto& e = b.Color("ledColor" + std::to_string(i), &G::LedColor, &G::SetLedColor);
        e.SetIndex(i);
        b.ActiveWhen(e, [](G& g, int32_t index) { return index < g.LedCount; });
      }
      GaugeSet = &b.Set();
    }
    {
      using C = FakeChart;
      auto b = Sets.Define<C>("QXFAKECHART", [this] { return &AddElement<C>(); });
      b.String("name", &C::Name);
      b.Int("curveCount", &C::CurveCount, &C::SetCurveCount);
      for (int32_t i = 0; i < C::kMaxCurves; ++i) {
        auto& t = b.String("curveTitle" + std::to_string(i), &C::CurveTitle, &C::SetCurveTitle);
        t.SetIndex(i);
        b.ActiveWhen(t, [](C& c, int32_t index) { return index < c.CurveCount(); });
        auto& k = b.Color("curveColor" + std::to_string(i), &C::CurveColor, &C::SetCurveColor);
        k.SetIndex(i);
        b.ActiveWhen(k, [](C& c, int32_t index) { return index < c.CurveCount(); });
      }
      ChartSet = &b.Set();
    }
  }
};

}  // namespace qx::fake
