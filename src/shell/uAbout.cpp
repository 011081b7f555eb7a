#include "shell/uAbout.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <cmath>
#include <numbers>

#include "channels/uTerminal.h"
#include "widgets/uLangStrings.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uSettingLoader.h"
#include "shell/EmbeddedModalForm.h"

namespace qx {

TFormAbout* FormAbout = nullptr;
TEmbeddedModalFormItem* AboutItem = nullptr;

namespace {

constexpr QSize kCheetahSize(144, 118);
constexpr QPoint kFrameOrigin(6, 28);
constexpr QSize kFrameSize(132, 84);

// One leg from its hip: upper and lower part swing with the stride phase.
void DrawLeg(QPainter& p, QPointF hip, double phase, bool front) {
  const double swing = std::sin(phase) * (front ? 0.7 : 0.6);
  const double bend = (std::cos(phase) + 1.0) * (front ? 0.5 : -0.55);
  const double a1 = std::numbers::pi / 2 + swing;
  const QPointF knee = hip + QPointF(std::cos(a1) * 20, std::sin(a1) * 20);
  const double a2 = a1 + bend;
  const QPointF foot = knee + QPointF(std::cos(a2) * 18, std::sin(a2) * 18);
  p.drawLine(hip, knee);
  p.drawLine(knee, foot);
}

QImage RunnerFrame(int index) {
  QImage img(kFrameSize, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  const double phase = index * 2 * std::numbers::pi / 8;
  const double lift = std::sin(phase * 2) * 2;  // the body rises twice a stride
  const QColor coat(214, 160, 72), dark(70, 52, 30);

  QPen legPen(coat.darker(115), 6, Qt::SolidLine, Qt::RoundCap);
  p.setPen(legPen);
  // Far legs first, a shade darker, half a stride apart from the near legs.
  DrawLeg(p, QPointF(34, 40 + lift), phase + std::numbers::pi, false);
  DrawLeg(p, QPointF(92, 38 + lift), phase, true);

  p.setPen(Qt::NoPen);
  p.setBrush(coat);
  p.drawEllipse(QRectF(22, 24 + lift, 82, 26));  // body
  p.drawEllipse(QRectF(98, 14 + lift, 24, 18));  // head
  p.drawPolygon(QPolygonF(
      {QPointF(100, 18 + lift), QPointF(104, 8 + lift), QPointF(108, 17 + lift)}));  // ear
  p.setBrush(dark);
  for (const QPointF s : {QPointF(40, 32), QPointF(56, 36), QPointF(72, 30), QPointF(86, 36),
                          QPointF(48, 42), QPointF(66, 43)})
    p.drawEllipse(QRectF(s.x(), s.y() + lift, 4, 4));  // spots
  p.drawEllipse(QRectF(113, 19 + lift, 3, 3));         // eye

  QPainterPath tail(QPointF(24, 32 + lift));
  tail.cubicTo(QPointF(10, 26 + lift), QPointF(6, 40 + lift + std::sin(phase) * 6),
               QPointF(2, 30 + lift + std::sin(phase) * 8));
  p.setPen(QPen(coat, 4, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawPath(tail);

  p.setPen(QPen(coat, 6, Qt::SolidLine, Qt::RoundCap));
  DrawLeg(p, QPointF(36, 42 + lift), phase, false);
  DrawLeg(p, QPointF(94, 40 + lift), phase + std::numbers::pi, true);
  return img;
}

}  // namespace

TCheetahPictures MakeCheetahPictures() {
  TCheetahPictures pics;
  pics.Background = QImage(kCheetahSize, QImage::Format_RGB32);
  QPainter p(&pics.Background);
  QLinearGradient sky(0, 0, 0, kCheetahSize.height());
  sky.setColorAt(0, QColor(250, 246, 236));
  sky.setColorAt(1, QColor(236, 226, 204));
  p.fillRect(pics.Background.rect(), sky);
  p.setPen(QPen(QColor(190, 172, 140), 2));
  p.drawLine(0, 108, kCheetahSize.width(), 108);  // the ground
  p.end();
  for (int i = 0; i < 8; ++i) pics.Frames[static_cast<size_t>(i)] = RunnerFrame(i);
  return pics;
}

// ---- TRunningCheetah -------------------------------------------------------

TRunningCheetah::TRunningCheetah(QWidget* parent) : QWidget(parent) {
  setFixedSize(kCheetahSize);
  timer_.setInterval(50);
  connect(&timer_, &QTimer::timeout, this, [this] { NextFrame(); });
}

void TRunningCheetah::NextFrame() {
  frame_ = frame_ >= 8 ? 1 : frame_ + 1;
  update();
}

void TRunningCheetah::SetActive(bool active) {
  if (active) {
    timer_.start();
    return;
  }
  timer_.stop();
  frame_ = 1;
  update();
}

QImage TRunningCheetah::Composed() const {
  // Drawn when first shown, not at start-up.
  if (pictures_.Background.isNull()) pictures_ = MakeCheetahPictures();
  QImage out = pictures_.Background.copy();
  QPainter p(&out);
  p.drawImage(kFrameOrigin, pictures_.Frames[static_cast<size_t>(frame_ - 1)]);
  return out;
}

void TRunningCheetah::paintEvent(QPaintEvent*) {
  QPainter(this).drawImage(0, 0, Composed());
}

// ---- TFormAbout ------------------------------------------------------------

TFormAbout::TFormAbout(QWidget* owner) : QWidget(owner) {
  resize(720, 592);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, ColorToQColor(0xF0F0F0));
  setPalette(pal);
  LabelHeading = new QLabel("Quillex", this);
  QFont big = LabelHeading->font();
  big.setPointSize(28);
  big.setBold(true);
  LabelHeading->setFont(big);
  LabelHeading->setGeometry(24, 40, 400, 60);
  Cheetah = new TRunningCheetah(this);
  Cheetah->move(width() - Cheetah->width() - 24, 16);
  auto memo = [this](int top, int height) {
    auto* m = new QPlainTextEdit(this);
    m->setReadOnly(true);
    m->setFrameShape(QFrame::NoFrame);
    m->setGeometry(24, top, 672, height);
    QPalette mp = m->palette();
    mp.setColor(QPalette::Base, ColorToQColor(0xF0F0F0));
    m->setPalette(mp);
    return m;
  };
  MemoVersion = memo(150, 60);
  MemoLibs = memo(224, 344);
  hide();
}

TFormAbout::~TFormAbout() {
  if (FormAbout == this) {
    FormAbout = nullptr;
    AboutItem = nullptr;
  }
}

void TFormAbout::Init(QWidget* owner) {
  FormAbout = new TFormAbout(owner);
  if (!ModalManager) return;
  AboutItem = ModalManager->AddItem(FormAbout);
  AboutItem->OKCaption = Tr("ulangstrings.sok", "OK");
  AboutItem->Title = Tr("uabout.saboutquillex",
                        "\xC3\x9C"
                        "ber Quillex");
}

void TFormAbout::FillTexts() {
  setWindowTitle(Tr("uabout.saboutquillex",
                    "\xC3\x9C"
                    "ber Quillex"));
  MemoVersion->setPlainText(Tr("uabout.saboutversion", "Version: ") + kQxVersion + " (Linux)\n" +
                            Tr("uabout.saboutdate", "Datum: ") + "12.02.2020");
  MemoLibs->setPlainText(Tr("uabout.saboutlibs",
                            "Quillex ist mit diesen quelloffenen Bibliotheken gebaut:\n"
                            "\n"
                            "Qt 6 (Widgets), unter der LGPL 3\n"
                            "QCustomPlot (Diagramme), unter der GPL 3\n"
                            "libcurl (HTTP-Anfragen), unter der curl-Lizenz\n"
                            "libserialport (Liste der seriellen Schnittstellen), unter der LGPL 3\n"
                            "ALSA (Signalton), unter der LGPL 2.1\n"
                            "\n"
                            "Den Entwicklern dieser Bibliotheken gilt unser Dank."));
}

void TFormAbout::ShowPage() {
  if (!AboutItem) return;
  if (Terminal && Terminal->Connected.load()) return;
  (void)AboutItem->ShowModal();
}

void TFormAbout::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Cheetah->SetActive(true);
}

void TFormAbout::hideEvent(QHideEvent* event) {
  Cheetah->SetActive(false);
  QWidget::hideEvent(event);
}

}  // namespace qx
