// Walks through everything the main window can show: the five pages, every
// property listing (each class's main listing, its sub-listings, the sheet
// background's), the modal pages, the menus and the three languages. Shared
// by the walker tests and the picture gallery; needs the application started
// as the program starts it (GlobalInit) and the main window shown.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QString>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "editing/uChannelTable.h"
#include "editing/uEditPanel.h"
#include "editing/uPropertyEditor.h"
#include "editing/uQXControls.h"
#include "editing/uSheet.h"
#include "editing/uSheetBckgnd.h"
#include "editing/uSheetTabs.h"
#include "shell/EmbeddedModalForm.h"
#include "shell/uAbout.h"
#include "shell/uGlobalSettingsForm.h"
#include "shell/uLangUpdate.h"
#include "shell/uLoadSaveForm.h"
#include "shell/uMain.h"
#include "shell/uPortBox.h"
#include "shell/uRunSheet.h"
#include "widgets/uLangStrings.h"
#include "widgets/uRibbonButton.h"
#include "widgets/uTabBar.h"

namespace qx::walk {

inline void Settle(int ms = 30) {
  QElapsedTimer t;
  t.start();
  do {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  } while (t.elapsed() < ms);
}

// ---- pages ----

inline const std::vector<QString>& PageNames() {
  static const std::vector<QString> names = {"run", "edit", "console", "terminal", "interface"};
  return names;
}

inline void SelectPage(int index) {
  if (MainForm && MainForm->TabBar) MainForm->TabBar->SelectTab(index);
  Settle();
}

// On the Interface page: a port of each kind added with its ribbon button,
// its box selected (its settings shown), visit("interface-<kind>"), and the
// port removed again.
inline void ForEachPortKind(const std::function<void(const QString&)>& visit) {
  const std::vector<std::pair<QString, TRibbonButton*>> kinds = {
      {"serial", MainForm->BitBtnCom},
      {"udp", MainForm->BitBtnUDP},
      {"tcpserver", MainForm->BitBtnTCPServ},
      {"tcpclient", MainForm->BitBtnTCPConn},
      {"url", MainForm->BitBtnURL}};
  for (const auto& [name, button] : kinds) {
    const size_t before = TPortBox::PortBoxList.size();
    emit button->clicked();
    Settle(10);
    if (TPortBox::PortBoxList.size() <= before) continue;
    TPortBox::Select(TPortBox::PortBoxList.back());
    Settle();
    visit("interface-" + name);
    TPortBox::DeleteSelected();
    Settle(10);
  }
}

// Calls visit(name) with each page selected in turn, the Edit page once
// more with its channel list open, the Interface page with the settings of
// each port kind; ends on the Run page.
inline void ForEachPage(const std::function<void(const QString&)>& visit) {
  for (int i = 0; i < static_cast<int>(PageNames().size()); ++i) {
    SelectPage(i);
    visit(PageNames()[static_cast<size_t>(i)]);
    if (i == 1 && ChannelTable) {
      MainForm->ButtonKanallisteClick();
      Settle();
      visit("edit-channels");
      ChannelTable->Hide();
      Settle(10);
    }
    if (i == 4) ForEachPortKind(visit);
  }
  SelectPage(0);
}

// ---- property listings ----

// One element of the class on the current sheet, selected, its listing open
// (the Edit page must be selected). The element stays.
inline TQXElement* ShowInstrument(const TElementClass& cls, QPoint at = {40, 40}) {
  TQXElement* e = cls.ElemCreate ? cls.ElemCreate() : nullptr;
  if (!e) return nullptr;
  e->move(at);
  TEditPanel::SelectElements({e});
  TPropertyEditor::ShowElement(*e);
  Settle();
  return e;
}

inline void DeleteInstrument(TQXElement* e) {
  if (!e) return;
  TEditPanel::SelectElements({e});
  TEditPanel::DeleteSelected();
  Settle(10);
}

// Every element class's listing and each of its sub-listings, then the sheet
// background's listing: visit(name, box) with the box shown on the property
// panel. The elements are made on the Edit page and removed again.
inline void ForEachListing(const std::function<void(const QString&, QWidget*)>& visit) {
  SelectPage(1);
  for (const TElementClass& cls : TQXElement::Classes()) {
    TQXElement* e = ShowInstrument(cls);
    if (!e) continue;
    const QString name = QString::fromStdString(cls.SetName);
    if (TEEListing* l = TPropertyEditor::CurrentListing()) {
      visit(name, l->Box);
      const std::vector<TEESubListing*> subs = l->SubListings;
      for (size_t i = 0; i < subs.size(); ++i) {
        TPropertyEditor::PropIndex() = 0;
        TEESubListing::ShowSubListing(subs[i]);
        Settle(10);
        visit(name + QString("/sub%1").arg(i + 1), subs[i]->Box);
        TEESubListing::HideAll();
      }
    }
    TPropertyEditor::HideListing();
    DeleteInstrument(e);
  }
  if (CurrentSheet && CurrentSheet->Background) {
    TPropertyEditor::ShowBackground(*CurrentSheet->Background);
    Settle();
    if (TEEListing* l = TPropertyEditor::CurrentListing()) visit("background", l->Box);
    TPropertyEditor::HideListing();
  }
  SelectPage(0);
}

// ---- modal pages ----

struct TModalPage {
  QString Name;
  TEmbeddedModalFormItem* Item;
};

inline std::vector<TModalPage> ModalPages() {
  std::vector<TModalPage> pages = {{"settings", SettingsItem}, {"about", AboutItem}};
  if (FormLoadSave) pages.push_back({"loadsave", FormLoadSave->PageItem});
  return pages;
}

// Each modal page shown (not waited for): visit(name, the manager) while it
// is up; closed afterwards.
inline void ForEachModalPage(const std::function<void(const QString&, QWidget*)>& visit) {
  for (const TModalPage& p : ModalPages()) {
    if (!p.Item || !ModalManager) continue;
    ModalManager->ShowItem(*p.Item);
    Settle();
    visit(p.Name, ModalManager);
    ModalManager->CloseItem(*p.Item);
    Settle(10);
  }
}

// ---- menus ----

struct TMenuRef {
  QString Name;
  QMenu* Menu;
};

inline std::vector<TMenuRef> Menus() {
  std::vector<TMenuRef> menus;
  if (!MainForm) return menus;
  menus.push_back({"extras", MainForm->Popup_Extras});
  int sub = 0;
  for (QAction* a : MainForm->Popup_Extras->actions())
    if (a->menu()) menus.push_back({QString("extras-sub%1").arg(++sub), a->menu()});
  for (size_t i = 0; i < MainForm->InstrumentMenus.size(); ++i)
    menus.push_back({QString("instruments%1").arg(i + 1), MainForm->InstrumentMenus[i]});
  if (RunSheet) {
    menus.push_back({"element", RunSheet->PopupMenu1});
    menus.push_back({"sheet", RunSheet->PopupMenu2});
  }
  if (SheetTabs)
    for (QMenu* m : SheetTabs->findChildren<QMenu*>(Qt::FindDirectChildrenOnly))
      menus.push_back({"sheettabs", m});
  return menus;
}

// Each menu popped up over the window in turn: visit(name, menu).
inline void ForEachMenu(const std::function<void(const QString&, QMenu*)>& visit) {
  for (const TMenuRef& m : Menus()) {
    if (!m.Menu) continue;
    m.Menu->popup(MainForm->mapToGlobal(QPoint(200, 150)));
    Settle();
    visit(m.Name, m.Menu);
    m.Menu->hide();
    Settle(10);
  }
}

// ---- languages ----

inline const std::vector<std::string>& Languages() {
  static const std::vector<std::string> codes = {"de", "en", "zh"};
  return codes;
}

// As "Extras" > "Sprache" switches.
inline void SetLanguage(const std::string& code) {
  TLanguage::SetLanguage(code);
  Settle();
}

// The German texts (msgid) of the catalogue of `code` whose translation
// differs from them: none of these may stay visible in that language. The
// catalogues are resources registered by the first language switch.
inline std::map<QString, QString> GermanTextsTranslated(const std::string& code) {
  std::map<QString, QString> out;
  QFile de(":/lang/quillex.de.po"), other(QString(":/lang/quillex.%1.po").arg(code.c_str()));
  if (!de.open(QIODevice::ReadOnly) || !other.open(QIODevice::ReadOnly)) return out;
  const TCatalogue german = ParsePoCatalogue(de.readAll());
  const TCatalogue target = ParsePoCatalogue(other.readAll());
  for (const auto& [key, text] : german) {
    const auto it = target.find(key);
    if (it != target.end() && it->second != text) out[text] = QString::fromStdString(key);
  }
  return out;
}

// ---- widgets ----

// Every widget below root that is shown on the screen (root included),
// leaving out whole subtrees where skip holds.
inline std::vector<QWidget*> VisibleWidgets(QWidget* root,
                                            const std::function<bool(QWidget*)>& skip = {}) {
  std::vector<QWidget*> out;
  std::function<void(QWidget*)> walk = [&](QWidget* w) {
    if (!w->isVisible() || (skip && skip(w))) return;
    out.push_back(w);
    for (QObject* o : w->children())
      if (auto* c = qobject_cast<QWidget*>(o); c && !c->isWindow()) walk(c);
  };
  walk(root);
  return out;
}

// Instruments on sheets are sized by the user: their insides are theirs.
inline bool IsInstrument(QWidget* w) {
  return qobject_cast<TQXElement*>(w) != nullptr;
}

inline QString Describe(const QWidget* w) {
  QString s = w->metaObject()->className();
  if (!w->objectName().isEmpty()) s += " '" + w->objectName() + "'";
  for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget())
    s += QString(" < ") + p->metaObject()->className();
  return s;
}

}  // namespace qx::walk
