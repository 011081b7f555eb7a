// Copy and paste of elements: the clipboard payload, and pasting on the
// running program through the popup commands and the keys of edit mode.
#include "editing/uCopyPaste.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>

#include "editing/uEditPanel.h"
#include "gui_support/AppFixture.h"
#include "instruments/uQXNumericDisp.h"
#include "shell/uRunSheet.h"
#include "shell/uSheetSelect.h"

namespace qx {
namespace {

using test::AppFixture;

TEST(ElementStream, CarriesProcessAndSerialLittleEndian) {
  TElementStream s;
  s.WriteElement({0x0102030405060708ull, 0x1122334455667788ull});
  ASSERT_EQ(s.Data.size(), TElementStream::kSize);
  EXPECT_EQ(static_cast<unsigned char>(s.Data[0]), 0x08);
  EXPECT_EQ(static_cast<unsigned char>(s.Data[7]), 0x01);
  EXPECT_EQ(static_cast<unsigned char>(s.Data[8]), 0x88);
  EXPECT_EQ(static_cast<unsigned char>(s.Data[15]), 0x11);
  s.WriteElement({7, 9});  // writing empties first
  EXPECT_EQ(s.Data.size(), TElementStream::kSize);

  struct Case {
    int length;
    bool ok;
  };
  const Case cases[] = {{0, false}, {4, false}, {15, false}, {16, true}, {40, true}};
  for (const Case& c : cases) {
    TElementStream r;
    QByteArray full = s.Data;
    full.append(QByteArray(24, '\x55'));
    r.Data = full.left(c.length);
    bool ok = !c.ok;
    const TElementRef ref = r.ReadElement(ok);
    EXPECT_EQ(ok, c.ok) << c.length;
    EXPECT_EQ(ref, (c.ok ? TElementRef{7, 9} : TElementRef{})) << c.length;
  }
}

class CopyPasteTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    form->TabBar->SelectTab(PageIndexEdit);
    ASSERT_TRUE(EditMode);
    ASSERT_NE(CopyPaste, nullptr);
    TEditPanel::OnElementPopup = [](QPoint) {};
    QGuiApplication::clipboard()->clear();
  }
  static TQXNumericDisp* Place(int x, int y) {
    auto* e = TQXNumericDisp::ElemCreate();
    e->SetLeft(x);
    e->SetTop(y);
    CurrentSheet->EditPanel->UpdateFrames();
    return e;
  }
  static void Key(int key, Qt::KeyboardModifiers mods = Qt::ControlModifier) {
    QKeyEvent ev(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(CurrentSheet, &ev);
  }
  static void Click(TQXElement* e, Qt::MouseButton button,
                    Qt::KeyboardModifiers mods = Qt::NoModifier) {
    TEditComp* f = e->EditComp;
    const QPointF at(3, 3);
    QMouseEvent press(QEvent::MouseButtonPress, at, f->mapToGlobal(at), button, button, mods);
    QApplication::sendEvent(f, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, f->mapToGlobal(at), button, Qt::NoButton,
                        mods);
    QApplication::sendEvent(f, &release);
  }
  static void PutOnClipboard(const TElementRef& ref) {
    TElementStream s;
    s.WriteElement(ref);
    auto* data = new QMimeData;
    data->setData(CopyPaste->FormatId, s.Data);
    QGuiApplication::clipboard()->setMimeData(data);
  }
};

TEST_F(CopyPasteTest, PasteClonesWithTheValuesOfThatMomentAtTheTopLeft) {
  auto* a = Place(120, 80);
  a->SetDenom("Druck");
  Click(a, Qt::RightButton);
  RunSheet->MenuItem_CopyClick();
  a->SetBckGndColor(0x00FF00);  // changed after the copy

  RunSheet->MenuItem_PasteClick();
  RunSheet->MenuItem_PasteClick();
  auto& list = CurrentSheet->ElementList;
  ASSERT_EQ(list.size(), 3u);
  for (TQXElement* copy : {list[1], list[2]}) {
    ASSERT_NE(qobject_cast<TQXNumericDisp*>(copy), nullptr);
    EXPECT_EQ(copy->pos(), QPoint(0, 0));
    EXPECT_EQ(copy->size(), a->size());
    EXPECT_EQ(copy->GetDenom(), "Druck");
    EXPECT_EQ(copy->GetBckGndColor(), 0x00FF00u);
    // Pasted in edit mode: it has its frame at once, under the panel's cover.
    ASSERT_NE(copy->EditComp, nullptr);
    EXPECT_EQ(copy->EditComp->geometry(), copy->geometry());
  }
  // The second copy lies above the first.
  const QObjectList kids = CurrentSheet->Canvas()->children();
  EXPECT_LT(kids.indexOf(list[1]), kids.indexOf(list[2]));
  EXPECT_EQ(kids.last(), CurrentSheet->EditPanel);
  EXPECT_EQ(a->pos(), QPoint(120, 80));
}

TEST_F(CopyPasteTest, PasteLandsOnTheCurrentSheet) {
  auto* a = Place(50, 60);
  TEditPanel::SelectElements({a});
  Key(Qt::Key_C);
  SheetTabs->NewTab();
  SheetTabs->SelectTab(1);
  TSheet* second = SheetList[1];
  ASSERT_EQ(CurrentSheet, second);
  Key(Qt::Key_V, Qt::ControlModifier);  // nothing selected here: pastes once
  ASSERT_EQ(second->ElementList.size(), 1u);
  EXPECT_EQ(second->ElementList[0]->pos(), QPoint(0, 0));
  EXPECT_EQ(second->ElementList[0]->parentWidget(), second->Canvas());
  EXPECT_EQ(SheetList[0]->ElementList.size(), 1u);
}

TEST_F(CopyPasteTest, CtrlCCopiesTheFirstSelected) {
  auto* a = Place(10, 10);
  auto* b = Place(300, 10);
  b->SetDenom("B");
  Click(b, Qt::LeftButton);
  Click(a, Qt::LeftButton, Qt::ControlModifier);
  ASSERT_EQ(TEditPanel::SelectionCount(), 2);
  Key(Qt::Key_C);
  TEditPanel::ClearSelection();
  TQXElement* copy = PasteElement();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->GetDenom(), "B");
}

TEST_F(CopyPasteTest, NothingToPasteDoesNothing) {
  auto* a = Place(10, 10);
  auto* other = Place(300, 10);
  const uint64_t pid = static_cast<uint64_t>(QCoreApplication::applicationPid());
  struct Case {
    const char* what;
    std::function<void()> prepare;
  };
  const Case cases[] = {
      {"text on the clipboard", [] { QGuiApplication::clipboard()->setText("#1;"); }},
      {"another process's copy naming one of our serials",
       [&] {
         PutOnClipboard({pid + 1, a->Serial()});
       }},
      {"a short payload",
       [] {
         auto* data = new QMimeData;
         data->setData(CopyPaste->FormatId, QByteArray(15, '\0'));
         QGuiApplication::clipboard()->setMimeData(data);
       }},
      {"a serial never given",
       [&] {
         PutOnClipboard({pid, 1u << 30});
       }},
      {"copy, then delete",
       [&] {
         CopyElement(other);
         TEditPanel::SelectElements({other});
         TEditPanel::DeleteSelected();
       }},
  };
  for (const Case& c : cases) {
    c.prepare();
    const size_t before = CurrentSheet->ElementList.size();
    EXPECT_EQ(PasteElement(), nullptr) << c.what;
    RunSheet->MenuItem_PasteClick();
    Key(Qt::Key_V);
    EXPECT_EQ(CurrentSheet->ElementList.size(), before) << c.what;
  }
  // Our own reference to a living element does paste.
  PutOnClipboard({pid, a->Serial()});
  EXPECT_NE(PasteElement(), nullptr);
}

TEST_F(CopyPasteTest, CopyFromThePopupNeedsTheElementOnTheCurrentSheet) {
  auto* a = Place(10, 10);
  Click(a, Qt::RightButton);
  ASSERT_EQ(TEditPanel::PopupElement(), a);
  SheetTabs->NewTab();
  SheetTabs->SelectTab(1);
  // The popup target stays a's frame, but a is not on this sheet.
  RunSheet->MenuItem_CopyClick();
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  EXPECT_TRUE(!data || !data->hasFormat(CopyPaste->FormatId));
}

}  // namespace
}  // namespace qx
