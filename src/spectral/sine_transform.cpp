#include "spectral/sine_transform.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <new>

namespace spectral {

SineTransform::SineTransform(std::int64_t N, std::int64_t count, std::int64_t distance)
    : count_(count) {
  const int n = static_cast<int>(N);
  const fftw_r2r_kind kind = FFTW_RODFT00;
  // FFTW_ESTIMATE leaves the arrays untouched, but they must be distinct for
  // an out-of-place plan. Rows of a table need not be aligned, and the input
  // is a table that must stay as it is.
  std::vector<double> in(static_cast<std::size_t>((count - 1) * distance + N));
  std::vector<double> out(static_cast<std::size_t>(count * N));
  plan_ = fftw_plan_many_r2r(1, &n, static_cast<int>(count), in.data(), nullptr, 1,
                             static_cast<int>(distance), out.data(), nullptr, 1, n, &kind,
                             FFTW_ESTIMATE | FFTW_UNALIGNED | FFTW_PRESERVE_INPUT);
  if (!plan_) throw std::bad_alloc();
}

SineTransform::~SineTransform() {
  if (plan_) fftw_destroy_plan(static_cast<fftw_plan>(plan_));
}

void SineTransform::run(const double* in, double* out) const {
  // FFTW_PRESERVE_INPUT: the input array is read only.
  fftw_execute_r2r(static_cast<fftw_plan>(plan_), const_cast<double*>(in), out);
}

std::int64_t batchLevels(std::int64_t N) { return std::max<std::int64_t>(1, 32768 / N); }

Decomposition decompose(core::Scheme scheme, const double* first, std::int64_t distance,
                        std::int64_t N, std::int64_t levels, std::int64_t mapColumns,
                        std::int64_t mapRows) {
  Decomposition d(scheme, N);
  if (N < 1 || levels < 1) return d;
  ModeMap& map = d.map;
  map.columns = std::min(N, std::max<std::int64_t>(mapColumns, 1));
  map.rows = std::min(levels, std::max<std::int64_t>(mapRows, 1));
  map.log10Max.assign(static_cast<std::size_t>(map.columns * map.rows),
                      -std::numeric_limits<float>::infinity());

  const std::int64_t batch = std::min(batchLevels(N), levels);
  const SineTransform full(N, batch, distance);
  const std::int64_t rest = levels % batch;
  const std::unique_ptr<SineTransform> tail =
      rest > 0 ? std::make_unique<SineTransform>(N, rest, distance) : nullptr;
  std::vector<double> out(static_cast<std::size_t>(batch * N));
  std::vector<double> hi(static_cast<std::size_t>(N), 0.0);

  // Cell row r holds levels [n0, n1); its modes' largest magnitudes gather
  // in `hi` and go into the cells when the band ends.
  std::int64_t row = 0;
  auto bandEnd = [&](std::int64_t r) {
    return r + 1 == map.rows ? levels : ((r + 1) * levels + map.rows - 1) / map.rows;
  };
  std::int64_t n1 = bandEnd(0);
  for (std::int64_t n0 = 0; n0 < levels; n0 += batch) {
    const std::int64_t count = std::min(batch, levels - n0);
    (count == batch ? full : *tail).run(first + n0 * distance, out.data());
    d.meter.addLevels(out.data(), n0, count, N);
    for (std::int64_t k = 0; k < count; ++k) {
      const double* c = out.data() + k * N;
      double* h = hi.data();
      for (std::int64_t j = 0; j < N; ++j) {
        const double a = std::fabs(c[j]);
        h[j] = a > h[j] ? a : h[j];
      }
      if (n0 + k + 1 < n1) continue;
      float* cells = map.log10Max.data() + row * map.columns;
      for (std::int64_t j = 0; j < N; ++j) {
        const std::int64_t col = j * map.columns / N;
        const float v = h[j] > 0 ? static_cast<float>(std::log10(h[j]))
                                 : -std::numeric_limits<float>::infinity();
        cells[col] = std::max(cells[col], v);
      }
      std::fill(hi.begin(), hi.end(), 0.0);
      if (++row < map.rows) n1 = bandEnd(row);
    }
  }
  return d;
}

}  // namespace spectral
