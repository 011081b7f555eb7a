// The property panel (module uPropertyEditor).
//
// One listing per class: a stack of typed rows built once by the class's
// InitListing, the first time an element of the class is shown, and bound to
// an element only when shown. A language change runs the builders of the
// listings built so far again in refresh mode, which only relabels.
//
// Adding the listing of a class (in the class's module, registered as its
// TElementClass::InitListing):
//
//   QPointer<TEEListing> TQXFoo::Listing;
//   void TQXFoo::InitListing() {
//     TEEListing::Begin(TQXFoo::Listing);           // build, or refresh
//     TEEListing::BindClass<TQXFoo>(TQXFoo::Listing);
//     using A = TEEAccessors<TQXFoo>;
//     TEEETitelActive::Add(Tr(...), A::Bool(&TQXElement::GetDisabled,
//                                           &TQXElement::SetDisabled));
//     TEEELinie::Add();
//     TEEEIntFeld::Add(Tr(...), A::Int(&TQXFoo::GetBar, &TQXFoo::SetBar));
//     ...
//     TEEListing::End(TQXFoo::Listing);             // hides the box, arranges
//   }
//
// The refresh run must call the same Add functions in the same order; a row
// of another kind raises std::logic_error. Accessors are the entry sets'
// typed getter/setter pairs (object, index); the panel passes its PropIndex
// as the index.
#pragma once

#include <QPointer>
#include <QScrollArea>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <typeindex>
#include <typeinfo>
#include <vector>

#include "foundation/uFileLoadSet.h"
#include "foundation/uGraphicsUtil.h"

namespace qx {

class TQXElement;
class TSheetBckgnd;
class TEEEintrag;
class TEEListing;
class TEESubListing;
class TRibbonButton;

// A getter/setter pair of value type V, bound to its object at each call.
template <class V>
struct TEEAcc {
  std::function<V(TFLObject&, int32_t)> Get;
  std::function<void(TFLObject&, int32_t, const V&)> Set;
};

// Accessor pairs of class C from the forms the entry sets accept (data
// member, member function, invocable with or without the index).
template <class C>
struct TEEAccessors {
  template <class V, class G, class S>
  static TEEAcc<V> Of(G get, S set) {
    return {detail::BindGetter<C, V>(get), detail::BindSetter<C, V>(set)};
  }
  template <class G, class S>
  static TEEAcc<int32_t> Int(G g, S s) {
    return Of<int32_t>(g, s);
  }
  template <class G, class S>
  static TEEAcc<double> Real(G g, S s) {
    return Of<double>(g, s);
  }
  template <class G, class S>
  static TEEAcc<bool> Bool(G g, S s) {
    return Of<bool>(g, s);
  }
  template <class G, class S>
  static TEEAcc<std::string> Text(G g, S s) {
    return Of<std::string>(g, s);
  }
  template <class G, class S>
  static TEEAcc<TColor> Color(G g, S s) {
    return Of<TColor>(g, s);
  }
  template <class G, class S>
  static TEEAcc<TFontDesc> Font(G g, S s) {
    return Of<TFontDesc>(g, s);
  }
};

enum class TListingMode { Build, Refresh };

class TPropertyEditor {
 public:
  // Start-up, before any listing is built: the panel that hosts the listings
  // (the main window's PanelProperties) and what fits its height after it
  // was placed (TMainForm::PanelPropertiesResize).
  static void EEInit(QWidget* panel, std::function<void()> fitPanel = {});
  // Forgets the panel and every listing (end of the program, tests).
  static void EEFree();

  static void ShowListing(TEEListing* listing, TFLObject* element);
  // Edit mode's entry points: the element's or the background's listing.
  static void ShowElement(TQXElement& element);
  static void ShowBackground(TSheetBckgnd& background);
  // Commits a pending edit, then hides the panel.
  static void HideListing();
  // While shown: every row of the current listing shows its values again.
  static void RefreshListing();
  static void ArrangeListing();
  static void PlacePanel(TFLObject* element);
  static void LangUpdate();
  // Applies what was typed into the shown rows and not applied yet.
  static void CommitPending();
  // An element or a background is going: the panel no longer shows it.
  // Nothing is applied to it any more (it is half destroyed already).
  static void ForgetElement(TQXElement* element);
  static void ForgetObject(TFLObject* object);

  // The element the panel shows, if it shows an element.
  static TQXElement* ShownElement();
  // What the setters are bound to (an element or a background), or none.
  static TFLObject* ShownObject();
  static TEEListing* CurrentListing();
  static TEESubListing* CurrentSubListing();
  static QWidget* Panel();
  static bool PanelVisible();
  // True while the panel stands at the left edge of the main window.
  static bool PanelAtLeft();
  static TListingMode ListingMode();
  // Index of the indexed property the next accessor call concerns.
  static int32_t& PropIndex();
  static TRibbonButton* BackButton();
  static QWidget* BackBar();
  // The listing registered for the element's class (built now if it waits
  // for its first use), or none.
  static TEEListing* ListingOf(const TFLObject& object);
  static const std::vector<TEEListing*>& ListingRegistry();
};

// A panel with a painted double frame (the sub-listings' back bar).
class TFramePanel : public QWidget {
  Q_OBJECT

 public:
  explicit TFramePanel(QWidget* parent);
  void SetColor(TColor color);
  TColor Color() const { return color_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TColor color_ = 0xF0F0F0;
};

class TEEListing : public QObject {
  Q_OBJECT

 public:
  ~TEEListing() override;
  std::vector<TEEEintrag*> Entries;
  QScrollArea* Box = nullptr;
  QWidget* Content = nullptr;  // the box's inner widget; parent of the rows
  std::vector<TEESubListing*> SubListings;

  // A new main listing in build mode, registered and current.
  static TEEListing* Create();
  static void BeginRefresh(TEEListing* listing);
  // Next row of the current listing in refresh mode; none past the end.
  static TEEEintrag* NextEntry();
  // Visible rows stacked from the top; hidden ones keep their place.
  void Arrange();
  // Enabled := flag for the third row on.
  void EnableEntries(bool flag);
  static void RegisterListing(TEEListing* listing);

  // Step 1 of a builder: a new listing into `var`, or a refresh of it.
  static void Begin(QPointer<TEEListing>& var);
  // Last step: the box hidden, the rows arranged.
  static void End(TEEListing* listing);
  // Makes the listing the one shown for elements of class C.
  template <class C>
  static void BindClass(TEEListing* listing) {
    BindType(std::type_index(typeid(C)), listing);
  }
  static void BindType(std::type_index type, TEEListing* listing);
  // The listing of elements of `type` is built by `build` when first asked
  // for (ListingOf); one already built is refreshed by it at once.
  static void BuildOnFirstUse(std::type_index type, std::function<void()> build);

 protected:
  TEEListing();
  void MakeBox(QWidget* panel, bool sub);
  friend class TPropertyEditor;
};

class TEESubListing : public TEEListing {
  Q_OBJECT

 public:
  TEEListing* ParentListing = nullptr;
  TEEListing* BackTarget = nullptr;

  // Refused: sub-listings come only from CreateSubListing.
  static TEESubListing* Create();
  static TEESubListing* CreateSubListing(TEEListing* parentListing, TEEListing* backTarget);
  static void EnterListing(TEESubListing* sub);
  static void LeaveListing();
  static void ShowSubListing(TEESubListing* sub);
  // Every sub-listing of the current listing and the back bar hidden.
  static void HideAll();
  static void BackClick();

  // Step 3 of a builder for one sub-listing: created or refreshed, entered.
  static void Begin(QPointer<TEESubListing>& var, TEEListing* parent, TEEListing* backTarget);
  static void End() { LeaveListing(); }

 private:
  TEESubListing() = default;
};

// Base of every row: a 380 x 40 panel on its listing's box.
class TEEEintrag : public QWidget {
  Q_OBJECT

 public:
  TEEEintrag();
  TEEListing* Listing = nullptr;
  bool HasIndex = false;
  int32_t Index = 0;

  // PropIndex := Index when the row carries an index.
  void SetPropIndex() const;
  // Shows the element's values (getters bound to element).
  virtual void Refresh(TFLObject& /*element*/) {}
  // Applies edits typed but not yet applied (before hiding, leaving).
  virtual void Commit() {}

  // The row an Add function works on: a new one in build mode, the next
  // one of the current listing in refresh mode (which must be of kind R).
  template <class R>
  static R* Take() {
    if (TPropertyEditor::ListingMode() == TListingMode::Build) return new R();
    TEEEintrag* e = TEEListing::NextEntry();
    CheckKind(e, typeid(R));
    return static_cast<R*>(e);
  }

 protected:
  // Sets the row's height; in build mode the next row follows it.
  void SetRowHeight(int height);
  // The object setters go to; none when nothing is shown.
  static TFLObject* Target() { return TPropertyEditor::ShownObject(); }

 private:
  static void CheckKind(TEEEintrag* row, const std::type_info& kind);
};

// ---- small parts the rows share ----

// A colour rectangle that acts as a button.
class TEESwatch : public QWidget {
  Q_OBJECT

 public:
  explicit TEESwatch(QWidget* parent);
  void SetFill(TColor color);
  TColor Fill() const { return fill_; }

 signals:
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  TColor fill_ = 0x4080FF;
};

// The 24 x 24 pictures "ArrowLeft" and "ArrowRight".
QImage EEArrowPicture(bool right);
// The rows' arrow button at (x, y), 28 x 28.
TRibbonButton* EEArrowButton(QWidget* row, int x, int y);

}  // namespace qx
