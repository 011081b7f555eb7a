// The send animation (module uSendAnim): a bar that slides along the top of
// the sending element for 150 ms; its colour tells whether the frame went
// out. The animation belongs to the element, so it ends with it.
#pragma once

#include <QObject>
#include <QPointer>
#include <cstdint>

#include "foundation/uGraphicsUtil.h"

class QTimer;
class QWidget;

namespace qx {

class TQXElement;

enum : int32_t { AnimSent = 1, AnimNotSent = 2, AnimInvalid = 3 };

// Bar colour of an animation kind; none (-1) for an unknown kind.
int64_t AnimColor(int32_t kind);

class TAnim final : public QObject {
  Q_OBJECT

 public:
  // Starts one animation on the widget (GUI thread).
  TAnim(QWidget* element, int elementWidth, int barHeight, int32_t kind);
  static TAnim* Create(QWidget* element, int elementWidth, int barHeight, int32_t kind) {
    return new TAnim(element, elementWidth, barHeight, kind);
  }
  // Any thread: an animation on the element later on the GUI thread, only
  // while the element still stands on the current sheet.
  static void PostAnim(const TQXElement& element, int32_t kind);

  QWidget* Bar() const { return bar_; }
  int Step() const { return step_; }

 private:
  void TimerTick();
  QWidget* bar_;
  QTimer* timer_;
  TQXElement* owner_ = nullptr;  // a posted animation: frees the element's slot
  int step_ = 0;
  int delta_;
};

}  // namespace qx
