// Drawing one long level in a stability graph window: the time of one
// "Tracer le graphe" click (scale, grid, labels, curve, legend and the
// window repainted) for a level of N points, smooth or oscillating from
// point to point (an unstable run), at the screen's device pixel ratio.
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_drawing
//   QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=2 build/bench/bench_drawing
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

#include "bench_support.h"
#include "shell/mod_general.h"
#include "stability/graph_window.h"

namespace {

// A solution table of two levels: level 0 is what is drawn.
void fillLevel(int N, bool oscillating) {
  ModGeneral::resetState();
  core::StudyState& s = ModGeneral::state();
  s.N = N;
  s.K = 1;
  s.h = 1.0 / (N + 1.0);
  s.SolP0.create(0, 2, 0, N);
  for (int i = 1; i <= N; ++i) {
    const double x = i * s.h;
    const double smooth = std::sin(3.141592653589793 * x);
    s.SolP0(1, i) = oscillating ? (i % 2 ? smooth : -smooth) : smooth;
    s.SolP0(2, i) = 0.5 * smooth;
  }
}

// `second`: the level drawn over a first one, on its scale (curve and
// legend only).
void drawLevel(benchmark::State& state, bool oscillating, bool second = false) {
  const int N = static_cast<int>(state.range(0));
  fillLevel(N, oscillating);
  GraphWindow window(core::Scheme::P0);
  window.show();
  QCoreApplication::processEvents();
  window.findChild<QLineEdit*>("TxtIndicen")->setText(QStringLiteral("0"));
  auto* trace = window.findChild<QPushButton*>("CmdTracage");
  for (auto _ : state) {
    state.PauseTiming();
    window.clearGraphs();
    window.findChild<QLineEdit*>("TxtIndicen")->setText(QStringLiteral("0"));
    if (second) {
      trace->click();
      window.findChild<QLineEdit*>("TxtIndicen")->setText(QStringLiteral("1"));
    }
    QCoreApplication::processEvents();
    state.ResumeTiming();
    trace->click();
    window.repaint();
  }
  state.counters["points"] = N;
  state.counters["dpr"] = window.devicePixelRatioF();
}

void BM_DrawSmoothLevel(benchmark::State& state) { drawLevel(state, false); }
void BM_DrawOscillatingLevel(benchmark::State& state) { drawLevel(state, true); }
void BM_DrawSecondLevel(benchmark::State& state) { drawLevel(state, false, true); }

}  // namespace

BENCHMARK(BM_DrawSmoothLevel)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawOscillatingLevel)
    ->Arg(1000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawSecondLevel)->Arg(1000000)->Unit(benchmark::kMillisecond);

ORV_QT_BENCHMARK_MAIN()
