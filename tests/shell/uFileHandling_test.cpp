// Project commands from the window (New, Open, Save, Save as) with injected
// file dialogs, the title, the load/save progress page and its input lock.
#include "shell/uFileHandling.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>

#include "channels/uComPort.h"
#include "channels/uSocketIO.h"
#include "editing/uEditPanel.h"
#include "editing/uSheetBckgnd.h"
#include "foundation/support/Fifo.h"
#include "foundation/uFileLoader.h"
#include "gui_support/AppFixture.h"
#include "instruments/uQXAnalogDisp.h"
#include "instruments/uQXButton.h"
#include "instruments/uQXNumericDisp.h"
#include "instruments/uQXRemoteLabel.h"
#include "shell/EmbeddedModalForm.h"
#include "shell/uLoadSaveForm.h"
#include "shell/uRunSheet.h"
#include "shell/uSheetSelect.h"
#include "widgets/IconButton.h"
#include "widgets/uDialogs.h"

namespace qx {
namespace {

using test::AppFixture;

const QString kOpenError = QString::fromUtf8(
    "Fehler beim \xC3\x96"
    "ffnen der Datei.");
const QString kSaveError = QString::fromUtf8(
    "Fehler beim Speichern: Datei kann nicht ge\xC3\xB6"
    "ffnet werden.");

// Answers file dialogs from queues (empty queue: cancelled) and keeps the
// messages.
class TFakeDialogs final : public TDialogProvider {
 public:
  std::deque<std::string> OpenAnswers, SaveAnswers;
  std::vector<TFileDialogRequest> Requests;
  std::vector<QString> Messages;
  int AskedWhileBusy = 0;
  // Answers to "save the changes?" (empty queue: discard, as if none asked).
  std::deque<TSaveChoice> SaveChoices;
  std::vector<QString> SaveQuestions;

  void Message(QWidget*, const QString& text) override { Messages.push_back(text); }
  bool Question(QWidget*, const QString&) override { return false; }
  TSaveChoice SaveQuestion(QWidget*, const QString& text) override {
    SaveQuestions.push_back(text);
    if (SaveChoices.empty()) return TSaveChoice::Discard;
    const TSaveChoice c = SaveChoices.front();
    SaveChoices.pop_front();
    return c;
  }
  std::optional<TColor> ChooseColor(QWidget*, TColor) override { return std::nullopt; }
  std::optional<TFontDesc> ChooseFont(QWidget*, const TFontDesc&) override { return std::nullopt; }
  std::optional<std::string> ChooseFile(QWidget*, const TFileDialogRequest& request) override {
    Requests.push_back(request);
    if (FileLoad->Loading() || FileLoad->Saving()) ++AskedWhileBusy;
    auto& queue = request.Kind == TFileDialogRequest::TKind::Save ? SaveAnswers : OpenAnswers;
    if (queue.empty()) return std::nullopt;
    std::string answer = queue.front();
    queue.pop_front();
    return answer;
  }
};

// Input as the window system would deliver it (through the application's
// event filters).
void SendKey(QWidget* w, int key, Qt::KeyboardModifiers mods, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, mods, text);
  QCoreApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, mods, text);
  QCoreApplication::sendEvent(w, &release);
}

void Type(QWidget* w, const QString& text) {
  for (QChar c : text) SendKey(w, c.toUpper().unicode(), Qt::NoModifier, c);
}

void Click(QWidget* w) {
  const QPointF at(w->width() / 2.0, w->height() / 2.0);
  QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &release);
}

std::string ReadAll(const std::string& name) {
  std::string text;
  return ReadTextFile(name, text) ? text : std::string("<unreadable>");
}

// Root reads any file; for the length of a scope this thread does not.
class TNoReadOverride {
 public:
  TNoReadOverride() {
    if (syscall(SYS_capget, &header_, saved_) != 0) return;
    __user_cap_data_struct reduced[2];
    std::memcpy(reduced, saved_, sizeof reduced);
    reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    dropped_ = syscall(SYS_capset, &header_, reduced) == 0;
  }
  ~TNoReadOverride() {
    if (dropped_) syscall(SYS_capset, &header_, saved_);
  }

 private:
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct saved_[2]{};
  bool dropped_ = false;
};

class FileHandlingTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    SetDialogProvider(&dialogs);
    FormLoadSave->ClosePauseMs = 0;
    const char* base = std::getenv("QX_TEST_TMP");
    if (base) QDir().mkpath(base);
    tmp = std::make_unique<QTemporaryDir>(QString(base ? base : "/tmp") + "/filehandling-XXXXXX");
    ASSERT_TRUE(tmp->isValid());
  }
  void TearDown() override {
    SetDialogProvider(nullptr);
    AppFixture::TearDown();
  }
  std::string Path(const std::string& relative) const {
    return tmp->path().toStdString() + "/" + relative;
  }

  // Two ports, three sheets, instruments on two of them.
  void BuildProject() {
    PortList->FreeAll();
    TUDPPort& udp = TUDPPort::CreateInstance(*PortList);
    udp.LocalIp = "127.0.0.1";
    udp.LocalPort = "15105";
    udp.ClientIp = "127.0.0.1";
    udp.ClientPort = "15106";
    TComPort::CreateInstance(*PortList);
    SheetList[0]->SetName("Pumpe");
    auto* druck = TQXNumericDisp::ElemCreate();
    druck->SetSource("#1");
    druck->move(30, 30);
    TQXRemoteLabel::ElemCreate()->SetSource("#3");
    SheetTabs->NewTab();
    SheetTabs->NewTab();
    SheetList[1]->SetName("Diagnose");
    SheetTabs->SelectTab(2);
    TQXButton::ElemCreate()->SetSource("#10");
    TQXNumericDisp::ElemCreate()->SetSource("#2*0,1");
    SheetTabs->SelectTab(0);
  }

  TFakeDialogs dialogs;
  std::unique_ptr<QTemporaryDir> tmp;
};

TEST_F(FileHandlingTest, SaveAsNewOpenSaveRoundTrip) {
  BuildProject();
  const std::string built = FileLoad->ProjectText();

  // Save with no name asks for one; the extension is added when missing.
  dialogs.SaveAnswers.push_back(Path("anlage"));
  FileHandling->Save();
  const std::string file = Path("anlage.qxproj");
  EXPECT_EQ(FileLoad->ProjectFile, file);
  EXPECT_EQ(FileLoad->ProjectPath, Path(""));
  ASSERT_NE(ReadAll(file), "<unreadable>");
  EXPECT_EQ(form->windowTitle(), "anlage - Quillex");
  EXPECT_EQ(QGuiApplication::applicationDisplayName(), "anlage - Quillex");

  FileHandling->New();
  EXPECT_EQ(PortList->Count(), 0);
  EXPECT_EQ(SheetList.size(), 1u);
  EXPECT_EQ(TSheet::ElementCount(), 0);
  EXPECT_EQ(FileLoad->ProjectFile, "");
  EXPECT_TRUE(FirstSheetPending);
  EXPECT_EQ(form->TabBar->ItemIndex, 1);
  EXPECT_EQ(form->windowTitle(), "Quillex");

  // The open dialog starts in the project directory.
  dialogs.OpenAnswers.push_back(file);
  FileHandling->Open();
  ASSERT_EQ(dialogs.Requests.size(), 2u);
  EXPECT_EQ(dialogs.Requests[1].Directory.toStdString(), Path(""));
  EXPECT_TRUE(dialogs.Requests[1].MustExist);
  EXPECT_EQ(FileLoad->ProjectText(), built);
  ASSERT_EQ(SheetList.size(), 3u);
  EXPECT_EQ(CurrentSheet, SheetList[0]);
  EXPECT_EQ(SheetTabs->GetTabCaption(1), "Diagnose");
  ASSERT_EQ(PortList->Count(), 2);
  EXPECT_EQ(static_cast<TUDPPort*>(PortList->At(0))->ClientPort, "15106");
  EXPECT_EQ(TSheet::ElementCount(), 4);
  EXPECT_EQ(form->windowTitle(), "anlage - Quillex");
  EXPECT_TRUE(dialogs.Messages.empty());

  // Save writes to the current name without asking.
  TQXNumericDisp::ElemCreate()->SetSource("#7");
  const std::string changed = FileLoad->ProjectText();
  FileHandling->Save();
  EXPECT_EQ(dialogs.Requests.size(), 2u);
  FileHandling->New();
  dialogs.OpenAnswers.push_back(file);
  FileHandling->Open();
  EXPECT_EQ(FileLoad->ProjectText(), changed);
  EXPECT_TRUE(dialogs.Messages.empty());

  // A cancelled dialog changes nothing.
  FileHandling->Open();
  FileHandling->SaveAs();
  EXPECT_EQ(FileLoad->ProjectFile, file);
  EXPECT_EQ(FileLoad->ProjectText(), changed);
}

const QString kChanged =
    QString::fromUtf8("Das Projekt wurde ge\xC3\xA4ndert. \xC3\x84nderungen speichern?");

// New, Open and closing the window on an edited project: each answer does
// what it says; a project just made, loaded or saved is not asked about.
TEST_F(FileHandlingTest, ChangedProjectAsksToSaveDiscardOrCancel) {
  const std::string other = Path("other.qxproj");
  {
    BuildProject();
    dialogs.SaveAnswers.push_back(other);
    FileHandling->SaveAs();
    FileHandling->New();
  }
  EXPECT_TRUE(dialogs.SaveQuestions.empty()) << "saved: nothing to ask";
  ASSERT_FALSE(FileHandling->Changed());

  enum class TCommand { New, Open, Close };
  struct Case {
    const char* name;
    TCommand command;
    TSaveChoice answer;
    bool projectGoes;  // the command went on
  };
  const Case cases[] = {
      {"New, cancel", TCommand::New, TSaveChoice::Cancel, false},
      {"New, discard", TCommand::New, TSaveChoice::Discard, true},
      {"New, save", TCommand::New, TSaveChoice::Save, true},
      {"Open, cancel", TCommand::Open, TSaveChoice::Cancel, false},
      {"Open, discard", TCommand::Open, TSaveChoice::Discard, true},
      {"Open, save", TCommand::Open, TSaveChoice::Save, true},
      {"Close, cancel", TCommand::Close, TSaveChoice::Cancel, false},
      {"Close, discard", TCommand::Close, TSaveChoice::Discard, true},
      {"Close, save", TCommand::Close, TSaveChoice::Save, true},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.command == TCommand::Close) {
      // A closed window stays closed: a fresh application for each.
      TearDown();
      SetUp();
      ASSERT_FALSE(HasFatalFailure());
      dialogs.OpenAnswers.clear();
    }
    FileHandling->Reset();
    const std::string mine = Path("mine" + std::to_string(++n) + ".qxproj");
    TQXNumericDisp::ElemCreate()->SetSource("#7");  // an edit
    ASSERT_TRUE(FileHandling->Changed());
    const std::string edited = FileLoad->ProjectText();
    dialogs.SaveQuestions.clear();
    dialogs.SaveChoices = {c.answer};
    dialogs.SaveAnswers = {mine};  // Save asks for a name: no project file yet
    dialogs.OpenAnswers = {other};
    bool closed = false;
    switch (c.command) {
      case TCommand::New:
        FileHandling->New();
        break;
      case TCommand::Open:
        FileHandling->Open();
        break;
      case TCommand::Close:
        closed = form->close();
        break;
    }
    ASSERT_EQ(dialogs.SaveQuestions.size(), 1u);
    EXPECT_EQ(dialogs.SaveQuestions[0], kChanged);
    EXPECT_EQ(QFileInfo::exists(QString::fromStdString(mine)), c.answer == TSaveChoice::Save);
    if (c.answer == TSaveChoice::Save) {
      EXPECT_EQ(ReadAll(mine), edited);
    }
    if (c.command == TCommand::Close) {
      EXPECT_EQ(closed, c.projectGoes);
      if (!closed) {
        EXPECT_EQ(FileLoad->ProjectText(), edited);
      }
      continue;
    }
    if (!c.projectGoes) {
      EXPECT_EQ(FileLoad->ProjectText(), edited) << "cancel keeps the edited project";
      EXPECT_TRUE(FileHandling->Changed());
    } else {
      EXPECT_EQ(FileLoad->ProjectFile, c.command == TCommand::Open ? other : "");
      EXPECT_FALSE(FileHandling->Changed()) << "freshly made or loaded";
    }
  }
}

// "Save" whose name dialog is cancelled keeps the project and the command
// does not go on.
TEST_F(FileHandlingTest, SaveAnswerWithoutANameKeepsTheProject) {
  TQXNumericDisp::ElemCreate()->SetSource("#7");
  dialogs.SaveChoices = {TSaveChoice::Save};
  FileHandling->New();
  EXPECT_EQ(dialogs.SaveQuestions.size(), 1u);
  EXPECT_EQ(TSheet::ElementCount(), 1);
  EXPECT_TRUE(FileHandling->Changed());
  dialogs.SaveChoices = {TSaveChoice::Discard};
  FileHandling->New();
  EXPECT_EQ(TSheet::ElementCount(), 0);
}

TEST_F(FileHandlingTest, FileButtonsAndShortcutsRunTheCommands) {
  using K = TFileDialogRequest::TKind;
  const QString saveAs = "Speichern unter", open = QString::fromUtf8(
                                                "\xC3\x96"
                                                "ffnen");
  // Without a project even Save asks for a name.
  const struct {
    std::function<void()> press;
    K kind;
    QString title;
  } cases[] = {
      {[this] { emit form->IconButtonOeffnen->clicked(); }, K::Open, open},
      {[this] { emit form->IconButtonSaveAs->clicked(); }, K::Save, saveAs},
      {[this] { emit form->IconButtonSave->clicked(); }, K::Save, saveAs},
      {[] { SendKey(RunSheet, Qt::Key_O, Qt::ControlModifier); }, K::Open, open},
      {[] { SendKey(RunSheet, Qt::Key_S, Qt::ControlModifier); }, K::Save, saveAs},
  };
  for (const auto& c : cases) {
    dialogs.Requests.clear();
    c.press();
    ASSERT_EQ(dialogs.Requests.size(), 1u);
    EXPECT_EQ(dialogs.Requests[0].Kind, c.kind);
    EXPECT_EQ(dialogs.Requests[0].Title, c.title);
    EXPECT_EQ(dialogs.Requests[0].Filter, "Quillex Projekt (*.qxproj)");
  }
  TQXNumericDisp::ElemCreate();
  emit form->IconButtonNeu->clicked();
  EXPECT_EQ(TSheet::ElementCount(), 0);
}

TEST_F(FileHandlingTest, NewWhileConnectedEndsTheRunBeforeFreeingPorts) {
  LoopbackPort(15107);
  TQXNumericDisp::ElemCreate()->SetSource("#1");
  Terminal->Connect();
  ASSERT_TRUE(ProcessUntil([] { return Terminal->Connected.load(); }));
  FileHandling->New();
  EXPECT_FALSE(Terminal->Connected.load());
  EXPECT_EQ(PortList->Count(), 0);
  EXPECT_EQ(TSheet::ElementCount(), 0);
}

// New on the Edit page of a compiled project: every element, sub-element
// and frame is destroyed and no list of the hub, the display tick, a sheet
// or a panel keeps one.
TEST_F(FileHandlingTest, NewLeavesNoElementInAnyList) {
  BuildProject();
  auto* gauge = TQXAnalogDisp::ElemCreate();
  gauge->SetSource("#1");
  std::vector<QPointer<QWidget>> all;
  form->TabBar->SelectTab(PageIndexRun);  // compiles: readers and writers
  ASSERT_FALSE(Terminal->Kanal(1).Readers.empty());
  ASSERT_FALSE(Terminal->Kanal(10).Writers.empty());
  form->TabBar->SelectTab(PageIndexEdit);
  TQXElement::ForEach([&all](TQXElement& e) {
    all.emplace_back(&e);
    if (e.EditComp) all.emplace_back(e.EditComp);
  });
  ASSERT_TRUE(gauge->EditComp);
  ASSERT_TRUE(std::any_of(all.begin(), all.end(),
                          [gauge](const QPointer<QWidget>& w) { return w == gauge->OutElement; }));

  FileHandling->New();
  for (const QPointer<QWidget>& w : all) EXPECT_TRUE(w.isNull());
  EXPECT_EQ(TSheet::ElementCount(), 0);
  EXPECT_TRUE(TQXElement::DisplayUpdateList().empty());
  for (TSheet* s : SheetList) {
    EXPECT_TRUE(s->ElementList.empty());
    EXPECT_TRUE(s->EditPanel->Frames.empty());
  }
  for (int32_t ch = 0; ch < kChannelCount; ++ch) {
    ASSERT_TRUE(Terminal->Kanal(ch).Readers.empty()) << ch;
    ASSERT_TRUE(Terminal->Kanal(ch).Writers.empty()) << ch;
  }
  // The next project starts clean.
  auto* next = TQXNumericDisp::ElemCreate();
  EXPECT_EQ(CurrentSheet->ElementList, std::vector<TQXElement*>{next});
}

TEST_F(FileHandlingTest, TitleIsTheProjectNameCutTo32Characters) {
  const std::string forty(40, 'x');
  std::string wide;  // 40 characters of two bytes each
  for (int i = 0; i < 40; ++i) wide += "\xC3\xA4";
  struct Case {
    std::string file;
    std::string title;
  };
  const Case cases[] = {
      {"/home/user/anlage.qxproj", "anlage - Quillex"},
      {"/p/" + forty + ".qxproj", std::string(32, 'x') + " - Quillex"},
      {"/p/" + std::string(32, 'y') + ".qxproj", std::string(32, 'y') + " - Quillex"},
      {"/p/" + wide + ".qxproj", wide.substr(0, 64) + " - Quillex"},
      {"/home/j.doe/pumpe", "pumpe - Quillex"},
      {"/home/j.doe/pumpe.v2.qxproj", "pumpe.v2 - Quillex"},
      {"C:\\proj\\anlage.qxproj", "anlage - Quillex"},
      {"", "Quillex"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    EXPECT_EQ(TFileHandling::ProjectTitle(c.file).toStdString(), c.title);
  }

  // From the window: Save as under a long name.
  dialogs.SaveAnswers.push_back(Path(forty + ".qxproj"));
  FileHandling->SaveAs();
  EXPECT_EQ(form->windowTitle().toStdString(), std::string(32, 'x') + " - Quillex");
  EXPECT_EQ(QGuiApplication::applicationDisplayName(), form->windowTitle());
}

TEST_F(FileHandlingTest, ProjectUnderDottedDirectoryResolvesRelativePicture) {
  const std::string dir = Path("j.doe/.local/anlage.v1");
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(dir)));
  QImage pic(40, 30, QImage::Format_RGB32);
  pic.fill(Qt::red);
  ASSERT_TRUE(pic.save(QString::fromStdString(dir + "/bg.png")));

  CurrentSheet->Background->SetPicFile("bg.png");  // relative: the project's folder
  dialogs.SaveAnswers.push_back(dir + "/anlage.qxproj");
  FileHandling->SaveAs();
  EXPECT_EQ(FileLoad->ProjectPath, dir + "/");
  EXPECT_EQ(TFileHandling::AbsoluteFileName("bg.png"), dir + "/bg.png");
  EXPECT_EQ(TFileHandling::RelativeFileName(dir + "/bg.png"), "bg.png");

  FileHandling->New();
  FileLoad->ProjectPath.clear();
  dialogs.OpenAnswers.push_back(dir + "/anlage.qxproj");
  FileHandling->Open();
  EXPECT_EQ(FileLoad->ProjectPath, dir + "/");
  EXPECT_EQ(CurrentSheet->Background->PicFile, "bg.png");
  EXPECT_EQ(CurrentSheet->Background->Picture.size(), QSize(40, 30));
  EXPECT_EQ(form->windowTitle(), "anlage - Quillex");
}

// A file chosen by mistake is refused and the open project stays, so Save
// writes it to its own file instead of over the other one; a damaged project
// still loads what it can.
TEST_F(FileHandlingTest, OpenRefusesAFileThatIsNoProject) {
  BuildProject();
  const std::string own = Path("anlage.qxproj");
  dialogs.SaveAnswers.push_back(own);
  FileHandling->SaveAs();
  const std::string built = FileLoad->ProjectText();
  const std::string noise = test::NoiseBytes(200 * 1024, 7);
  const std::string foreign[] = {noise, "", "Quittung\r\nQX\r\nname \"x\"\r\n"};
  for (const std::string& content : foreign) {
    SCOPED_TRACE(content.size());
    const std::string file = Path("fremd.qxproj");
    ASSERT_TRUE(WriteTextFileAtomic(file, content));
    dialogs.Messages.clear();
    dialogs.OpenAnswers.push_back(file);
    FileHandling->Open();
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0], kOpenError);
    EXPECT_EQ(FileLoad->ProjectFile, own);
    EXPECT_EQ(form->windowTitle(), "anlage - Quillex");
    EXPECT_EQ(FileLoad->ProjectText(), built);
    FileHandling->Save();
    EXPECT_EQ(ReadAll(file), content);
    EXPECT_EQ(ReadAll(own), built);
  }

  const std::string damaged[] = {built.substr(0, built.find("QXSHEET") + 12),
                                 "QXGENERAL\r\nunbekannt 1\r\nshowCompileState vielleicht\r\n" +
                                     built.substr(built.find("QXUDPPORT"))};
  for (const std::string& content : damaged) {
    const std::string file = Path("kaputt.qxproj");
    ASSERT_TRUE(WriteTextFileAtomic(file, content));
    dialogs.Messages.clear();
    dialogs.OpenAnswers.push_back(file);
    FileHandling->Open();
    EXPECT_TRUE(dialogs.Messages.empty());
    EXPECT_EQ(FileLoad->ProjectFile, file);
    EXPECT_EQ(PortList->Count(), 2);
  }
}

TEST_F(FileHandlingTest, FailedOpenReportsAndForgetsTheName) {
  BuildProject();
  const std::string file = Path("kaputt.qxproj");
  ASSERT_TRUE(WriteTextFileAtomic(file, FileLoad->ProjectText()));
  const std::string before = ReadAll(file);
  ASSERT_EQ(::chmod(file.c_str(), 0), 0);
  {
    TNoReadOverride noOverride;
    const int fd = ::open(file.c_str(), O_RDONLY);
    if (fd >= 0) ::close(fd);
    ASSERT_LT(fd, 0) << "the file must be unreadable for this test";

    dialogs.OpenAnswers.push_back(file);
    FileHandling->Open();
  }
  ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
  ASSERT_EQ(dialogs.Messages.size(), 1u);
  EXPECT_EQ(dialogs.Messages[0], kOpenError);
  EXPECT_EQ(FileLoad->ProjectFile, "");
  EXPECT_EQ(form->windowTitle(), "Quillex");
  EXPECT_EQ(SheetList.size(), 1u);  // the new, empty project

  // Save asks for a name (cancelled here) and leaves the unreadable file be.
  FileHandling->Save();
  ASSERT_EQ(dialogs.Requests.size(), 2u);
  EXPECT_EQ(dialogs.Requests[1].Kind, TFileDialogRequest::TKind::Save);
  EXPECT_EQ(ReadAll(file), before);
}

// A FIFO chosen as the project: refused at once (the bar used to stop at 5 %
// for good), reported as any file that cannot be opened.
TEST_F(FileHandlingTest, AFifoChosenAsTheProjectFailsAtOnce) {
  test::TFifo fifo("pipe.qxproj");
  ASSERT_TRUE(fifo.Ok());
  dialogs.OpenAnswers.push_back(fifo.Path());
  EXPECT_TRUE(test::ReturnsPromptly([] { FileHandling->Open(); }));
  ASSERT_EQ(dialogs.Messages.size(), 1u);
  EXPECT_EQ(dialogs.Messages[0], kOpenError);
  EXPECT_EQ(FileLoad->ProjectFile, "");
  EXPECT_FALSE(FileLoad->Loading());
  EXPECT_EQ(form->windowTitle(), "Quillex");
}

TEST_F(FileHandlingTest, FailedSaveShowsTheSaveError) {
  dialogs.SaveAnswers.push_back(Path("missing-folder/x.qxproj"));
  FileHandling->SaveAs();
  ASSERT_EQ(dialogs.Messages.size(), 1u);
  EXPECT_EQ(dialogs.Messages[0], kSaveError);
}

// While the reader runs (the progress page lets events through), neither a
// command nor user input may touch the project.
TEST_F(FileHandlingTest, NothingInterferesWithALoadInProgress) {
  BuildProject();
  const std::string built = FileLoad->ProjectText();
  dialogs.SaveAnswers.push_back(Path("busy.qxproj"));
  FileHandling->SaveAs();
  FileHandling->New();
  form->EditSimulateRecv->setText("");

  bool ranDuringLoad = false, pageShown = false;
  QString pageTitle;
  QTimer::singleShot(0, form.get(), [&] {
    ranDuringLoad = FileLoad->Loading();
    pageShown = ModalManager && !ModalManager->isHidden() && !ModalManager->Host->isHidden();
    pageTitle = FormLoadSave->PageItem->Title;
    FileHandling->New();
    FileHandling->Open();
    FileHandling->Save();
    FileHandling->SaveAs();
    SendKey(RunSheet, Qt::Key_O, Qt::ControlModifier);
    Type(form->EditSimulateRecv, "typed");
    Click(form->CheckBoxCompileState);
  });
  dialogs.OpenAnswers.push_back(Path("busy.qxproj"));
  FileHandling->Open();

  EXPECT_TRUE(ranDuringLoad);
  EXPECT_TRUE(pageShown);
  EXPECT_EQ(pageTitle, QString::fromUtf8("L\xC3\xA4"
                                         "dt Datei"));
  EXPECT_EQ(FileLoad->ProjectText(), built);
  EXPECT_EQ(dialogs.Requests.size(), 2u);  // the one Save as and the one Open
  EXPECT_EQ(dialogs.AskedWhileBusy, 0);
  EXPECT_TRUE(dialogs.Messages.empty());
  EXPECT_EQ(form->EditSimulateRecv->text(), "");
  EXPECT_TRUE(form->CheckBoxCompileState->isChecked());
  EXPECT_TRUE(ModalManager->isHidden());
  // Input works again afterwards.
  Type(form->EditSimulateRecv, "ok");
  EXPECT_EQ(form->EditSimulateRecv->text(), "ok");
  Click(form->CheckBoxCompileState);
  EXPECT_FALSE(form->CheckBoxCompileState->isChecked());
}

// Closing the window while a large project loads: the load stops at its next
// block and returns, and the program's event loop ends.
TEST_F(FileHandlingTest, ClosingTheWindowEndsALoadAndTheProgram) {
  constexpr int kMany = 3000;
  for (int i = 0; i < kMany; ++i) TQXNumericDisp::ElemCreate()->move((i % 50) * 20, (i / 50) * 20);
  dialogs.SaveAnswers.push_back(Path("many.qxproj"));
  FileHandling->SaveAs();
  FileHandling->New();
  ASSERT_EQ(TSheet::ElementCount(), 0);

  form->show();
  dialogs.OpenAnswers.push_back(Path("many.qxproj"));
  bool returned = false, gaveUp = false;
  int loaded = -1;
  QTimer::singleShot(0, form.get(), [&] {
    // Runs at the load's first progress step, as a click on the close box.
    QTimer::singleShot(0, form.get(), [&] { form->close(); });
    FileHandling->Open();
    returned = true;
    loaded = TSheet::ElementCount();
  });
  QTimer giveUp;
  giveUp.setSingleShot(true);
  QObject::connect(&giveUp, &QTimer::timeout, [&] {
    gaveUp = true;
    QCoreApplication::quit();
  });
  giveUp.start(120000);
  QCoreApplication::exec();  // the program's event loop, as in main
  EXPECT_FALSE(gaveUp);
  EXPECT_TRUE(returned);
  EXPECT_GE(loaded, 0);
  EXPECT_LT(loaded, kMany / 10) << "the load went on after the window closed";
  EXPECT_FALSE(FileLoad->Loading());
  EXPECT_TRUE(ModalManager->isHidden());
}

// Paint events of a widget that cover at least half of the window, but not
// those of the picture a modal page takes of the window before it shows.
struct TLargePaints : QObject {
  explicit TLargePaints(QWidget* w) : watched(w) { w->installEventFilter(this); }
  ~TLargePaints() override { watched->removeEventFilter(this); }
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() != QEvent::Paint || (ModalManager->Current && ModalManager->isHidden()))
      return false;
    int64_t area = 0;
    for (const QRect& r : static_cast<QPaintEvent*>(e)->region())
      area += int64_t{r.width()} * r.height();
    QWidget* window = watched->window();
    if (2 * area >= int64_t{window->width()} * window->height()) ++N;
    return false;
  }
  QWidget* watched;
  int N = 0;
};

// Opening a project larger than the window: the sheet is painted once, when
// the progress page closes, and nothing under the page is painted again
// before (the user would see the window flash twice).
TEST_F(FileHandlingTest, ALoadPaintsTheSheetOnceWhenItsPageCloses) {
  for (int i = 0; i < 600; ++i)
    TQXNumericDisp::ElemCreate()->setGeometry((i % 20) * 140, (i / 20) * 32, 140, 32);
  dialogs.SaveAnswers.push_back(Path("large.qxproj"));
  FileHandling->SaveAs();
  FileHandling->New();
  form->show();
  ProcessFor(50);
  FormLoadSave->ClosePauseMs = 100;  // the page's pause runs the event loop
  TLargePaints underPage(ModalManager->Snapshot), sheet(CurrentSheet->EditPanel);
  dialogs.OpenAnswers.push_back(Path("large.qxproj"));
  FileHandling->Open();
  ProcessFor(300);
  ASSERT_EQ(TSheet::ElementCount(), 600);
  EXPECT_EQ(underPage.N, 1);  // the page as it appears
  EXPECT_EQ(sheet.N, 1);
  // All of it shows: the frames in sight with their instruments' pictures.
  TQXElement* first = CurrentSheet->ElementList.front();
  EXPECT_EQ(first->EditComp->grab().toImage(), first->grab().toImage());
}

// The example project, opened from the window, shows what the feed script
// sends (its frames, on a port of the test's choosing).
TEST_F(FileHandlingTest, ExampleProjectOpensAndShowsLiveValues) {
  const std::string example =
      (std::filesystem::path(QX_SOURCE_DIR) / "examples" / "first-panel.qxproj").string();
  dialogs.OpenAnswers.push_back(example);
  FileHandling->Open();
  ASSERT_TRUE(dialogs.Messages.empty());
  EXPECT_EQ(form->windowTitle(), "first-panel - Quillex");
  ASSERT_EQ(SheetList.size(), 2u);
  EXPECT_EQ(SheetTabs->GetTabCaption(0), "Pumpe");
  EXPECT_EQ(SheetTabs->GetTabCaption(1), "Diagnose");
  ASSERT_EQ(PortList->Count(), 1);
  auto* port = dynamic_cast<TUDPPort*>(PortList->At(0));
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(port->LocalPort, "15005");
  EXPECT_EQ(port->ClientPort, "15006");
  ASSERT_EQ(CurrentSheet->ElementList.size(), 5u);
  auto* druck = dynamic_cast<TQXNumericDisp*>(CurrentSheet->ElementList[0]);
  auto* temperatur = dynamic_cast<TQXNumericDisp*>(CurrentSheet->ElementList[1]);
  auto* status = dynamic_cast<TQXRemoteLabel*>(CurrentSheet->ElementList[2]);
  ASSERT_TRUE(druck && temperatur && status);

  TUdpSocket feeder;
  std::string err;
  ASSERT_TRUE(feeder.Bind("127.0.0.1", "0", err)) << err;
  port->LocalPort = "0";
  port->ClientPort = std::to_string(feeder.LocalPort());
  form->TabBar->SelectTab(0);
  form->ButtonConnectClick();
  ASSERT_TRUE(Terminal->Connected.load()) << port->LastErrorText;
  TSockAddr to;
  ASSERT_TRUE(
      ResolveAddress("127.0.0.1", std::to_string(port->BoundPort()), SOCK_DGRAM, false, to, err));
  ASSERT_EQ(feeder.SendTo(to, "#1F3.52;#2F215;#3SPumpe l\xC3\xA4uft;"), TIoStatus::Ok);
  EXPECT_TRUE(ProcessUntil([&] { return druck->ValueLabel()->text().contains("3,52"); }))
      << druck->ValueLabel()->text().toStdString();
  EXPECT_TRUE(ProcessUntil([&] { return temperatur->ValueLabel()->text().contains("21,5"); }))
      << temperatur->ValueLabel()->text().toStdString();
  EXPECT_TRUE(ProcessUntil(
      [&] { return status->Label()->text() == QString::fromUtf8("Pumpe l\xC3\xA4uft"); }));
  Terminal->Disconnect();
}

TEST_F(FileHandlingTest, ProgressSteps) {
  struct Case {
    int32_t steps;
    int stepCalls;  // StepProgress calls after StartProgress
    int32_t percent;
  };
  const Case cases[] = {
      {0, 0, 100},  // one step: 1 * 100 / 1 + 1, clamped
      {-5, 0, 100}, {4, 0, 26}, {4, 1, 51}, {4, 3, 100}, {200, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.steps << " steps, " << c.stepCalls << " more");
    FormLoadSave->StartProgress(c.steps);
    for (int i = 0; i < c.stepCalls; ++i) FormLoadSave->StepProgress();
    EXPECT_EQ(FormLoadSave->Percent, c.percent);
  }
  // The filled part: bar width * percent / 100 - 4.
  FormLoadSave->ShowPercent(50);
  EXPECT_EQ(FormLoadSave->PanelProgressBar->ProgressWidth, 484 * 50 / 100 - 4);
  FormLoadSave->ShowPercent(130);
  EXPECT_EQ(FormLoadSave->PanelProgressBar->ProgressWidth, 480);
}

}  // namespace
}  // namespace qx
