#include "editing/uCopyPaste.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <algorithm>

#include "editing/uEditPanel.h"
#include "editing/uSheet.h"
#include "editing/uQXControls.h"

namespace qx {

TCopyPaste* CopyPaste = nullptr;

namespace {

void PutU64(QByteArray& out, uint64_t v) {
  for (int i = 0; i < 8; ++i) out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

uint64_t GetU64(const QByteArray& in, int at) {
  uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v |= uint64_t{static_cast<unsigned char>(in[at + i])} << (8 * i);
  return v;
}

}  // namespace

void TElementStream::WriteElement(const TElementRef& ref) {
  Data.clear();
  PutU64(Data, ref.ProcessId);
  PutU64(Data, ref.Serial);
}

TElementRef TElementStream::ReadElement(bool& ok) const {
  ok = Data.size() >= kSize;
  if (!ok) return {};
  return {GetU64(Data, 0), GetU64(Data, 8)};
}

TCopyPaste::TCopyPaste()
    : FormatId(QStringLiteral("application/x-quillex-") + QLatin1String(kElementFormatName)) {}

TElementRef TCopyPaste::RefOf(const TQXElement& element) {
  return {static_cast<uint64_t>(QCoreApplication::applicationPid()), element.Serial()};
}

void TCopyPaste::Copy(const TQXElement& element) {
  Stream.WriteElement(RefOf(element));
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return;
  auto* data = new QMimeData;
  data->setData(FormatId, Stream.Data);
  clipboard->setMimeData(data);  // the clipboard owns it
}

TElementRef TCopyPaste::Paste(bool& ok) {
  ok = false;
  Stream.Data.clear();
  const QClipboard* clipboard = QGuiApplication::clipboard();
  const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
  if (!data || !data->hasFormat(FormatId)) return {};
  Stream.Data = data->data(FormatId);
  return Stream.ReadElement(ok);
}

TQXElement* TCopyPaste::Resolve(const TElementRef& ref) {
  // Serials count per process: another process's number may name one of
  // ours, so the process decides first.
  if (ref.ProcessId != static_cast<uint64_t>(QCoreApplication::applicationPid())) return nullptr;
  TQXElement* element = TQXElement::FindBySerial(ref.Serial);
  if (!element || TSheet::IndexOfElement(element) < 0) return nullptr;
  return element;
}

void CopyElement(TQXElement* element) {
  if (!CopyPaste || !element || !CurrentSheet) return;
  const auto& list = CurrentSheet->ElementList;
  if (std::find(list.begin(), list.end(), element) == list.end()) return;
  CopyPaste->Copy(*element);
}

TQXElement* PasteElement() {
  if (!CopyPaste || !CurrentSheet) return nullptr;
  bool ok = false;
  const TElementRef ref = CopyPaste->Paste(ok);
  if (!ok) return nullptr;
  TQXElement* source = TCopyPaste::Resolve(ref);
  if (!source) return nullptr;
  TQXElement* copy = source->Clone();
  // The copy needs its frame now: the user may click it right away.
  if (copy && CurrentSheet->EditPanel) CurrentSheet->EditPanel->UpdateFrames();
  return copy;
}

}  // namespace qx
