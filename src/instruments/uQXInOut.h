// Forwarding element (module uQXInOut): every number its input formula
// yields and every text that arrives on its input channel goes out at once,
// as a new frame, on its output channel. The forwarding runs on the
// receiving port's thread inside the hub's receive lock; only the send
// animation is handed to the GUI thread.
#pragma once

#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <atomic>
#include <string>
#include <string_view>

#include "editing/uQXControls.h"

namespace qx {

class TEEListing;

class TQXInOut : public TQXElement {
  Q_OBJECT

 public:
  explicit TQXInOut(QWidget* owner);
  ~TQXInOut() override;
  static TQXInOut* ElemCreate();
  static void InitFileSet(TFLSetList& sets);
  // The property listing of the class (start-up and language change).
  static void InitListing();
  static QPointer<TEEListing> Listing;
  static const TFLSet* ClassSet;

  // Port thread, under the receive lock: store, then forward.
  void SetValue(double value) override;
  void SetStrValue(std::string_view value) override;
  // Stores the initial value; a reset never sends.
  void ResetValue() override;
  void UpdateCaption() override;
  void SourceChanged() override { UpdateCaption(); }
  void PanelResize() override;
  TQXElement* Clone() override { return CloneAs<TQXInOut>(); }
  void ShowCompileState() override;
  void setVisible(bool visible) override;

  std::string GetOutSource() const { return OutputElement->Source; }
  void SetOutSource(const std::string& value);
  bool GetShowDenom() const { return ShowDenom; }
  void SetShowDenom(bool value);
  bool GetShowAnim() const { return showAnim_.load(std::memory_order_relaxed); }
  void SetShowAnim(bool value) { showAnim_.store(value, std::memory_order_relaxed); }
  bool GetHideInRun() const { return HideInRun; }
  void SetHideInRun(bool value) { HideInRun = value; }

  QLabel* NameLabel() const { return name_; }
  QLabel* InputLabel() const { return input_; }
  QLabel* OutputLabel() const { return output_; }
  QLabel* Arrow() const { return arrow_; }

  TQXElement* OutputElement;  // the output formula, role output
  bool ShowDenom = true;

 private:
  QLabel* name_;
  QLabel* input_;
  QLabel* output_;
  QLabel* arrow_;
  // Read by port threads: the user's animation choice and whether the
  // element itself is shown (hidden in a run it shows no animation).
  std::atomic<bool> showAnim_{false};
  std::atomic<bool> shown_{true};
};

// Frame colour of the compile state from both formulas.
TColor InOutFrameColor(bool disabled, bool inValid, bool inEmpty, bool outValid, bool outEmpty);

// "#<channel><letter><value>;" (built by appending; GCC warns falsely on
// chains of +).
std::string ForwardFrame(int32_t channel, char letter, std::string_view value);

// The built-in picture "forward": an arrow on $C0C0C0, 20 x 28.
const QPixmap& ForwardPicture();

}  // namespace qx
