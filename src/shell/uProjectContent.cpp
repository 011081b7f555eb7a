#include "shell/uProjectContent.h"

#include <QCheckBox>

#include "channels/uQXPorts.h"
#include "editing/uEditPanel.h"
#include "editing/uSheet.h"
#include "editing/uQXControls.h"
#include "shell/uConsoleSheet.h"
#include "shell/uFileHandling.h"
#include "shell/uRunSheet.h"

namespace qx {

TPersistItem TProjectContentImpl::GeneralSettings() {
  return {ProjectGeneralSettings, ProjectGeneralSet};
}

int32_t TProjectContentImpl::PortCount() {
  return PortList ? PortList->Count() : 0;
}

TPersistItem TProjectContentImpl::Port(int32_t index) {
  TQXPort* p = PortList ? PortList->At(index) : nullptr;
  return {p, p ? p->KeySet : nullptr};
}

int32_t TProjectContentImpl::SheetCount() {
  return static_cast<int32_t>(SheetList.size());
}

TPersistItem TProjectContentImpl::Sheet(int32_t index) {
  if (index < 0 || index >= SheetCount()) return {};
  return {SheetList[static_cast<size_t>(index)], FLSetList ? FLSetList->Find("QXSHEET") : nullptr};
}

int32_t TProjectContentImpl::ElementCount(int32_t sheet) {
  if (sheet < 0 || sheet >= SheetCount()) return 0;
  return static_cast<int32_t>(SheetList[static_cast<size_t>(sheet)]->ElementList.size());
}

TPersistElement TProjectContentImpl::Element(int32_t sheet, int32_t index) {
  if (index < 0 || index >= ElementCount(sheet)) return {};
  TQXElement* e = SheetList[static_cast<size_t>(sheet)]->ElementList[static_cast<size_t>(index)];
  return {e, e->KeySet, e->IsSubElement};
}

void TProjectContentImpl::BeginUpdate() {
  if (RunSheet) RunSheet->BeginUpdate();
  TSheet::BeginLoad();
}

void TProjectContentImpl::EndUpdate() {
  TSheet::EndLoad();
  if (RunSheet) RunSheet->EndUpdate();
}

void TProjectContentImpl::UpdateFrames() {
  if (CurrentSheet) CurrentSheet->EditPanel->UpdateFrames();
}

void TProjectContentImpl::Loaded() {
  if (FileHandling) FileHandling->MarkUnchanged();
}

bool TShellProjectSettings::CompileStateVisible() {
  return compileState_ ? compileState_->isChecked() : TQXElement::CompileStateVisible;
}

void TShellProjectSettings::SetCompileStateVisible(bool value) {
  if (compileState_)
    compileState_->setChecked(value);  // its handler updates the elements
  else
    TQXElement::CompileStateVisible = value;
}

bool TShellProjectSettings::ConsoleActive() {
  return Cons ? Cons->Active.load() : TProjectGeneralSettings::ConsoleActive();
}

void TShellProjectSettings::SetConsoleActive(bool value) {
  if (Cons)
    Cons->SetActive(value);
  else
    TProjectGeneralSettings::SetConsoleActive(value);
}

bool TShellProjectSettings::ConsoleRecActive() {
  return Cons ? Cons->Recording.load() : TProjectGeneralSettings::ConsoleRecActive();
}

void TShellProjectSettings::SetConsoleRecActive(bool value) {
  if (Cons)
    Cons->SetRecording(value);
  else
    TProjectGeneralSettings::SetConsoleRecActive(value);
}

std::string TShellProjectSettings::ConsoleRecFile() {
  return Cons ? Cons->FileName : TProjectGeneralSettings::ConsoleRecFile();
}

void TShellProjectSettings::SetConsoleRecFile(const std::string& value) {
  if (Cons)
    Cons->FileName = value;
  else
    TProjectGeneralSettings::SetConsoleRecFile(value);
}

TFontDesc TShellProjectSettings::ConsoleFont() {
  return Cons ? Cons->Font() : TProjectGeneralSettings::ConsoleFont();
}

void TShellProjectSettings::SetConsoleFont(const TFontDesc& value) {
  if (Cons)
    Cons->SetFont(value);
  else
    TProjectGeneralSettings::SetConsoleFont(value);
}

uint32_t TShellProjectSettings::ConsoleBackColor() {
  return Cons ? Cons->BackColor() : TProjectGeneralSettings::ConsoleBackColor();
}

void TShellProjectSettings::SetConsoleBackColor(uint32_t value) {
  if (Cons)
    Cons->SetBackColor(value);
  else
    TProjectGeneralSettings::SetConsoleBackColor(value);
}

}  // namespace qx
