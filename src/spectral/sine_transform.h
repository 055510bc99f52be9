// The sine coefficients of a run's levels: the type-I discrete sine transform
// through FFTW's RODFT00, planned once per size and run on many levels per
// call, feeding the growth measurement and the mode-time map level after
// level so that nothing the size of the table is kept. No Qt.
#pragma once

#include <cstdint>
#include <vector>

#include "core/modes.h"

namespace spectral {

// out[k N + j - 1] = 2 sum_{i=1..N} u_i sin(pi i j / (N + 1)) for the `count`
// levels u = in + k distance (values u_1 .. u_N), k = 0 .. count - 1.
class SineTransform {
 public:
  SineTransform(std::int64_t N, std::int64_t count, std::int64_t distance);
  ~SineTransform();
  SineTransform(const SineTransform&) = delete;
  SineTransform& operator=(const SineTransform&) = delete;

  // `in` is only read.
  void run(const double* in, double* out) const;
  std::int64_t count() const { return count_; }

 private:
  void* plan_ = nullptr;  // fftw_plan
  std::int64_t count_;
};

// log10 |c_j(n)| reduced to at most `columns` x `rows` cells, modes across
// and levels up: each cell keeps the largest magnitude it covers (-inf for
// a cell of zeros).
struct ModeMap {
  std::int64_t columns = 0, rows = 0;
  std::vector<float> log10Max;
  float at(std::int64_t c, std::int64_t r) const {
    return log10Max[static_cast<std::size_t>(r * columns + c)];
  }
};

struct Decomposition {
  explicit Decomposition(core::Scheme scheme, std::int64_t modes) : meter(scheme, modes) {}
  core::GrowthMeter meter;
  ModeMap map;
};

// Levels n = 0 .. levels - 1, level n's values u_1 .. u_N at first + n distance.
Decomposition decompose(core::Scheme scheme, const double* first, std::int64_t distance,
                        std::int64_t N, std::int64_t levels, std::int64_t mapColumns,
                        std::int64_t mapRows);

// Levels transformed per FFTW call: about 256 KiB of coefficients, so the
// measurement reads them from the cache.
std::int64_t batchLevels(std::int64_t N);

}  // namespace spectral
