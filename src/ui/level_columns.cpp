#include "ui/level_columns.h"

#include <limits>

namespace ui {

ValueRange finiteRange(const double* v, std::int64_t first, std::int64_t last) {
  const double inf = std::numeric_limits<double>::infinity();
  // Four running extremes: independent chains the processor overlaps.
  double l4[4] = {inf, inf, inf, inf}, h4[4] = {-inf, -inf, -inf, -inf};
  bool f4[4] = {true, true, true, true};
  std::int64_t j = first;
  for (; j + 3 <= last; j += 4)
    for (int q = 0; q < 4; ++q) {
      const double x = v[j + q];
      const bool ok = x - x == 0;  // false for infinities and NaN
      l4[q] = ok && x < l4[q] ? x : l4[q];
      h4[q] = ok && x > h4[q] ? x : h4[q];
      f4[q] = f4[q] && ok;
    }
  for (; j <= last; ++j) {
    const double x = v[j];
    const bool ok = x - x == 0;
    l4[0] = ok && x < l4[0] ? x : l4[0];
    h4[0] = ok && x > h4[0] ? x : h4[0];
    f4[0] = f4[0] && ok;
  }
  return {std::min({l4[0], l4[1], l4[2], l4[3]}), std::max({h4[0], h4[1], h4[2], h4[3]}),
          f4[0] && f4[1] && f4[2] && f4[3]};
}

}  // namespace ui
