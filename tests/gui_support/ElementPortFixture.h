// The application with a loopback UDP peer: the Run page compiles, the hub
// connects, and datagrams from the peer reach the elements.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "channels/uSocketIO.h"
#include "gui_support/AppFixture.h"

namespace qx::test {

class ElementPortFixture : public AppFixture {
 protected:
  void ConnectLoopback() {
    std::string err;
    if (!peerBound_) {
      ASSERT_TRUE(peer.Bind("127.0.0.1", "0", err)) << err;
      peerBound_ = true;
      port = &LoopbackPort(peer.LocalPort());
    }
    form->TabBar->SelectTab(0);
    form->ButtonConnectClick();
    ASSERT_TRUE(Terminal->Connected.load()) << port->LastErrorText;
  }
  void Disconnect() { form->ButtonDisconnectClick(); }
  void Feed(std::string_view datagram) {
    TSockAddr to;
    std::string err;
    ASSERT_TRUE(
        ResolveAddress("127.0.0.1", std::to_string(port->BoundPort()), SOCK_DGRAM, false, to, err));
    ASSERT_EQ(peer.SendTo(to, datagram), TIoStatus::Ok);
  }
  // The next datagram the elements sent to the peer ("<none>" after a
  // generous wait), and whether nothing at all comes within a short one.
  std::string NextSent() {
    char buf[256];
    size_t got = 0;
    if (peer.Receive(buf, sizeof buf, got, 20000, nullptr) != TIoStatus::Ok) return "<none>";
    return std::string(buf, got);
  }
  bool NothingSent() {
    char buf[256];
    size_t got = 0;
    return peer.Receive(buf, sizeof buf, got, 300, nullptr) == TIoStatus::Timeout;
  }
  TUdpSocket peer;
  TUDPPort* port = nullptr;

 private:
  bool peerBound_ = false;
};

}  // namespace qx::test
