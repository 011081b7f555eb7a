#include "widgets/uLangStrings.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QList>
#include <QLocale>
#include <QMenu>
#include <QTranslator>
#include <memory>
#include <mutex>

#include "foundation/uLangText.h"
#include "widgets/IconButton.h"
#include "widgets/uRibbonButton.h"

// The catalogues live in this static library: registered explicitly.
static void InitLangResource() {
  Q_INIT_RESOURCE(lang);
}

namespace qx {

namespace {

// The catalogue in force and the keys seen. Texts are looked up on the GUI
// thread; the lock guards against a stray look-up elsewhere.
struct TLangState {
  std::mutex Lock;
  TCatalogue Catalogue;
  std::map<std::string, std::string> Seen;
};

TLangState gLang;

// Qt's catalogue in force (GUI thread); none for English.
std::unique_ptr<QTranslator> gQtCatalogue;

TLangState& State() {
  return gLang;
}

// One quoted PO string (after its keyword or alone on a continuation line).
QByteArray Unquote(const QByteArray& line) {
  const qsizetype a = line.indexOf('"'), b = line.lastIndexOf('"');
  QByteArray out;
  if (a < 0 || b <= a) return out;
  for (qsizetype i = a + 1; i < b; ++i) {
    char c = line[i];
    if (c == '\\' && i + 1 < b) {
      c = line[++i];
      c = c == 'n' ? '\n' : c == 't' ? '\t' : c;
    }
    out += c;
  }
  return out;
}

}  // namespace

QString Tr(const char* key, const char* german) {
  TLangState& s = State();
  std::lock_guard lock(s.Lock);
  s.Seen.try_emplace(key, german);
  const auto it = s.Catalogue.find(key);
  return it != s.Catalogue.end() ? it->second : QString::fromUtf8(german);
}

TCatalogue ParsePoCatalogue(const QByteArray& text) {
  TCatalogue cat;
  QByteArray ctxt, id, str;
  QByteArray* field = nullptr;
  bool haveStr = false;  // the entry is complete once its msgstr came
  auto flush = [&] {
    if (haveStr && !id.isEmpty()) {
      const QByteArray& key = ctxt.isEmpty() ? id : ctxt;
      cat[key.toStdString()] = QString::fromUtf8(str.isEmpty() ? id : str);
    }
    ctxt.clear();
    id.clear();
    str.clear();
    field = nullptr;
    haveStr = false;
  };
  for (QByteArray line : text.split('\n')) {
    line = line.trimmed();
    if (line.isEmpty() || line.startsWith('#')) continue;
    if (line.startsWith("msgctxt")) {
      flush();
      field = &ctxt;
    } else if (line.startsWith("msgid")) {
      if (haveStr) flush();
      field = &id;
    } else if (line.startsWith("msgstr")) {
      field = &str;
      haveStr = true;
    } else if (!line.startsWith('"') || !field) {
      continue;
    }
    *field += Unquote(line);
  }
  flush();
  return cat;
}

bool LoadTranslation(const std::string& code) {
  InitLangResource();
  QFile f(QString(":/lang/quillex.%1.po").arg(QString::fromStdString(code)));
  if (!f.open(QIODevice::ReadOnly)) return false;
  TCatalogue cat = ParsePoCatalogue(f.readAll());
  if (cat.empty()) return false;
  TLangState& s = State();
  std::lock_guard lock(s.Lock);
  s.Catalogue = std::move(cat);
  return true;
}

void ClearTranslation() {
  TLangState& s = State();
  std::lock_guard lock(s.Lock);
  s.Catalogue.clear();
}

bool LoadQtTranslation(const std::string& code) {
  if (gQtCatalogue) {
    QCoreApplication::removeTranslator(gQtCatalogue.get());
    gQtCatalogue.reset();
  }
  // Sizes and dates in Qt's own dialogs follow the language, not the
  // environment.
  if (code == "en" || code == "de" || code == "zh")
    QLocale::setDefault(code == "en"   ? QLocale(QLocale::English, QLocale::UnitedStates)
                        : code == "de" ? QLocale(QLocale::German, QLocale::Germany)
                                       : QLocale(QLocale::Chinese, QLocale::China));
  if (code == "en") return true;
  const char* name = code == "de" ? "qtbase_de" : code == "zh" ? "qtbase_zh_CN" : nullptr;
  if (!name) return false;
  auto catalogue = std::make_unique<QTranslator>();
  if (!catalogue->load(QString::fromLatin1(name),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return false;
  // Installing sends every widget a language change: the standard buttons
  // of open dialogs take the new texts.
  QCoreApplication::installTranslator(catalogue.get());
  gQtCatalogue = std::move(catalogue);
  return true;
}

void InstallCoreTextLookup() {
  SetTextLookup([](const char* key, const char* german) { return Tr(key, german).toStdString(); });
}

const std::map<std::string, std::string>& SeenTexts() {
  return State().Seen;
}

namespace {

constexpr const char* kKeyProperty = "qxTextKey";

void RetranslateOne(QObject* o) {
  const QByteArray key = TextKey(o);
  if (key.isEmpty()) return;
  QString german;
  {
    TLangState& s = State();
    std::lock_guard lock(s.Lock);
    const auto it = s.Seen.find(key.toStdString());
    if (it == s.Seen.end()) return;  // never shown through Tr
    german = QString::fromStdString(it->second);
  }
  const QString text = Tr(key.constData(), german.toUtf8().constData());
  if (auto* l = qobject_cast<QLabel*>(o))
    l->setText(text);
  else if (auto* b = qobject_cast<QAbstractButton*>(o))
    b->setText(text);
  else if (auto* g = qobject_cast<QGroupBox*>(o))
    g->setTitle(text);
  else if (auto* r = qobject_cast<TRibbonButton*>(o))
    r->SetCaption(text);
  else if (auto* i = qobject_cast<TIconButton*>(o))
    i->SetCaption(text);
  else if (auto* m = qobject_cast<QMenu*>(o))
    m->setTitle(text);
  else if (auto* a = qobject_cast<QAction*>(o))
    a->setText(text);
}

}  // namespace

void KeepTextKey(QObject* control, const char* key) {
  if (control) control->setProperty(kKeyProperty, QByteArray(key));
}

QByteArray TextKey(const QObject* control) {
  return control ? control->property(kKeyProperty).toByteArray() : QByteArray();
}

void RetranslateKeyed(QObject* root) {
  if (!root) return;
  RetranslateOne(root);
  for (QObject* o : root->findChildren<QObject*>()) RetranslateOne(o);
}

}  // namespace qx
