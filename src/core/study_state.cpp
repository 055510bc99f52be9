#include "core/study_state.h"

#include <cstdlib>
#include <stdexcept>

namespace core {

void Table1::create(std::int64_t lower, std::int64_t upper) {
  lower_ = lower;
  upper_ = upper;
  data_.assign(upper >= lower ? static_cast<std::size_t>(upper - lower + 1) : 0, 0.0);
}

bool Table2::create(std::int64_t rowLower, std::int64_t rowUpper, std::int64_t colLower,
                    std::int64_t colUpper) {
  reset();
  if (rowUpper < rowLower || colUpper < colLower) return false;
  const auto count = static_cast<std::size_t>(rowUpper - rowLower + 1) *
                     static_cast<std::size_t>(colUpper - colLower + 1);
  auto* p = static_cast<double*>(std::calloc(count, sizeof(double)));
  if (!p) return false;
  data_.reset(p);
  rowLower_ = rowLower;
  rowUpper_ = rowUpper;
  colLower_ = colLower;
  colUpper_ = colUpper;
  lastRowReached_ = rowUpper;
  return true;
}

bool BandMatrix::create(std::int64_t n) {
  reset();
  if (n < 0) return false;
  try {
    for (auto& d : diag_) d.assign(static_cast<std::size_t>(n + 1), 0.0);
  } catch (const std::bad_alloc&) {
    reset();
    return false;
  }
  n_ = n;
  return true;
}

double BandMatrix::operator()(std::int64_t i, std::int64_t j) const {
  const std::int64_t offset = j - i;
  if (i < 0 || i > n_ || j < 0 || j > n_ || offset < -2 || offset > 1) return 0.0;
  return diag_[offset + 2][static_cast<std::size_t>(i)];
}

void BandMatrix::set(std::int64_t i, std::int64_t j, double v) {
  const std::int64_t offset = j - i;
  if (i < 0 || i > n_ || j < 0 || j > n_ || offset < -2 || offset > 1)
    throw std::out_of_range("BandMatrix::set outside the band");
  diag_[offset + 2][static_cast<std::size_t>(i)] = v;
  if (i >= uniform_.first && i <= uniform_.last) uniform_ = Uniform();
}

void BandMatrix::setRows(std::int64_t first, std::int64_t last, double sub, double diag,
                         double sup) {
  for (std::int64_t i = first; i <= last; ++i) {
    set(i, i - 1, sub);
    set(i, i, diag);
    set(i, i + 1, sup);
  }
  if (first <= last) uniform_ = Uniform{first, last, sub, diag, sup};
}

}  // namespace core
