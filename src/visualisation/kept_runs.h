// The runs the evolution window keeps for comparison: up to four, each a
// read-only share of its table's buffer (never a copy) with its grid values
// and its journal record, drawn beside the current run. A kept run holds its
// buffer after the next run has re-created the table, so it counts in the
// process memory budget under its own name.
#pragma once

#include <QColor>
#include <QString>
#include <Qt>
#include <cstdint>
#include <vector>

#include "core/failure.h"
#include "core/journal.h"
#include "core/table_storage.h"
#include "visualisation/solution_source.h"

namespace vis {

// "P0, N = 9, K = 6, Lambda = 0,45" (and Alpha for Pepsilon): a run's scheme and data.
QString runData(core::Scheme scheme, const core::TableWriter& writer, std::int64_t points,
                std::int64_t levels);

struct KeptRun {
  core::SharedTable table;
  core::Scheme scheme = core::Scheme::P0;
  core::TableWriter writer;
  std::int64_t levels = 0, points = 0;
  double h = 0, Tau = 0;          // Tau 0 when unknown
  double runMin = 0, runMax = 0;  // over every level, with 0

  const double* level(std::int64_t n) const { return table.row(n + 1) + 1; }
  // The level whose time n·Tau is nearest `t` (the same n when Tau is unknown).
  std::int64_t levelNear(double t, std::int64_t sameN) const;
  QString data() const { return runData(scheme, writer, points, levels); }
};

class KeptRuns {
 public:
  static constexpr int kMost = 4;

  // Keeps the table `source` shows now. Refused (nothing kept) when keeping
  // it would leave too little room in the budget for the table to be made
  // again beside it.
  core::Outcome keep(const SolutionSource& source);
  void clear() { runs_.clear(); }

  const std::vector<KeptRun>& runs() const { return runs_; }
  bool full() const { return runs_.size() >= kMost; }
  // The table shown by `source` is already kept.
  bool holds(const SolutionSource& source) const;

  // Pen of kept run k: its own colour and dash.
  static QColor colour(int k);
  static Qt::PenStyle dash(int k);

 private:
  std::vector<KeptRun> runs_;
};

}  // namespace vis
