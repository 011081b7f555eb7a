// Main of the tests through the X server: an Xvfb of our own, then one
// QApplication on the xcb platform, then every test on the GUI thread.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "foundation/drawing/uGraphicsUtilQt.h"
#include "xserver/XServer.h"

int main(int argc, char** argv) {
  qx::test::TXvfb xvfb;  // outlives the application
  std::string error;
  if (!xvfb.Start("1600x1000x24", error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  unsetenv("QT_SCALE_FACTOR");
  int rc = 0;
  {
    QApplication app(argc, argv);
    // As the program starts.
    QApplication::setApplicationName("Quillex");
    qx::InstallQtSystemColors();
    qx::InstallDefaultFont();
    ::testing::InitGoogleTest(&argc, argv);
    rc = RUN_ALL_TESTS();
  }
  return rc;
}
