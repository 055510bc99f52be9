// A P0 stability run through its window: the time from the click to the
// list showing its first line and then its last line, against the
// computation alone, and the memory the list keeps beside SolP0.
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_stability_list
#include <benchmark/benchmark.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <cstdio>
#include <fstream>
#include <string>

#include "core/studies.h"
#include "shell/mod_general.h"
#include "stability/stability_window.h"
#include "ui/result_list.h"

namespace {

// Resident memory of the process, in bytes.
double residentBytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * 4096.0;
}

// Fields for a stable run (Lambda = 0.4) of N points and K levels.
core::StabilityFields fieldsFor(int N, long K) {
  const double h = 1.0 / (N + 1.0);
  const double Tau = 1.0 / static_cast<double>(K);
  const double a = 0.4 * h * h / Tau;
  core::StabilityFields f;
  f.N = std::to_string(N);
  f.T = "1";
  f.K = std::to_string(K);
  char text[64];
  std::snprintf(text, sizeof text, "%.17g", a);
  f.a = text;
  f.u0 = "1";
  return f;
}

void BM_ComputationAlone(benchmark::State& state) {
  const auto f = fieldsFor(static_cast<int>(state.range(0)), state.range(1));
  for (auto _ : state) {
    auto r = core::runStability(ModGeneral::state(), core::Scheme::P0, f);
    benchmark::DoNotOptimize(r.levels);
  }
  state.SetLabel("P0 run: SetGrid, tables, all levels");
}

void BM_ClickToFirstAndLastLine(benchmark::State& state) {
  const int N = static_cast<int>(state.range(0));
  const long K = state.range(1);
  const auto f = fieldsFor(N, K);
  StabilityWindow window(core::Scheme::P0);
  window.show();
  QCoreApplication::processEvents();
  window.findChild<QLineEdit*>("TxtN")->setText(QString::fromStdString(f.N));
  window.findChild<QLineEdit*>("TxtT")->setText(QString::fromStdString(f.T));
  window.findChild<QLineEdit*>("TxtK")->setText(QString::fromStdString(f.K));
  window.findChild<QLineEdit*>("Txta")->setText(QString::fromStdString(f.a));
  window.findChild<QLineEdit*>("Txtu0")->setText(QString::fromStdString(f.u0));
  auto* run = window.findChild<QPushButton*>("CmdCalculs");
  auto* list = window.resultList();

  double firstMs = 0, lastMs = 0, computeMs = 0, rssAdded = 0;
  for (auto _ : state) {
    // The computation alone, for the same data, then the same run clicked.
    QElapsedTimer clock;
    clock.start();
    core::runStability(ModGeneral::state(), core::Scheme::P0, f);
    computeMs += static_cast<double>(clock.nsecsElapsed()) / 1e6;

    list->resultModel()->clear();
    QCoreApplication::processEvents();
    const double before = residentBytes();
    clock.restart();
    run->click();
    QCoreApplication::processEvents();
    list->viewport()->grab();  // the first lines painted
    firstMs += static_cast<double>(clock.nsecsElapsed()) / 1e6;
    list->scrollToBottom();
    QCoreApplication::processEvents();
    list->viewport()->grab();  // the last lines painted
    lastMs += static_cast<double>(clock.nsecsElapsed()) / 1e6;
    rssAdded += residentBytes() - before;
  }
  const auto n = static_cast<double>(state.iterations());
  const double table = (static_cast<double>(K) + 2) * (N + 1) * 8.0;
  state.counters["compute_ms"] = computeMs / n;
  state.counters["click_to_first_ms"] = firstMs / n;
  state.counters["click_to_last_ms"] = lastMs / n;
  state.counters["list_overhead_ms"] = (lastMs - computeMs) / n;
  state.counters["SolP0_MB"] = table / 1e6;
  state.counters["list_kept_MB"] = static_cast<double>(list->resultModel()->bytesHeld()) / 1e6;
  state.counters["rss_added_MB"] = rssAdded / n / 1e6;
  state.counters["lines"] = list->model()->rowCount();
}

}  // namespace

BENCHMARK(BM_ComputationAlone)->Args({10, 1000000})->Args({1000, 10000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClickToFirstAndLastLine)
    ->Args({10, 1000000})
    ->Args({1000, 10000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
