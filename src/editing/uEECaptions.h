// The captions every element listing shares, looked up afresh on each call
// so that a refresh run after a language change passes the new texts.
#pragma once

#include <QString>

#include "widgets/uLangStrings.h"

namespace qx::cap {

inline QString Name() {
  return Tr("uqxcontrols.sname", "Name");
}
inline QString Input() {
  return Tr("uqxcontrols.sinput", "Eingang");
}
inline QString Output() {
  return Tr("uqxcontrols.soutput", "Ausgang");
}
inline QString InOut() {
  return Tr("uqxcontrols.sinout", "Ein- und Ausgang");
}
inline QString Unit() {
  return Tr("uqxcontrols.sunit", "Einheit");
}
inline QString Show() {
  return Tr("uqxcontrols.sshow", "zeigen");
}
inline QString Active() {
  return Tr("uqxcontrols.sactive", "aktiv");
}
inline QString NameOutput() {
  return Tr("uqxcontrols.snameout", "Name Ausgang");
}
inline QString Position() {
  return Tr("uqxcontrols.sposition", "Position");
}
inline QString Size() {
  return Tr("uqxcontrols.ssize",
            "Abma\xC3\x9F"
            "e");
}
inline QString Width() {
  return Tr("uqxcontrols.swidth", "Breite");
}
inline QString Height() {
  return Tr("uqxcontrols.sheight",
            "H\xC3\xB6"
            "he");
}
inline QString X() {
  return Tr("uqxcontrols.sx", "X =");
}
inline QString Y() {
  return Tr("uqxcontrols.sy", "Y =");
}
inline QString InitValue() {
  return Tr("uqxcontrols.sinitval", "Initialwert");
}
inline QString Mode() {
  return Tr("uqxcontrols.smode", "Modus");
}
inline QString Alignment() {
  return Tr("uqxcontrols.salign", "Ausrichtung");
}
inline QString Horizontal() {
  return Tr("uqxcontrols.shorz", "Horizontal");
}
inline QString Vertical() {
  return Tr("uqxcontrols.svert", "Vertikal");
}
inline QString Font() {
  return Tr("uqxcontrols.sfont", "Schriftart");
}
inline QString BackColor() {
  return Tr("uqxcontrols.sbckcolor", "Hintergrundfarbe");
}
inline QString FrameColor() {
  return Tr("uqxcontrols.sframecolor", "Rahmenfarbe");
}
inline QString FrameWidth() {
  return Tr("uqxcontrols.sframewidth", "Rahmenbreite");
}
inline QString SendAnim() {
  return Tr("uqxcontrols.ssendanim", "Sendeanimation");
}
inline QString BitmapFiles() {
  return Tr("uqxcontrols.sbmpfiles", "Bitmapdateien f\xC3\xBCr Instrumentendarstellung");
}
inline QString Decimals() {
  return Tr("uqxcontrols.sdecimals", "Nachkommastellen");
}
inline QString FixedDecimals() {
  return Tr("uqxcontrols.sfixdecimals", "Feste Kommastellen");
}

}  // namespace qx::cap
