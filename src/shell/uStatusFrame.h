// A plain rectangle with a fill and an outline colour (module uStatusFrame):
// the indicator frames and colour swatches of the console and terminal
// ribbons, and the status light of a port box.
#pragma once

#include <QWidget>
#include <cstdint>

namespace qx {

class TShapeFrame : public QWidget {
  Q_OBJECT

 public:
  explicit TShapeFrame(QWidget* parent = nullptr);

  // $00BBGGRR colours.
  uint32_t BrushColor() const { return brush_; }
  uint32_t PenColor() const { return pen_; }
  void SetBrushColor(uint32_t color);
  void SetPenColor(uint32_t color);
  void SetPenWidth(int width);
  // Without a brush only the outline is drawn.
  void SetBrushVisible(bool visible);

 signals:
  void clicked();
  void entered();
  void left();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  uint32_t brush_ = 0xFFFFFF;
  uint32_t pen_ = 0x000000;
  int penWidth_ = 1;
  bool brushVisible_ = true;
};

}  // namespace qx
