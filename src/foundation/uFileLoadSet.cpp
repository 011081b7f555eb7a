#include "foundation/uFileLoadSet.h"

#include <algorithm>
#include <cstring>

#include "foundation/uNumText.h"

namespace qx {

TFLSetList* FLSetList = nullptr;

namespace {

TFontDesc gDefaultFont;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

// Index of the first non-digit at or after `from`, or text.size().
size_t SkipDigits(std::string_view text, size_t from) {
  while (from < text.size() && IsDigit(text[from])) ++from;
  return from;
}

// Text from `from` up to (not including) the next blank, or to the end.
std::string_view UpToBlank(std::string_view text, size_t from, bool* blankFound = nullptr) {
  const size_t end = text.find(' ', from);
  if (blankFound) *blankFound = end != std::string_view::npos;
  return text.substr(from, end == std::string_view::npos ? std::string_view::npos : end - from);
}

}  // namespace

TFontDesc DefaultFont() {
  return gDefaultFont;
}
void SetDefaultFont(const TFontDesc& font) {
  gDefaultFont = font;
}

// ---- Lines -----------------------------------------------------------------

std::string_view TrimLineEnd(std::string_view line) {
  size_t n = line.size();
  while (n > 0 && static_cast<unsigned char>(line[n - 1]) <= ' ') --n;
  return line.substr(0, n);
}

void TLineWriter::WriteLine(std::initializer_list<std::string_view> parts) {
  std::string line;
  for (const std::string_view p : parts) line.append(p);
  WriteLine(line);
}

void TTextWriter::WriteLine(std::string_view line) {
  text_.append(TrimLineEnd(line));
  text_.append("\r\n");
}

void TTextWriter::WriteLine(std::initializer_list<std::string_view> parts) {
  size_t line = 2;
  for (const std::string_view p : parts) line += p.size();
  // Room for the whole line at once. After a long line (a text value of
  // megabytes) room to spare: growing again for the next lines would hold
  // it twice while it is copied (room not written to takes no memory).
  if (text_.size() + line > text_.capacity()) {
    constexpr size_t kLongLine = 1 << 20;
    const size_t cap = text_.capacity();
    text_.reserve(std::max(text_.size() + line, 2 * cap) +
                  (line > cap && line >= kLongLine ? line : 0));
  }
  const size_t start = text_.size();
  for (const std::string_view p : parts) text_.append(p);
  while (text_.size() > start && static_cast<unsigned char>(text_.back()) <= ' ') text_.pop_back();
  text_.append("\r\n");
}

void TTextLines::Assign(std::string text) {
  text_ = std::move(text);
  lines_.clear();
  pos_ = 0;
  std::string_view all(text_);
  // A byte-order mark left by an editor would hide the first set name.
  if (all.substr(0, 3) == "\xEF\xBB\xBF") all.remove_prefix(3);
  // memchr for each kind of line end, each search redone only once passed:
  // large projects load in one pass instead of a test per byte.
  const char* const end = all.data() + all.size();
  auto next = [end](const char* from, char c) {
    const void* hit = std::memchr(from, c, static_cast<size_t>(end - from));
    return hit ? static_cast<const char*>(hit) : end;
  };
  const char* s = all.data();
  const char* cr = next(s, '\r');
  const char* lf = next(s, '\n');
  while (s < end) {
    if (cr < s) cr = next(s, '\r');
    if (lf < s) lf = next(s, '\n');
    const char* e = std::min(cr, lf);
    lines_.emplace_back(s, static_cast<size_t>(e - s));
    if (e == end) break;
    s = e + 1;
    if (*e == '\r' && s < end && *s == '\n') ++s;  // CR LF ends one line
  }
}

void TTextLines::Clear() {
  lines_.clear();
  text_.clear();
  pos_ = 0;
}

bool TTextLines::ReadLine(std::string_view& line) {
  if (pos_ >= Count()) return false;
  line = lines_[static_cast<size_t>(pos_++)];
  return true;
}

void TTextLines::UnreadLine() {
  if (pos_ > 0) --pos_;
}

// ---- Value texts -----------------------------------------------------------

bool ParseIntXY(std::string_view v, int32_t& x, int32_t& y) {
  if (v.empty() || v[0] != 'x') return false;
  // A "-" before the digits is accepted: the writer puts it before negatives.
  size_t digits = 2;
  if (digits < v.size() && v[digits] == '-') ++digits;
  const size_t p = SkipDigits(v, digits);
  if (p >= v.size() || p == digits) return false;
  bool ok = false;
  const int32_t vx = TextToInt(v.substr(2, p - 2), ok);
  if (!ok) return false;
  if (p + 1 >= v.size() || v[p + 1] != 'y') return false;
  const size_t startY = p + 3;
  if (startY >= v.size()) return false;
  digits = startY;
  if (v[digits] == '-') ++digits;
  const size_t q = SkipDigits(v, digits);
  if (q == digits) return false;
  const int32_t vy = TextToInt(v.substr(startY, q - startY), ok);
  if (!ok) return false;
  x = vx;
  y = vy;
  return true;
}

std::string QuoteText(std::string_view text) {
  std::string out;
  if (text.find_first_of("\r\n") == std::string_view::npos) {
    out.reserve(text.size() + 2);
    out += '"';
    out += text;
    out += '"';
    return out;
  }
  // A line break would end the line; this form is refused by older readers,
  // which then keep their value instead of reading a broken file.
  out.reserve(text.size() + 8);
  out += "\\\"";
  for (const char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        out += c;
    }
  }
  out += '"';
  return out;
}

bool ParseQuotedText(std::string_view v, std::string& text) {
  if (v.size() >= 3 && v[0] == '\\' && v[1] == '"' && v.back() == '"') {
    const std::string_view body = v.substr(2, v.size() - 3);
    std::string out;
    out.reserve(body.size());
    for (size_t i = 0; i < body.size(); ++i) {
      if (body[i] != '\\') {
        out += body[i];
        continue;
      }
      if (++i >= body.size()) return false;
      switch (body[i]) {
        case '\\':
          out += '\\';
          break;
        case 'r':
          out += '\r';
          break;
        case 'n':
          out += '\n';
          break;
        default:
          return false;
      }
    }
    text = std::move(out);
    return true;
  }
  if (v.empty() || v.front() != '"' || v.back() != '"') return false;
  text = v.size() >= 2 ? std::string(v.substr(1, v.size() - 2)) : std::string();
  return true;
}

std::string FontToText(const TFontDesc& font) {
  std::string name;
  name.reserve(font.Name.size());
  // A face name never holds these; they would break the field or the line.
  for (const char c : font.Name) {
    if (c != '"' && c != '\r' && c != '\n') name += c;
  }
  std::string out = "name=\"" + name + "\" size=" + std::to_string(font.Size) +
                    " color=" + ColorToText(font.Color);
  const std::pair<bool, const char*> styles[] = {{font.Bold, "bold"},
                                                 {font.Italic, "italic"},
                                                 {font.StrikeOut, "strikeout"},
                                                 {font.Underline, "underline"}};
  bool first = true;
  for (const auto& [set, word] : styles) {
    if (!set) continue;
    out += first ? " style=" : ",";
    out += word;
    first = false;
  }
  return out;
}

void ParseFontText(std::string_view v, TFontDesc& font) {
  // The other fields are looked up outside the quoted name, so a name holding
  // " size=" or " style=" cannot hide them.
  size_t nameFrom = 0, nameTo = 0;  // empty span: no name
  size_t p = v.find("name=\"");
  if (p != std::string_view::npos) {
    const size_t from = p + 6;
    const size_t close = v.find('"', from);
    if (close != std::string_view::npos) {
      nameFrom = from;
      nameTo = close;
      if (close > from) font.Name = std::string(v.substr(from, close - from));
    }
  }
  const auto find = [&](std::string_view key) {
    size_t at = v.find(key);
    if (at >= nameFrom && at < nameTo) at = v.find(key, nameTo);
    return at;
  };
  bool ok = false;
  p = find("size=");
  if (p != std::string_view::npos) {
    bool blank = false;
    const std::string_view t = UpToBlank(v, p + 5, &blank);
    const int32_t size = TextToInt(t, ok);
    if (blank && ok) font.Size = size;
  }
  p = find("color=");
  if (p != std::string_view::npos) {
    const int32_t color = TryTextToInt(UpToBlank(v, p + 6), ok);
    if (ok) font.Color = static_cast<uint32_t>(color);
  }
  p = find("style=");
  if (p != std::string_view::npos) {
    const std::string_view field = UpToBlank(v, p + 6);
    if (field.find("bold") != std::string_view::npos) font.Bold = true;
    if (field.find("italic") != std::string_view::npos) font.Italic = true;
    if (field.find("strikeout") != std::string_view::npos) font.StrikeOut = true;
    if (field.find("underline") != std::string_view::npos) font.Underline = true;
  }
}

// ---- Entries ---------------------------------------------------------------

TFLEintrag::TFLEintrag(std::string_view key) : Key(key.substr(0, kMaxKeyLength)) {}

void TFLEintrag::WriteLine(TLineWriter& out, TFLObject& obj) const {
  const std::string value = ValueToText(obj);
  out.WriteLine({Key, " ", value});
}

bool TFLEintrag::ReadLine(TFLObject& obj, std::string_view line) const {
  const size_t from = Key.size() + 1;
  return TextToValue(obj, from < line.size() ? line.substr(from) : std::string_view());
}

std::string TFLEInteger::ValueToText(TFLObject& obj) const {
  return std::to_string(Get(obj));
}

bool TFLEInteger::TextToValue(TFLObject& obj, std::string_view valueText) const {
  bool ok = false;
  const int32_t v = TextToInt(valueText, ok);
  if (ok) Set(obj, v);
  return ok;
}

std::string TFLEReal::ValueToText(TFLObject& obj) const {
  return FloatToFileText(Get(obj));
}

bool TFLEReal::TextToValue(TFLObject& obj, std::string_view valueText) const {
  bool ok = false;
  const double v = FileTextToFloat(valueText, ok);
  if (ok) Set(obj, v);
  return ok;
}

std::string TFLEBool::ValueToText(TFLObject& obj) const {
  return BoolToText(Get(obj));
}

bool TFLEBool::TextToValue(TFLObject& obj, std::string_view valueText) const {
  bool ok = false;
  const bool v = TextToBool(valueText, ok);
  if (ok) Set(obj, v);
  return ok;
}

std::string TFLEColor::ValueToText(TFLObject& obj) const {
  return ColorToText(Get(obj));
}

bool TFLEColor::TextToValue(TFLObject& obj, std::string_view valueText) const {
  bool ok = false;
  const int32_t v = TryTextToInt(valueText, ok);
  if (ok) Set(obj, static_cast<uint32_t>(v));
  return ok;
}

std::string TFLEString::ValueToText(TFLObject& obj) const {
  return QuoteText(Get(obj));
}

bool TFLEString::TextToValue(TFLObject& obj, std::string_view valueText) const {
  std::string text;
  if (!ParseQuotedText(valueText, text)) return false;
  Set(obj, std::move(text));
  return true;
}

void TFLEString::WriteLine(TLineWriter& out, TFLObject& obj) const {
  if (Ref) {
    const std::string& text = Ref(obj, Tag);
    // The plain quoted form straight from the property.
    if (text.find_first_of("\r\n") == std::string::npos)
      return out.WriteLine({Key, " \"", text, "\""});
  }
  TFLEintrag::WriteLine(out, obj);
}

std::string TFLEFont::ValueToText(TFLObject& obj) const {
  return FontToText(Get(obj));
}

bool TFLEFont::TextToValue(TFLObject& obj, std::string_view valueText) const {
  TFontDesc font = DefaultFont();
  ParseFontText(valueText, font);
  Set(obj, font);
  return true;
}

std::string TFLEEnum::ValueToText(TFLObject& obj) const {
  const int32_t index = Get(obj);
  if (index < 0 || index >= static_cast<int32_t>(Names.size())) return {};
  return Names[static_cast<size_t>(index)];
}

bool TFLEEnum::TextToValue(TFLObject& obj, std::string_view valueText) const {
  for (size_t i = 0; i < Names.size(); ++i) {
    if (EqualNoCase(Names[i], valueText)) {
      Set(obj, static_cast<int32_t>(i));
      return true;
    }
  }
  return false;
}

std::string TFLEIntXY::ValueToText(TFLObject& obj) const {
  const int32_t x = GetX ? GetX(obj, Tag) : 0;
  const int32_t y = GetY ? GetY(obj, Tag) : 0;
  return "x=" + std::to_string(x) + " y=" + std::to_string(y);
}

bool TFLEIntXY::TextToValue(TFLObject& obj, std::string_view valueText) const {
  int32_t x = 0;
  int32_t y = 0;
  if (!ParseIntXY(valueText, x, y)) return false;
  if (SetX) SetX(obj, Tag, x);
  if (SetY) SetY(obj, Tag, y);
  return true;
}

void TFLEIntXY::ValueCopy(TFLObject& target, TFLObject& source) const {
  if (GetX && SetX) SetX(target, Tag, GetX(source, Tag));
  if (GetY && SetY) SetY(target, Tag, GetY(source, Tag));
}

// ---- Sets ------------------------------------------------------------------

TFLSet::TFLSet(std::string_view name, FactoryFn factory)
    : Name(name.substr(0, kMaxSetNameLength)), Factory(std::move(factory)) {}

TFLEintrag* TFLSet::FindEntry(std::string_view key) const {
  for (const auto& e : Entries) {
    if (e->Key == key) return e.get();
  }
  return nullptr;
}

void TFLSet::SaveSet(TLineWriter& out, TFLObject& obj) const {
  out.WriteLine(Name);
  for (const auto& e : Entries) {
    // Checked at the entry's turn: an earlier getter may change it.
    if (!e->IsActiveFor(obj)) continue;
    e->WriteLine(out, obj);
  }
}

TFLObject* TFLSet::LoadSet(TLineReader& in) const {
  TFLObject* obj = Factory ? Factory() : nullptr;
  if (obj) {
    LoadBlock(in, *obj);
    return obj;
  }
  // No object to read into: skip the block.
  std::string_view line;
  while (in.ReadLine(line)) {
    if (!line.empty() && line[0] == 'Q') {
      in.UnreadLine();
      break;
    }
  }
  return nullptr;
}

void TFLSet::LoadBlock(TLineReader& in, TFLObject& obj) const {
  int32_t hint = 0;
  std::string_view line;
  while (in.ReadLine(line)) {
    if (line.empty()) continue;
    if (line[0] == 'Q') {  // the next set name; no key begins with "Q"
      in.UnreadLine();
      break;
    }
    LoadEntry(obj, line, hint);
  }
}

namespace {
bool KeyBegins(std::string_view line, const std::string& key) {
  return line.size() > key.size() && line[key.size()] == ' ' &&
         line.compare(0, key.size(), key) == 0;
}
}  // namespace

bool TFLSet::LoadEntry(TFLObject& obj, std::string_view line, int32_t& hint) const {
  const int32_t n = Count();
  if (hint >= 0 && hint < n && KeyBegins(line, Entries[static_cast<size_t>(hint)]->Key)) {
    Entries[static_cast<size_t>(hint)]->ReadLine(obj, line);
    ++hint;
    return true;
  }
  for (int32_t i = 0; i < n; ++i) {
    if (KeyBegins(line, Entries[static_cast<size_t>(i)]->Key)) {
      Entries[static_cast<size_t>(i)]->ReadLine(obj, line);
      hint = i + 1;
      return true;
    }
  }
  return false;
}

void TFLSet::ValueCopy(TFLObject& target, TFLObject& source) const {
  for (const auto& e : Entries) e->ValueCopy(target, source);
}

TSLSet::TSLSet(std::string_view name, TFLObject* target)
    : TFLSet(name, [target] { return target; }), Target(target) {}

// ---- Set lists -------------------------------------------------------------

TFLSet& TFLSetList::Add(std::string_view name, TFLSet::FactoryFn factory) {
  sets_.push_back(std::make_unique<TFLSet>(name, std::move(factory)));
  return *sets_.back();
}

TSLSet& TFLSetList::AddBound(std::string_view name, TFLObject* target) {
  auto set = std::make_unique<TSLSet>(name, target);
  TSLSet& ref = *set;
  sets_.push_back(std::move(set));
  return ref;
}

TFLSet* TFLSetList::Find(std::string_view name) const {
  for (const auto& s : sets_) {
    if (s->Name == name) return s.get();
  }
  return nullptr;
}

TFLSet* TFLSetList::FindForLine(std::string_view line) const {
  for (const auto& s : sets_) {
    if (!s->Name.empty() && line.substr(0, s->Name.size()) == s->Name) return s.get();
  }
  return nullptr;
}

bool LoadBlocks(const TFLSetList& sets, TLineReader& in, const std::function<bool()>& onSetLine) {
  std::string_view line;
  while (in.ReadLine(line)) {
    if (line.empty() || line[0] != 'Q') continue;  // outside a block
    if (onSetLine && !onSetLine()) return false;
    if (const TFLSet* set = sets.FindForLine(line)) set->LoadSet(in);
  }
  return true;
}

}  // namespace qx
