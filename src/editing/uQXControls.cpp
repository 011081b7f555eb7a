#include "editing/uQXControls.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "channels/uTerminal.h"
#include "editing/uEditPanel.h"
#include "editing/uPropertyEditor.h"
#include "editing/uSendAnim.h"
#include "editing/uSheet.h"
#include "formula/UCalculate.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uStrSearch.h"

namespace qx {

namespace {

// Serial -> element, for messages from other threads (GUI thread only).
std::unordered_map<uint64_t, TQXElement*>& Registry() {
  static std::unordered_map<uint64_t, TQXElement*> map;
  return map;
}

std::vector<TQXElement*>& UpdateList() {
  static std::vector<TQXElement*> list;
  return list;
}

std::vector<TElementClass>& ClassList() {
  static std::vector<TElementClass> list;
  return list;
}

// Far out of the sheet either way is ignored: widget bounds summed from
// such positions would overflow int.
bool InCoordinateRange(int32_t value) {
  return value >= -kMaxCoordinate && value <= kMaxCoordinate;
}

}  // namespace

bool TQXElement::CompileStateVisible = true;
bool TQXElement::CompileStateShown = false;

QWidget* CurrentCanvas() {
  return CurrentSheet ? CurrentSheet->Canvas() : nullptr;
}

TQXElement::TQXElement(QWidget* owner) : QWidget(owner) {
  setAutoFillBackground(false);
  setGeometry(0, 0, 0, 0);
  Registry()[Serial()] = this;
  if (CurrentSheet) CurrentSheet->AddElement(this);
  if (owner) show();
}

TQXElement::~TQXElement() {
  // A frame dispatched after this point must not reach the element, nor the
  // display tick a freed one.
  if (!forgotten_) {
    if (Terminal) Terminal->RemoveElement(this);
    std::erase(UpdateList(), this);
    if (Sheet) Sheet->RemoveElement(this);
  }
  Registry().erase(Serial());
  TEditPanel::ForgetElement(this);
  TPropertyEditor::ForgetElement(this);
}

void TQXElement::UpdateDisplay() {
  TElementCore::UpdateDisplay();
}

void TQXElement::ResetValue() {
  TElementCore::ResetValue();
}

void TQXElement::ShowCompileState() {
  if (IsSubElement) return;
  TColor c = kFailedColor;
  if (Disabled)
    c = kEmptyColor;
  else if (SourceValid)
    c = kCompiledColor;
  else if (SourceEmpty)
    c = kEmptyColor;
  penColor_ = c;
  RepaintPart(rect());
}

void TQXElement::ClearCompileState() {
  if (IsSubElement) return;
  penColor_ = FrameColor;
  RepaintPart(rect());
}

void TQXElement::SetBckGndColor(TColor value) {
  brushColor_ = value;
  update();
  FollowEditFrame();
}

void TQXElement::SetFrameColor(TColor value) {
  FrameColor = value;
  penColor_ = value;
  update();
  FollowEditFrame();
}

void TQXElement::SetInitValue(double value) {
  InitValue = value;
  StoreValue(value);
}

void TQXElement::SetRunVisible(bool visible) {
  setVisible(visible);
}

void TQXElement::SetDenom(const std::string& value) {
  Denom = Utf8Left(value, 32);
  UpdateCaption();
  FollowEditFrame();
}

void TQXElement::SetSource(const std::string& value) {
  Source = Utf8Left(value, 255);
  SourceChanged();
  FollowEditFrame();
}

void TQXElement::SetLeft(int32_t value) {
  if (!InCoordinateRange(value)) return;
  move(value, y());
  FollowEditFrame();
  TEditPanel::UpdateSelection();
}

void TQXElement::SetTop(int32_t value) {
  if (!InCoordinateRange(value)) return;
  move(x(), value);
  FollowEditFrame();
  TEditPanel::UpdateSelection();
}

void TQXElement::SetWidth(int32_t value) {
  value = std::max(value, 0);
  if (value > kMaxCoordinate || value == width()) return;
  resize(value, height());
  FollowEditFrame();
  TEditPanel::UpdateSelection();
}

void TQXElement::SetHeight(int32_t value) {
  value = std::max(value, 0);
  if (value > kMaxCoordinate || value == height()) return;
  resize(width(), value);
  FollowEditFrame();
  TEditPanel::UpdateSelection();
}

void TQXElement::SetFrameWidth(int32_t value) {
  FrameWidth = std::max(value, 0);
  update();
  PanelResize();
  FollowEditFrame();
}

void TQXElement::FollowEditFrame() {
  if (EditComp) TEditPanel::Follow(*this);
  if (Sheet && !IsSubElement) Sheet->UpdateExtent();
}

void TQXElement::PostActivate(int32_t arg) {
  {
    // Two equal requests still waiting cover this one; a different one
    // queues behind them, so the order of different requests stays.
    std::lock_guard g(activateLock_);
    if (arg != activateLast_) {
      activateLast_ = arg;
      activateWaiting_ = 0;
    }
    if (activateWaiting_ >= 2) return;
    ++activateWaiting_;
  }
  const uint64_t serial = Serial();
  QMetaObject::invokeMethod(
      qApp,
      [serial, arg] {
        TQXElement* e = FindBySerial(serial);
        if (!e) return;
        {
          std::lock_guard g(e->activateLock_);
          if (arg == e->activateLast_ && e->activateWaiting_ > 0) --e->activateWaiting_;
        }
        e->Activate(arg);
      },
      Qt::QueuedConnection);
}

TQXElement* TQXElement::FindBySerial(uint64_t serial) {
  auto it = Registry().find(serial);
  return it == Registry().end() ? nullptr : it->second;
}

void TQXElement::paintEvent(QPaintEvent*) {
  QPainter p(this);
  PaintFrame(p);
}

void TQXElement::PaintFrame(QPainter& p) {
  const int w = std::min({FrameWidth, width() / 2 + 1, height() / 2 + 1});
  if (w <= 0) {
    p.fillRect(rect(), ColorToQColor(brushColor_));
    return;
  }
  // The frame band lies inside the element's edges, square corners. Both
  // colours are opaque: the frame colour over all and the background over
  // the inside show the same as four bands over the background, in two
  // fills instead of five (a tick repaints every display).
  p.fillRect(rect(), ColorToQColor(penColor_));
  const QRect inside = rect().adjusted(w, w, -w, -w);
  if (inside.isValid()) p.fillRect(inside, ColorToQColor(brushColor_));
}

void TQXElement::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PanelResize();
  PlaceProblemLabel();
}

void TQXElement::SetFileProblem(int32_t slot, const QString& text) {
  if (text.isEmpty())
    fileProblems_.erase(slot);
  else
    fileProblems_[slot] = text;
  const QString shown = FileProblem();
  if (shown.isEmpty()) {
    delete problemLabel_;
    problemLabel_ = nullptr;
    return;
  }
  if (!problemLabel_) {
    problemLabel_ = new QLabel(this);
    problemLabel_->setObjectName("fileProblem");
    problemLabel_->setTextFormat(Qt::PlainText);
    problemLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
    problemLabel_->setAutoFillBackground(true);
    QPalette pal = problemLabel_->palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, ColorToQColor(kFailedColor));
    problemLabel_->setPalette(pal);
    QFont f = problemLabel_->font();
    f.setPointSize(7);
    problemLabel_->setFont(f);
  }
  problemLabel_->setText(shown);
  problemLabel_->setToolTip(shown);
  PlaceProblemLabel();
  problemLabel_->show();
}

QString TQXElement::FileProblem() const {
  return fileProblems_.empty() ? QString() : fileProblems_.begin()->second;
}

void TQXElement::PlaceProblemLabel() {
  if (!problemLabel_) return;
  const int h = problemLabel_->sizeHint().height();
  problemLabel_->setGeometry(0, std::max(0, height() - h), width(), h);
  problemLabel_->raise();
}

// ---- class level -----------------------------------------------------------

namespace {

// Each parent's objects in the order of its children, from the front: each
// then leaves its parent's list of children at its head, found at once. One
// that another's destructor took along is not destroyed twice.
void DeleteInChildOrder(const std::unordered_set<QObject*>& objects) {
  std::unordered_set<QObject*> parents;
  for (QObject* o : objects) parents.insert(o->parent());
  std::vector<QPointer<QObject>> order;
  order.reserve(objects.size());
  for (QObject* p : parents) {
    if (!p) continue;
    for (QObject* c : p->children())
      if (objects.contains(c)) order.emplace_back(c);
  }
  for (QObject* o : objects)
    if (!o->parent()) order.emplace_back(o);
  for (const QPointer<QObject>& o : order) delete o.data();
}

}  // namespace

void TQXElement::DestroyAll(const std::vector<TQXElement*>& elements) {
  if (elements.empty()) return;
  const std::unordered_set<const TQXElement*> gone(elements.begin(), elements.end());
  const auto isGone = [&gone](const TQXElement* e) { return gone.contains(e); };
  if (Terminal) {
    const std::vector<const TElementCore*> cores(elements.begin(), elements.end());
    Terminal->RemoveElements(cores);
  }
  std::erase_if(UpdateList(), isGone);
  std::unordered_set<TSheet*> sheets;
  std::unordered_set<QObject*> frames, tops;
  for (TQXElement* e : elements) {
    if (e->Sheet) sheets.insert(e->Sheet);
    e->Sheet = nullptr;
    e->forgotten_ = true;
    if (e->EditComp) frames.insert(e->EditComp);
    if (!e->IsSubElement) tops.insert(e);
  }
  for (TSheet* s : sheets) std::erase_if(s->ElementList, isGone);
  std::unordered_set<TEditPanel*> panels;
  for (QObject* f : frames) panels.insert(static_cast<TEditComp*>(f)->Panel());
  for (TEditPanel* p : panels)
    std::erase_if(p->Frames, [&frames](TEditComp* f) { return frames.contains(f); });
  DeleteInChildOrder(frames);
  DeleteInChildOrder(tops);
}

std::vector<TQXElement*>& TQXElement::DisplayUpdateList() {
  return UpdateList();
}

void TQXElement::InitUpdateList() {
  UpdateList().clear();
}

void TQXElement::ForEach(const std::function<void(TQXElement&)>& visit) {
  for (size_t s = 0; s < SheetList.size(); ++s) {
    // Copy: a visit may create or destroy elements.
    const std::vector<TQXElement*> list = SheetList[s]->ElementList;
    for (TQXElement* e : list) visit(*e);
  }
}

void TQXElement::FillUpdateList() {
  auto& list = UpdateList();
  list.clear();
  ForEach([&list](TQXElement& e) {
    if (e.InUpdateList) list.push_back(&e);
    e.CompileDone();
  });
}

void TQXElement::StreamPrepareAll() {
  ForEach([](TQXElement& e) {
    if (!e.Disabled && e.IsStreamElement) e.StreamPrepare();
  });
}

namespace {

struct TPart {
  TQXElement* Element;
  QRect Rect;
};
bool gGatherParts = false;
std::vector<TPart> gParts;

// Thousands of separate dirty areas cost the toolkit more in bookkeeping than
// the painting (each is checked against all its siblings): where the changed
// elements fill most of the area they span on their parent, or are so many
// that the checks would cost more than painting all the parent shows, that
// area is repainted in one go.
void RepaintGathered() {
  std::stable_sort(gParts.begin(), gParts.end(), [](const TPart& a, const TPart& b) {
    return a.Element->parentWidget() < b.Element->parentWidget();
  });
  for (size_t i = 0; i < gParts.size();) {
    QWidget* parent = gParts[i].Element->parentWidget();
    size_t j = i;
    QRect span;
    int64_t area = 0;
    for (; j < gParts.size() && gParts[j].Element->parentWidget() == parent; ++j) {
      const QRect r = gParts[j].Element->geometry();
      span |= r;
      area += int64_t{r.width()} * r.height();
    }
    constexpr size_t kFewParts = 16, kManyParts = 256;
    if (parent && j - i >= kFewParts &&
        (j - i >= kManyParts || 2 * area >= int64_t{span.width()} * span.height())) {
      parent->update(span);
    } else {
      for (size_t k = i; k < j; ++k) gParts[k].Element->update(gParts[k].Rect);
    }
    i = j;
  }
  gParts.clear();
}

// The repaints the elements ask for while f runs are gathered.
template <class F>
void GatherRepaints(F&& f) {
  gGatherParts = true;
  f();
  gGatherParts = false;
  RepaintGathered();
}

}  // namespace

void TQXElement::RepaintPart(const QRect& part) {
  if (gGatherParts)
    gParts.push_back({this, part});
  else
    update(part);
}

void TQXElement::UpdateDisplayAll() {
  GatherRepaints([] {
    for (TQXElement* e : UpdateList()) {
      if (e->Changed.load(std::memory_order_acquire)) e->UpdateDisplay();
    }
  });
}

void TQXElement::StreamStartAll() {
  ForEach([](TQXElement& e) {
    if (!e.Disabled && e.IsStreamElement) e.StreamStart();
  });
}

void TQXElement::StreamStopAll() {
  ForEach([](TQXElement& e) {
    if (!e.Disabled && e.IsStreamElement) e.StreamStop();
  });
}

void TQXElement::ShowCompileStateAll() {
  if (!CompileStateVisible || (Terminal && Terminal->Connected.load()) || EditMode) return;
  CompileStateShown = true;
  GatherRepaints([] { ForEach([](TQXElement& e) { e.ShowCompileState(); }); });
  ShowHiddenElements(true);
}

void TQXElement::ClearCompileStateAll() {
  if (!CompileStateShown) return;
  CompileStateShown = false;
  GatherRepaints([] { ForEach([](TQXElement& e) { e.ClearCompileState(); }); });
  ShowHiddenElements(false);
}

std::vector<TElementClass>& TQXElement::Classes() {
  return ClassList();
}

void TQXElement::RegisterClass(TElementClass cls) {
  for (TElementClass& c : ClassList()) {
    if (c.SetName == cls.SetName) {
      c = std::move(cls);
      return;
    }
  }
  ClassList().push_back(std::move(cls));
}

const TElementClass* TQXElement::FindClass(std::string_view setName) {
  for (const TElementClass& c : ClassList()) {
    if (c.SetName == setName) return &c;
  }
  return nullptr;
}

void TQXElement::InitListings() {
  for (TElementClass& c : ClassList()) {
    if (c.InitListing) TEEListing::BuildOnFirstUse(c.Type, c.InitListing);
  }
}

void TQXElement::InitFileSets(TFLSetList& sets) {
  for (TElementClass& c : ClassList()) {
    if (c.InitFileSet) c.InitFileSet(sets);
    c.KeySet = sets.Find(c.SetName);
  }
}

std::string TypedPayload(char letter, std::string_view value) {
  std::string payload(1, letter);
  payload += value;
  return payload;
}

// ---- sending elements ---------------------------------------------------------

int32_t TQXAnimElement::SendPayload(std::string_view payload, const TQXElement* output) {
  if (!output) output = this;
  int32_t kind = AnimNotSent;
  if (!Terminal || !Terminal->Connected.load()) {
    kind = AnimNotSent;
  } else if (!output->SourceValid) {
    kind = AnimInvalid;
  } else {
    std::string frame = "#";
    frame += std::to_string(output->OutChannel);
    frame += payload;
    frame += ';';
    kind = Terminal->SendFrame(output->OutChannel, frame) ? AnimSent : AnimNotSent;
  }
  Animate(kind);
  return kind;
}

void TQXAnimElement::Animate(int32_t kind) {
  if (ShowAnim) TAnim::Create(this, width(), 6, kind);
}

void TAttachedQXElement::SetValue(double value) {
  TQXElement::SetValue(value);
  if (OnValue) OnValue(*this);
}

void TAttachedQXElement::SetStrValue(std::string_view value) {
  TQXElement::SetStrValue(value);
  if (OnStrValue) OnStrValue(*this);
}

}  // namespace qx
