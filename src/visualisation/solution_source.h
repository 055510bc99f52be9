// Read-only access to one solution table of the shared state for the
// visualisation windows. A run in a study window may re-create or overwrite
// the table while a window shows it, so the window compares the table's
// identity (buffer, bounds, last level reached, the journal's record of its
// writer) with what it loaded at every paint and every slider move, and loads
// again when they differ. Everything runs on the one UI thread, so nothing
// changes between that check and the reads that follow it.
#pragma once

#include <QString>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/journal.h"
#include "core/studies.h"
#include "core/study_state.h"

namespace vis {

struct TableIdentity {
  const double* base = nullptr;
  std::int64_t rowLower = 0, rowUpper = -1, colLower = 0, colUpper = -1, lastRow = -1;
  std::uint64_t writerSerial = 0;
  bool operator==(const TableIdentity&) const = default;
};

class SolutionSource {
 public:
  explicit SolutionSource(core::Scheme scheme = core::Scheme::P0) : scheme_(scheme) {}

  void setScheme(core::Scheme scheme);
  core::Scheme scheme() const { return scheme_; }

  static const core::Table2& table(core::Scheme scheme);
  static TableIdentity identityOf(core::Scheme scheme);
  // The table holds at least one computed level of at least one point.
  static bool computed(core::Scheme scheme);

  // The live table is no longer the one loaded.
  bool changed() const { return identityOf(scheme_) != loaded_; }
  // Loads the live table (bounds, steps, exact-solution factors); true when
  // something changed since the last load.
  bool refresh();

  bool available() const { return levels_ > 0 && points_ > 0; }
  // Why there is nothing to show (empty when available()).
  QString emptyReason() const;

  std::int64_t levels() const { return levels_; }  // n = 0 .. levels() - 1
  std::int64_t points() const { return points_; }  // x_1 .. x_N
  // Values at x_1 .. x_N of level n (row n + 1); n within 0 .. levels() - 1.
  const double* level(std::int64_t n) const;
  double h() const { return h_; }
  double Tau() const { return tau_; }  // 0 when unknown
  bool timeKnown() const { return tau_ > 0; }
  double x(std::int64_t i) const { return static_cast<double>(i) * h_; }
  double t(std::int64_t n) const { return static_cast<double>(n) * tau_; }

  // The table approximates uexacte (a consistency run, or the error run with
  // the exact-solution data) and the journal's record of that run matches it.
  bool hasExact() const { return !factors_.empty(); }
  // uexacte(x_i, t_n) = cos(w t_n + phi) (d sin(Pi x_i)), i = 1 .. N, into out[0 .. N-1].
  void exactLevel(std::int64_t n, std::vector<double>& out) const;
  const core::TableWriter& writer() const { return writer_; }
  // The extremes of the whole run (with 0), over the levels it computed;
  // found at the first question after a load (one pass over the table).
  double runMin() const { return extremes().first; }
  double runMax() const { return extremes().second; }
  const TableIdentity& identity() const { return loaded_; }

 private:
  core::Scheme scheme_;
  TableIdentity loaded_;
  bool everLoaded_ = false;
  std::int64_t levels_ = 0, points_ = 0;
  double h_ = 0, tau_ = 0;
  std::pair<double, double> extremes() const;
  mutable bool extremesKnown_ = false;
  mutable double runMin_ = 0, runMax_ = 0;
  core::TableWriter writer_;
  std::vector<double> factors_;  // d sin(Pi x_i), i = 0 .. N
};

// A number for an axis or a read-out, with the locale's decimal mark.
QString shortNumber(double v, int significant = 4);

}  // namespace vis
