// The stability list: lines built from the run's numbers, read from the
// table the run filled (shared, never copied), unchanged when later runs
// re-create the tables, and the memory budget counting the list's data.
#include <QBuffer>
#include <QtTest>

#include "core/memory_budget.h"
#include "core/numeric.h"
#include "core/studies.h"
#include "core/table_storage.h"
#include "stability/stability_list_model.h"
#include "stability/stability_window.h"
#include "support/window_support.h"
#include "ui/export_csv.h"
#include "ui/result_list.h"

namespace {

using test::Fields;
const Fields kSmall{.N = "3", .T = "1", .K = "16", .a = "0.5", .u0 = "1"};
// 600 x 1001 entries: a mapped table.
const Fields kBig{.N = "1000", .T = "1", .K = "598", .a = "0.0000002", .u0 = "1"};
const Fields kPepsExtra{.v0 = "2", .Epsilon = "0.5"};

QStringList click(StabilityWindow* w, const Fields& f) { return test::click(w, "CmdCalculs", f); }

}  // namespace

Q_DECLARE_METATYPE(core::Scheme)

class TestStabilityListModel : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    test::freshState();
    core::MemoryBudget::process().setLimit(0);
  }
  void cleanup() { core::MemoryBudget::process().setLimit(0); }

  // A level's line: each value to two decimals, a minus sign kept, as wide as it comes.
  void linesFromTheNumbers() {
    StabilityListModel m;
    m.setLevels(0.25, 3, 3, std::vector<double>{1, 1, 1, 0.5, 1, 0.5, 0.875, -0.004, 12.5}, ".");
    QStringList lines;
    for (int r = 0; r < m.rowCount(); ++r) lines << m.index(r).data().toString();
    QCOMPARE(lines, QStringList({"x =    # 0.25 # 0.50 # 0.75", "n= 0  # 1.00 # 1.00 # 1.00",
                                 "n= 1  # 0.50 # 1.00 # 0.50", "n= 2  # 0.88 # -0.00 # 12.50"}));
  }

  // "Enregistrer sous…" of the list writes its run's levels: n, t = n·Tau, one column per x.
  void listSavesItsLevels() {
    StabilityWindow w(core::Scheme::P0);
    QVERIFY(click(&w, kSmall).isEmpty());
    QBuffer csv;
    csv.open(QIODevice::WriteOnly);
    QVERIFY(ui::writeCsv(*qobject_cast<StabilityListModel*>(w.resultList()->lineModel()), csv));
    QVERIFY2(
        csv.data().startsWith("n,t,x=0.25,x=0.5,x=0.75\r\n0,0,1,1,1\r\n1,0.0625,0.5,1,0.5\r\n"),
        csv.data().left(100).constData());
  }

  // The width is known without building every line; it must never fall short,
  // also when the table's last rows only repeat the one before them (the
  // width is measured up to the first copy, and here the copy is the widest).
  void widestLineBoundsEveryLine_data() {
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<int>("copiesFrom");  // 0: no copies
    QTest::newRow("small values") << QList<double>{0.5, 1, 2, 3, -9.98, 0, 0, 1} << 0;
    QTest::newRow("near powers of ten")
        << QList<double>{9.995, -99.996, 999999.996, -1e300, 1e-3, -1e11, 0, 7} << 0;
    QTest::newRow("ending in copies")
        << QList<double>{0.5, 0.5, 0.25, 0.25, -0.5, -1.5, -0.5, -1.5, -0.5, -1.5} << 4;
  }
  void widestLineBoundsEveryLine() {
    QFETCH(QList<double>, values);
    QFETCH(int, copiesFrom);
    core::Table2 t;
    QVERIFY(t.create(0, values.size() / 2 + 1, 0, 2));
    for (int k = 0; k < values.size(); ++k) t(k / 2 + 1, k % 2 + 1) = values[k];
    if (copiesFrom) t.setCopiesFrom(copiesFrom);
    StabilityListModel m;
    m.setLevels(0.5, 2, values.size() / 2, t.share("liste"), ",");
    qsizetype longest = 0;
    for (int r = 0; r < m.rowCount(); ++r) longest = std::max(longest, m.line(r).size());
    QVERIFY2(m.widestLine() >= longest && m.widestLine() <= longest + 6,
             qPrintable(QString("%1 for %2").arg(m.widestLine()).arg(longest)));
  }

  // Later runs re-create the tables; the list keeps showing its own run.
  void oldLinesStayAfterANewRun_data() {
    QTest::addColumn<Fields>("first");
    QTest::addColumn<core::Scheme>("scheme");
    QTest::addColumn<Fields>("next");
    QTest::newRow("small then large") << kSmall << core::Scheme::P0 << kBig;
    QTest::newRow("same size, other shape")
        << kBig << core::Scheme::P0
        << kBig.with({.N = "599", .K = "999", .a = "0.001", .u0 = "-2"});
    QTest::newRow("the other scheme") << kBig << core::Scheme::Peps << kBig.with(kPepsExtra);
  }
  void oldLinesStayAfterANewRun() {
    QFETCH(Fields, first);
    QFETCH(core::Scheme, scheme);
    QFETCH(Fields, next);
    StabilityWindow w(core::Scheme::P0), second(scheme);
    w.show();
    QVERIFY(click(&w, first).isEmpty());
    const QStringList shown = test::lines(&w, "ListRes");
    QVERIFY(click(&second, next).isEmpty());
    QCOMPARE(test::lines(&w, "ListRes"), shown);
    // And the new run's table reads as a fresh one: its first level is u0.
    const core::StudyState& s = ModGeneral::state();
    const core::Table2& sol = scheme == core::Scheme::P0 ? s.SolP0 : s.SolPeps;
    QCOMPARE(sol(1, 1), core::parseNumber(next.u0.toStdString()).value);
    QCOMPARE(sol(0, 1), 0.0);
  }

  // The list reads the table the run filled: one buffer, held twice. The
  // budget counts what the list holds: a second large run is refused before
  // anything is taken, and the first list is left intact.
  void secondLargeRunRefusedWhileTheFirstListHoldsItsData() {
    StabilityWindow p0(core::Scheme::P0), peps(core::Scheme::Peps);
    p0.show();
    QVERIFY(click(&p0, kBig).isEmpty());
    auto* model = qobject_cast<StabilityListModel*>(p0.resultList()->lineModel());
    const core::Table2& sol = ModGeneral::state().SolP0;
    QVERIFY(model && model->table().row(1) == sol.row(1));
    QCOMPARE(model->bytesHeld(), sol.bytes());
    const double limit = 1.5 * static_cast<double>(sol.bytes());
    core::MemoryBudget::process().setLimit(limit);
    const QStringList shown = test::lines(&p0, "ListRes");
    peps.show();
    const core::StorageCounters before = core::storageCounters();
    const QStringList boxes = click(&peps, kBig.with(kPepsExtra));
    QVERIFY2(boxes.size() == 1 &&
                 boxes[0].startsWith("Mémoire insuffisante : ce calcul demande ") &&
                 boxes[0].contains("liste de la stabilité P0") &&
                 boxes[0].endsWith("Fermez une fenêtre ou réduisez N ou K."),
             qPrintable(boxes.join('|')));
    const core::StorageCounters after = core::storageCounters();
    QVERIFY(after.mappings == before.mappings && after.allocations == before.allocations);
    QVERIFY(test::lines(&peps, "ListRes").isEmpty());
    QVERIFY(core::MemoryBudget::process().inUse() <= limit);
    // The same run in the first window is refused too: its list holds the old table.
    QVERIFY(click(&p0, kBig).value(0).startsWith("Mémoire insuffisante"));
    QCOMPARE(test::lines(&p0, "ListRes"), shown);
  }
};

QTEST_MAIN(TestStabilityListModel)
#include "test_stability_list_model.moc"
