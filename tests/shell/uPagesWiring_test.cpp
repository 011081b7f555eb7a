// The three pages inside the whole application: the ribbon buttons, the
// page switches and the project settings reach them.
#include <gtest/gtest.h>

#include "foundation/uProjectSettings.h"
#include "gui_support/AppFixture.h"
#include "shell/uConsoleSheet.h"
#include "shell/uInterfaceSheet.h"
#include "shell/uPortBox.h"
#include "widgets/uRibbonButton.h"
#include "shell/uStatusFrame.h"
#include "shell/uTerminalSheet.h"

namespace qx {
namespace {

class PagesWiringTest : public test::AppFixture {};

TEST_F(PagesWiringTest, InterfaceRibbonAddsAndRemovesPorts) {
  ASSERT_EQ(PortList->Count(), 1);  // the default serial port has its box
  ASSERT_EQ(TPortBox::PortBoxList.size(), 1u);
  EXPECT_EQ(TPortBox::PortBoxList[0]->Kind, PortKindCom);
  form->TabBar->SelectTab(4);
  EXPECT_TRUE(InterfaceSheet->isVisibleTo(form.get()));
  emit form->BitBtnUDP->clicked();
  emit form->BitBtnTCPConn->clicked();
  ASSERT_EQ(PortList->Count(), 3);
  TPortBox* udp = TPortBox::PortBoxList[1];
  EXPECT_EQ(udp->Kind, PortKindUDP);
  EXPECT_EQ(udp->y(), 57);
  TPortBox::Select(udp);
  EXPECT_TRUE(InterfaceSheet->NotebookPorts->isVisibleTo(form.get()));
  emit form->BitBtnEntf->clicked();
  EXPECT_EQ(PortList->Count(), 2);
  EXPECT_EQ(TPortBox::PortBoxList[1]->y(), 57);
  // "Neu" frees every port; no box reference survives it.
  TPortBox::Select(TPortBox::PortBoxList[0]);
  NewProject();
  EXPECT_EQ(TPortBox::HighlightedBox, nullptr);
  EXPECT_EQ(TPortBox::SelectedBox, nullptr);
  emit form->BitBtnEntf->clicked();
  form->TabBar->SelectTab(1);
  form->TabBar->SelectTab(4);
}

TEST_F(PagesWiringTest, ConsoleAndTerminalRibbonsDriveTheirPages) {
  form->CheckBoxConsActive->setChecked(true);
  EXPECT_TRUE(Cons->Active.load());
  EXPECT_TRUE(ProjectGeneralSettings->ConsoleActive());
  ProjectGeneralSettings->SetConsoleRecActive(true);
  EXPECT_TRUE(form->CheckBoxConsRec->isChecked());
  ProjectGeneralSettings->SetConsoleBackColor(0x102030);
  EXPECT_EQ(form->ConsBackColor->BrushColor(), 0x102030u);
  ProjectGeneralSettings->SetConsoleRecActive(false);
  EXPECT_TRUE(Terminal->ReceiveFrame("#0SHallo;", nullptr, true));
  Terminal->PollTimerTick();
  EXPECT_EQ(ConsoleSheet->Memo1->toPlainText(), "Hallo");

  Term->SettleTime = std::chrono::milliseconds(0);
  form->TabBar->SelectTab(3);
  EXPECT_TRUE(TerminalSheet->isVisibleTo(form.get()));
  EXPECT_EQ(form->ComboPortChoice->count(), PortList->Count());
  form->CheckBox1->setChecked(true);
  EXPECT_TRUE(PortList->At(0)->IsTerminalPort.load());
  form->CheckBox1->setChecked(false);
  EXPECT_FALSE(PortList->At(0)->IsTerminalPort.load());
}

}  // namespace
}  // namespace qx
