// The window at scale, each figure beside a floor measured in the same run:
// opening 1000 and 10,000 displays (from the Open command and from the
// command line), Run -> Edit, Terminal or Console -> Run, the language switch
// and New at 10,000, closing the window during a load, saving, and
// the display tick with its repaint on the Run page. Displays stand at
// 140 x 32, the size users place them at. Every figure and floor is given as
// the minimum and the median over the iterations (the machine is shared);
// the ratio is taken of the minima.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLoggingCategory>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "BenchMemory.h"
#include "GuiBenchMain.h"
#include "editing/uEditPanel.h"
#include "editing/uSheet.h"
#include "editing/uSheetBckgnd.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uFileLoader.h"
#include "instruments/uQXAnalogDisp.h"
#include "instruments/uQXBargraph.h"
#include "instruments/uQXNumericDisp.h"
#include "instruments/uQXRemoteLabel.h"
#include "instruments/uQXTimeChart.h"
#include "instruments/uQXXYChart.h"
#include "shell/uCmdArgs.h"
#include "shell/uFileHandling.h"
#include "shell/uInit.h"
#include "shell/uLoadSaveForm.h"
#include "shell/uMain.h"
#include "shell/uRunSheet.h"
#include "shell/uSheetSelect.h"
#include "widgets/uDialogs.h"
#include "widgets/uTabBar.h"

namespace {

std::atomic<long> gAllocations{0};

}  // namespace

void* operator new(size_t n) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, size_t) noexcept {
  std::free(p);
}

namespace qx {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kCount = 1000;
constexpr int kBig = 10000;
// Displays of 140 x 32. 1000 stand in 20 columns side by side, all visible;
// 10,000 in 64 columns, as the sheet takes no position beyond 9000.
constexpr int kW = 140, kH = 32;
constexpr int kColumns = 20;
constexpr int kBigColumns = 64;
// Room for the 1000 (2800 x 1600) on the sheet below the menu.
const QSize kWindow(2840, 1780);

int ColumnsFor(int n) {
  return n > kCount ? kBigColumns : kColumns;
}

QRect Cell(int i, int columns = kColumns) {
  return QRect((i % columns) * kW, (i / columns) * kH, kW, kH);
}

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

struct TSamples {
  std::vector<double> V;
  void Add(double x) { V.push_back(x); }
  bool Empty() const { return V.empty(); }
  double Min() const { return V.empty() ? 0 : *std::min_element(V.begin(), V.end()); }
  double Max() const { return V.empty() ? 0 : *std::max_element(V.begin(), V.end()); }
  double Median() const {
    if (V.empty()) return 0;
    std::vector<double> s = V;
    std::sort(s.begin(), s.end());
    const size_t n = s.size();
    return n % 2 ? s[n / 2] : (s[n / 2 - 1] + s[n / 2]) / 2;
  }
};

// A figure and its floor, each as minimum and median over the iterations.
struct TFigure {
  TSamples Figure, Floor;
  void Report(benchmark::State& state, const char* goal = nullptr) const {
    state.counters["fig_min_ms"] = Figure.Min();
    state.counters["fig_med_ms"] = Figure.Median();
    if (!Floor.Empty()) {
      state.counters["floor_min_ms"] = Floor.Min();
      state.counters["floor_med_ms"] = Floor.Median();
      if (Floor.Min() > 0) state.counters["ratio"] = Figure.Min() / Floor.Min();
    }
    if (goal) state.SetLabel(goal);
  }
};

template <class F>
double TimeMs(F&& f) {
  const auto t0 = Clock::now();
  f();
  return Ms(Clock::now() - t0);
}

// Whatever is pending is painted now.
void Paint() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

void ShowPage(int32_t page) {
  MainForm->TabBar->SelectTab(page);
  Paint();
}

std::vector<TQXNumericDisp*> MakeDisplays(int n) {
  std::vector<TQXNumericDisp*> v;
  for (int i = 0; i < n; ++i) {
    auto* d = TQXNumericDisp::ElemCreate();
    d->setGeometry(Cell(i, ColumnsFor(n)));
    d->SetDenom("U");
    d->SetShowName(true);
    d->SetSource("#1");
    v.push_back(d);
  }
  TQXElement::FillUpdateList();
  CurrentSheet->UpdateExtent();
  return v;
}

template <class T>
void Free(std::vector<T*>& v) {
  for (T* e : v) delete e;
  v.clear();
  TQXElement::FillUpdateList();
  CurrentSheet->UpdateExtent();
  Paint();
}

// Counts the paint events a widget gets.
struct TPaintCount : QObject {
  int N = 0;
  std::vector<Clock::time_point> At;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) {
      ++N;
      At.push_back(Clock::now());
    }
    return false;
  }
};

// The flushes of (nearly) the whole window to the screen, from the
// toolkit's painting log (the flush is what the display server sees).
class TFullFlushes {
 public:
  TFullFlushes() {
    at_.clear();
    QLoggingCategory::setFilterRules("qt.widgets.painting.info=true");
    previous_ = qInstallMessageHandler(&Handler);
  }
  ~TFullFlushes() {
    qInstallMessageHandler(previous_);
    QLoggingCategory::setFilterRules("qt.widgets.painting.info=false");
  }
  const std::vector<Clock::time_point>& At() const { return at_; }

 private:
  static void Handler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (!context.category || std::strcmp(context.category, "qt.widgets.painting") != 0) {
      if (previous_) previous_(type, context, text);
      return;
    }
    // "Flushing top level QRegion(x,y wxh) and ..." or "Flushing top level
    // QRegion(size=n, bounds=(x,y wxh) - [(x,y wxh), ...]) and ...": the
    // area of its rectangles.
    if (!text.startsWith("Flushing top level QRegion(") || !MainForm) return;
    QString region = text.left(text.indexOf(") and "));
    if (region.contains(" - [")) region = region.mid(region.indexOf(" - ["));
    static const QRegularExpression rect("(\\d+)x(\\d+)");
    int64_t area = 0;
    for (const QRegularExpressionMatch& m : rect.globalMatch(region))
      area += m.captured(1).toLongLong() * m.captured(2).toLongLong();
    if (2 * area >= int64_t{MainForm->width()} * MainForm->height()) at_.push_back(Clock::now());
  }
  static inline std::vector<Clock::time_point> at_;
  static inline QtMessageHandler previous_ = nullptr;
};

// ---- floors: one widget painting the same texts --------------------------

// 1000 framed cells, each with a left caption and a right-aligned value (or,
// centred: one word-wrapped text), painted by one widget.
class TOneWidget : public QWidget {
 public:
  explicit TOneWidget(QWidget* parent, bool centred) : QWidget(parent), centred_(centred) {
    texts_.resize(kCount);
    QFont f = font();
    f.setPointSize(12);
    setFont(f);
    // What lies under it is not painted, as no display lies under another.
    setAttribute(Qt::WA_OpaquePaintEvent);
  }
  void SetTexts(double v) {
    for (int i = 0; i < kCount; ++i) texts_[i] = QString::number(v + i, 'g', 15);
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), ColorToQColor(kSheetColor));
    const QColor back = ColorToQColor(0xFFFFFF), frame = ColorToQColor(0xC0C0C0);
    for (int i = 0; i < kCount; ++i) {
      const QRect r = Cell(i);
      p.fillRect(r, back);
      p.fillRect(r.x(), r.y(), r.width(), 6, frame);
      p.fillRect(r.x(), r.bottom() - 5, r.width(), 6, frame);
      p.fillRect(r.x(), r.y(), 6, r.height(), frame);
      p.fillRect(r.right() - 5, r.y(), 6, r.height(), frame);
      const QRect in = r.adjusted(6, 6, -6, -6);
      if (centred_) {
        p.drawText(in, Qt::AlignCenter | Qt::TextWordWrap, texts_[i]);
      } else {
        p.drawText(in.adjusted(3, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, "U=");
        p.drawText(in, Qt::AlignRight | Qt::AlignVCenter, texts_[i]);
      }
    }
  }

 private:
  bool centred_;
  std::vector<QString> texts_;
};

template <class MakeAll, class Change>
void TickBeside(benchmark::State& state, MakeAll make, Change change, bool centred,
                const char* goal) {
  ShowPage(PageIndexRun);
  auto elements = make();
  Paint();
  // QX_BENCH_SHOTS=folder: how the page looks, to check every display shows.
  if (const char* shots = std::getenv("QX_BENCH_SHOTS"))
    MainForm->grab().save(QString(shots) + "/" + (centred ? "text" : "numeric") + ".png");
  auto* floor = new TOneWidget(CurrentSheet->Canvas(), centred);
  floor->setGeometry(0, 0, kColumns * kW, (kCount / kColumns + 1) * kH);
  floor->hide();
  TFigure fig;
  double v = 0;
  // The tick must repaint: paint events of one display per round.
  TPaintCount count;
  elements[kCount / 2]->installEventFilter(&count);
  int timedPaints = 0;
  for (auto _ : state) {
    v += 1.25;
    change(elements, v);
    const int before = count.N;
    const double t = TimeMs([] {
      TQXElement::UpdateDisplayAll();
      Paint();
    });
    timedPaints += count.N - before;
    fig.Figure.Add(t);
    state.SetIterationTime(t / 1000);
    // The floor over the same place, the displays hidden under it.
    state.PauseTiming();
    floor->show();
    floor->raise();
    Paint();
    fig.Floor.Add(TimeMs([&] {
      floor->SetTexts(v);
      Paint();
    }));
    floor->hide();
    Paint();
    state.ResumeTiming();
  }
  delete floor;
  elements[kCount / 2]->removeEventFilter(&count);
  state.counters["paints_per_round"] =
      static_cast<double>(timedPaints) /
      static_cast<double>(std::max<int64_t>(1, state.iterations()));
  Free(elements);
  fig.Report(state, goal);
}

// Display tick + repaint of 1000 changed, visible numeric displays.
void BM_NumericTick1000(benchmark::State& state) {
  TickBeside(
      state, [] { return MakeDisplays(kCount); },
      [](std::vector<TQXNumericDisp*>& v, double x) {
        for (int i = 0; i < kCount; ++i) v[i]->SetValue(x + i);
      },
      false, "goal: ratio <= 1.5");
}
BENCHMARK(BM_NumericTick1000)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);

// The same for 1000 text displays.
void BM_TextTick1000(benchmark::State& state) {
  TickBeside(
      state,
      [] {
        std::vector<TQXRemoteLabel*> v;
        for (int i = 0; i < kCount; ++i) {
          auto* d = TQXRemoteLabel::ElemCreate();
          d->setGeometry(Cell(i));
          d->SetSource("#1");
          v.push_back(d);
        }
        TQXElement::FillUpdateList();
        return v;
      },
      [](std::vector<TQXRemoteLabel*>& v, double x) {
        for (int i = 0; i < kCount; ++i)
          v[i]->SetStrValue(QString::number(x + i, 'g', 15).toStdString());
      },
      true, "goal: ratio <= 1.5");
}
BENCHMARK(BM_TextTick1000)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);

// ---- open, Run -> Edit, close during a load, save -------------------------------

// Answers the open dialog with one file.
class TOpenAnswer : public TDialogProvider {
 public:
  std::string File;
  void Message(QWidget*, const QString&) override {}
  bool Question(QWidget*, const QString&) override { return false; }
  std::optional<TColor> ChooseColor(QWidget*, TColor) override { return std::nullopt; }
  std::optional<TFontDesc> ChooseFont(QWidget*, const TFontDesc&) override { return std::nullopt; }
  std::optional<std::string> ChooseFile(QWidget*, const TFileDialogRequest&) override {
    return File;
  }
};

// Project files of count numeric displays side by side, written once.
std::string ProjectFile(int count) {
  static QTemporaryDir dir;
  const std::string name = dir.path().toStdString() + "/panel" + std::to_string(count) + ".qxproj";
  if (!QFile::exists(QString::fromStdString(name))) {
    auto displays = MakeDisplays(count);
    const std::string text = FileLoad->ProjectText();
    Free(displays);
    QFile f(QString::fromStdString(name));
    if (f.open(QIODevice::WriteOnly)) f.write(text.data(), static_cast<qint64>(text.size()));
  }
  return name;
}

// A plain widget painting what a display shows: frame, caption and value.
class TPlainDisplay : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, ColorToQColor(0xC0C0C0));
    p.fillRect(r.adjusted(6, 6, -6, -6), ColorToQColor(0xFFFFFF));
    const QRect in = r.adjusted(6, 6, -6, -6);
    p.drawText(in.adjusted(3, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, "U=");
    p.drawText(in, Qt::AlignRight | Qt::AlignVCenter, "0");
  }
};

// Plain Qt: count such widgets created and painted.
double OpenFloorMs(int count) {
  QWidget* host = CurrentSheet->Canvas();
  QWidget* box = nullptr;
  const int columns = ColumnsFor(count);
  const double t = TimeMs([&] {
    box = new QWidget(host);
    box->setGeometry(0, 0, columns * kW, (count / columns + 1) * kH);
    for (int i = 0; i < count; ++i) (new TPlainDisplay(box))->setGeometry(Cell(i, columns));
    box->show();
    box->raise();
    Paint();
  });
  delete box;
  Paint();
  return t;
}

// The longest time the progress bar stood still: from the start, between
// its paints, up to the window painted without the page (Shown).
struct TBarWatch : QObject {
  Clock::time_point Start, Shown;
  std::vector<Clock::time_point> Paints;
  TBarWatch() {
    FormLoadSave->PanelProgressBar->installEventFilter(this);
    Start = Shown = Clock::now();
  }
  ~TBarWatch() override { FormLoadSave->PanelProgressBar->removeEventFilter(this); }
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) Paints.push_back(Clock::now());
    return false;
  }
  double LongestStillMs() const {
    double longest = 0;
    Clock::time_point last = Start;
    for (const Clock::time_point& t : Paints) {
      longest = std::max(longest, Ms(t - last));
      last = t;
    }
    return std::max(longest, Ms(Shown - last));
  }
};

// Open (dialog answered) of range(0) numeric displays up to the painted
// window, without the page's closing pause of 200 ms (the same for every
// size); floor: as many plain widgets created and painted. bar_still_ms:
// the longest time the progress bar stood still, up to the window painted
// with the elements (the pause left out).
void BM_Open(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  TOpenAnswer answer;
  answer.File = ProjectFile(count);
  SetDialogProvider(&answer);
  FormLoadSave->ClosePauseMs = 0;
  TFigure fig;
  TSamples still;
  for (auto _ : state) {
    TBarWatch watch;
    const double t = TimeMs([] {
      FileHandling->Open();
      Paint();
    });
    watch.Shown = Clock::now();
    fig.Figure.Add(t);
    still.Add(watch.LongestStillMs());
    state.SetIterationTime(t / 1000);
    state.PauseTiming();
    if (TSheet::ElementCount() != count) state.SkipWithError("not every element loaded");
    FileHandling->New();
    Paint();
    fig.Floor.Add(OpenFloorMs(count));
    state.ResumeTiming();
  }
  FormLoadSave->ClosePauseMs = 200;
  SetDialogProvider(nullptr);
  FileHandling->New();
  Paint();
  state.counters["bar_still_max_ms"] = still.Max();
  fig.Report(state, count > kCount ? "goal: <= 1000 ms (+200 ms pause), bar still <= 250 ms"
                                   : "(goal: see the command-line open)");
}
BENCHMARK(BM_Open)->Arg(kCount)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_Open)->Arg(kBig)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// A full repaint of the sheet on the Run page: every visible element paints
// itself.
double RepaintSheetMs() {
  return TimeMs([] { CurrentSheet->Canvas()->repaint(); });
}

// Opens the project file of count displays (dialog answered, no pause).
bool OpenProject(int count) {
  TOpenAnswer answer;
  answer.File = ProjectFile(count);
  SetDialogProvider(&answer);
  FormLoadSave->ClosePauseMs = 0;
  FileHandling->Open();
  FormLoadSave->ClosePauseMs = 200;
  SetDialogProvider(nullptr);
  TQXElement::FillUpdateList();
  Paint();
  return TSheet::ElementCount() == count;
}

// Run page -> Edit page with range(0) displays (opened as a project),
// painted; between the rounds every value changes on the Run page, so every
// snapshot is taken anew. Floor: two full repaints of the sheet (the
// elements painted once for their snapshots and once shown).
void BM_RunToEdit(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  if (!OpenProject(count)) state.SkipWithError("not every element loaded");
  ShowPage(PageIndexRun);
  TFigure fig;
  double v = 0;
  for (auto _ : state) {
    const double t = TimeMs([] { ShowPage(PageIndexEdit); });
    fig.Figure.Add(t);
    state.SetIterationTime(t / 1000);
    state.PauseTiming();
    ShowPage(PageIndexRun);
    v += 1.25;
    TQXElement::ForEach([v](TQXElement& e) { e.SetValue(v); });
    TQXElement::UpdateDisplayAll();
    Paint();
    fig.Floor.Add(RepaintSheetMs() + RepaintSheetMs());
    state.ResumeTiming();
  }
  ShowPage(PageIndexRun);
  FileHandling->MarkUnchanged();
  FileHandling->New();
  Paint();
  fig.Report(state, count > kCount ? "goal: <= 500 ms" : "goal: <= 30 ms");
}
BENCHMARK(BM_RunToEdit)->Arg(kCount)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_RunToEdit)->Arg(kBig)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// ---- 10,000 displays: back to the Run page, the language switch, New -------

void CloseProject() {
  FileHandling->MarkUnchanged();
  FileHandling->New();
  Paint();
}

// The floor of a page with count displays: one widget on the sheet painting
// what they show, only the cells in the painted area.
class TDisplaysAsOne : public QWidget {
 public:
  TDisplaysAsOne(QWidget* parent, int count) : QWidget(parent), count_(count) {
    const int columns = ColumnsFor(count);
    setGeometry(0, 0, columns * kW, (count / columns + 1) * kH);
    setAttribute(Qt::WA_OpaquePaintEvent);
    show();
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter p(this);
    const QRect area = event->rect();
    p.fillRect(area, ColorToQColor(kSheetColor));
    const int columns = ColumnsFor(count_);
    for (int i = 0; i < count_; ++i) {
      const QRect r = Cell(i, columns);
      if (!r.intersects(area)) continue;
      p.fillRect(r, ColorToQColor(0xC0C0C0));
      const QRect in = r.adjusted(6, 6, -6, -6);
      p.fillRect(in, ColorToQColor(0xFFFFFF));
      p.drawText(in.adjusted(3, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, "U=");
      p.drawText(in, Qt::AlignRight | Qt::AlignVCenter, "0");
    }
  }

 private:
  int count_;
};

// Runs step iterations times on the Run page of an empty project whose
// sheet holds the displays as one widget; the times of step.
template <class Step>
TSamples OnOnePage(int64_t iterations, Step step) {
  ShowPage(PageIndexRun);
  auto* one = new TDisplaysAsOne(CurrentSheet->Canvas(), kBig);
  Paint();
  TSamples s;
  for (int64_t i = 0; i < iterations; ++i) s.Add(step());
  delete one;
  Paint();
  return s;
}

// Back to the Run page from range(0) (the Terminal or the Console page)
// with 10,000 displays, painted. Floor: the same switch with the displays
// as one widget.
void BM_ToRun10000(benchmark::State& state) {
  const auto from = static_cast<int32_t>(state.range(0));
  if (!OpenProject(kBig)) state.SkipWithError("not every element loaded");
  ShowPage(PageIndexRun);
  TFigure fig;
  auto step = [from] {
    ShowPage(from);
    return TimeMs([] { ShowPage(PageIndexRun); });
  };
  for (auto _ : state) {
    state.PauseTiming();
    ShowPage(from);
    state.ResumeTiming();
    const double t = TimeMs([] { ShowPage(PageIndexRun); });
    fig.Figure.Add(t);
    state.SetIterationTime(t / 1000);
  }
  CloseProject();
  fig.Floor = OnOnePage(state.iterations(), step);
  fig.Report(state, "goal: <= 100 ms");
}
BENCHMARK(BM_ToRun10000)
    ->Arg(PageIndexTerminal)
    ->Arg(PageIndexConsole)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(7);

// A language switch (English and German in turn) on the Run page with
// 10,000 displays, painted. Floor: the same with the displays as one widget.
void BM_LanguageOnRun10000(benchmark::State& state) {
  if (!OpenProject(kBig)) state.SkipWithError("not every element loaded");
  ShowPage(PageIndexRun);
  TFigure fig;
  int round = 0;
  auto step = [&round] {
    const std::string code = round++ % 2 ? "de" : "en";
    return TimeMs([&code] {
      TMainForm::MenuItemLanguageClick(code);
      Paint();
    });
  };
  for (auto _ : state) {
    const double t = step();
    fig.Figure.Add(t);
    state.SetIterationTime(t / 1000);
  }
  CloseProject();
  fig.Floor = OnOnePage(state.iterations(), step);
  TMainForm::MenuItemLanguageClick("de");
  Paint();
  fig.Report(state, "goal: <= 150 ms");
}
BENCHMARK(BM_LanguageOnRun10000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(8);

// New on the Edit page after opening 10,000 displays, painted. Floor: New
// with an empty sheet.
void BM_New10000(benchmark::State& state) {
  TFigure fig;
  for (auto _ : state) {
    state.PauseTiming();
    if (!OpenProject(kBig)) state.SkipWithError("not every element loaded");
    state.ResumeTiming();
    const double t = TimeMs([] {
      FileHandling->New();
      Paint();
    });
    fig.Figure.Add(t);
    state.SetIterationTime(t / 1000);
    state.PauseTiming();
    if (TSheet::ElementCount() != 0) state.SkipWithError("elements left");
    fig.Floor.Add(TimeMs([] {
      FileHandling->New();
      Paint();
    }));
    state.ResumeTiming();
  }
  fig.Report(state, "goal: <= 100 ms");
}
BENCHMARK(BM_New10000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// ---- a program of its own: from the command line, closing during a load ----

// The child: the program as it starts, opening project (none: empty) from
// its command line, in a window of its own size. open: once start-up and the load are done, the event
// loop runs on for 500 ms; then it writes the full flushes of the window
// (their count and the time from the first to the last, in ms) on
// descriptor 3 and closes the window. close: the window is closed delay ms
// after the event loop starts (a negative delay: once start-up and the load
// are done); it writes the moment of the close.
int ChildMain(bool open, int delayMs, const std::string& project) {
  std::string name = "quillex";
  std::vector<char*> argv{name.data()};
  std::string p = project;
  if (!p.empty()) argv.push_back(p.data());
  int argc = static_cast<int>(argv.size());
  argv.push_back(nullptr);
  QApplication app(argc, argv.data());
  int rc = 0;
  {
    TMainForm form;
    GlobalInit(form);
    // The window at the program's own size: the sheet scrolls.
    std::unique_ptr<TFullFlushes> flushes;
    if (open) flushes = std::make_unique<TFullFlushes>();
    form.show();
    const auto start = Clock::now();
    auto answer = [&form](const std::string& text) {
      if (write(3, text.data(), text.size()) < 0) std::abort();
      close(3);
      form.close();
    };
    auto closeAt = [answer](Clock::time_point at) {
      answer(std::to_string(at.time_since_epoch().count()));
    };
    if (delayMs < 0 || open) {
      // Timers run again once start-up's second part and its load are over.
      auto* poll = new QTimer(&form);
      QObject::connect(poll, &QTimer::timeout, &form, [=, &flushes] {
        if (FileLoad->Loading() || (FileLoad->ProjectFile.empty() != (TSheet::ElementCount() == 0)))
          return;
        poll->stop();
        if (!open) return closeAt(Clock::now());
        QTimer::singleShot(500, [answer, &flushes] {
          const auto& at = flushes->At();
          const double ms = at.empty() ? 0 : Ms(at.back() - at.front());
          answer(std::to_string(at.size()) + " " + std::to_string(ms));
        });
      });
      poll->start(5);
    } else {
      QTimer::singleShot(delayMs, &form, [closeAt, start, delayMs] {
        // The moment the user closed the window, however late the program
        // saw it.
        closeAt(start + std::chrono::milliseconds(delayMs));
      });
    }
    rc = app.exec();
    flushes.reset();
    GlobalFree();
  }
  return rc;
}

constexpr const char* kChildOption = "--qx-child=";

// Runs the child (mode "open" or "close"); its answer, empty when it failed.
// ended: when it ended.
std::string RunChild(const char* mode, int delayMs, const std::string& project,
                     Clock::time_point* spawned = nullptr, Clock::time_point* ended = nullptr) {
  int out[2];
  if (pipe(out) != 0) return {};
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return {};
  self[n] = 0;
  const std::string arg =
      kChildOption + std::string(mode) + ":" + std::to_string(delayMs) + ":" + project;
  // Settings of its own: nothing one child saves reaches the next.
  QTemporaryDir config;
  std::vector<std::string> env{"XDG_CONFIG_HOME=" + config.path().toStdString()};
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "XDG_CONFIG_HOME=", 16) != 0) env.emplace_back(*e);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string argument = arg;
  char* childArgv[] = {self, argument.data(), nullptr};
  // Spawned without copying this process's memory: a fork would make each
  // page this process writes afterwards fault once, floors included.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  if (out[1] != 3) {
    posix_spawn_file_actions_adddup2(&actions, out[1], 3);
    posix_spawn_file_actions_addclose(&actions, out[1]);
  }
  if (spawned) *spawned = Clock::now();
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, self, &actions, nullptr, childArgv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (failed) {
    close(out[0]);
    close(out[1]);
    return {};
  }
  close(out[1]);
  std::string text;
  char buf[256];
  for (ssize_t r; (r = read(out[0], buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(r));
  close(out[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (ended) *ended = Clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
  return text;
}

// The time from the close to the child's end, in ms (negative: it failed).
double RunCloseChild(const std::string& project, int delayMs, double* loadMs = nullptr) {
  Clock::time_point spawned, ended;
  const std::string text = RunChild("close", delayMs, project, &spawned, &ended);
  if (text.empty()) return -1;
  const Clock::time_point closed{Clock::duration{std::stoll(text)}};
  if (loadMs) *loadMs = Ms(closed - spawned);
  return Ms(ended - closed);
}

// The project given on the command line, in a program as it starts: the
// time from the window's first flush (it shows the progress page) to its
// last one (the page gone, the elements shown), as the display server sees
// it. full_repaints: the flushes of the whole window after the first (one:
// the page closes and the elements appear in the same flush). Floor: as for
// the open, plus the page's closing pause of 200 ms.
void BM_CommandLineOpen1000(benchmark::State& state) {
  const std::string file = ProjectFile(kCount);
  FileHandling->New();
  Paint();
  TFigure fig;
  TSamples repaints;
  for (auto _ : state) {
    int flushes = 0;
    double t = 0;
    if (std::sscanf(RunChild("open", 0, file).c_str(), "%d %lf", &flushes, &t) != 2)
      state.SkipWithError("the child failed");
    fig.Figure.Add(t);
    repaints.Add(flushes - 1);
    state.SetIterationTime(t / 1000);
    state.PauseTiming();
    fig.Floor.Add(OpenFloorMs(kCount) + FormLoadSave->ClosePauseMs);
    state.ResumeTiming();
  }
  state.counters["full_repaints_max"] = repaints.Max();
  fig.Report(state, "goal: <= 400 ms (with the 200 ms pause), one full repaint");
}
BENCHMARK(BM_CommandLineOpen1000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// The window of a program that opens 10,000 displays from its command line
// is closed at moments spread over the load and after it; the figure is the
// time from the close to the program's end. Floor: the same for a program
// without project. load_ms: start-up and load of the child; worst_at_ms:
// when the slowest close came.
void BM_CloseDuringLoad10000(benchmark::State& state) {
  const std::string file = ProjectFile(kBig);
  TFigure fig;
  double loadMs = 0;
  // The first round closes after the finished load and tells its length.
  const double atRest = RunCloseChild(file, -1, &loadMs);
  if (atRest < 0) state.SkipWithError("the child failed");
  fig.Figure.Add(atRest);
  double worstAt = loadMs;  // the moment of the slowest close, in ms
  int round = 0;
  for (auto _ : state) {
    const int delay = static_cast<int>(loadMs * (0.1 + 0.8 * round / 7.0));
    ++round;
    const double t = RunCloseChild(file, delay);
    if (t < 0) state.SkipWithError("the child failed");
    if (t > fig.Figure.Max()) worstAt = delay;
    fig.Figure.Add(t);
    state.SetIterationTime(t / 1000);
    state.PauseTiming();
    fig.Floor.Add(RunCloseChild(std::string(), -1));
    state.ResumeTiming();
  }
  state.counters["fig_max_ms"] = fig.Figure.Max();
  state.counters["load_ms"] = loadMs;
  state.counters["worst_at_ms"] = worstAt;
  fig.Report(state, "goal: max <= 500 ms");
}
BENCHMARK(BM_CloseDuringLoad10000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(8);

// ---- a project with one text value of 60 MB -------------------------------

// File > Open of a project whose one text value of 60 MB stands in a place a
// control shows (range(0): 0 the sheet name on its tab, 1 a switch caption,
// 2 a chart's axis title), painted, then the close's question whether it
// changed. Reports the peak resident memory above what the process held
// before, as a multiple of the file size (the goal: at most 4).
void BM_OpenLargeText(benchmark::State& state) {
  static const char* const kPlaces[] = {
      "QXSHEET\r\nname \"%s\"\r\n",
      "QXSHEET\r\nQXSWITCH\r\nposition x=30 y=30\r\nsize x=200 y=60\r\ncaption0 \"%s\"\r\n",
      "QXSHEET\r\nQXTIMECHART\r\nposition x=30 y=30\r\nsize x=400 y=300\r\nshowXAchsLabel "
      "true\r\nxAxisTitle \"%s\"\r\n"};
  QTemporaryDir dir;
  TOpenAnswer answer;
  answer.File = dir.path().toStdString() + "/large.qxproj";
  int64_t fileBytes = 0;
  {
    std::string place = kPlaces[state.range(0)];
    const size_t at = place.find("%s");
    std::string text = "QXGENERAL\r\n" + place.substr(0, at);
    text.append(60 * 1024 * 1024, 'x');
    text += place.substr(at + 2);
    fileBytes = static_cast<int64_t>(text.size());
    if (!WriteTextFileAtomic(answer.File, text)) state.SkipWithError("write failed");
  }
  SetDialogProvider(&answer);
  FormLoadSave->ClosePauseMs = 0;
  if (!ResetPeakRss()) state.SkipWithError("peak resident memory cannot be reset");
  int64_t peak = 0;
  for (auto _ : state) {
    const int64_t before = RssBytes("VmRSS:");
    ResetPeakRss();
    FileHandling->Open();
    Paint();
    if (FileHandling->Changed()) state.SkipWithError("changed");
    peak = std::max(peak, RssBytes("VmHWM:") - before);
    FileHandling->New();
    Paint();
  }
  FormLoadSave->ClosePauseMs = 200;
  SetDialogProvider(nullptr);
  state.counters["peak_MB"] = static_cast<double>(peak) / (1024 * 1024);
  state.counters["peak_per_file"] = static_cast<double>(peak) / static_cast<double>(fileBytes);
  state.SetLabel("goal: peak_per_file <= 4");
}
BENCHMARK(BM_OpenLargeText)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(2);

// ---- start-up to the first paint ----------------------------------------

// The child for the start-up: on the first flush of a top-level window it
// writes that moment on descriptor 3 and ends the program. hello: Qt's
// hello-world (a label) at the main window's size; otherwise the program's
// own main.
int StartChildMain(bool hello) {
  static auto* previous = qInstallMessageHandler(nullptr);
  QLoggingCategory::setFilterRules("qt.widgets.painting.info=true");
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (!context.category || std::strcmp(context.category, "qt.widgets.painting") != 0) {
      if (previous) previous(type, context, text);
      return;
    }
    static bool written = false;
    if (written || !text.startsWith("Flushing top level")) return;
    written = true;
    const std::string at = std::to_string(Clock::now().time_since_epoch().count());
    if (write(3, at.data(), at.size()) < 0) std::abort();
    close(3);
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
  });
  std::string name = "quillex";
  char* argv[] = {name.data(), nullptr};
  int argc = 1;
  if (!hello) return ProgramMain(argc, argv);
  QApplication app(argc, argv);
  QLabel label("Hello, world!");
  label.resize(1200, 800);
  label.show();
  return app.exec();
}

// The time from the spawn to the first paint, in ms (negative: it failed).
double RunStartChild(const char* mode) {
  Clock::time_point spawned;
  const std::string text = RunChild(mode, 0, std::string(), &spawned);
  if (text.empty()) return -1;
  return Ms(Clock::time_point{Clock::duration{std::stoll(text)}} - spawned);
}

// A program started without project, up to its window's first flush; the
// floor: Qt's hello-world, started by the same binary, so that both load the
// same libraries.
void BM_StartUp(benchmark::State& state) {
  TFigure fig;
  for (auto _ : state) {
    const double t = RunStartChild("start");
    if (t < 0) state.SkipWithError("the child failed");
    fig.Figure.Add(t);
    state.SetIterationTime(t / 1000);
    state.PauseTiming();
    fig.Floor.Add(RunStartChild("hello"));
    state.ResumeTiming();
  }
  fig.Report(state, "goal: ratio <= 1.5");
}
BENCHMARK(BM_StartUp)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

// Saving 1000 elements from the window (with the page's 200 ms pause); the
// floor is the core writer alone plus that pause.
void BM_Save1000(benchmark::State& state) {
  QTemporaryDir dir;
  ShowPage(PageIndexEdit);
  auto displays = MakeDisplays(kCount);
  Paint();
  FileLoad->ProjectFile = dir.path().toStdString() + "/saved.qxproj";
  TFigure fig;
  for (auto _ : state) {
    const double t = TimeMs([] {
      if (FileLoad->SaveProject() != TLoadSaveResult::Done) std::abort();
      Paint();
    });
    fig.Figure.Add(t);
    state.SetIterationTime(t / 1000);
    state.PauseTiming();
    const double f = TimeMs([&] {
      const std::string text = FileLoad->ProjectText();
      QFile out(dir.path() + "/core.qxproj");
      if (out.open(QIODevice::WriteOnly)) out.write(text.data(), static_cast<qint64>(text.size()));
    });
    fig.Floor.Add(f + FormLoadSave->ClosePauseMs);
    state.ResumeTiming();
  }
  FileLoad->ProjectFile.clear();
  Free(displays);
  fig.Report(state, "goal: figure <= floor + 50 ms");
}
BENCHMARK(BM_Save1000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);

// ---- the rest -------------------------------------------------------------------

void BM_SetValueAllocations(benchmark::State& state) {
  auto displays = MakeDisplays(1);
  TQXElement& e = *displays[0];
  double v = 0;
  long allocations = 0;
  for (auto _ : state) {
    const long before = gAllocations.load();
    e.SetValue(v += 1);
    allocations += gAllocations.load() - before;
  }
  state.counters["allocations"] = static_cast<double>(allocations);
  Free(displays);
}
BENCHMARK(BM_SetValueAllocations);

QRect GaugeCell(int i) {
  return QRect((i % 5) * 205, (i / 5) * 45, 200, 40);
}
QRect BarCell(int i) {
  return QRect(1030 + (i % 6) * 55, (i / 6) * 105, 50, 100);
}

// Floor of the gauges and bars: one widget painting a scale with a needle and
// a value for each gauge and ten segments for each bar.
class TGaugeFloor : public QWidget {
 public:
  explicit TGaugeFloor(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
  }
  double Fraction = 0;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), ColorToQColor(kSheetColor));
    for (int i = 0; i < 100; ++i) {
      const QRect g = GaugeCell(i);
      p.fillRect(g, QColor(240, 240, 240));
      const int s = g.left() + g.width() / 8, e = g.left() + g.width() * 7 / 8;
      p.setPen(Qt::black);
      for (int k = 0; k <= 10; ++k) {
        const int x = s + (e - s) * k / 10;
        p.drawLine(x, g.top() + 4, x, g.top() + (k % 5 ? 10 : 14));
      }
      const int nx = s + static_cast<int>((e - s) * Fraction);
      p.fillRect(nx - 1, g.top() + 2, 3, g.height() - 16, Qt::red);
      p.drawText(g.adjusted(4, 24, -4, 0), Qt::AlignRight, QString::number(Fraction * 100, 'f', 1));
      const QRect b = BarCell(i);
      p.fillRect(b, QColor(64, 64, 64));
      const int lit = static_cast<int>(10 * Fraction);
      for (int k = 0; k < 10; ++k)
        p.fillRect(b.left() + 4, b.bottom() - 4 - (k + 1) * 9, b.width() - 8, 7,
                   k < lit ? QColor(0, 200, 0) : QColor(0, 60, 0));
    }
  }
};

// One display tick that moves 100 analog gauges and 100 bar graphs, painted.
void BM_GaugeAndBarTick(benchmark::State& state) {
  ShowPage(PageIndexRun);
  std::vector<TQXElement*> elements;
  for (int i = 0; i < 100; ++i) {
    auto* a = TQXAnalogDisp::ElemCreate();
    a->SetMode(2);
    a->move(GaugeCell(i).topLeft());
    auto* b = TQXBargraph::ElemCreate();
    b->move(BarCell(i).topLeft());
    elements.push_back(a);
    elements.push_back(b);
  }
  TQXElement::FillUpdateList();
  Paint();
  auto* floor = new TGaugeFloor(CurrentSheet->Canvas());
  floor->setGeometry(0, 0, 1400, 1800);
  floor->hide();
  TFigure fig;
  double v = 0;
  for (auto _ : state) {
    state.PauseTiming();
    v = v >= 100 ? 0 : v + 7.5;
    for (TQXElement* e : elements) e->SetValue(v);
    state.ResumeTiming();
    const double t = TimeMs([] {
      TQXElement::UpdateDisplayAll();
      Paint();
    });
    fig.Figure.Add(t);
    state.SetIterationTime(t / 1000);
    state.PauseTiming();
    floor->show();
    floor->raise();
    Paint();
    fig.Floor.Add(TimeMs([&] {
      floor->Fraction = v / 100;
      floor->update();
      Paint();
    }));
    floor->hide();
    Paint();
    state.ResumeTiming();
  }
  delete floor;
  Free(elements);
  fig.Report(state, "goal: ratio <= 2");
}
BENCHMARK(BM_GaugeAndBarTick)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1);

// ---- charts ----

// Filled with 10 curves of points; XY chart when xy, else time chart.
TQXChartBase* MakeChart(bool xy, int points) {
  TQXChartBase* c = xy ? static_cast<TQXChartBase*>(TQXXYChart::ElemCreate())
                       : static_cast<TQXChartBase*>(TQXTimeChart::ElemCreate());
  c->resize(800, 500);
  c->SetCurveQty(10);
  for (int32_t n = 1; n <= 10; ++n) {
    QVector<double> x(points), y(points);
    for (int i = 0; i < points; ++i) {
      x[i] = i * (20.0 / points);
      y[i] = 5 + 4 * std::sin(i * 0.001 + n);
    }
    if (xy)
      static_cast<TQXXYChart*>(c)->Curve(n)->setData(x, y);
    else
      static_cast<TQXTimeChart*>(c)->Graph(n)->setData(x, y, true);
  }
  return c;
}

// Floor of a replot: the same 10 curves of 100,000 points drawn as
// polylines into a picture of the chart's size.
double ChartFloorMs() {
  std::vector<QPolygonF> curves(10);
  for (int n = 0; n < 10; ++n) {
    curves[n].resize(100000);
    for (int i = 0; i < 100000; ++i)
      curves[n][i] = QPointF(40 + i * 0.0074, 250 - 50 * std::sin(i * 0.001 + n + 1));
  }
  QImage image(800, 500, QImage::Format_RGB32);
  return TimeMs([&] {
    QPainter p(&image);
    p.fillRect(image.rect(), Qt::white);
    for (const QPolygonF& c : curves) p.drawPolyline(c);
  });
}

// One full replot of 10 curves x 100,000 points (offscreen);
// range(0): 0 time chart, 1 XY chart.
void BM_ChartReplot10x100k(benchmark::State& state) {
  TQXChartBase* c = MakeChart(state.range(0) != 0, 100000);
  QCoreApplication::processEvents();
  TFigure fig;
  for (auto _ : state) {
    const double t = TimeMs([c] { c->Chart->replot(QCustomPlot::rpImmediateRefresh); });
    fig.Figure.Add(t);
    state.SetIterationTime(t / 1000);
    state.PauseTiming();
    fig.Floor.Add(ChartFloorMs());
    state.ResumeTiming();
  }
  delete c;
  fig.Report(state, "goal: < 50 ms");
}
BENCHMARK(BM_ChartReplot10x100k)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1);

double ResidentMB() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<double>(resident) * 4096.0 / (1024.0 * 1024.0);
}

// Memory of a chart whose 10 curves get 5000 points per display tick, for
// 400 ticks (2,000,000 points a curve): the trim keeps each at or below
// 100,000, so the resident size after 200 and after 400 ticks is the same.
// range(0): 0 time chart, 1 XY chart.
void BM_ChartMemoryPlateau(benchmark::State& state) {
  const bool xy = state.range(0) != 0;
  double mid = 0, end = 0;
  int points = 0;
  for (auto _ : state) {
    TQXChartBase* c = MakeChart(xy, 0);
    double x = 0;
    for (int tick = 1; tick <= 400; ++tick) {
      for (int i = 0; i < 5000; ++i, x += 0.01) {
        for (int32_t n = 1; n <= 10; ++n) {
          if (xy)
            static_cast<TQXXYChart*>(c)->Curve(n)->addData(x, x, n);
          else
            static_cast<TQXTimeChart*>(c)->Graph(n)->addData(x, n);
        }
      }
      c->UpdateDisplay();
      if (tick == 200) mid = ResidentMB();
    }
    end = ResidentMB();
    points = xy ? static_cast<TQXXYChart*>(c)->PointCount(1)
                : static_cast<TQXTimeChart*>(c)->PointCount(1);
    delete c;
  }
  state.counters["rss_mb_tick200"] = mid;
  state.counters["rss_mb_tick400"] = end;
  state.counters["points_per_curve"] = points;
}
BENCHMARK(BM_ChartMemoryPlateau)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qx

int main(int argc, char** argv) {
  // A program of its own: --qx-child=MODE:DELAY:PROJECT (MODE open, close,
  // start or hello).
  const size_t optionLength = std::strlen(qx::kChildOption);
  if (argc == 2 && std::strncmp(argv[1], qx::kChildOption, optionLength) == 0) {
    const std::string spec = argv[1] + optionLength;
    const size_t a = spec.find(':'), b = spec.find(':', a + 1);
    if (b == std::string::npos) return 2;
    const std::string mode = spec.substr(0, a);
    if (mode == "start" || mode == "hello") return qx::StartChildMain(mode == "hello");
    return qx::ChildMain(spec.substr(0, a) == "open", std::stoi(spec.substr(a + 1, b - a - 1)),
                         spec.substr(b + 1));
  }
  return qx::RunGuiBenchmarks(argc, argv, qx::kWindow, [] { qx::Paint(); });
}
