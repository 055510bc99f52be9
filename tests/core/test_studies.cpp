// The study procedures the windows call: stability lists, consistency errors
// and orders, the error study, refusals, overflow and the stop key.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "core/failure.h"
#include "core/numeric.h"
#include "core/studies.h"
#include "support/reference_solution.h"

namespace {

using core::Half;
using namespace reftest;
using SF = core::StabilityFields;
using CF = core::ConsistencyFields;
using EF = core::ErrorFields;

const SF kStabP0{.N = "3", .T = "1", .K = "16", .a = "0.5", .u0 = "1"};
const SF kStabPeps{
    .N = "3", .T = "1", .K = "16", .a = "0.5", .u0 = "1", .v0 = "0", .Epsilon = "0.0625"};
const SF kSource = [] {  // Pepsilon with its source ticked
  SF f = kStabPeps;
  f.sourceTicked = true, f.FF = "8";
  return f;
}();
const EF kErr{
    .N = "3", .T = "1", .K = "4", .a = "1", .Epsilon = "1", .u0 = "1", .v0 = "0", .k = "2"};

template <class F>
F with(F f, std::string F::*field, const char* text) {
  f.*field = text;
  return f;
}

CF consFields(const ConsData& x, int R, int S) {
  const auto t = [](double v) { return core::formatPlain(v); };
  CF f{.N = t(x.N), .T = t(x.T), .K = t(x.K), .a = t(x.a), .d = t(x.d), .w = t(x.w)};
  f.phi = t(x.phi), f.R = t(R), f.S = t(S), f.Epsilon = t(x.Epsilon);
  return f;
}
const CF kCons = consFields({3, 1, 16, 0.5, 1, 1, 0.3, 0.1}, 2, 2);

bool rowZero(const core::Table2& t, std::int64_t m) {
  return std::all_of(t.row(m), t.row(m) + t.colUpper() + 1, [](double v) { return bits(v) == 0; });
}

// Levels first, first + 1, ... of a solution table, bit for bit.
void expectLevels(const core::Table2& sol, const std::vector<Row>& want, std::int64_t first = 0) {
  for (std::size_t l = 0; l < want.size(); ++l)
    for (std::size_t i = 1; i <= want[l].size(); ++i)
      EXPECT_EQ(bits(sol(first + l + 1, i)), bits(want[l][i - 1])) << "level " << first + l;
}

// The worked lists of both schemes. The source enters level NN only; NN = 1,
// K + 1 or empty applies none; an unticked box leaves FF and NN as they were.
TEST(Stability, WorkedListsAndTheSource) {
  core::StudyState s;
  core::StabilityResult r = core::runStability(s, Scheme::P0, kStabP0);
  ASSERT_FALSE(r.failure) << r.failure->message;
  EXPECT_EQ(r.levels, 17);
  EXPECT_EQ(core::stabilityHeaderLine(s.h, 3, "."), "x =    # 0.25 # 0.50 # 0.75");
  expectLevels(s.SolP0, {{1, 1, 1}, {0.5, 1, 0.5}, {0.5, 0.5, 0.5}, {0.25, 0.5, 0.25}});
  ASSERT_FALSE(core::runStability(s, Scheme::Peps, kStabPeps).failure);
  expectLevels(
      s.SolPeps,
      {{1, 1, 1}, {1, 1, 1}, {0.75, 1, 0.75}, {0.5, 0.875, 0.5}, {0.34375, 0.625, 0.34375}});
  const std::vector<std::uint64_t> plain = tableBits(s.SolPeps);
  for (const char* nn : {"2", "1", "17", "", "-32768", "2.5"}) {  // 2.5 halves to even: 2
    ASSERT_FALSE(core::runStability(s, Scheme::Peps, with(kSource, &SF::NN, nn)).failure);
    if (nn[0] == '2')
      expectLevels(s.SolPeps, {{1, 1.25, 1}, {0.8125, 1.25, 0.8125}, {0.625, 1.03125, 0.625}}, 2);
    else
      EXPECT_EQ(tableBits(s.SolPeps), plain) << "NN = \"" << nn << '"';
  }
  SF f = with(with(kSource, &SF::FF, "99"), &SF::NN, "3");
  f.sourceTicked = false;
  ASSERT_FALSE(core::runStability(s, Scheme::Peps, f).failure);
  EXPECT_TRUE(bits(s.FF) == bits(8.0) && static_cast<int>(s.NN) == 2);
  EXPECT_EQ(tableBits(s.SolPeps), plain);
  // N = K = 2.5: columns 0 To 2, rows 0 To round(3.5) = 4, levels 0 .. 2.
  r = core::runStability(s, Scheme::P0, {.N = "2.5", .T = "1", .K = "2.5", .a = "0.3", .u0 = "1"});
  ASSERT_FALSE(r.failure) << r.failure->message;
  EXPECT_TRUE(r.levels == 3 && s.SolP0.colUpper() == 2 && s.SolP0.rowUpper() == 4);
}

// P0 needs N, a, u0, T, K; Pepsilon also v0 and Epsilon; FF and NN never.
TEST(Stability, EmptyTestNamesTheRequiredFields) {
  SF f = with(kSource, &SF::FF, "");
  EXPECT_FALSE(core::stabilityFieldsEmpty(Scheme::Peps, f));
  f.v0 = f.Epsilon = "";
  EXPECT_FALSE(core::stabilityFieldsEmpty(Scheme::P0, f));
  f.v0 = "0";
  EXPECT_TRUE(core::stabilityFieldsEmpty(Scheme::Peps, f));
  f.u0 = "";
  EXPECT_TRUE(core::stabilityFieldsEmpty(Scheme::P0, f));
}

// Runs of each study with one field changed (Pepsilon: its source ticked).
using Attempt = std::function<core::Outcome(core::StudyState&)>;
Attempt stab(std::string SF::*field, const char* text, Scheme sc = Scheme::P0) {
  const SF f = with(sc == Scheme::P0 ? kStabP0 : kSource, field, text);
  return [=](core::StudyState& s) { return core::runStability(s, sc, f).failure; };
}
Attempt cons(std::string CF::*field, const char* text, Half half = Half::TimeR) {
  const Scheme sc = half == Half::TimeR ? Scheme::P0 : Scheme::Peps;
  return [=](core::StudyState& s) {
    return core::beginConsistency(s, sc, half, with(kCons, field, text));
  };
}
Attempt err(std::string EF::*field, const char* text) {
  const EF f = with(kErr, field, text);
  return [=](core::StudyState& s) { return core::beginErrorStudy(s, f, false); };
}

// Each refusal comes before any table is created; what was stored before it
// stays stored (N; the refused R).
TEST(Refusals, AnsweredBeforeAnyTable) {
  const std::string bad = "Valeur incorrecte de ", big = "Valeur trop grande pour ",
                    range = " : un nombre doit rester inférieur à 1,7E+308 en valeur absolue.";
  const struct {
    bool stored;  // N was stored before the refusal
    Attempt attempt;
    std::string message;  // "Calcul trop volumineux": how the text begins
  } cases[] = {
      {false, cons(&CF::S, ""), "Saisie incomplète !"},
      {true, cons(&CF::R, "-1"), bad + "R !"},
      {false, err(&EF::k, "0.5"), "Valeur de k incorrecte !"},
      {true, cons(&CF::R, "30"), bad + "R : R doit être au plus 29."},
      {true, cons(&CF::S, "30", Half::SpaceS), bad + "S : S doit être au plus 29."},
      {true, cons(&CF::R, "29"), "Calcul trop volumineux"},
      {true, cons(&CF::N, "2.5"), bad + "N : N doit être un nombre entier."},
      {true, err(&EF::K, "4.5"), bad + "K : K doit être un nombre entier."},
      {true, stab(&SF::N, "1.99"), bad + "N : il faut au moins 2 points intérieurs (N >= 2)."},
      {true, stab(&SF::K, "0.99"), bad + "K : il faut au moins un intervalle de temps (K >= 1)."},
      {true, stab(&SF::T, "0", Scheme::Peps),
       bad + "T : la durée totale ne peut pas être nulle, car Alpha = Epsilon/Tau divise par Tau."},
      {true, stab(&SF::Epsilon, "-0.0625", Scheme::Peps),
       bad + "Epsilon : avec Epsilon = -Tau, 1 + Alpha est nul et le schéma divise par zéro."},
      {true, stab(&SF::NN, "32767", Scheme::Peps),
       bad + "n : n doit être un entier compris entre -32768 et 32766."},
      {true, stab(&SF::K, "1e12"), "Calcul trop volumineux"},
      // A number beyond the double range gets the same answer for both
      // signs and in either exponent letter, before the value's own checks.
      {false, stab(&SF::N, "1e999"), big + "N" + range},
      {true, cons(&CF::R, "-1e999"), big + "R" + range},
      {true, cons(&CF::S, " - 2 D 400", Half::SpaceS), big + "S" + range},
      {false, err(&EF::k, " - 2 D 400"), big + "k" + range}};
  for (const auto& c : cases) {
    core::StudyState s;
    const core::Outcome o = c.attempt(s);
    ASSERT_TRUE(o) << c.message;
    const bool start = c.message.starts_with("Calcul");  // the sizes vary
    EXPECT_EQ(start ? o->message.substr(0, c.message.size()) : o->message, c.message);
    EXPECT_EQ(s.N.isSet(), c.stored) << c.message;
    EXPECT_TRUE(c.message != bad + "R !" || s.R == -1.0) << "R is stored";
    EXPECT_FALSE(s.SolP0.exists() || s.SolPeps.exists()) << c.message;
  }
}

// The budget counts the band matrix and SourceVec (five columns' worth)
// beside the solution table's rows 0 .. K + 1. Nothing is allocated to find out.
TEST(TableBudget, CountsTheBandAndSourceBesideTheTable) {
  const double K = std::floor(core::tableBudgetBytes() / (8.0 * 1001)) - 7;  // N = 1000
  EXPECT_FALSE(core::checkTableBudget(1000, K));
  EXPECT_TRUE(core::checkTableBudget(1000, K + 1));
  EXPECT_TRUE(core::checkTableBudget(1000, std::floor(K / 2), 2))
      << "the error study counts both schemes";
}

// A run (Lambda = 12.1, or u0 + Tau*v0 beyond the double range) stops at the
// first level holding a non-finite value, which is cleared and named.
TEST(StabilityOverflow, StopsAtTheFirstNonFiniteLevel) {
  const auto finite = [](const Row& r) {
    return std::all_of(r.begin(), r.end(), [](double v) { return std::isfinite(v); });
  };
  for (const bool peps : {false, true}) {
    core::StudyState s;
    const core::StabilityResult r = core::runStability(
        s, peps ? Scheme::Peps : Scheme::P0,
        {.N = "10", .T = "100", .K = "1000", .a = "1", .u0 = "1", .v0 = "0", .Epsilon = "0.01"});
    const core::Table2& sol = peps ? s.SolPeps : s.SolP0;
    ASSERT_TRUE(r.failure && r.levels > 2);
    EXPECT_EQ(r.failure->message, core::fail::overflow(r.levels).message);
    const auto row = [&](std::int64_t m) { return Row(sol.row(m), sol.row(m) + 11); };
    for (std::int64_t m = 1; m <= r.levels; ++m) ASSERT_TRUE(finite(row(m))) << m;
    const Row before = row(r.levels - 1);
    EXPECT_FALSE(
        finite(band(row(r.levels), peps ? &before : nullptr, 10, s.Lambda, peps ? s.Alpha : 0)));
    EXPECT_TRUE(rowZero(sol, r.levels + 1)) << "the non-finite level is reset";
    EXPECT_EQ(sol.lastRowReached(), r.levels) << "later rows are marked as never computed";
  }
  core::StudyState s;
  const core::StabilityResult r = core::runStability(
      s, Scheme::Peps,
      {.N = "3", .T = "1e300", .K = "1", .a = "1", .u0 = "1", .v0 = "1e300", .Epsilon = "0"});
  EXPECT_TRUE(r.failure && r.levels == 1 && rowZero(s.SolPeps, 2));
  EXPECT_EQ(bits(s.SolPeps(1, 2)), bits(1.0));
}

core::StepHook noHook;  // polls nothing

// Sets the stop flag at its first poll after `after` steps, as a key press does.
struct StopHook : core::StepHook {
  core::StudyState* s;
  std::int64_t after, stoppedAt = -1;
  StopHook(core::StudyState* state, std::int64_t steps) : s(state), after(steps) {}
  void poll(std::int64_t done, std::int64_t) override {
    if (stoppedAt < 0 && done > after) s->StopRequested = (stoppedAt = done) >= 0;
  }
};

core::RunOutcome consistencyRun(core::StudyState& s, Scheme scheme, Half half, const ConsData& x,
                                int R, int S, std::string_view mark = ".",
                                core::StepHook& hook = noHook) {
  s.Pi = core::piValue();
  s.StopRequested = true;  // a key pressed after the last run is forgotten
  const core::Outcome o = core::beginConsistency(s, scheme, half, consFields(x, R, S));
  EXPECT_FALSE(o) << o->message;
  if (o) return {};
  core::consistencyGrid(s, scheme);
  return core::runConsistency(s, scheme, half, hook, mark);
}

// Runs R = 0, 1, 2 give E1, E2, E4 and exactly one order line, q1.
TEST(Consistency, ErrorsAndOrderMatchTheFormulas) {
  const ConsData x{4, 0.1, 11, 0.2, 1, 5, 0.1, 0};  // 11*Tau is not T in the last bit
  // Data where the order of Lambda's product and of the norm shows in E's last bits.
  const ConsData z{10, 1, 20, 0.1, 2, 3, 0.5, 0};
  core::StudyState s;
  for (const ConsData& d : {z, x})
    for (int R = 0; R <= 2; ++R) {
      ASSERT_TRUE(consistencyRun(s, Scheme::P0, Half::TimeR, d, R, 0).completed);
      EXPECT_EQ(bits(s.ErrH(R + 1)), bits(referenceError(Scheme::P0, d, R, 0))) << d.N << ' ' << R;
    }
  const double E1 = s.ErrH(1), E2 = s.ErrH(2), E4 = s.ErrH(3);
  EXPECT_EQ(bits(s.K), bits(44.0)) << "the refined count stays";
  const std::vector<core::OrderLine> q = core::computeOrders(s, Half::TimeR, ",").lines;
  ASSERT_EQ(q.size(), 1u);
  const double q1 = std::log((E1 - E2) / (E2 - E4)) / std::log(2.0);
  EXPECT_EQ(bits(s.OrdQ(1)), bits(q1));
  EXPECT_EQ(q[0].text, "q1 = Ln((E1 - E2)/(E2 - E4))/Ln2 = " + core::formatFixed(q1, 4, ","));
  EXPECT_EQ(s.LineText, q[0].text);

  // d = 1.3: the order of the exact solution's product shows in E's last bits.
  const ConsData y{3, 0.5, 2, 0.5, 1.3, 3, 0.4, 0.05};
  ASSERT_TRUE(consistencyRun(s, Scheme::Peps, Half::TimeR, y, 1, 0).completed);
  EXPECT_EQ(bits(s.ErrH(2)), bits(referenceError(Scheme::Peps, y, 1, 0))) << "Alpha refined";
  const core::RunOutcome out = consistencyRun(s, Scheme::Peps, Half::SpaceS, y, 0, 1, ",");
  ASSERT_TRUE(out.completed);
  const double E = referenceError(Scheme::Peps, y, 0, 1);
  EXPECT_EQ(bits(s.ErrT(2)), bits(E));
  EXPECT_EQ(out.line, "E2 = " + core::formatFixed(E, 10, ","));
  EXPECT_TRUE(bits(out.grid.h) == bits(0.125) && bits(out.grid.Tau) == bits(s.Tau) &&
              bits(out.error) == bits(E))
      << "the result carries the refined grid";
  // SourceVec holds the source of the last step (row K + 1 = 3).
  const Exact e{0.125, core::piValue(), y.d, y.w, y.phi, y.a, y.Epsilon, 0.25, y.T};
  for (int i = 1; i <= 7; ++i) EXPECT_EQ(bits(s.SourceVec(i)), bits(e.f(i, 3, true))) << i;
}

// A negative ratio, a zero denominator, an entry never computed, a ratio
// that overflows: "indéfini"; only the overflow is named.
TEST(Consistency, OrdersThatCannotBeComputed) {
  core::StudyState s;
  const auto orders = [&s](double R, const std::vector<double>& E) {
    s.R = R;
    for (std::size_t i = 0; i < E.size(); ++i) s.ErrH(i + 1) = E[i];
    return core::computeOrders(s, Half::TimeR, ".");
  };
  core::OrdersResult r = orders(4, {1.0, 2.0, 1.5, 1.5});
  ASSERT_EQ(r.lines.size(), 3u);
  for (const auto& line : r.lines) EXPECT_FALSE(line.defined) << line.text;
  EXPECT_EQ(r.lines[2].text, "q3 = Ln((E4 - E8)/(E8 - E16))/Ln2 = indéfini");
  EXPECT_TRUE(std::isnan(s.OrdQ(1)) && !r.failure);
  r = orders(3, {1e300, 1e-300, std::nextafter(1e-300, 0.0), 0});  // E8 never computed
  ASSERT_EQ(r.lines.size(), 2u);
  EXPECT_TRUE(!r.lines[0].defined && r.lines[0].overflow);
  EXPECT_TRUE(r.lines[1].defined && !r.lines[1].overflow) << r.lines[1].text;
  ASSERT_TRUE(r.failure);
  EXPECT_EQ(r.failure->message,
            "Le rapport des différences d'erreurs de l'ordre q1 dépasse le domaine des nombres "
            "représentables : l'ordre n'est pas calculé.");
  EXPECT_EQ(orders(29, {}).lines.size(), 28u) << "the largest R: orders q1 .. q28";
}

struct ErrData {
  double N, T, K, a, eps, k;
  bool exact;
  double u0, v0, d = 0, w = 0, phi = 0;
};

core::RunOutcome errorRun(core::StudyState& s, const ErrData& x, std::string_view mark,
                          core::StepHook& hook = noHook) {
  const auto t = [](double v) { return core::formatPlain(v); };
  s.Pi = core::piValue();
  s.StopRequested = true;  // a key pressed after the last run is forgotten
  EF f{.N = t(x.N), .T = t(x.T), .K = t(x.K), .a = t(x.a), .Epsilon = t(x.eps), .k = t(x.k)};
  f.u0 = t(x.u0), f.v0 = t(x.v0), f.d = t(x.d), f.w = t(x.w), f.phi = t(x.phi);
  const core::Outcome o = core::beginErrorStudy(s, f, x.exact);
  EXPECT_FALSE(o) << o->message;
  if (o) return {};
  core::errorStudyGrid(s);
  return core::runErrorStudy(
      s, [&x] { return x.exact; }, hook, mark);
}

// Finite levels whose error norm overflows: answered like a level overflow,
// naming the error; the entry holds +Inf, no line, LineText as it was.
TEST(ErrorOverflow, NamedAndNotListed) {
  const ConsData x{3, 1, 16, 0.5, 1e200, 1, 0.3, 0.1};
  for (const char* name : {"E4", "E(k = 1)"}) {
    core::StudyState s;
    s.LineText = "before";
    const bool cons = name[1] == '4';
    const core::RunOutcome out =
        cons ? consistencyRun(s, Scheme::Peps, Half::TimeR, x, 2, 0)
             : errorRun(s, {3, 1, 4, 0.01, 0.01, 1, true, 0, 0, 1e308, 0.1, 0}, ".");
    ASSERT_TRUE(out.failure);
    EXPECT_EQ(out.failure->message,
              std::string("L'erreur ") + name +
                  " dépasse le domaine des nombres représentables : elle n'est pas ajoutée à la "
                  "liste ; les niveaux calculés sont conservés.");
    EXPECT_TRUE(!out.completed && out.line.empty() && s.LineText == "before");
    const double entry = cons ? s.ErrH(3) : s.ErrH(1);
    EXPECT_TRUE(std::isinf(entry) && entry > 0);
    EXPECT_EQ(out.levels, core::loopLast(s.K + 1)) << "every level was computed and is kept";
  }
}

// The line, eps/k in place of eps, every level computed; on exact-solution
// data E(k) bit for bit against the formulas (both runs with their sources).
TEST(ErrorStudy, LineAndError) {
  const auto run = [](const ErrData& x, std::string_view mark = ".") {
    core::StudyState s;
    const core::RunOutcome out = errorRun(s, x, mark);
    EXPECT_TRUE(out.completed && s.LineText == out.line);
    EXPECT_EQ(bits(s.Epsilon), bits(x.eps / std::floor(x.k))) << "eps/k in place of eps";
    EXPECT_EQ(out.levels, core::loopLast(s.K + 1));
    return std::pair(out.line, static_cast<double>(s.ErrH(1)));
  };
  const struct {
    ErrData x;
    const char *line, *mark = ".";
  } lines[] = {{{2, 2, 2, 1, 1, 1, false, 1, 0}, "E(k = 1) = 55.1135192126"},
               {{2, 1, 1, 1, 1, 1, false, 1, 0}, "E(k = 1) = 7.3484692283"},
               {{2, 2, 2, 1, 1, 2, false, 1, 0}, "E(k = 2) = 56,3382640840", ","},
               {{5, 1, 10, 0.1, 0.3, 2.9, false, 0, 0}, "E(k = 2) = 0.0000000000"}};
  for (const auto& c : lines) EXPECT_EQ(run(c.x, c.mark).first, c.line);
  for (const ErrData& x : {ErrData{3, 0.4, 4, 0.3, 0.02, 2, true, 0, 0, 1.2, 2.5, 0.6},
                           ErrData{5, 0.7, 9, 0.11, 0.013, 3, true, 0, 0, 2.3, 1.7, 0.2},
                           ErrData{7, 1.3, 12, 0.05, 0.2, 5, true, 0, 0, 0.9, 4.1, 1.1},
                           ErrData{4, 0.9, 6, 0.21, 0.07, 1, true, 0, 0, 3.7, 0.3, -0.4}}) {
    const int n = static_cast<int>(x.N);
    const auto K = static_cast<std::int64_t>(x.K);
    const double h = 1 / (1 + x.N), eps = x.eps / std::floor(x.k);
    const Exact e{h, core::piValue(), x.d, x.w, x.phi, x.a, eps, x.T / x.K, x.T};
    EXPECT_EQ(bits(run(x).second),
              bits(l2(finalRow(Scheme::P0, e, n, K), finalRow(Scheme::Peps, e, n, K), n, h)))
        << "N = " << x.N;
  }
}

// A key: no line, the error as it was, no row after the stop; SourceVec holds
// the last step's source (at N = 6 the run itself stores it). The error study
// is stopped in its second (P0) run.
TEST(Stop, NoLineAndNothingAfterTheStop) {
  for (const bool peps : {false, true}) {
    const Scheme scheme = peps ? Scheme::Peps : Scheme::P0;
    const ConsData x{6, 1, 200000, 0.1, 1, 1, 0.3, peps ? 0.001 : 0.0};
    core::StudyState s;
    s.ErrH(1) = 123.0;
    StopHook hook(&s, 0);
    const core::RunOutcome out = consistencyRun(s, scheme, Half::TimeR, x, 0, 0, ".", hook);
    EXPECT_FALSE(out.completed || out.failure || !out.line.empty());
    EXPECT_EQ(bits(s.ErrH(1)), bits(123.0));
    ASSERT_GE(hook.stoppedAt, 0) << "the hook was never polled";
    const core::Table2& sol = peps ? s.SolPeps : s.SolP0;
    const std::int64_t lastStep = hook.stoppedAt + (peps ? 2 : 1);
    EXPECT_TRUE(out.levels == lastStep && sol.lastRowReached() == lastStep);
    EXPECT_FALSE(rowZero(sol, lastStep));
    EXPECT_TRUE(rowZero(sol, lastStep + 1)) << "no row after the stop";
    const Exact e{1.0 / 7.0, core::piValue(), x.d, x.w, x.phi, x.a, x.Epsilon, s.Tau, x.T};
    for (int i = 1; i <= 6; ++i)
      EXPECT_EQ(bits(s.SourceVec(i)), bits(e.f(i, lastStep, peps))) << peps << ' ' << i;
  }
  core::StudyState s;
  s.ErrH(1) = 42.0;
  StopHook stop(&s, 100010);
  const core::RunOutcome out = errorRun(s, {2, 1, 100000, 0.1, 0.2, 2, false, 1, 0}, ".", stop);
  EXPECT_FALSE(out.completed || out.failure || !out.line.empty() || s.ErrH(1) != 42.0);
  EXPECT_FALSE(rowZero(s.SolPeps, 100001)) << "the first run was complete";
  EXPECT_TRUE(rowZero(s.SolP0, 100001));
  EXPECT_EQ(s.SolP0.lastRowReached(), out.levels);
}

// Dividing Epsilon and then the common grid gives the doubles of the study's
// own order (h = 1/(N + 1), Tau, eps/k, Lambda, Alpha), bit for bit.
TEST(ErrorStudy, GridIsTheCommonGridAfterTheDivision) {
  const std::vector<std::vector<double>> cases{{7, 0.3, 3, 1.7, 0.07, 3},
                                               {123456789, 2.5, 999, 1e-7, -0.2, 7},
                                               {9007199254740991.0, 3, 1e15, 0.1, 1e-9, 1e6},
                                               {2.5, 1.1, 2.5, 0.3, 1e300, 3}};
  for (const auto& c : cases) {  // N, T, K, a, Epsilon, R
    core::StudyState s;
    s.N = c[0], s.T = c[1], s.K = c[2], s.a = c[3], s.Epsilon = c[4], s.R = c[5];
    core::errorStudyGrid(s);
    const double h = 1 / (c[0] + 1), Tau = c[1] / c[2], eps = c[4] / c[5];
    const auto all = [](auto... v) { return std::vector<std::uint64_t>{bits(v)...}; };
    EXPECT_EQ(all(s.h, s.Tau, s.Epsilon, s.Lambda, s.Alpha),
              all(h, Tau, eps, (Tau * c[3]) / (h * h), eps / Tau))
        << "N = " << c[0];
  }
}

}  // namespace
