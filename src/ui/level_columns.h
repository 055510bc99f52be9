// A long level drawn on a screen: when it has more points than device pixel
// columns, each column needs only its first, lowest, highest and last point
// to give the pixels of the whole line. The one walk over the columns and the
// one pass for the extremes that every drawing of a level uses.
#pragma once

#include <algorithm>
#include <cstdint>

namespace ui {

struct ValueRange {
  double lowest;   // +inf when no value is finite
  double highest;  // -inf when no value is finite
  bool allFinite;
};

// The lowest and highest finite values of v[first .. last] (an empty range
// when last < first), in one pass (two values at a time where the processor
// can).
ValueRange finiteRange(const double* v, std::int64_t first, std::int64_t last);

// Splits points first .. last into runs of one column each and calls
// visit(a, b) for every run a .. b, in order. `column(k)` is the column of
// point k (any value with == and !=) and never decreases as k grows;
// `guess(k, column(k))` estimates the last point of that column. A wrong
// guess costs a few more calls of `column`, never a wrong run.
template <class Column, class Guess, class Visit>
void forEachColumn(std::int64_t first, std::int64_t last, const Column& column, const Guess& guess,
                   const Visit& visit) {
  std::int64_t k = first;
  while (k <= last) {
    const auto c = column(k);
    std::int64_t end = std::clamp<std::int64_t>(guess(k, c), k, last);
    while (end > k && column(end) != c) --end;
    while (end < last && column(end + 1) == c) ++end;
    visit(k, end);
    k = end + 1;
  }
}

}  // namespace ui
