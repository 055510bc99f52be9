// Table storage and the process's memory budget: a table made again reads as
// a fresh one; a list's buffer stays; a refusal takes nothing, names what is held.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/memory_budget.h"
#include "core/studies.h"
#include "core/table_storage.h"
#include "support/reference_solution.h"

namespace {

using core::Scheme;
using reftest::tableBits;

struct StabilityRun {
  Scheme scheme;
  core::StabilityFields fields;
  const core::Table2& in(core::StudyState& s) const {
    core::runStability(s, scheme, fields);
    return scheme == Scheme::P0 ? s.SolP0 : s.SolPeps;
  }
  // The same run in a state that never held a table.
  std::vector<std::uint64_t> fresh(bool shared = false) const {
    core::StudyState s;
    return shared ? tableBits(in(s).share("liste")) : tableBits(in(s));
  }
};

// Runs whose tables hold 600 600 entries (mapped, and reusable between
// them) or other sizes: a fractional N leaves its last column unwritten,
// Lambda = 12.1 stops at an early level and leaves the rows after it.
StabilityRun p0(const char* N, const char* K, const char* a, const char* u0) {
  return {Scheme::P0, {.N = N, .T = "1", .K = K, .a = a, .u0 = u0}};
}
StabilityRun peps(const char* a, const char* v0, const char* Epsilon) {
  StabilityRun r = p0("1000", "598", a, "1");
  r.scheme = Scheme::Peps, r.fields.v0 = v0, r.fields.Epsilon = Epsilon;
  return r;
}
const StabilityRun kBig = p0("1000", "598", "0.0000002", "1");
const StabilityRun kBigFractionalN = p0("999.6", "597.6", "0.0000002", "3");
const StabilityRun kBigStopped = p0("1000", "598", "7.25", "1");
const StabilityRun kPepsBig = peps("0.0000002", "2", "0.5");

TEST(Storage, EveryRunReadsAsAFreshlyZeroedTable) {
  // N = 10, K = 54598, Lambda = 0.4: the levels stop changing near level
  // 22 500 and the rest of the table is written as copies of that level.
  const std::vector<std::vector<StabilityRun>> sequences{
      {kBig, p0("10", "20", "0.05", "1"), p0("599", "999", "0.001", "-2")},
      {kBig, kBigFractionalN, kBigStopped},
      {kPepsBig, peps("7.25", "0", "0.0001")},
      {kBig, p0("10", "54598", "180.48925619834712", "1"), kBigFractionalN}};
  for (const auto& runs : sequences) {
    core::StudyState s;
    for (const StabilityRun& run : runs)
      EXPECT_TRUE(tableBits(run.in(s)) == run.fresh()) << run.fields.N << ' ' << run.fields.a;
  }
}

// The same size reuses the mapping unless a list still shows it, and the list
// never sees an earlier run in the rows a stopped run left.
TEST(Storage, ReuseOnlyWhenNobodyElseHoldsTheBuffer) {
  const std::vector<std::uint64_t> shown = kBigStopped.fresh(true);
  core::StudyState s;
  kBig.in(s);
  const core::StorageCounters before = core::storageCounters();
  const core::SharedTable list = kBigStopped.in(s).share("liste de la stabilité P0");
  EXPECT_EQ(core::storageCounters().mappings, before.mappings);
  EXPECT_EQ(core::storageCounters().reuses, before.reuses + 1);
  EXPECT_TRUE(tableBits(list) == shown);
  const core::Table2& t = kBigFractionalN.in(s);
  EXPECT_EQ(core::storageCounters().mappings, before.mappings + 1);
  EXPECT_EQ(core::storageCounters().reuses, before.reuses + 1);
  EXPECT_TRUE(tableBits(list) == shown) << "the list's lines changed under it";
  EXPECT_TRUE(tableBits(t) == kBigFractionalN.fresh());
}

// The budget: refusals before anything is taken, naming what is held.
class Budget : public ::testing::Test {
 protected:
  void TearDown() override { core::MemoryBudget::process().setLimit(0); }
};

TEST_F(Budget, RefusalsAndWhatTheyName) {
  core::StudyState one;
  const auto table = static_cast<double>(kBig.in(one).bytes());
  one.SolP0.reset();
  // The limit in tables; a list shows the first P0 run; the second run; the
  // texts its refusal holds, the first at its start (none: accepted).
  const struct {
    double limit;
    bool holdList;
    StabilityRun second;
    std::vector<std::string> texts;
  } cases[] = {{0.5, false, kBig, {"Calcul trop volumineux", "Réduisez N ou K."}},
               // The other table stays; a list and its table count once.
               {1.5, false, kPepsBig, {"Mémoire insuffisante", "solution du schéma P0 : "}},
               {2.2, true, kPepsBig, {}},
               // The list keeps the old table.
               {1.5,
                true,
                kBig,
                {"Mémoire insuffisante", "liste de la stabilité P0 et solution du schéma P0",
                 "Mo permis. Fermez une fenêtre ou réduisez N ou K."}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.limit);
    core::MemoryBudget::process().setLimit(c.limit * table);
    core::StudyState s;
    core::SharedTable list;
    if (c.limit >= 1) {
      ASSERT_FALSE(core::runStability(s, Scheme::P0, kBig.fields).failure);
      if (c.holdList) list = s.SolP0.share("liste de la stabilité P0");
    }
    const std::vector<std::uint64_t> shown = tableBits(list);
    const core::StorageCounters before = core::storageCounters();
    const core::Outcome o = core::runStability(s, c.second.scheme, c.second.fields).failure;
    ASSERT_EQ(!o, c.texts.empty());
    if (!o) continue;
    EXPECT_TRUE(o->message.starts_with(c.texts[0])) << o->message;
    for (const std::string& text : c.texts)
      EXPECT_NE(o->message.find(text), std::string::npos) << o->message;
    const core::StorageCounters after = core::storageCounters();
    EXPECT_TRUE(after.mappings == before.mappings && after.allocations == before.allocations &&
                after.reuses == before.reuses);
    EXPECT_LE(core::MemoryBudget::process().inUse(), c.limit * table);
    if (!c.holdList) continue;
    EXPECT_TRUE(tableBits(list) == shown) << "the list's lines changed under it";
    list = core::SharedTable();  // let go: the same run is accepted and reuses the mapping
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
  ASSERT_TRUE(a && a->mapped());
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
