// Repainting a widget with thousands of children in one piece (module
// uWholeRepaint).
//
// The toolkit marks every widget that is shown, or whose updates come back,
// dirty on its own, and at the next paint checks each dirty widget against
// every sibling above it: ten thousand instruments cost time with the square
// of their count, those scrolled out of sight as well. A widget whose area is
// already marked in one piece is not marked again, and one that is hidden or
// without updates is not marked at all; the functions here use both.
#pragma once

#include <functional>

class QWidget;

namespace qx {

// Everything that shows in w's area is painted again at the next paint, in
// one piece with w.
void RepaintWhole(QWidget* w);

// Gives back the updates w holds (QWidget::setUpdatesEnabled(false)) to w
// and to every descendant that holds them only through w, without marking
// any of them for repainting.
void TakeBackUpdates(QWidget* w);

// TakeBackUpdates(w), then RepaintWhole(w).
void EnableUpdatesWhole(QWidget* w);

// Runs change while w holds its updates, with the repaint requests it
// posts, then repaints w in one piece: what change shows, relabels or moves
// in w costs no mark per widget.
void ChangeWhole(QWidget* w, const std::function<void()>& change);

// Shows w with all it holds: one repaint of its area instead of one mark
// per descendant.
void ShowWhole(QWidget* w);

}  // namespace qx
