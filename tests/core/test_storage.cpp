// Table storage and the process's memory budget: a table made again, on a
// new buffer or on a reused one, reads exactly as a freshly zeroed table
// after runs of every size order; a buffer shared with a list stays as it
// was; a refusal comes before any memory is taken and names what is held.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "core/memory_budget.h"
#include "core/schemes.h"
#include "core/studies.h"
#include "core/study_state.h"
#include "core/table_storage.h"

namespace {

using core::Scheme;

// Every entry through the table's bounds, as bits, with the bounds and the
// last row reached: what the list and the graph windows can read.
struct Snapshot {
  std::int64_t rowLower, rowUpper, colLower, colUpper, lastRow;
  std::vector<std::uint64_t> bits;
  bool operator==(const Snapshot&) const = default;
};

template <class Table>
Snapshot snapshot(const Table& t) {
  Snapshot s{t.rowLower(), t.rowUpper(), t.colLower(), t.colUpper(), 0, {}};
  if constexpr (std::is_same_v<Table, core::Table2>) s.lastRow = t.lastRowReached();
  for (std::int64_t r = t.rowLower(); r <= t.rowUpper(); ++r)
    for (std::int64_t c = t.colLower(); c <= t.colUpper(); ++c)
      s.bits.push_back(std::bit_cast<std::uint64_t>(t(r, c)));
  return s;
}

// A stability run: N, T, K, a, u0 (and v0, Epsilon for Pepsilon).
struct StabilityRun {
  const char* name;
  Scheme scheme;
  core::StabilityFields fields;
};

const core::Table2& solution(const core::StudyState& s, Scheme scheme) {
  return scheme == Scheme::P0 ? s.SolP0 : s.SolPeps;
}

// The same run in a state that never held a table.
Snapshot fresh(const StabilityRun& run) {
  core::StudyState s;
  core::runStability(s, run.scheme, run.fields);
  return snapshot(solution(s, run.scheme));
}

// Runs whose tables hold 600 600 entries (mapped, and reusable between
// them) or other sizes: a fractional N leaves its last column unwritten,
// Lambda = 12.1 stops at an early level and leaves the rows after it.
core::StabilityFields p0(const char* N, const char* K, const char* a, const char* u0) {
  return {.N = N, .T = "1", .K = K, .a = a, .u0 = u0};
}
const StabilityRun kBig{"N=1000 K=598", Scheme::P0, p0("1000", "598", "0.0000002", "1")};
const StabilityRun kBigOtherShape{"N=599 K=999", Scheme::P0, p0("599", "999", "0.001", "-2")};
const StabilityRun kBigFractionalN{"N=999.6 K=597.6", Scheme::P0,
                                   p0("999.6", "597.6", "0.0000002", "3")};
const StabilityRun kBigStopped{"N=1000 K=598 unstable", Scheme::P0,
                               p0("1000", "598", "7.25", "1")};
const StabilityRun kSmall{"N=10 K=20", Scheme::P0, p0("10", "20", "0.05", "1")};
// The same size again, Lambda = 0.4: the levels stop changing near level
// 22 500 and the rest of the table is written as copies of that level.
const StabilityRun kBigEndsInCopies{"N=10 K=54598 Lambda=0.4", Scheme::P0,
                                    p0("10", "54598", "180.48925619834712", "1")};
const StabilityRun kPepsBig{"Peps N=1000 K=598", Scheme::Peps,
                            {.N = "1000", .T = "1", .K = "598", .a = "0.0000002", .u0 = "1",
                             .v0 = "2", .Epsilon = "0.5"}};
const StabilityRun kPepsStopped{"Peps unstable", Scheme::Peps,
                                {.N = "1000", .T = "1", .K = "598", .a = "7.25", .u0 = "1",
                                 .v0 = "0", .Epsilon = "0.0001"}};

struct Sequence {
  const char* name;
  std::vector<StabilityRun> runs;
};

TEST(Storage, EveryRunReadsAsAFreshlyZeroedTable) {
  const std::vector<Sequence> sequences{
      {"large, small, large", {kBig, kSmall, kBigOtherShape}},
      {"fractional N leaves a column, stopped leaves rows", {kBig, kBigFractionalN, kBigStopped}},
      {"Pepsilon complete then stopped", {kPepsBig, kPepsStopped}},
      {"ends in copies, then complete", {kBig, kBigEndsInCopies, kBigFractionalN}},
  };
  for (const auto& seq : sequences) {
    SCOPED_TRACE(seq.name);
    core::StudyState s;
    for (const StabilityRun& run : seq.runs) {
      SCOPED_TRACE(run.name);
      core::runStability(s, run.scheme, run.fields);
      EXPECT_TRUE(snapshot(solution(s, run.scheme)) == fresh(run));
    }
  }
}

// A reused buffer, re-created in every shape of the same size, small
// (allocated) and large (mapped): whatever is read before, between or after
// the rows written reads 0, and the written rows read as written.
TEST(Storage, ReusedRowsReadZeroUntilWritten) {
  struct Shape {
    std::int64_t rowLower, rowUpper, colLower, colUpper;
  };
  struct Case {
    const char* name;
    std::int64_t scale;  // entries = 100 * scale
    std::vector<Shape> shapes;
  };
  const std::vector<Case> cases{
      {"allocated", 1, {{0, 9, 0, 9}, {0, 19, 0, 4}, {1, 5, 0, 19}, {-2, 7, 3, 12}}},
      {"mapped", 6000, {{0, 999, 0, 599}, {0, 599, 0, 999}, {0, 5999, 0, 99}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    core::Table2 t("tableau d'essai");
    ASSERT_TRUE(t.create(0, 100 * c.scale - 1, 0, 0));
    for (std::int64_t r = 0; r < 100 * c.scale; ++r) t(r, 0) = 7.0;  // an earlier run
    for (const Shape& shape : c.shapes) {
      const core::StorageCounters before = core::storageCounters();
      ASSERT_TRUE(t.create(shape.rowLower, shape.rowUpper, shape.colLower, shape.colUpper));
      EXPECT_EQ(core::storageCounters().reuses, before.reuses + 1);
      const std::int64_t written = (shape.rowLower + shape.rowUpper) / 2;
      const core::Table2& view = t;
      for (std::int64_t col = shape.colLower; col <= shape.colUpper; ++col) t(written, col) = -1.0;
      for (std::int64_t r = shape.rowLower; r <= shape.rowUpper; ++r)
        for (std::int64_t col = shape.colLower; col <= shape.colUpper; ++col)
          ASSERT_EQ(view(r, col), r == written ? -1.0 : 0.0) << r << ", " << col;
      for (std::int64_t r = shape.rowLower; r <= shape.rowUpper; ++r)
        for (std::int64_t col = shape.colLower; col <= shape.colUpper; ++col) t(r, col) = 9.0;
    }
  }
}

// A table made again at the same size reuses its mapping when nobody else
// holds it, and takes a new buffer when a list still shows the old one.
TEST(Storage, ReuseOnlyWhenNobodyElseHoldsTheBuffer) {
  core::StudyState s;
  core::runStability(s, Scheme::P0, kBig.fields);
  ASSERT_TRUE(s.SolP0.exists());
  const core::StorageCounters before = core::storageCounters();
  core::runStability(s, Scheme::P0, kBigOtherShape.fields);
  core::StorageCounters after = core::storageCounters();
  EXPECT_EQ(after.mappings, before.mappings);
  EXPECT_EQ(after.reuses, before.reuses + 1);

  const core::SharedTable list = s.SolP0.share("liste de la stabilité P0");
  const Snapshot shown = snapshot(list);
  core::runStability(s, Scheme::P0, kBigFractionalN.fields);
  after = core::storageCounters();
  EXPECT_EQ(after.mappings, before.mappings + 1);
  EXPECT_EQ(after.reuses, before.reuses + 1);
  EXPECT_TRUE(snapshot(list) == shown) << "the list's lines changed under it";
  EXPECT_TRUE(snapshot(s.SolP0) == fresh(kBigFractionalN));
}

// The budget: refusals before anything is taken, naming what is held.
class Budget : public ::testing::Test {
 protected:
  void TearDown() override { core::MemoryBudget::process().setLimit(0); }
  static double tableBytes(const StabilityRun& run) {
    core::StudyState s;
    core::runStability(s, run.scheme, run.fields);
    return static_cast<double>(solution(s, run.scheme).bytes());
  }
};

TEST_F(Budget, RefusalsAndWhatTheyName) {
  const double table = tableBytes(kBig);
  struct Case {
    const char* name;
    double limit;   // in tables
    bool holdList;  // a list shows the first P0 run
    Scheme second;
    const char* start;     // the message begins with this, or nullptr: accepted
    const char* mentions;  // and names this
  };
  const std::vector<Case> cases{
      {"alone, too large", 0.5, false, Scheme::P0, "Calcul trop volumineux", "Réduisez N ou K."},
      {"the other table stays", 1.5, false, Scheme::Peps, "Mémoire insuffisante",
       "solution du schéma P0 : "},
      {"a list and its table count once", 2.2, true, Scheme::Peps, nullptr, nullptr},
      {"the list keeps the old table", 1.5, true, Scheme::P0, "Mémoire insuffisante",
       "liste de la stabilité P0 et solution du schéma P0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    core::MemoryBudget::process().setLimit(c.limit * table);
    core::StudyState s;
    core::SharedTable list;
    if (c.limit >= 1) {
      ASSERT_FALSE(core::runStability(s, Scheme::P0, kBig.fields).failure);
      if (c.holdList) list = s.SolP0.share("liste de la stabilité P0");
    }
    const Snapshot shown = snapshot(list);
    const StabilityRun& run = c.second == Scheme::P0 ? kBig : kPepsBig;
    const core::StorageCounters before = core::storageCounters();
    const core::StabilityResult r = core::runStability(s, run.scheme, run.fields);
    if (!c.start) {
      EXPECT_FALSE(r.failure) << r.failure->message;
      continue;
    }
    ASSERT_TRUE(r.failure);
    EXPECT_EQ(r.failure->code, core::FailureCode::TablesTooLarge);
    const std::string& m = r.failure->message;
    EXPECT_EQ(m.rfind(c.start, 0), 0u) << m;
    EXPECT_NE(m.find(c.mentions), std::string::npos) << m;
    if (c.holdList) {
      EXPECT_NE(m.find("Mo permis. Fermez une fenêtre ou réduisez N ou K."), std::string::npos)
          << m;
    }
    const core::StorageCounters after = core::storageCounters();
    EXPECT_EQ(after.mappings, before.mappings);
    EXPECT_EQ(after.allocations, before.allocations);
    EXPECT_EQ(after.reuses, before.reuses);
    EXPECT_LE(core::MemoryBudget::process().inUse(), c.limit * table);
    if (!c.holdList) continue;
    EXPECT_TRUE(snapshot(list) == shown) << "the list's lines changed under it";
    // The list let go: the same run is accepted and reuses the mapping.
    list = core::SharedTable();
    ASSERT_FALSE(core::runStability(s, Scheme::P0, kBig.fields).failure);
    EXPECT_EQ(core::storageCounters().mappings, before.mappings);
  }
}

// The storage itself never goes past the limit, whatever a caller checked.
TEST_F(Budget, StorageNeverTakesMoreThanTheLimit) {
  core::MemoryBudget::process().setLimit(8.0 * 1024 * 1024);
  const double held = core::MemoryBudget::process().inUse();
  const core::StorageCounters before = core::storageCounters();
  auto a = core::TableBuffer::make(600000);  // 4.8 MB
  ASSERT_TRUE(a);
  EXPECT_TRUE(a->mapped());
  EXPECT_FALSE(core::TableBuffer::make(600000));
  EXPECT_EQ(core::storageCounters().mappings, before.mappings + 1);
  EXPECT_EQ(core::MemoryBudget::process().inUse(), held + 600000.0 * 8);
  a.reset();
  EXPECT_EQ(core::MemoryBudget::process().inUse(), held);
  core::Table2 t("tableau d'essai");
  EXPECT_FALSE(t.create(0, 2000, 0, 999));  // 16 MB
  EXPECT_FALSE(t.exists());
}

}  // namespace
