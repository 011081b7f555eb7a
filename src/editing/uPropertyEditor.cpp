#include "editing/uPropertyEditor.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <map>
#include <stdexcept>

#include "editing/uQXControls.h"
#include "editing/uSheetBckgnd.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "widgets/uDialogs.h"
#include "widgets/uLangStrings.h"
#include "widgets/uRibbonButton.h"

namespace qx {

namespace {

constexpr int kPanelWidth = 400;
constexpr int kRowWidth = 380;
constexpr int kRowHeight = 40;
constexpr int kBackBarHeight = 40;
constexpr TColor kBoxColor = 0xF0F0F0;
constexpr size_t kMaxListings = 100;

void FillColor(QWidget* w, TColor c) {
  w->setAutoFillBackground(true);
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, ColorToQColor(c));
  w->setPalette(pal);
}

// Keeps the boxes and the back bar fitted to the panel.
class TPanelWatcher final : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override;
};

// The panel's class-level state; EEInit starts it afresh.
struct TEEState {
  QPointer<QWidget> panel;
  std::function<void()> fitPanel;
  QPointer<TPanelWatcher> watcher;
  QPointer<TEEListing> current;
  TFLObject* shown = nullptr;
  QPointer<TEEListing> built;
  int buildPosition = 0;
  TListingMode mode = TListingMode::Build;
  int entryIndex = 0;
  QPointer<TEEListing> saved;
  int savedEntryIndex = 0;
  QPointer<TEESubListing> currentSub;
  QPointer<TFramePanel> backBar;
  QPointer<TRibbonButton> backButton;
  int32_t propIndex = 0;
  std::vector<TEEListing*> registry;
  std::map<std::type_index, QPointer<TEEListing>> classes;
  // Builders of the listings not built yet.
  std::map<std::type_index, std::function<void()>> pending;
  bool atLeft = false;
};

TEEState S;

int SubBoxHeight() {
  return S.panel ? std::max(0, S.panel->height() - (kBackBarHeight - 1)) : 0;
}

void FitToPanel() {
  if (!S.panel) return;
  const int w = S.panel->width();
  for (QObject* o : S.panel->children()) {
    auto* l = qobject_cast<TEEListing*>(o);
    if (!l || !l->Box) continue;
    if (qobject_cast<TEESubListing*>(l))
      l->Box->setGeometry(0, 0, w, SubBoxHeight());
    else
      l->Box->setGeometry(S.panel->rect());
  }
  if (S.backBar) S.backBar->setGeometry(0, SubBoxHeight() - 1, w, kBackBarHeight);
}

bool TPanelWatcher::eventFilter(QObject* watched, QEvent* event) {
  if (watched == S.panel && event->type() == QEvent::Resize) FitToPanel();
  return false;
}

// The pixel widths the rows give their captions and check boxes are those
// of another toolkit's font; here a text that does not fit widens its control
// up to the next control to its right (or the row's edge), never below the
// width it was made with.
void FitTexts(TEEEintrag* row) {
  const QList<QWidget*> controls = row->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  for (QWidget* c : controls) {
    int need = 0;
    if (auto* l = qobject_cast<QLabel*>(c)) {
      if (l->wordWrap() || l->text().isEmpty()) continue;
      int widest = 0;
      for (const QString& line : l->text().split('\n'))
        widest = std::max(widest, l->fontMetrics().horizontalAdvance(line));
      need = widest + l->width() - l->contentsRect().width() + 2 * l->margin();
    } else if (auto* b = qobject_cast<QCheckBox*>(c)) {
      if (b->text().isEmpty()) continue;
      need = b->sizeHint().width();
    } else {
      continue;
    }
    QVariant base = c->property("qxBaseWidth");
    if (!base.isValid()) {
      base = c->width();
      c->setProperty("qxBaseWidth", base);
    }
    int limit = row->width();
    for (QWidget* o : controls) {
      if (o == c || o->isHidden() || o->x() <= c->x()) continue;
      const bool sideBySide = o->y() < c->y() + c->height() && c->y() < o->y() + o->height();
      if (sideBySide) limit = std::min(limit, o->x() - 2);
    }
    const int width = std::max(base.toInt(), std::min(need, limit - c->x()));
    if (width != c->width()) c->resize(width, c->height());
  }
}

void RefreshRows(TEEListing* listing) {
  if (!listing || !S.shown) return;
  for (TEEEintrag* e : listing->Entries) {
    if (!S.shown) return;  // a setter may have let the object go
    e->Refresh(*S.shown);
    FitTexts(e);
    // A value longer than its edit shows its start, as one reads it.
    for (QLineEdit* edit : e->findChildren<QLineEdit*>())
      if (!edit->hasFocus()) edit->setCursorPosition(0);
  }
}

void CommitRows(TEEListing* listing) {
  if (!listing) return;
  for (TEEEintrag* e : listing->Entries) e->Commit();
}

void HideSubsOf(TEEListing* listing) {
  if (!listing) return;
  for (TEESubListing* sub : listing->SubListings) sub->Box->hide();
}

}  // namespace

// ---- panel ------------------------------------------------------------------

void TPropertyEditor::EEInit(QWidget* panel, std::function<void()> fitPanel) {
  EEFree();
  S.panel = panel;
  S.fitPanel = std::move(fitPanel);
  if (panel) {
    S.watcher = new TPanelWatcher(panel);
    panel->installEventFilter(S.watcher);
  }
}

void TPropertyEditor::EEFree() {
  delete S.watcher.data();
  S = TEEState();
}

void TPropertyEditor::ShowListing(TEEListing* listing, TFLObject* element) {
  if (!listing) {
    Dialogs().Message(S.panel, Tr("upropertyeditor.seenolist",
                                  "EEList nicht initialisiert! Fehlender Aufruf von EEInit in "
                                  "uInit?"));
    return;
  }
  if (!S.panel) return;
  // What was typed for the object shown so far belongs to that object.
  if (S.panel->isVisible()) CommitPending();
  PlacePanel(element);
  S.panel->show();
  S.panel->raise();
  S.shown = element;
  // Every other listing goes, not only the last current one: a refresh run
  // after a language change leaves another listing current than the shown.
  for (TEEListing* l : S.registry) {
    if (l == listing) continue;
    l->Box->hide();
    HideSubsOf(l);
  }
  if (S.current && S.current != listing) {
    S.current->Box->hide();
    TEESubListing::HideAll();
  }
  S.current = listing;
  TEESubListing::HideAll();
  RefreshRows(listing);
  listing->Box->show();
  listing->Box->raise();
}

void TPropertyEditor::ShowElement(TQXElement& element) {
  ShowListing(ListingOf(element), &element);
}

void TPropertyEditor::ShowBackground(TSheetBckgnd& background) {
  ShowListing(ListingOf(background), &background);
}

void TPropertyEditor::HideListing() {
  if (!S.panel || S.panel->isHidden()) return;
  CommitPending();
  if (S.current) S.current->Box->setFocus();
  S.panel->hide();
}

void TPropertyEditor::RefreshListing() {
  if (!S.panel || !S.panel->isVisible() || !S.current) return;
  RefreshRows(S.current);
}

void TPropertyEditor::ArrangeListing() {
  if (S.current) S.current->Arrange();
}

void TPropertyEditor::PlacePanel(TFLObject* element) {
  if (!S.panel) return;
  QWidget* window = S.panel->parentWidget();
  const int clientWidth = window ? window->width() : S.panel->width();
  bool left = false;
  if (auto* e = dynamic_cast<TQXElement*>(element)) {
    left = e->x() > kPanelWidth && e->x() + e->width() > clientWidth - kPanelWidth;
  }
  S.atLeft = left;
  S.panel->setGeometry(left ? 0 : clientWidth - kPanelWidth, S.panel->y(), kPanelWidth,
                       S.panel->height());
  if (S.fitPanel) S.fitPanel();
}

void TPropertyEditor::LangUpdate() {
  if (S.backButton)
    S.backButton->SetCaption(Tr("upropertyeditor.seeback",
                                "Zur\xC3\xBC"
                                "ck"));
}

void TPropertyEditor::CommitPending() {
  if (!S.shown) return;
  CommitRows(S.current);
  if (S.current) {
    for (TEESubListing* sub : S.current->SubListings) {
      if (!sub->Box->isHidden()) CommitRows(sub);
    }
  }
}

void TPropertyEditor::ForgetElement(TQXElement* element) {
  if (element) ForgetObject(element);
}

void TPropertyEditor::ForgetObject(TFLObject* object) {
  if (!object || S.shown != object) return;
  S.shown = nullptr;
  if (S.panel) S.panel->hide();
}

TQXElement* TPropertyEditor::ShownElement() {
  return dynamic_cast<TQXElement*>(S.shown);
}
TFLObject* TPropertyEditor::ShownObject() {
  return S.shown;
}
TEEListing* TPropertyEditor::CurrentListing() {
  return S.current;
}
TEESubListing* TPropertyEditor::CurrentSubListing() {
  return S.currentSub;
}
QWidget* TPropertyEditor::Panel() {
  return S.panel;
}
bool TPropertyEditor::PanelVisible() {
  return S.panel && S.panel->isVisible();
}
bool TPropertyEditor::PanelAtLeft() {
  return S.atLeft;
}
TListingMode TPropertyEditor::ListingMode() {
  return S.mode;
}
int32_t& TPropertyEditor::PropIndex() {
  return S.propIndex;
}
TRibbonButton* TPropertyEditor::BackButton() {
  return S.backButton;
}
QWidget* TPropertyEditor::BackBar() {
  return S.backBar;
}
const std::vector<TEEListing*>& TPropertyEditor::ListingRegistry() {
  return S.registry;
}

TEEListing* TPropertyEditor::ListingOf(const TFLObject& object) {
  const std::type_index type(typeid(object));
  if (const auto waiting = S.pending.find(type); waiting != S.pending.end()) {
    const std::function<void()> build = std::move(waiting->second);
    S.pending.erase(waiting);
    build();
  }
  const auto it = S.classes.find(type);
  return it == S.classes.end() ? nullptr : it->second.data();
}

// ---- frame panel ----------------------------------------------------------

TFramePanel::TFramePanel(QWidget* parent) : QWidget(parent) {}

void TFramePanel::SetColor(TColor color) {
  color_ = color;
  update();
}

void TFramePanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int w = width(), h = height();
  p.fillRect(rect(), ColorToQColor(color_));
  p.setPen(ColorToQColor(0xB3ADAB));
  p.drawRect(0, 0, w - 1, h - 1);
  p.setPen(ColorToQColor(0xFFFFFF));
  const QPoint pts[] = {{1, 1}, {1, h - 2}, {w - 2, h - 2}, {w - 2, 1}, {1, 1}};
  p.drawPolyline(pts, 5);
}

// ---- listings ---------------------------------------------------------------

TEEListing::TEEListing() : QObject(S.panel.data()) {}

// Rows and boxes belong to the panel and go with it.
TEEListing::~TEEListing() = default;

void TEEListing::MakeBox(QWidget* panel, bool sub) {
  Box = new QScrollArea(panel);
  Box->setFrameShape(QFrame::NoFrame);
  Box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Box->setFocusPolicy(Qt::ClickFocus);  // takes the focus, but no tab stop
  Box->setWidgetResizable(false);
  FillColor(Box, kBoxColor);
  FillColor(Box->viewport(), kBoxColor);
  Content = new QWidget;
  Content->resize(kRowWidth, 0);
  FillColor(Content, kBoxColor);
  Box->setWidget(Content);
  if (sub)
    Box->setGeometry(0, 0, panel->width(), SubBoxHeight());
  else
    Box->setGeometry(panel->rect());
  Box->hide();
}

TEEListing* TEEListing::Create() {
  if (!S.panel) throw std::logic_error("TEEListing::Create: EEInit has not run");
  auto* l = new TEEListing();
  l->MakeBox(S.panel, false);
  S.mode = TListingMode::Build;
  S.built = l;
  S.buildPosition = 0;
  RegisterListing(l);
  return l;
}

void TEEListing::BeginRefresh(TEEListing* listing) {
  S.entryIndex = 0;
  S.mode = TListingMode::Refresh;
  S.current = listing;
}

TEEEintrag* TEEListing::NextEntry() {
  TEEListing* l = S.current;
  if (!l || S.entryIndex < 0 || S.entryIndex >= static_cast<int>(l->Entries.size())) return nullptr;
  return l->Entries[static_cast<size_t>(S.entryIndex++)];
}

void TEEListing::Arrange() {
  int y = 0;
  for (TEEEintrag* e : Entries) {
    if (e->isHidden()) continue;
    e->move(0, y);
    y += e->height();
  }
  Content->resize(kRowWidth, y);
}

void TEEListing::EnableEntries(bool flag) {
  for (size_t i = 2; i < Entries.size(); ++i) Entries[i]->setEnabled(flag);
}

void TEEListing::RegisterListing(TEEListing* listing) {
  if (S.registry.size() >= kMaxListings)
    throw std::logic_error("TEEListing::RegisterListing: more than 100 listings");
  S.registry.push_back(listing);
  S.current = listing;
}

void TEEListing::Begin(QPointer<TEEListing>& var) {
  if (!var)
    var = Create();
  else
    BeginRefresh(var);
}

void TEEListing::End(TEEListing* listing) {
  if (!listing) return;
  listing->Box->hide();
  listing->Arrange();
}

void TEEListing::BindType(std::type_index type, TEEListing* listing) {
  S.classes[type] = listing;
}

void TEEListing::BuildOnFirstUse(std::type_index type, std::function<void()> build) {
  const auto it = S.classes.find(type);
  if (it != S.classes.end() && it->second) {
    build();
    return;
  }
  // Building every class's rows at start-up took a third of it.
  S.pending[type] = std::move(build);
}

// ---- sub-listings -----------------------------------------------------------

TEESubListing* TEESubListing::Create() {
  Dialogs().Message(S.panel,
                    "Internal Error: TEESubListing.Create: Inherited Constructor not "
                    "suitable for SubListings");
  return nullptr;
}

TEESubListing* TEESubListing::CreateSubListing(TEEListing* parentListing, TEEListing* backTarget) {
  if (!S.panel) throw std::logic_error("TEESubListing::CreateSubListing: EEInit has not run");
  auto* sub = new TEESubListing();
  sub->ParentListing = parentListing;
  sub->BackTarget = backTarget;
  if (parentListing) parentListing->SubListings.push_back(sub);
  sub->MakeBox(S.panel, true);
  if (!S.backBar) {
    S.backBar = new TFramePanel(S.panel);
    S.backBar->SetColor(0xE4E4E4);
    S.backBar->setGeometry(0, SubBoxHeight() - 1, S.panel->width(), kBackBarHeight);
    S.backBar->hide();
    S.backButton = new TRibbonButton(S.backBar);
    S.backButton->setGeometry(5, 5, 100, 30);
    S.backButton->SetPicture(EEArrowPicture(false));
    S.backButton->SetPicTop(3);
    TPropertyEditor::LangUpdate();
    QObject::connect(S.backButton, &TRibbonButton::clicked, S.backButton, [] { BackClick(); });
  }
  S.mode = TListingMode::Build;
  S.built = sub;
  S.buildPosition = 0;
  return sub;
}

void TEESubListing::EnterListing(TEESubListing* sub) {
  S.saved = S.current;
  S.savedEntryIndex = S.entryIndex;
  S.current = sub;
  S.entryIndex = 0;
}

void TEESubListing::LeaveListing() {
  S.current = S.saved;
  S.entryIndex = S.savedEntryIndex;
}

void TEESubListing::ShowSubListing(TEESubListing* sub) {
  if (!sub) return;
  // Leaving the rows underneath applies what was typed there.
  TPropertyEditor::CommitPending();
  RefreshRows(sub);
  // A refresh may have changed row heights (the value table fills the box).
  sub->Arrange();
  sub->Box->show();
  sub->Box->raise();
  if (S.backBar) {
    S.backBar->show();
    S.backBar->raise();
  }
  if (S.backButton) S.backButton->setFocus();
  S.currentSub = sub;
}

void TEESubListing::HideAll() {
  if (!S.current || S.current->SubListings.empty()) return;
  HideSubsOf(S.current);
  if (S.backBar) S.backBar->hide();
  S.currentSub = nullptr;
}

void TEESubListing::BackClick() {
  TEESubListing* sub = S.currentSub;
  if (!sub) return;
  if (S.shown) CommitRows(sub);
  sub->Box->hide();
  TEESubListing* back = nullptr;
  if (sub->ParentListing) {
    for (TEESubListing* s : sub->ParentListing->SubListings) {
      if (s == sub->BackTarget) back = s;
    }
  }
  if (back) {
    S.currentSub = back;
  } else {
    if (S.backBar) S.backBar->hide();
    S.currentSub = nullptr;
  }
  TPropertyEditor::RefreshListing();
}

void TEESubListing::Begin(QPointer<TEESubListing>& var, TEEListing* parent,
                          TEEListing* backTarget) {
  if (!var)
    var = CreateSubListing(parent, backTarget);
  else
    BeginRefresh(var);
  EnterListing(var);
}

// ---- rows -------------------------------------------------------------------

TEEEintrag::TEEEintrag() : QWidget(S.built ? S.built->Content : nullptr) {
  if (!S.built) throw std::logic_error("TEEEintrag: no listing is being built");
  Listing = S.built;
  Listing->Entries.push_back(this);
  setGeometry(0, S.buildPosition, kRowWidth, kRowHeight);
  S.buildPosition += kRowHeight;
  QWidget* content = Listing->Content;
  content->resize(kRowWidth, std::max(content->height(), S.buildPosition));
  show();
}

void TEEEintrag::SetPropIndex() const {
  if (HasIndex) S.propIndex = Index;
}

void TEEEintrag::SetRowHeight(int height) {
  const int old = this->height();
  resize(kRowWidth, height);
  if (S.mode == TListingMode::Build && S.built == Listing && Listing->Entries.back() == this) {
    S.buildPosition += height - old;
    Listing->Content->resize(kRowWidth, S.buildPosition);
  }
}

void TEEEintrag::CheckKind(TEEEintrag* row, const std::type_info& kind) {
  if (!row) throw std::logic_error("listing refresh: more rows than the listing was built with");
  if (typeid(*row) != kind)
    throw std::logic_error("listing refresh: a row of another kind than at build time");
}

// ---- shared parts -----------------------------------------------------------

TEESwatch::TEESwatch(QWidget* parent) : QWidget(parent) {
  setCursor(Qt::PointingHandCursor);
}

void TEESwatch::SetFill(TColor color) {
  fill_ = color;
  update();
}

void TEESwatch::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(ColorToQColor(0xB4B4B4));
  p.setBrush(ColorToQColor(fill_));
  p.drawRect(0, 0, width() - 1, height() - 1);
}

void TEESwatch::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit clicked();
}

QImage EEArrowPicture(bool right) {
  QImage img(24, 24, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x50, 0x50, 0x50));
  QPolygon arrow({{4, 10}, {12, 10}, {12, 5}, {20, 12}, {12, 19}, {12, 14}, {4, 14}});
  if (!right) {
    for (QPoint& pt : arrow) pt.setX(24 - pt.x());
  }
  p.drawPolygon(arrow);
  return img;
}

TRibbonButton* EEArrowButton(QWidget* row, int x, int y) {
  auto* b = new TRibbonButton(row);
  b->setGeometry(x, y, 28, 28);
  b->SetPicture(EEArrowPicture(true));
  b->SetPicLeft(3);
  b->SetPicTop(2);
  return b;
}

}  // namespace qx
