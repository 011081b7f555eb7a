// The interface, terminal and console pages with their controllers, a hub
// and a port list, wired as start-up wires them, without the rest of the
// application.
#pragma once

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <functional>
#include <memory>

#include "channels/support/HubFakes.h"
#include "channels/uLossNotify.h"
#include "channels/uQXPorts.h"
#include "channels/uTerminal.h"
#include "shell/uConsoleSheet.h"
#include "shell/uInterfaceSheet.h"
#include "shell/uPortBox.h"
#include "shell/uStatusFrame.h"
#include "shell/uTermBox.h"
#include "shell/uTerminalSheet.h"

namespace qx::test {

struct TPageRig {
  QWidget host;
  TLossNotify loss;
  TTerminal hub{loss};
  fakes::FakeFormula formula{hub};
  TInterfaceSheet* interf;
  TTerminalSheet* termSheet;
  TConsoleSheet* consSheet;
  QCheckBox* checkBox1;
  QComboBox* portChoice;
  TShapeFrame *statusFrame, *consFrame, *recFrame;
  std::unique_ptr<TTerm> term;
  std::unique_ptr<TCons> cons;
  std::unique_ptr<TPortList> ports;

  TPageRig() {
    host.resize(1200, 700);
    interf = new TInterfaceSheet(&host);
    interf->setGeometry(host.rect());
    termSheet = new TTerminalSheet(&host);
    termSheet->setGeometry(host.rect());
    consSheet = new TConsoleSheet(&host);
    consSheet->setGeometry(host.rect());
    checkBox1 = new QCheckBox(&host);
    portChoice = new QComboBox(&host);
    statusFrame = new TShapeFrame(&host);
    consFrame = new TShapeFrame(&host);
    recFrame = new TShapeFrame(&host);
    Terminal = &hub;
    hub.SetFormulaHooks(&formula);
    term = std::make_unique<TTerm>(*termSheet, &loss);
    term->CheckBox1 = checkBox1;
    term->ComboPortChoice = portChoice;
    term->StatusFrame = statusFrame;
    cons = std::make_unique<TCons>(*consSheet, &loss);
    cons->StatusFrame1 = consFrame;
    cons->StatusFrameConsRec = recFrame;
    hub.SetTermSink(term.get());
    hub.SetConsSink(cons.get());
    ports = std::make_unique<TPortList>(hub);
    PortList = ports.get();
    ports->SetBoxFactory(MakePortBox);
    ports->OnBeforeFreeAll = [] {
      TPortBox::Deselect();
      TPortBox::SelectedBox = nullptr;
    };
    ports->OnAfterFreeAll = [] { TPortBox::ArrangeBoxes(); };
    host.show();
  }
  ~TPageRig() {
    hub.Disconnect();
    hub.SetTermSink(nullptr);
    hub.SetConsSink(nullptr);
    ports.reset();
    PortList = nullptr;
    Terminal = nullptr;
    term.reset();
    cons.reset();
  }

  // Lets queued work run until pred holds (bounded, generous).
  static bool ProcessUntil(const std::function<bool()>& pred, int ms = 20000) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
      if (t.elapsed() > ms) return false;
      QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
  }
};

}  // namespace qx::test
