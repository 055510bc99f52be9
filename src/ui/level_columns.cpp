#include "ui/level_columns.h"

#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ui {

ValueRange finiteRange(const double* v, std::int64_t first, std::int64_t last) {
  const double inf = std::numeric_limits<double>::infinity();
  double lowest = inf, highest = -inf;
  bool allFinite = true;
  std::int64_t j = first;
#if defined(__SSE2__)
  // Two pairs of running extremes. First plainly, with x - x gathered bit by
  // bit: it stays 0 only while every value is finite, and then these are the
  // extremes. Otherwise again with care: x - x is 0 only for a finite x, and
  // a value that is not stands in as +inf for the lowest and -inf for the
  // highest, so it never wins. Both give the same bits for finite values.
  const __m128d zero = _mm_setzero_pd(), up = _mm_set1_pd(inf), down = _mm_set1_pd(-inf);
  __m128d lo[2] = {up, up}, hi[2] = {down, down};
  __m128d ok = _mm_cmpeq_pd(zero, zero), spread = zero;
  for (; j + 3 <= last; j += 4)
    for (int q = 0; q < 2; ++q) {
      const __m128d x = _mm_loadu_pd(v + j + 2 * q);
      lo[q] = _mm_min_pd(lo[q], x);
      hi[q] = _mm_max_pd(hi[q], x);
      spread = _mm_or_pd(spread, _mm_sub_pd(x, x));
    }
  if (_mm_movemask_pd(_mm_cmpeq_pd(spread, zero)) != 3) {
    lo[0] = lo[1] = up;
    hi[0] = hi[1] = down;
    for (j = first; j + 3 <= last; j += 4)
      for (int q = 0; q < 2; ++q) {
        const __m128d x = _mm_loadu_pd(v + j + 2 * q);
        const __m128d finite = _mm_cmpeq_pd(_mm_sub_pd(x, x), zero);
        lo[q] = _mm_min_pd(lo[q], _mm_or_pd(_mm_and_pd(finite, x), _mm_andnot_pd(finite, up)));
        hi[q] = _mm_max_pd(hi[q], _mm_or_pd(_mm_and_pd(finite, x), _mm_andnot_pd(finite, down)));
        ok = _mm_and_pd(ok, finite);
      }
  }
  double l[4], h[4];
  _mm_storeu_pd(l, lo[0]);
  _mm_storeu_pd(l + 2, lo[1]);
  _mm_storeu_pd(h, hi[0]);
  _mm_storeu_pd(h + 2, hi[1]);
  for (int q = 0; q < 4; ++q) {
    lowest = l[q] < lowest ? l[q] : lowest;
    highest = h[q] > highest ? h[q] : highest;
  }
  allFinite = _mm_movemask_pd(ok) == 3;
#endif
  for (; j <= last; ++j) {
    const double x = v[j];
    const bool finite = x - x == 0;  // false for infinities and NaN
    lowest = finite && x < lowest ? x : lowest;
    highest = finite && x > highest ? x : highest;
    allFinite = allFinite && finite;
  }
  return {lowest, highest, allFinite};
}

}  // namespace ui
