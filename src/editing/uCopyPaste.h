// Copy and paste of elements (module uCopyPaste).
//
// The clipboard carries no description of the element, only a reference to
// it under a format of our own, "CF_QXELEMENT": the copying process's id and
// the element's serial number, which is never reused. Pasting resolves the
// reference among the elements of all sheets and asks the element to clone
// itself onto the current sheet; the copy gets the values the element has
// at that moment. Another process's reference, or one to an element deleted
// since, pastes nothing.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace qx {

class TQXElement;

inline constexpr char kElementFormatName[] = "CF_QXELEMENT";

struct TElementRef {
  uint64_t ProcessId = 0;
  uint64_t Serial = 0;
  bool operator==(const TElementRef&) const = default;
};

// The clipboard payload: process id and serial, 8 bytes each, little-endian.
class TElementStream {
 public:
  static constexpr int kSize = 16;
  // Empties the stream and writes the reference.
  void WriteElement(const TElementRef& ref);
  // From the start of the stream; too few bytes give ok false. Bytes beyond
  // the reference are ignored.
  [[nodiscard]] TElementRef ReadElement(bool& ok) const;
  QByteArray Data;
};

class TCopyPaste {
 public:
  TCopyPaste();

  // The private clipboard type under which the format name is known.
  const QString FormatId;

  // Puts the element's reference on the clipboard.
  void Copy(const TQXElement& element);
  // The reference on the clipboard; ok false when it holds none.
  [[nodiscard]] TElementRef Paste(bool& ok);

  // The reference this process gives the element.
  static TElementRef RefOf(const TQXElement& element);
  // The element a reference names: made by this process, still alive and
  // standing in some sheet's element list; none otherwise.
  static TQXElement* Resolve(const TElementRef& ref);

 private:
  TElementStream Stream;
};

extern TCopyPaste* CopyPaste;

// The run page's copy: the element, when it stands on the current sheet.
void CopyElement(TQXElement* element);
// The run page's paste (also Ctrl+V in edit mode): a clone of the copied
// element on the current sheet; none when there is nothing to paste.
TQXElement* PasteElement();

}  // namespace qx
