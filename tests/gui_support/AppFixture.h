// The whole application started as the program starts it (offscreen): main
// window, GlobalInit, and torn down again after each test.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "channels/uQXPorts.h"
#include "channels/uTerminal.h"
#include "channels/uUDPPort.h"
#include "editing/uSheet.h"
#include "editing/uSheetTabs.h"
#include "foundation/uSettingLoader.h"
#include "shell/uInit.h"
#include "shell/uMain.h"
#include "widgets/uTabBar.h"

namespace qx::test {

// Bytes no program would take for a project: the same for the same seed.
inline std::string NoiseBytes(size_t size, uint32_t seed) {
  std::string noise(size, '\0');
  for (char& c : noise) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 24);
  }
  return noise;
}

class AppFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<TMainForm>();
    GlobalInit(*form);
    form->resize(1200, 800);
    SecondInit();  // the settings file of an earlier test may say otherwise:
    GlobalSettings->SetDecimalSeparator(2);  // tests expect the comma
  }
  void TearDown() override {
    GlobalFree();
    form.reset();
    QCoreApplication::processEvents();
  }
  // Lets queued work run until pred holds (bounded, generous).
  static bool ProcessUntil(const std::function<bool()>& pred, int ms = 20000) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
      if (t.elapsed() > ms) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
  }
  static void ProcessFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  // A UDP port on loopback that talks to peer; the default serial port goes.
  TUDPPort& LoopbackPort(uint16_t peerPort) {
    PortList->FreeAll();
    TUDPPort& p = TUDPPort::CreateInstance(*PortList);
    p.LocalIp = "127.0.0.1";
    p.LocalPort = "0";
    p.ClientIp = "127.0.0.1";
    p.ClientPort = std::to_string(peerPort);
    return p;
  }
  std::unique_ptr<TMainForm> form;
};

}  // namespace qx::test
