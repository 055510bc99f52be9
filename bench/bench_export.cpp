// CSV export of a stability list of a million levels, against writing the
// very same bytes to the same file with one buffered write: the difference
// is the cost of formatting every number at full precision.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <QBuffer>
#include <QSaveFile>
#include <QTemporaryDir>
#include <random>
#include <vector>

#include "stability/stability_list_model.h"
#include "ui/export_csv.h"

namespace {

constexpr std::int64_t kLevels = 1'000'000;

// Values of a million levels: random in (-1, 1) (every number needs about
// seventeen digits), or a P0 run at Lambda = 0.5 (1, 0.5, 0.25, … down to
// subnormals and zeros).
std::vector<double> levels(std::int64_t columns, bool random) {
  std::vector<double> v(static_cast<std::size_t>(columns * kLevels));
  if (random) {
    std::mt19937_64 gen(7);
    std::uniform_real_distribution<double> d(-1.0, 1.0);
    for (double& x : v) x = d(gen);
    return v;
  }
  for (std::int64_t i = 0; i < columns; ++i) v[std::size_t(i)] = 1.0;
  for (std::int64_t n = 1; n < kLevels; ++n) {
    const double* prev = v.data() + (n - 1) * columns;
    double* row = v.data() + n * columns;
    for (std::int64_t i = 0; i < columns; ++i) {
      const double left = i > 0 ? prev[i - 1] : 0.0;
      const double right = i + 1 < columns ? prev[i + 1] : 0.0;
      row[i] = (0.5 * left + 0.0 * prev[i]) + 0.5 * right;
    }
  }
  return v;
}

struct Fixture {
  Fixture(std::int64_t columns, bool random) {
    model.setLevels(1.0 / double(columns + 1), columns, kLevels, levels(columns, random), ".");
    model.setTimeStep(1.0 / double(kLevels));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ui::writeCsv(model, buffer);
  }
  StabilityListModel model;
  QByteArray bytes;
};

Fixture& fixture(std::int64_t columns, bool random) {
  static Fixture f3r(3, true), f3d(3, false), f10r(10, true);
  if (columns == 10) return f10r;
  return random ? f3r : f3d;
}

// CPU time of the whole process (every thread, user and system), seconds:
// unlike wall time it does not depend on how busy the machine is.
double processCpu() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         1e-6 * double(u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

QString target() {
  static QTemporaryDir dir;
  return dir.filePath(QStringLiteral("list.csv"));
}

void BM_ExportCsv(benchmark::State& state) {
  Fixture& f = fixture(state.range(0), state.range(1) != 0);
  const double cpu0 = processCpu();
  for (auto _ : state) {
    const QString reason = ui::saveCsv(f.model, target());
    if (!reason.isEmpty()) state.SkipWithError(qPrintable(reason));
  }
  state.counters["process_cpu_ms"] = 1e3 * (processCpu() - cpu0) / double(state.iterations());
  state.SetBytesProcessed(state.iterations() * f.bytes.size());
}

void BM_OneBufferedWrite(benchmark::State& state) {
  Fixture& f = fixture(state.range(0), state.range(1) != 0);
  const double cpu0 = processCpu();
  for (auto _ : state) {
    QSaveFile file(target());
    file.open(QIODevice::WriteOnly);
    file.write(f.bytes);
    if (!file.commit()) state.SkipWithError("write failed");
  }
  state.counters["process_cpu_ms"] = 1e3 * (processCpu() - cpu0) / double(state.iterations());
  state.SetBytesProcessed(state.iterations() * f.bytes.size());
}

}  // namespace

// Arguments: columns N, random values (1) or a decaying P0 run (0).
BENCHMARK(BM_ExportCsv)
    ->Args({3, 1})
    ->Args({3, 0})
    ->Args({10, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_OneBufferedWrite)
    ->Args({3, 1})
    ->Args({3, 0})
    ->Args({10, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
