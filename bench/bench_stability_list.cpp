// A P0 stability run through its window: the time from the click to the
// list showing its first line and then its last line, against the
// computation alone and against the floor (an anonymous mapping advised for
// huge pages, every entry of the table written once); the memory the list
// keeps beside SolP0 and the resident high-water mark the click adds.
// Then a list of a hundred thousand long lines shown at once.
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_stability_list
#include <benchmark/benchmark.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "core/studies.h"
#include "shell/mod_general.h"
#include "stability/stability_list_model.h"
#include "stability/stability_window.h"
#include "ui/result_list.h"

namespace {

// Processor time of the process, in milliseconds: on a shared machine the
// wall clock also measures the other programs.
double cpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// A line of /proc/self/status ("VmRSS", "VmHWM"), in bytes.
double statusBytes(const std::string& key) {
  std::ifstream status("/proc/self/status");
  std::string name;
  double kib = 0;
  while (status >> name) {
    if (name == key + ":") {
      status >> kib;
      return kib * 1024.0;
    }
    status.ignore(1 << 12, '\n');
  }
  return 0;
}

// Starts a new resident high-water mark at the current resident size.
void resetHighWaterMark() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
}

// The floor: map the table with huge pages advised and write every entry once.
double floorMs(std::size_t count, double& cpu) {
  const double cpuStart = cpuMs();
  QElapsedTimer clock;
  clock.start();
  const bench::HugePageFloor floor(count);
  const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
  cpu += cpuMs() - cpuStart;
  return ms;
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

// range(2): 1 = the study state keeps the previous table (the run resets and
// reuses its mapping); 0 = nothing is held before the click.
void BM_ClickToFirstAndLastLine(benchmark::State& state) {
  const int N = static_cast<int>(state.range(0));
  const long K = state.range(1);
  const bool keepTable = state.range(2) != 0;
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
  const std::size_t entries = static_cast<std::size_t>(K + 2) * static_cast<std::size_t>(N + 1);

  double firstMs = 0, lastMs = 0, computeMs = 0, floor = 0, peakAdded = 0;
  double floorCpu = 0, lastCpu = 0;
  {
    // The first mapping of a process is slower: it is not counted in the floor.
    double warmCpu = 0;
    floorMs(entries, warmCpu);
  }
  for (auto _ : state) {
    // The computation alone, for the same data, then the same run clicked.
    // The list lets the last run go first, so that the budget takes the next.
    if (auto* m = qobject_cast<StabilityListModel*>(list->lineModel())) m->clear();
    QElapsedTimer clock;
    clock.start();
    const core::StabilityResult alone =
        core::runStability(ModGeneral::state(), core::Scheme::P0, f);
    computeMs += static_cast<double>(clock.nsecsElapsed()) / 1e6;
    if (alone.failure) state.SkipWithError(alone.failure->message.c_str());
    floor += floorMs(entries, floorCpu);

    if (!keepTable) ModGeneral::state().SolP0.reset();
    QCoreApplication::processEvents();
    resetHighWaterMark();
    const double before = statusBytes("VmRSS");
    const double cpuStart = cpuMs();
    clock.restart();
    run->click();
    QCoreApplication::processEvents();
    list->viewport()->grab();  // the first lines painted
    firstMs += static_cast<double>(clock.nsecsElapsed()) / 1e6;
    list->scrollToBottom();
    QCoreApplication::processEvents();
    list->viewport()->grab();  // the last lines painted
    lastMs += static_cast<double>(clock.nsecsElapsed()) / 1e6;
    lastCpu += cpuMs() - cpuStart;
    peakAdded += statusBytes("VmHWM") - before;
  }
  const auto n = static_cast<double>(state.iterations());
  const double table = static_cast<double>(entries) * 8.0;
  state.counters["compute_ms"] = computeMs / n;
  state.counters["floor_ms"] = floor / n;
  state.counters["click_to_first_ms"] = firstMs / n;
  state.counters["click_to_last_ms"] = lastMs / n;
  state.counters["last_over_floor"] = lastMs / floor;
  state.counters["floor_cpu_ms"] = floorCpu / n;
  state.counters["click_to_last_cpu_ms"] = lastCpu / n;
  state.counters["last_over_floor_cpu"] = lastCpu / floorCpu;
  state.counters["SolP0_MB"] = table / 1e6;
  state.counters["list_kept_MB"] = static_cast<double>(list->lineModel()->bytesHeld()) / 1e6;
  state.counters["peak_rss_added_MB"] = peakAdded / n / 1e6;
  state.counters["peak_over_table"] = peakAdded / n / table;
  state.counters["lines"] = list->model()->rowCount();
}

// A hundred thousand lines of a hundred values shown at once, scrolled to
// the last line and the right end.
void BM_HundredThousandLinesShown(benchmark::State& state) {
  const int columns = 100, levels = 100000;
  std::vector<double> v(static_cast<std::size_t>(columns) * levels);
  for (std::size_t k = 0; k < v.size(); ++k) v[k] = std::sin(double(k));
  ui::ResultListView view;
  auto* model = new StabilityListModel(&view);
  view.setLineModel(model);
  view.resize(711, 316);
  view.show();
  for (auto _ : state) {
    model->setLevels(1.0 / 101, columns, levels, v, ",");
    view.scrollToBottom();
    view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->maximum());
    QCoreApplication::processEvents();
    view.grab();
    view.scrollToTop();
  }
}

}  // namespace

BENCHMARK(BM_ComputationAlone)
    ->Args({10, 1000000})
    ->Args({1000, 10000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClickToFirstAndLastLine)
    ->Args({10, 1000000, 0})
    ->Args({1000, 10000, 0})
    ->Args({10, 1000000, 1})
    ->Args({1000, 10000, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
// Around the wait-cursor threshold of the stability window (N·K values):
// clicks from 2.5e6 to 8e7 values, at few and at many points; the threshold
// is set where a click passes a quarter of a second.
BENCHMARK(BM_ClickToFirstAndLastLine)
    ->Args({999, 2500, 0})
    ->Args({999, 5000, 0})
    ->Args({999, 10000, 0})
    ->Args({999, 20000, 0})
    ->Args({999, 40000, 0})
    ->Args({999, 80000, 0})
    ->Args({10, 250000, 0})
    ->Args({10, 500000, 0})
    ->Args({10, 1000000, 0})
    ->Args({10, 2000000, 0})
    ->Args({10, 4000000, 0})
    ->Args({2, 2000000, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
// The largest run the memory budget accepts at N = 999.
BENCHMARK(BM_ClickToFirstAndLastLine)
    ->Args({999, 268428, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK(BM_HundredThousandLinesShown)->Unit(benchmark::kMillisecond);

ORV_QT_BENCHMARK_MAIN()
