#pragma once

// The main of the benchmarks that need Qt: one offscreen QApplication around the run.

#include <QApplication>
#include <QtGlobal>

#include <benchmark/benchmark.h>

/// Runs the registered benchmarks inside a QApplication, offscreen unless the
/// environment names another platform. Returns the process exit code.
inline int RunQtBenchmarks(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
