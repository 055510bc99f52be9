#include "core/study_state.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace core {

void Table1::create(std::int64_t lower, std::int64_t upper) {
  lower_ = lower;
  upper_ = upper;
  data_.assign(upper >= lower ? static_cast<std::size_t>(upper - lower + 1) : 0, 0.0);
}

bool Table2::create(std::int64_t rowLower, std::int64_t rowUpper, std::int64_t colLower,
                    std::int64_t colUpper) {
  if (rowUpper < rowLower || colUpper < colLower) {
    reset();
    return false;
  }
  const auto rows = static_cast<std::size_t>(rowUpper - rowLower + 1);
  const auto cols = static_cast<std::size_t>(colUpper - colLower + 1);
  if (cols > std::size_t(-1) / sizeof(double) / rows) {
    reset();
    return false;
  }
  const std::size_t count = rows * cols;
  if (storage_ && !storage_.shared() && storage_.buffer()->count() == count) {
    // The same size, held by nobody else: every row is reset when first
    // reached, so nothing of the earlier run can be read through the new bounds.
    storage_.buffer()->noteReuse();
    clean_ = rowLower;
  } else {
    // Free the old buffer (or leave it to its other holders) before taking a
    // new one, so that the two never count together.
    reset();
    std::shared_ptr<TableBuffer> buffer = TableBuffer::make(count);
    if (!buffer) return false;
    storage_ = TableShare(std::move(buffer), holder_);
    clean_ = INT64_MAX;  // a new buffer reads 0 everywhere
  }
  data_ = storage_.buffer()->data();
  static_cast<TableBounds&>(*this) = TableBounds(rowLower, rowUpper, colLower, colUpper);
  cols_ = colUpper - colLower + 1;
  lastRowReached_ = rowUpper;
  copiesFrom_ = kNoCopies;
  return true;
}

void Table2::reset() {
  storage_.release();
  data_ = nullptr;
  static_cast<TableBounds&>(*this) = TableBounds();
  cols_ = 0;
  lastRowReached_ = -1;
  copiesFrom_ = kNoCopies;
  clean_ = INT64_MAX;
}

void Table2::cleanThrough(std::int64_t r) const {
  const std::int64_t last = std::min(r, rowUpper_);
  if (last >= clean_) {
    double* from = data_ + (clean_ - rowLower_) * cols();
    std::memset(from, 0, static_cast<std::size_t>((last - clean_ + 1) * cols()) * sizeof(double));
  }
  clean_ = last >= rowUpper_ ? INT64_MAX : std::max(clean_, last + 1);
}

void Table2::repeatRow(std::int64_t source, std::int64_t from, std::int64_t to) {
  to = std::min(to, rowUpper_);
  if (from > to || source < rowLower_ || source >= from) return;
  row(from - 1);  // the rows before `from` reset first, if they still needed it
  const double* const pattern = row(source);
  double* const target = data_ + (from - rowLower_) * cols_;
  const auto rowBytes = static_cast<std::size_t>(cols_) * sizeof(double);
  const std::int64_t rows = to - from + 1;
  std::memcpy(target, pattern, rowBytes);
  for (std::int64_t done = 1; done < rows;) {
    const std::int64_t n = std::min(done, rows - done);
    std::memcpy(target + done * cols_, target, static_cast<std::size_t>(n) * rowBytes);
    done += n;
  }
  // Rows from .. to were written whole: none of them needs its reset.
  if (clean_ <= to) clean_ = to >= rowUpper_ ? INT64_MAX : to + 1;
}

SharedTable Table2::share(const std::string& holder) const {
  if (!storage_) return {};
  if (clean_ <= rowUpper_) cleanThrough(rowUpper_);  // no earlier values in what is shared
  return SharedTable(TableShare(storage_.pointer(), holder), *this, copiesFrom_);
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
  uniform_.clippedEdges = false;
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

void BandMatrix::noteClippedEdges(std::int64_t last) {
  const Uniform& u = uniform_;
  if (last < 3 || last > n_ || u.first > 2 || u.last < last - 1 || u.first > u.last) return;
  const auto same = [](double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
  };
  const auto at = [&](int offset, std::int64_t i) {
    return diag_[offset + 2][static_cast<std::size_t>(i)];
  };
  uniform_.clippedEdges = std::isfinite(u.sub) && std::isfinite(u.diag) && std::isfinite(u.sup) &&
                          same(at(0, 1), u.diag) && same(at(1, 1), u.sup) &&
                          same(at(-2, last), 0.0) && same(at(-1, last), u.sub) &&
                          same(at(0, last), u.diag);
}

}  // namespace core
