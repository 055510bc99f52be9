// The one record every window shares: typed parameters, derived grid values,
// scheme tables and result tables. Plain values only; no Qt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/table_storage.h"

namespace core {

// A number that holds no value until first written: it counts as 0 in
// arithmetic and shows as an empty text.
template <class T>
class Stored {
 public:
  Stored() = default;
  Stored& operator=(T v) {
    value_ = v;
    set_ = true;
    return *this;
  }
  operator T() const { return value_; }  // NOLINT: reads as a plain number
  T value() const { return value_; }
  bool isSet() const { return set_; }
  void clear() { *this = Stored(); }

 private:
  T value_ = 0;
  bool set_ = false;
};

using Real = Stored<double>;
using Int16 = Stored<std::int16_t>;  // `NN`

// One-dimensional table (lower To upper); a created table reads 0 everywhere.
class Table1 {
 public:
  Table1() = default;
  Table1(std::int64_t lower, std::int64_t upper) { create(lower, upper); }
  void create(std::int64_t lower, std::int64_t upper);
  void reset() { *this = Table1(); }
  bool exists() const { return !data_.empty(); }
  std::int64_t lower() const { return lower_; }
  std::int64_t upper() const { return upper_; }
  bool contains(std::int64_t i) const { return exists() && i >= lower_ && i <= upper_; }
  double& operator()(std::int64_t i) { return data_[static_cast<std::size_t>(i - lower_)]; }
  double operator()(std::int64_t i) const { return data_[static_cast<std::size_t>(i - lower_)]; }
  double* data() { return data_.data(); }
  const double* data() const { return data_.data(); }

 private:
  std::int64_t lower_ = 0;
  std::int64_t upper_ = -1;
  std::vector<double> data_;
};

// Two-dimensional table (row lower To row upper, column lower To column upper)
// in one contiguous row-major buffer (see table_storage.h): a created table
// reads 0 in every entry, and a run writes each entry once at memory speed.
// The buffer can be shared read-only (share()); the next create() then takes
// a new buffer, or resets this one when nobody else holds it and its size is
// the same.
class Table2 : public TableBounds {
 public:
  Table2() = default;
  // `holder` names the table in the memory budget's messages.
  explicit Table2(std::string holder) : holder_(std::move(holder)) {}
  Table2(Table2&&) noexcept = default;
  Table2& operator=(Table2&&) noexcept = default;
  Table2(const Table2&) = delete;
  Table2& operator=(const Table2&) = delete;

  // Returns false (and leaves the table empty) when the memory is not there.
  bool create(std::int64_t rowLower, std::int64_t rowUpper, std::int64_t colLower,
              std::int64_t colUpper);
  void reset();
  bool exists() const { return static_cast<bool>(storage_); }
  std::int64_t rows() const { return rowUpper_ - rowLower_ + 1; }
  std::int64_t cols() const { return cols_; }
  bool contains(std::int64_t r, std::int64_t c) const {
    return exists() && r >= rowLower_ && r <= rowUpper_ && c >= colLower_ && c <= colUpper_;
  }
  // A row of a reused buffer is reset to 0 the first time it is reached, just
  // before the run writes it: the reset stays in the cache and the memory is
  // written once. Reading ahead of the run resets the rows read, so a
  // created table reads 0 in every entry nobody wrote.
  double* row(std::int64_t r) {
    if (r >= clean_) cleanThrough(r);
    return data_ + (r - rowLower_) * cols() - colLower_;
  }
  const double* row(std::int64_t r) const {
    if (r >= clean_) cleanThrough(r);
    return data_ + (r - rowLower_) * cols() - colLower_;
  }
  double& operator()(std::int64_t r, std::int64_t c) { return row(r)[c]; }
  double operator()(std::int64_t r, std::int64_t c) const { return row(r)[c]; }
  // Rows from .. to (within the bounds) become copies of the whole row
  // `source`, which lies before them, copied in blocks that double in size:
  // a long run of repeated levels written at memory speed.
  void repeatRow(std::int64_t source, std::int64_t from, std::int64_t to);

  // The last row the run that filled the table reached: the upper bound, or
  // less when the run stopped early (a key, a value leaving the double range).
  // Rows after it were never computed, though they read 0.
  std::int64_t lastRowReached() const { return lastRowReached_; }
  void stoppedAfterRow(std::int64_t r) { lastRowReached_ = r; }
  // The row from which on every row the run reached is a copy of the row
  // before it (the levels had stopped changing), or kNoCopies. A reader can
  // measure the rows up to it and know the rest.
  static constexpr std::int64_t kNoCopies = INT64_MAX;
  std::int64_t copiesFrom() const { return copiesFrom_; }
  void setCopiesFrom(std::int64_t r) { copiesFrom_ = r; }

  // The table as it is now, held read-only under `holder` in the memory
  // budget. The table must not be written again without create(): a run
  // writes a table it has just created, and create() leaves a shared buffer
  // to its other holders.
  SharedTable share(const std::string& holder) const;
  const std::string& holder() const { return holder_; }
  // Bytes of the buffer (0 when the table does not exist).
  std::size_t bytes() const { return storage_ ? storage_.buffer()->bytes() : 0; }

 private:
  std::string holder_ = "tableau";
  std::int64_t cols_ = 0;  // colUpper_ - colLower_ + 1, read by every row()
  std::int64_t lastRowReached_ = -1;
  std::int64_t copiesFrom_ = kNoCopies;
  TableShare storage_;
  double* data_ = nullptr;
  // Rows from clean_ on may still hold an earlier run's values (a reused
  // buffer); they are reset when first reached. Beyond the bounds when clean.
  mutable std::int64_t clean_ = INT64_MAX;
  void cleanThrough(std::int64_t r) const;
};

// A square matrix (0 To n, 0 To n) of which only a band is ever written: the
// three diagonals, plus the entry two places left of the diagonal, which the
// last row can receive when N has a fraction (N = 3.5 writes (N, N - 1) as
// (4, 2)). Every other entry reads 0. Memory O(n).
class BandMatrix {
 public:
  BandMatrix() = default;
  bool create(std::int64_t n);  // (0 To n, 0 To n), every entry 0
  void reset() { *this = BandMatrix(); }
  bool exists() const { return n_ >= 0; }
  std::int64_t lower() const { return 0; }
  std::int64_t upper() const { return n_; }
  double operator()(std::int64_t i, std::int64_t j) const;
  void set(std::int64_t i, std::int64_t j, double v);
  // Writes (i, i - 1), (i, i), (i, i + 1) for i = first .. last, and remembers
  // that these rows share the same three values until one of them is set again.
  void setRows(std::int64_t first, std::int64_t last, double sub, double diag, double sup);
  // Diagonal with offset j - i in {-2, -1, 0, 1}, indexed by row.
  const double* diagonal(int offset) const { return diag_[offset + 2].data(); }

  struct Uniform {
    std::int64_t first = 1, last = 0;  // rows written by setRows and not changed since
    double sub = 0, diag = 0, sup = 0;
    // Set by noteClippedEdges(last): the rows 1 and `last` hold these values
    // too, wherever they fall in the columns 1 .. last, and all three are finite.
    bool clippedEdges = false;
  };
  const Uniform& uniform() const { return uniform_; }
  // Sets uniform().clippedEdges when the uniform rows are 2 .. last - 1 (at
  // least) and rows 1 and `last`, read in the columns 1 .. last, hold the
  // uniform values and nothing two left of the diagonal. A level whose
  // columns 0 and last + 1 read 0 can then be computed as uniform rows
  // 1 .. last: each extra term is 0 times a finite value, and adding a zero
  // to a band sum that starts from +0.0 leaves it as it was. Any set()
  // clears the mark.
  void noteClippedEdges(std::int64_t last);

 private:
  std::int64_t n_ = -1;
  std::vector<double> diag_[4];
  Uniform uniform_;
};

// The solution tables' names in the memory budget's messages.
inline constexpr const char* kSolP0Holder = "solution du schéma P0";
inline constexpr const char* kSolPepsHolder = "solution du schéma Pepsilon";

struct StudyState {
  // Parameters and derived values, in declaration order.
  Real T, a, Lambda, u0, Tau, h, Alpha, Epsilon, v0, d, w, phi, Pi, FF, N, K, R, S;
  Int16 NN;
  // Scheme tables.
  BandMatrix MatP0;
  Table2 SolP0{kSolP0Holder};
  BandMatrix MatPeps;
  Table2 SolPeps{kSolPepsHolder};
  Table1 SourceVec;
  // Result tables, fixed (0 To 30).
  Table1 ErrH{0, 30}, ErrT{0, 30}, OrdQ{0, 30}, OrdP{0, 30};
  std::string LineText;
  bool StopRequested = false;
};

}  // namespace core
