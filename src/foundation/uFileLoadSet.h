// Typed entry sets (module uFileLoadSet).
//
// Every persisted class (project settings, ports, sheets, elements, global
// settings) describes its properties once, at start-up, as one TFLSet: a name
// and an ordered list of typed entries. Each entry couples a key with a getter
// and a setter of the class. One set serves every instance of its class: the
// object is passed in at the moment of use, never stored in the set.
//
// A set turns one object into one block of text lines and back:
//   SETNAME
//   key value-text
//   key value-text ...
//
// Declaring a set for a class (in the class's InitFileSet, called by start-up):
//
//   void TQXComPort::InitFileSet(TFLSetList& list) {
//     auto b = list.Define<TQXComPort>("QXCOMPORT", [] { return NewComPort(); });
//     b.String("name", &TQXComPort::Name);                        // data member
//     b.Int("baud", &TQXComPort::GetBaud, &TQXComPort::SetBaud);  // methods
//     b.Bool("dtr", [](TQXComPort& p) { return p.Dtr(); },
//            [](TQXComPort& p, bool v) { p.SetDtr(v); });         // lambdas
//   }
//
// A family of per-index keys shares one accessor pair taking the index; only
// the keys below the object's count are written:
//
//     for (int32_t i = 0; i < 10; ++i) {
//       auto& e = b.Color("ledColor" + std::to_string(i), &TQXLedRow::LedColor,
//                         &TQXLedRow::SetLedColor);  // (int32_t i) / (int32_t i, uint32_t)
//       e.SetIndex(i);
//       b.ActiveWhen(e, [](TQXLedRow& r, int32_t i) { return i < r.Count; });
//     }
//
// Copying an element's values into a clone: set.ValueCopy(clone, original).
//
// Accessor forms accepted by the builder for a value type V of class C:
//   getter: a data member pointer `V C::*`, or anything invocable as
//           V(C&, int32_t index) or V(C&) (member functions included);
//   setter: omitted (data member), or invocable as (C&, int32_t index, V) or (C&, V).
// C must derive from TFLObject; the set is only ever used with objects of C.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace qx {

// Root of every persisted object. Sets receive objects as TFLObject& and cast
// to their class, which stays correct under multiple inheritance (Qt widgets).
class TFLObject {
 public:
  virtual ~TFLObject() = default;
};

// Toolkit-free font description; the GUI converts it to and from its fonts.
struct TFontDesc {
  std::string Name = "Sans Serif";
  int32_t Size = 10;   // points
  uint32_t Color = 0;  // $00BBGGRR
  bool Bold = false;
  bool Italic = false;
  bool StrikeOut = false;
  bool Underline = false;
  bool operator==(const TFontDesc&) const = default;
};

// The toolkit's default font, the start of every font read. The GUI sets it
// at start-up; until then the defaults of TFontDesc hold.
TFontDesc DefaultFont();
void SetDefaultFont(const TFontDesc& font);

// ---- Line input and output -------------------------------------------------

class TLineWriter {
 public:
  virtual ~TLineWriter() = default;
  // Writes the line without its trailing blanks and control characters.
  virtual void WriteLine(std::string_view line) = 0;
  // The same for the line made of these parts (key, blank, value text).
  virtual void WriteLine(std::initializer_list<std::string_view> parts);
};

class TLineReader {
 public:
  virtual ~TLineReader() = default;
  // Next line; false at the end. The view stays valid until the reader dies.
  virtual bool ReadLine(std::string_view& line) = 0;
  // The next ReadLine returns the last line read again (one line deep).
  virtual void UnreadLine() = 0;
};

// Collects lines in memory, each trimmed and ended with CR LF.
class TTextWriter final : public TLineWriter {
 public:
  void WriteLine(std::string_view line) override;
  // Without a copy of the line (a value may be megabytes long).
  void WriteLine(std::initializer_list<std::string_view> parts) override;
  const std::string& Text() const { return text_; }
  std::string TakeText() { return std::move(text_); }
  void Reserve(size_t bytes) { text_.reserve(bytes); }

 private:
  std::string text_;
};

// A whole text split into lines (line ends CR LF, LF or CR). Holds its own
// copy of the text; the lines are views into it.
class TTextLines final : public TLineReader {
 public:
  TTextLines() = default;
  explicit TTextLines(std::string text) { Assign(std::move(text)); }
  TTextLines(const TTextLines&) = delete;
  TTextLines& operator=(const TTextLines&) = delete;
  void Assign(std::string text);
  void Clear();
  bool ReadLine(std::string_view& line) override;
  void UnreadLine() override;
  int32_t Count() const { return static_cast<int32_t>(lines_.size()); }
  // Index of the next line to be read.
  int32_t Position() const { return pos_; }

 private:
  std::string text_;
  std::vector<std::string_view> lines_;
  int32_t pos_ = 0;
};

// Line without trailing bytes <= ' ' (blanks and control characters).
std::string_view TrimLineEnd(std::string_view line);

// ---- Entries ---------------------------------------------------------------

inline constexpr size_t kMaxKeyLength = 16;
inline constexpr size_t kMaxSetNameLength = 16;

class TFLEintrag {
 public:
  // Predicate that decides per object whether the entry is written.
  using ActiveFn = std::function<bool(TFLObject& obj, int32_t index)>;

  explicit TFLEintrag(std::string_view key);  // key cut to 16 characters
  virtual ~TFLEintrag() = default;
  TFLEintrag(const TFLEintrag&) = delete;
  TFLEintrag& operator=(const TFLEintrag&) = delete;

  std::string Key;
  int32_t Tag = 0;       // index handed to the accessors (curve, axis, colour...)
  bool Indexed = false;  // marks per-index entries; informational
  bool Active = true;    // only active entries are written; all are read and copied
  ActiveFn ActiveIf;     // optional: also must hold for the object being written

  // Tag := index, Indexed := true.
  TFLEintrag& SetIndex(int32_t index) {
    Tag = index;
    Indexed = true;
    return *this;
  }
  // True when the entry is written for this object.
  bool IsActiveFor(TFLObject& obj) const { return Active && (!ActiveIf || ActiveIf(obj, Tag)); }

  // Value text of the object's property.
  virtual std::string ValueToText(TFLObject& obj) const = 0;
  // Reads a value text (what follows "key "); sets the property only when the
  // text is valid. Returns whether it set something.
  virtual bool TextToValue(TFLObject& obj, std::string_view valueText) const = 0;
  // Copies the property from source to target.
  virtual void ValueCopy(TFLObject& target, TFLObject& source) const = 0;
  // Reads a whole key line ("key value"); the caller has matched the key.
  bool ReadLine(TFLObject& obj, std::string_view line) const;
  // Writes the key line of the object's property.
  virtual void WriteLine(TLineWriter& out, TFLObject& obj) const;
};

// An entry with one getter/setter pair of value type V.
template <class V>
class TFLETyped : public TFLEintrag {
 public:
  using ValueType = V;
  using GetterFn = std::function<V(TFLObject& obj, int32_t index)>;
  // The value is handed over: a text read from a file is moved into the
  // property, not copied (a text value may be megabytes long).
  using SetterFn = std::function<void(TFLObject& obj, int32_t index, V value)>;

  using TFLEintrag::TFLEintrag;
  GetterFn Getter;
  SetterFn Setter;

  V Get(TFLObject& obj) const { return Getter ? Getter(obj, Tag) : V{}; }
  void Set(TFLObject& obj, V value) const {
    if (Setter) Setter(obj, Tag, std::move(value));
  }
  void ValueCopy(TFLObject& target, TFLObject& source) const override { Set(target, Get(source)); }
};

// Decimal digits, "-" before a negative value.
class TFLEInteger final : public TFLETyped<int32_t> {
 public:
  using TFLETyped::TFLETyped;
  std::string ValueToText(TFLObject& obj) const override;
  bool TextToValue(TFLObject& obj, std::string_view valueText) const override;
};

// Written with "," always; read with "," or ".".
class TFLEReal final : public TFLETyped<double> {
 public:
  using TFLETyped::TFLETyped;
  std::string ValueToText(TFLObject& obj) const override;
  bool TextToValue(TFLObject& obj, std::string_view valueText) const override;
};

// "true" / "false" (prefix test, case-sensitive).
class TFLEBool final : public TFLETyped<bool> {
 public:
  using TFLETyped::TFLETyped;
  std::string ValueToText(TFLObject& obj) const override;
  bool TextToValue(TFLObject& obj, std::string_view valueText) const override;
};

// "$" and 8 upper-case hex digits of the $00BBGGRR value; decimal also read.
class TFLEColor final : public TFLETyped<uint32_t> {
 public:
  using TFLETyped::TFLETyped;
  std::string ValueToText(TFLObject& obj) const override;
  bool TextToValue(TFLObject& obj, std::string_view valueText) const override;
};

// Text in double quotes. A text holding a line break is written escaped as
// \"...\" (\\, \r, \n inside) so that it cannot break the line format.
class TFLEString final : public TFLETyped<std::string> {
 public:
  using TFLETyped::TFLETyped;
  // The property itself, where the getter gives it by reference: a text of
  // megabytes is written without a copy.
  std::function<const std::string&(TFLObject& obj, int32_t index)> Ref;
  std::string ValueToText(TFLObject& obj) const override;
  bool TextToValue(TFLObject& obj, std::string_view valueText) const override;
  void WriteLine(TLineWriter& out, TFLObject& obj) const override;
};

// name="Face" size=10 color=$00000000 style=bold,italic,strikeout,underline
class TFLEFont final : public TFLETyped<TFontDesc> {
 public:
  using TFLETyped::TFLETyped;
  std::string ValueToText(TFLObject& obj) const override;
  bool TextToValue(TFLObject& obj, std::string_view valueText) const override;
};

// Value name Names[index]; read without regard to case.
class TFLEEnum final : public TFLETyped<int32_t> {
 public:
  using TFLETyped::TFLETyped;
  std::vector<std::string> Names;
  std::string ValueToText(TFLObject& obj) const override;
  bool TextToValue(TFLObject& obj, std::string_view valueText) const override;
};

// "x=12 y=-34".
class TFLEIntXY final : public TFLEintrag {
 public:
  using GetterFn = std::function<int32_t(TFLObject& obj, int32_t index)>;
  using SetterFn = std::function<void(TFLObject& obj, int32_t index, int32_t value)>;

  using TFLEintrag::TFLEintrag;
  GetterFn GetX, GetY;
  SetterFn SetX, SetY;

  std::string ValueToText(TFLObject& obj) const override;
  bool TextToValue(TFLObject& obj, std::string_view valueText) const override;
  void ValueCopy(TFLObject& target, TFLObject& source) const override;
};

// Pure parsers behind the entry kinds (also used by tests and fuzzing).
// Pair: "x" digits? "y" ... with an optional "-" before each member's digits.
bool ParseIntXY(std::string_view valueText, int32_t& x, int32_t& y);
// Font fields found in the value text replace those of `font`.
void ParseFontText(std::string_view valueText, TFontDesc& font);
std::string FontToText(const TFontDesc& font);
// Quoted text (plain or escaped form); false when the form is not valid.
bool ParseQuotedText(std::string_view valueText, std::string& text);
std::string QuoteText(std::string_view text);

// ---- Sets ------------------------------------------------------------------

class TFLSet {
 public:
  // Yields the object a block being read describes (nullptr: the block is
  // skipped).
  using FactoryFn = std::function<TFLObject*()>;

  explicit TFLSet(std::string_view name, FactoryFn factory = {});  // name cut to 16
  virtual ~TFLSet() = default;
  TFLSet(const TFLSet&) = delete;
  TFLSet& operator=(const TFLSet&) = delete;

  std::string Name;
  std::vector<std::unique_ptr<TFLEintrag>> Entries;
  FactoryFn Factory;

  // Appends a new entry of kind E with the key (cut to 16 characters).
  template <class E>
  E& Add(std::string_view key) {
    auto entry = std::make_unique<E>(key);
    E& ref = *entry;
    Entries.push_back(std::move(entry));
    return ref;
  }
  int32_t Count() const { return static_cast<int32_t>(Entries.size()); }
  // Entry with exactly this key, or nullptr.
  TFLEintrag* FindEntry(std::string_view key) const;

  // Writes the object's block: the name line, then "key text" per entry that
  // is active for the object.
  virtual void SaveSet(TLineWriter& out, TFLObject& obj) const;
  // Reads one block into the object the set's factory yields (the set-name
  // line has been read already). Stops before the next line beginning with
  // "Q", which is handed back to the reader. Returns the object (or nullptr).
  virtual TFLObject* LoadSet(TLineReader& in) const;
  // Reads the lines of one block into the given object.
  void LoadBlock(TLineReader& in, TFLObject& obj) const;
  // Gives the line to the entry whose key followed by a blank begins it,
  // trying the hint entry first; hint becomes that entry's index + 1.
  // Returns whether an entry took the line.
  bool LoadEntry(TFLObject& obj, std::string_view line, int32_t& hint) const;
  // Every entry, active or not, copies its value from source to target.
  void ValueCopy(TFLObject& target, TFLObject& source) const;
};

// A set bound to one fixed object (settings file): reading needs no factory.
class TSLSet : public TFLSet {
 public:
  TSLSet(std::string_view name, TFLObject* target);
  TFLObject* Target;
};

namespace detail {
template <class>
inline constexpr bool kAlwaysFalse = false;

template <class C, class V, class G>
std::function<V(TFLObject&, int32_t)> BindGetter(G get) {
  if constexpr (std::is_member_object_pointer_v<G>) {
    return [get](TFLObject& o, int32_t) -> V { return static_cast<V>(static_cast<C&>(o).*get); };
  } else if constexpr (std::is_invocable_v<G, C&, int32_t>) {
    return [get](TFLObject& o, int32_t i) -> V {
      return static_cast<V>(std::invoke(get, static_cast<C&>(o), i));
    };
  } else if constexpr (std::is_invocable_v<G, C&>) {
    return [get](TFLObject& o, int32_t) -> V {
      return static_cast<V>(std::invoke(get, static_cast<C&>(o)));
    };
  } else {
    static_assert(kAlwaysFalse<G>, "getter must be V C::*, V(C&, int32_t) or V(C&)");
  }
}

// The property by reference, when the getter gives one (else empty).
template <class C, class V, class G>
std::function<const V&(TFLObject&, int32_t)> BindRef(G get) {
  if constexpr (std::is_member_object_pointer_v<G>) {
    if constexpr (std::is_same_v<std::remove_cvref_t<decltype(std::declval<C&>().*get)>, V>)
      return [get](TFLObject& o, int32_t) -> const V& { return static_cast<C&>(o).*get; };
    else
      return {};
  } else if constexpr (std::is_invocable_v<G, C&, int32_t>) {
    using R = std::invoke_result_t<G, C&, int32_t>;
    if constexpr (std::is_lvalue_reference_v<R> && std::is_same_v<std::remove_cvref_t<R>, V>)
      return [get](TFLObject& o, int32_t i) -> const V& {
        return std::invoke(get, static_cast<C&>(o), i);
      };
    else
      return {};
  } else if constexpr (std::is_invocable_v<G, C&>) {
    using R = std::invoke_result_t<G, C&>;
    if constexpr (std::is_lvalue_reference_v<R> && std::is_same_v<std::remove_cvref_t<R>, V>)
      return
          [get](TFLObject& o, int32_t) -> const V& { return std::invoke(get, static_cast<C&>(o)); };
    else
      return {};
  } else {
    return {};
  }
}

template <class C, class V, class S>
std::function<void(TFLObject&, int32_t, V)> BindSetter(S set) {
  if constexpr (std::is_member_object_pointer_v<S>) {
    return [set](TFLObject& o, int32_t, V v) {
      using M = std::remove_cvref_t<decltype(static_cast<C&>(o).*set)>;
      static_cast<C&>(o).*set = static_cast<M>(std::move(v));
    };
  } else if constexpr (std::is_invocable_v<S, C&, int32_t, V&&>) {
    return [set](TFLObject& o, int32_t i, V v) {
      std::invoke(set, static_cast<C&>(o), i, std::move(v));
    };
  } else if constexpr (std::is_invocable_v<S, C&, V&&>) {
    return
        [set](TFLObject& o, int32_t, V v) { std::invoke(set, static_cast<C&>(o), std::move(v)); };
  } else {
    static_assert(kAlwaysFalse<S>, "setter must be V C::*, void(C&, int32_t, V) or void(C&, V)");
  }
}

template <class C, class E, class G, class S>
E& AddTyped(TFLSet& set, std::string_view key, G get, S put) {
  using V = typename E::ValueType;
  E& e = set.Add<E>(key);
  e.Getter = BindGetter<C, V>(get);
  if constexpr (std::is_same_v<E, TFLEString>) e.Ref = BindRef<C, V>(get);
  if constexpr (std::is_same_v<S, std::nullptr_t>) {
    static_assert(std::is_member_object_pointer_v<G>, "a setter is needed unless a data member");
    e.Setter = BindSetter<C, V>(get);
  } else {
    e.Setter = BindSetter<C, V>(put);
  }
  return e;
}
}  // namespace detail

// Declares the entries of one set for class C, in file order.
template <class C>
class TFLSetBuilder {
  static_assert(std::is_base_of_v<TFLObject, C>, "persisted classes derive from TFLObject");

 public:
  explicit TFLSetBuilder(TFLSet& set) : set_(&set) {}
  TFLSet& Set() const { return *set_; }

  template <class G, class S = std::nullptr_t>
  TFLEInteger& Int(std::string_view key, G get, S set = nullptr) {
    return detail::AddTyped<C, TFLEInteger>(*set_, key, get, set);
  }
  template <class G, class S = std::nullptr_t>
  TFLEReal& Real(std::string_view key, G get, S set = nullptr) {
    return detail::AddTyped<C, TFLEReal>(*set_, key, get, set);
  }
  template <class G, class S = std::nullptr_t>
  TFLEBool& Bool(std::string_view key, G get, S set = nullptr) {
    return detail::AddTyped<C, TFLEBool>(*set_, key, get, set);
  }
  template <class G, class S = std::nullptr_t>
  TFLEColor& Color(std::string_view key, G get, S set = nullptr) {
    return detail::AddTyped<C, TFLEColor>(*set_, key, get, set);
  }
  template <class G, class S = std::nullptr_t>
  TFLEString& String(std::string_view key, G get, S set = nullptr) {
    return detail::AddTyped<C, TFLEString>(*set_, key, get, set);
  }
  template <class G, class S = std::nullptr_t>
  TFLEFont& Font(std::string_view key, G get, S set = nullptr) {
    return detail::AddTyped<C, TFLEFont>(*set_, key, get, set);
  }
  // Enumeration: the value is the index into names.
  template <class G, class S = std::nullptr_t>
  TFLEEnum& Enum(std::string_view key, std::vector<std::string> names, G get, S set = nullptr) {
    TFLEEnum& e = detail::AddTyped<C, TFLEEnum>(*set_, key, get, set);
    e.Names = std::move(names);
    return e;
  }
  // Integer pair from two data members.
  template <class MX, class MY>
  TFLEIntXY& IntXY(std::string_view key, MX x, MY y) {
    static_assert(std::is_member_object_pointer_v<MX> && std::is_member_object_pointer_v<MY>);
    return IntXY(key, x, x, y, y);
  }
  // Integer pair from two getter/setter pairs.
  template <class GX, class SX, class GY, class SY>
  TFLEIntXY& IntXY(std::string_view key, GX getX, SX setX, GY getY, SY setY) {
    TFLEIntXY& e = set_->Add<TFLEIntXY>(key);
    e.GetX = detail::BindGetter<C, int32_t>(getX);
    e.SetX = detail::BindSetter<C, int32_t>(setX);
    e.GetY = detail::BindGetter<C, int32_t>(getY);
    e.SetY = detail::BindSetter<C, int32_t>(setY);
    return e;
  }
  // Writes the entry only for objects where pred(C&, index) or pred(C&) holds.
  template <class P>
  TFLEintrag& ActiveWhen(TFLEintrag& entry, P pred) {
    entry.ActiveIf = detail::BindGetter<C, bool>(pred);
    return entry;
  }

 private:
  TFLSet* set_;
};

// Owns sets in creation order; a lookup returns the first match.
class TFLSetList {
 public:
  TFLSetList() = default;
  TFLSetList(const TFLSetList&) = delete;
  TFLSetList& operator=(const TFLSetList&) = delete;

  TFLSet& Add(std::string_view name, TFLSet::FactoryFn factory = {});
  TSLSet& AddBound(std::string_view name, TFLObject* target);
  // Creates the set and returns a builder for its entries.
  template <class C>
  TFLSetBuilder<C> Define(std::string_view name, TFLSet::FactoryFn factory = {}) {
    return TFLSetBuilder<C>(Add(name, std::move(factory)));
  }
  template <class C>
  TFLSetBuilder<C> DefineBound(std::string_view name, C* target) {
    return TFLSetBuilder<C>(AddBound(name, target));
  }

  int32_t Count() const { return static_cast<int32_t>(sets_.size()); }
  TFLSet& operator[](int32_t index) const { return *sets_.at(static_cast<size_t>(index)); }
  // Set with exactly this name, or nullptr.
  TFLSet* Find(std::string_view name) const;
  // First set whose name begins the line (case-sensitive), or nullptr.
  TFLSet* FindForLine(std::string_view line) const;
  void Clear() { sets_.clear(); }
  auto begin() const { return sets_.begin(); }
  auto end() const { return sets_.end(); }

 private:
  std::vector<std::unique_ptr<TFLSet>> sets_;
};

// Reads every block of the reader: a line beginning with "Q" selects the
// first set of the list whose name begins it, which reads its block; lines
// outside a known block are skipped. onSetLine (optional) is called with the
// reader's position before each set is looked up (progress display); when it
// answers false the reading stops there and the result is false.
bool LoadBlocks(const TFLSetList& sets, TLineReader& in,
                const std::function<bool()>& onSetLine = {});

// Program-wide list of the project-file sets, filled by start-up (null until
// InitFileLoader). Tests build their own lists.
extern TFLSetList* FLSetList;

}  // namespace qx
