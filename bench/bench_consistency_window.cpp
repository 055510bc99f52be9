// What the event pump and the progress bar cost a consistency run, and how
// fast a key stops one. Each case runs once through the window (pump, label,
// progress bar, all on the UI thread) and once as the core procedure alone
// with a hook that does nothing.
//
//   QT_QPA_PLATFORM=offscreen ./bench_consistency_window
//       --benchmark_repetitions=7 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QTimer>
#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "consistency/consistency_window.h"
#include "core/studies.h"
#include "shell/mod_general.h"
#include "ui/event_pump.h"

namespace {

struct Case {
  core::Half half;
  const char *N, *K, *count, *a;
};
// Time half: N = 10, K = 100, R = 16 (6.5e6 steps). Space half: N = 9, K = 1000,
// S = 8; a keeps the refined space half inside the stable range.
const Case kCases[] = {{core::Half::TimeR, "10", "100", "16", "0.00001"},
                       {core::Half::SpaceS, "9", "1000", "8", "0.00001"}};
// The stop key needs runs that last well beyond the moment it is pressed:
// the space half with S = 11 (20479 points).
const Case kLongCases[] = {{core::Half::TimeR, "10", "100", "16", "0.00001"},
                           {core::Half::SpaceS, "9", "1000", "11", "0.0000001"}};

core::ConsistencyFields fields(const Case& c) {
  core::ConsistencyFields f;
  f.N = c.N;
  f.T = "1";
  f.K = c.K;
  f.a = c.a;
  f.d = "1";
  f.w = "1";
  f.phi = "0.5";
  f.Epsilon = "0.01";
  f.R = c.half == core::Half::TimeR ? c.count : "0";
  f.S = c.half == core::Half::SpaceS ? c.count : "0";
  return f;
}

void freshState() {
  ModGeneral::resetState();
  ModGeneral::state().Pi = std::bit_cast<double>(std::uint64_t{0x400921FB54442D28});
}

std::unique_ptr<ConsistencyWindow> openWindow(core::Scheme scheme, const Case& c) {
  auto w = std::make_unique<ConsistencyWindow>(scheme);
  const core::ConsistencyFields f = fields(c);
  const std::pair<const char*, std::string> texts[] = {
      {"TxtN", f.N}, {"TxtT", f.T},     {"TxtK", f.K}, {"Txta", f.a}, {"TxtD", f.d},
      {"TxtW", f.w}, {"TxtPhi", f.phi}, {"TxtR", f.R}, {"TxtS", f.S}, {"TxtEpsilon", f.Epsilon}};
  for (const auto& [name, text] : texts)
    if (auto* e = w->findChild<QLineEdit*>(QString::fromLatin1(name)))
      e->setText(QString::fromStdString(text));
  w->show();
  QCoreApplication::processEvents();
  return w;
}

QAbstractButton* runButton(QWidget* w, core::Half half) {
  return w->findChild<QAbstractButton*>(half == core::Half::TimeR ? "CmdCalculerH"
                                                                  : "CmdCalculerTau");
}

void ThroughWindow(benchmark::State& state) {
  const auto scheme = static_cast<core::Scheme>(state.range(0));
  const Case& c = kCases[state.range(1)];
  freshState();
  auto w = openWindow(scheme, c);
  for (auto _ : state) runButton(w.get(), c.half)->click();
  const core::Table1& err =
      c.half == core::Half::TimeR ? ModGeneral::state().ErrH : ModGeneral::state().ErrT;
  state.counters["E"] = err(std::atoi(c.count) + 1);
}

void CoreAlone(benchmark::State& state) {
  const auto scheme = static_cast<core::Scheme>(state.range(0));
  const Case& c = kCases[state.range(1)];
  freshState();
  core::StudyState& s = ModGeneral::state();
  for (auto _ : state) {
    core::StepHook bare;
    if (core::beginConsistency(s, scheme, c.half, fields(c))) state.SkipWithError("refused");
    core::consistencyGrid(s, scheme);
    const core::RunOutcome r = core::runConsistency(s, scheme, c.half, bare, ".");
    if (!r.completed) state.SkipWithError("not completed");
  }
  const core::Table1& err = c.half == core::Half::TimeR ? s.ErrH : s.ErrT;
  state.counters["E"] = err(std::atoi(c.count) + 1);
}

// The core procedure with the window's pump and progress bar: the share of
// the run spent letting events run and moving the bar.
void CoreWithPump(benchmark::State& state) {
  const auto scheme = static_cast<core::Scheme>(state.range(0));
  const Case& c = kCases[state.range(1)];
  freshState();
  auto w = openWindow(scheme, c);
  auto* bar = w->findChild<QProgressBar*>("ProgressCalculs");
  bar->show();
  core::StudyState& s = ModGeneral::state();
  using Clock = std::chrono::steady_clock;
  Clock::duration inPasses{}, total{};
  for (auto _ : state) {
    const auto start = Clock::now();
    ui::EventPump pump(bar);
    if (core::beginConsistency(s, scheme, c.half, fields(c))) state.SkipWithError("refused");
    core::consistencyGrid(s, scheme);
    if (!core::runConsistency(s, scheme, c.half, pump, ".").completed)
      state.SkipWithError("not completed");
    total += Clock::now() - start;
    inPasses += pump.timeInPasses();
  }
  state.counters["pump_pct"] = 100.0 * std::chrono::duration<double>(inPasses).count() /
                               std::chrono::duration<double>(total).count();
}

// Time from a key press posted 40 ms into the run to the end of the run.
void KeyStopLatency(benchmark::State& state) {
  const auto scheme = static_cast<core::Scheme>(state.range(0));
  const Case& c = kLongCases[state.range(1)];
  freshState();
  auto w = openWindow(scheme, c);
  auto* list =
      w->findChild<QAbstractItemView*>(c.half == core::Half::TimeR ? "ListERH" : "ListERT");
  using Clock = std::chrono::steady_clock;
  double worst = 0, sum = 0;
  int n = 0;
  for (auto _ : state) {
    Clock::time_point posted{};
    QTimer::singleShot(40, w.get(), [&] {
      posted = Clock::now();
      QCoreApplication::postEvent(
          w->findChild<QLineEdit*>("TxtN"),
          new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" ")));
    });
    runButton(w.get(), c.half)->click();
    if (posted == Clock::time_point{} || list->model()->rowCount() != 0) {
      state.SkipWithError("the run ended before the key");
      break;
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - posted).count();
    state.SetIterationTime(ms / 1000);
    worst = std::max(worst, ms);
    sum += ms;
    ++n;
  }
  state.counters["worst_ms"] = worst;
  state.counters["mean_ms"] = n ? sum / n : 0;
}

benchmark::internal::Benchmark* cases(benchmark::internal::Benchmark* b) {
  for (int scheme : {0, 1})
    for (int c : {0, 1}) b->Args({scheme, c});
  return b->ArgNames({"peps", "space"})->Unit(benchmark::kMillisecond);
}
// On a shared machine the fastest repetition is the fairest figure.
void args(benchmark::internal::Benchmark* b) {
  cases(b)->UseRealTime()->ComputeStatistics(
      "min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
}

}  // namespace

BENCHMARK(ThroughWindow)->Apply(args)->Iterations(1);
BENCHMARK(CoreAlone)->Apply(args)->Iterations(1);
BENCHMARK(CoreWithPump)->Apply(args)->Iterations(1);
BENCHMARK(KeyStopLatency)->Apply([](auto* b) { cases(b); }) -> Iterations(5) -> UseManualTime();

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // A message box (a refusal, an overflow) would wait for a click: close it
  // and say so.
  QTimer boxes;
  QObject::connect(&boxes, &QTimer::timeout, [] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      std::fprintf(stderr, "message: %s\n", qPrintable(box->text()));
      box->accept();
    }
  });
  boxes.start(50);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
