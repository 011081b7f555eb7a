// The element base class (module uQXControls).
//
// TQXElement is the widget every instrument and every channel sub-element
// derives from. It joins the hub's view of an element (value store, role,
// compiled formula) with the widget side: the painted frame with its
// background and compile-state colours, the common properties and their
// accessors, and the class-level routines (display-update list, stream
// start/stop, compile-state display, the registry of element classes).
//
// Threads: SetValue/SetStrValue run on the evaluating thread under the hub's
// receive lock and only store; everything else runs on the GUI thread.
// Other threads reach an element through its serial number (PostActivate,
// FindBySerial), so a deleted element is simply not found.
#pragma once

#include <QWidget>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <typeindex>
#include <vector>

#include "formula/uFormulaElement.h"
#include "foundation/uFileLoadSet.h"
#include "foundation/uGraphicsUtil.h"

class QLabel;

namespace qx {

class TSheet;
class TEditComp;
class TQXElement;

// Frame colours of the compile-state display.
inline constexpr TColor kCompiledColor = 0x85C47D;
inline constexpr TColor kFailedColor = 0x2222BD;
inline constexpr TColor kEmptyColor = 0xC0C0C0;
inline constexpr int32_t kMaxCoordinate = 9000;

// One element class as start-up registers it.
struct TElementClass {
  std::string SetName;
  std::function<TQXElement*()> ElemCreate;  // new element on CurrentSheet
  std::function<void()> InitListing;        // property listing (may be empty)
  std::type_index Type = typeid(void);      // the class of its elements
  std::function<void(TFLSetList&)> InitFileSet;
  TFLSet* KeySet = nullptr;  // filled by InitFileSet
};

class TQXElement : public QWidget, public TFormulaElement, public TFLObject {
  Q_OBJECT

 public:
  // owner: the sheet's canvas for an instrument, the owning element for a
  // sub-element. Appends the element to CurrentSheet's list.
  explicit TQXElement(QWidget* owner);
  ~TQXElement() override;

  const TFLSet* KeySet = nullptr;
  int32_t FrameWidth = 6;
  TColor FrameColor = 0xC0C0C0;
  TEditComp* EditComp = nullptr;  // edit frame, made by edit mode
  // The element paints every pixel of its rectangle (the base's background
  // and nothing drawn outside it): its edit snapshot can be cut out of a
  // picture of the sheet.
  bool PaintsWholeRect = false;
  TSheet* Sheet = nullptr;  // the sheet whose list holds the element

  // ---- virtual operations ----
  void UpdateDisplay() override;
  void ResetValue() override;
  // Run start, before the ports start (start tick, files); then StreamStart.
  virtual void StreamPrepare() {}
  virtual void StreamStart() {}
  virtual void StreamStop() {}
  // End of every compile run, every element's formula compiled.
  virtual void CompileDone() {}
  virtual void UpdateCaption() {}
  virtual void SourceChanged() {}
  virtual void PanelResize() {}
  // A copy on CurrentSheet at 0, 0 with every key value of this one.
  virtual TQXElement* Clone() { return nullptr; }
  virtual void Retranslate() {}
  virtual void Activate(int32_t /*arg*/) {}
  virtual void ShowCompileState();
  virtual void ClearCompileState();
  virtual TColor GetBckGndColor() const { return brushColor_; }
  virtual void SetBckGndColor(TColor value);
  virtual TColor GetFrameColor() const { return FrameColor; }
  virtual void SetFrameColor(TColor value);
  virtual void SetInitValue(double value);
  void SetRunVisible(bool visible) override;

  // ---- common accessors (keys and property rows) ----
  bool GetDisabled() const { return Disabled; }
  void SetDisabled(bool value) { Disabled = value; }
  std::string GetDenom() const { return Denom; }
  void SetDenom(const std::string& value);  // cut to 32 characters
  std::string GetSource() const { return Source; }
  void SetSource(const std::string& value);  // cut to 255 characters
  int32_t GetLeft() const { return x(); }
  void SetLeft(int32_t value);
  int32_t GetTop() const { return y(); }
  void SetTop(int32_t value);
  int32_t GetWidth() const { return width(); }
  void SetWidth(int32_t value);
  int32_t GetHeight() const { return height(); }
  void SetHeight(int32_t value);
  int32_t GetFrameWidth() const { return FrameWidth; }
  void SetFrameWidth(int32_t value);
  double GetInitValue() const { return InitValue; }

  // The shown frame colour (compile state or FrameColor).
  TColor ShownFrameColor() const { return penColor_; }
  // Fits the edit frame to the element and the sheet to its elements.
  void FollowEditFrame();
  // Any thread: Activate(arg) later on the GUI thread, if the element lives.
  void PostActivate(int32_t arg);
  // Why a file of the element (slot: which one) was refused, shown in red
  // along the element's bottom edge; an empty text clears that slot.
  void SetFileProblem(int32_t slot, const QString& text);
  // The text shown (the first slot with a problem), empty when none.
  QString FileProblem() const;
  // Repaints a part of the element. During a display tick the parts are
  // gathered: where most of an area changed, the area is repainted at once
  // (which repaints an element only when it is not marked opaque).
  void RepaintPart(const QRect& part);

  // The element with this serial, or none (GUI thread).
  static TQXElement* FindBySerial(uint64_t serial);

  // ---- class-level routines (GUI thread) ----
  static std::vector<TQXElement*>& DisplayUpdateList();
  static void InitUpdateList();
  static void FillUpdateList();
  static void UpdateDisplayAll();
  static void StreamPrepareAll();
  static void StreamStartAll();
  static void StreamStopAll();
  static void ShowCompileStateAll();
  static void ClearCompileStateAll();
  static bool CompileStateVisible;
  static bool CompileStateShown;
  // The registry of element classes, in start-up order.
  static std::vector<TElementClass>& Classes();
  static void RegisterClass(TElementClass cls);
  static const TElementClass* FindClass(std::string_view setName);
  static void InitListings();
  static void InitFileSets(TFLSetList& sets);
  // Every element of every sheet, sheets in tab order.
  static void ForEach(const std::function<void(TQXElement&)>& visit);
  // Destroys the elements, sub-elements with their parents, after taking
  // them and their frames out of the hub, the display tick, their sheets and
  // their panels in one pass each: one by one, each would search lists of
  // thousands.
  static void DestroyAll(const std::vector<TQXElement*>& elements);

  // The keys every class shares, for the class's key-set builder.
  template <class C>
  static void KeyDisabled(TFLSetBuilder<C>& b) {
    b.Bool("disabled", &TQXElement::GetDisabled, &TQXElement::SetDisabled);
  }
  template <class C>
  static void KeysNameSource(TFLSetBuilder<C>& b) {
    b.String("denom", &TQXElement::GetDenom, &TQXElement::SetDenom);
    b.String("source", &TQXElement::GetSource, &TQXElement::SetSource);
  }
  template <class C>
  static void KeysPositionSize(TFLSetBuilder<C>& b) {
    b.IntXY("position", &TQXElement::GetLeft, &TQXElement::SetLeft, &TQXElement::GetTop,
            &TQXElement::SetTop);
    b.IntXY("size", &TQXElement::GetWidth, &TQXElement::SetWidth, &TQXElement::GetHeight,
            &TQXElement::SetHeight);
  }
  template <class C>
  static void KeyBckGndColor(TFLSetBuilder<C>& b) {
    b.Color("bckGndColor", &TQXElement::GetBckGndColor, &TQXElement::SetBckGndColor);
  }
  template <class C>
  static void KeysFrame(TFLSetBuilder<C>& b) {
    b.Color("frameColor", &TQXElement::GetFrameColor, &TQXElement::SetFrameColor);
    b.Int("framewidth", &TQXElement::GetFrameWidth, &TQXElement::SetFrameWidth);
  }

  // Clone of class C: a new element through the class's creator, every key
  // copied, placed at 0, 0.
  template <class C>
  TQXElement* CloneAs() {
    C* copy = C::ElemCreate();
    if (KeySet) KeySet->ValueCopy(*copy, *this);
    copy->move(0, 0);
    copy->FollowEditFrame();
    return copy;
  }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  // Background and frame band, as the base paints them.
  void PaintFrame(QPainter& p);

 private:
  friend class TAnim;
  TColor brushColor_ = 0xFFFFFF;
  TColor penColor_ = 0xC0C0C0;
  // Port threads post to the GUI thread per value: under a flood at most two
  // equal requests in a row wait (two, as the second of two queued starts
  // means something to the beeper and the blink LED), so the GUI's queue
  // stays short.
  std::mutex activateLock_;  // a leaf
  int64_t activateLast_ = -1;
  int32_t activateWaiting_ = 0;
  mutable std::atomic<bool> animBusy_{false};
  bool forgotten_ = false;  // DestroyAll took it out of every list already
  std::map<int32_t, QString> fileProblems_;
  QLabel* problemLabel_ = nullptr;
  void PlaceProblemLabel();
};

// Base of the operated elements that send frames: the send procedure and
// the user's choice of the send animation.
class TQXAnimElement : public TQXElement {
  Q_OBJECT

 public:
  explicit TQXAnimElement(QWidget* owner) : TQXElement(owner) {}
  bool ShowAnim = true;
  bool GetShowAnim() const { return ShowAnim; }
  void SetShowAnim(bool value) { ShowAnim = value; }

  // Sends "#" channel payload ";" on the output element's channel when the
  // hub is connected and the output formula compiled; shows the outcome
  // when ShowAnim is on. Answers the animation kind (1 sent, 2 not sent,
  // 3 no valid output).
  int32_t SendPayload(std::string_view payload, const TQXElement* output = nullptr);
  // Animation of that kind on this element, when ShowAnim is on.
  void Animate(int32_t kind);

  template <class C>
  static void KeyShowAnim(TFLSetBuilder<C>& b) {
    b.Bool("showAnim", &TQXAnimElement::GetShowAnim, &TQXAnimElement::SetShowAnim);
  }
};

// An element that hands every received value to two handlers (the charts'
// control channel). The handlers run on the evaluating thread under the
// receive lock: they must not touch widgets nor wait for the GUI thread.
class TAttachedQXElement : public TQXElement {
  Q_OBJECT

 public:
  explicit TAttachedQXElement(QWidget* owner) : TQXElement(owner) {}
  std::function<void(TAttachedQXElement&)> OnValue;
  std::function<void(TAttachedQXElement&)> OnStrValue;
  void SetValue(double value) override;
  void SetStrValue(std::string_view value) override;
};

// A frame payload: the type letter and the value text ("F1,5", "SText").
std::string TypedPayload(char letter, std::string_view value);

// Where new elements go; set by the sheets.
QWidget* CurrentCanvas();

}  // namespace qx
