// The window the GUI benchmarks run in: the real main window by the normal
// start-up, offscreen unless a platform is set, with settings of its own so
// that no language or last project of the user's reaches the figures.
#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QSize>
#include <QTemporaryDir>
#include <cstdlib>

#include "shell/uInit.h"
#include "shell/uMain.h"

namespace qx {

// An empty size leaves the window hidden; afterShow runs before the first
// benchmark.
inline int RunGuiBenchmarks(int argc, char** argv, QSize size, void (*afterShow)() = nullptr) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QTemporaryDir config;
  setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
  QApplication app(argc, argv);
  TMainForm form;
  GlobalInit(form);
  if (!size.isEmpty()) {
    form.resize(size);
    form.show();
  }
  if (afterShow) afterShow();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  GlobalFree();
  return 0;
}

}  // namespace qx
