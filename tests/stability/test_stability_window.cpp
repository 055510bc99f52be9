// The two stability windows: worked lists, labels, refusals, the decimal mark;
// names and tooltips of the controls; the wait cursor. Their list: lines built
// from the run's numbers, read from the table the run filled (shared, never
// copied), unchanged when later runs re-create the tables, and the memory
// budget counting the list's data.
#include <QBuffer>
#include <QCheckBox>
#include <QToolTip>
#include <QtTest>

#include "core/memory_budget.h"
#include "core/numeric.h"
#include "core/table_storage.h"
#include "stability/stability_list_model.h"
#include "stability/stability_window.h"
#include "support/window_checks.h"
#include "support/window_support.h"
#include "ui/controls.h"
#include "ui/export_csv.h"
#include "ui/line_tips.h"
#include "ui/result_list.h"

using test::Fields;

namespace {

const Fields kP0{.N = "3", .T = "1", .K = "16", .a = "0.5", .u0 = "1"};
const Fields kPeps = kP0.with({.v0 = "0", .Epsilon = "0.0625"});
// 600 x 1001 entries: a mapped table.
const Fields kBig{.N = "1000", .T = "1", .K = "598", .a = "0.0000002", .u0 = "1"};
const Fields kPepsExtra{.v0 = "2", .Epsilon = "0.5"};
QStringList click(StabilityWindow* w, const Fields& f) { return test::click(w, "CmdCalculs", f); }
QString msg(const core::Failure& f) { return QString::fromStdString(f.message); }

struct Win {
  explicit Win(core::Scheme s) : window(s), example(s == core::Scheme::P0 ? kP0 : kPeps) {
    w->show();
  }
  // Types the fields, clicks "Lancer les calculs"; returns the messages shown.
  QStringList click(const Fields& f = {}) { return test::click(w, "CmdCalculs", f); }
  QStringList lines() { return test::lines(w, "ListRes"); }
  QStringList labels() {
    QStringList out;
    for (const char* l : {"LblH", "LblTau", "LblLambda", "LblAlpha"}) out << test::labelText(w, l);
    return out;
  }
  QStringList seen() { return lines() + labels(); }
  StabilityWindow window;
  StabilityWindow* w = &window;
  Fields example;
};

}  // namespace

Q_DECLARE_METATYPE(core::Scheme)

class TestStabilityWindow : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    test::freshState();
    core::MemoryBudget::process().setLimit(0);
  }
  void cleanup() { core::MemoryBudget::process().setLimit(0); }

  // Typed with a point, shown with the French comma; Enter in a field runs
  // too, and a new run replaces the list.
  void p0ExampleListsEveryLevel() {
    Win win(core::Scheme::P0);
    QVERIFY(win.click(kP0).isEmpty());
    QCOMPARE(win.labels(), QStringList({"0,25000", "0,06250", "0,50000", ""}));
    const QStringList lines = win.lines();
    QCOMPARE(lines.size(), 18);
    QCOMPARE(lines.mid(0, 3),
             QStringList({"x =    # 0,25 # 0,50 # 0,75", "n= 0  # 1,00 # 1,00 # 1,00",
                          "n= 1  # 0,50 # 1,00 # 0,50"}));
    QVERIFY(lines.last().startsWith("n= 16  # "));
    QVERIFY(test::button(win.w, "Cmdgraphique")->isEnabled());
    test::setText(win.w, "TxtK", "2");
    test::BoxCatcher boxes;  // a box must not block the key click
    QTest::keyClick(test::field(win.w, "TxtK"), Qt::Key_Return);
    QCOMPARE(win.lines().size(), 4);
    QVERIFY(win.click({.a = "0,5"}).isEmpty());  // the comma ends the number: a = 0
    QCOMPARE(test::labelText(win.w, "LblLambda"), QString("0,00000"));
  }

  void pepsilonLevelsWithAndWithoutSource() {
    Win win(core::Scheme::Peps);
    QVERIFY(win.click(kPeps).isEmpty());
    QCOMPARE(win.labels(), QStringList({"0,25000", "0,06250", "0,50000", "1,00000"}));
    const QStringList plain = win.lines();
    QCOMPARE(plain.at(4), QString("n= 3  # 0,50 # 0,88 # 0,50"));
    auto* check = win.w->findChild<QCheckBox*>("CheckF");
    check->setChecked(true);
    QVERIFY(win.click({.FF = "8", .NN = "2"}).isEmpty());
    QCOMPARE(win.lines().at(3), QString("n= 2  # 1,00 # 1,25 # 1,00"));
    check->setChecked(false);  // unticked: no source, FF and NN kept
    QVERIFY(win.click().isEmpty());
    QCOMPARE(win.lines(), plain);
    QCOMPARE(ModGeneral::state().FF.value(), 8.0);
  }

  void refusalsLeaveTheWindowUsable_data() {
    QTest::addColumn<core::Scheme>("scheme");
    QTest::addColumn<Fields>("typed");
    QTest::addColumn<QString>("message");  // empty: any single message
    const auto P0 = core::Scheme::P0, Peps = core::Scheme::Peps;
    QTest::newRow("N = 1") << P0 << Fields{.N = "1"} << msg(core::fail::nTooSmall());
    QTest::newRow("a out of range")
        << P0 << Fields{.a = "1e999"} << msg(core::fail::numberOutOfRange("a"));
    QTest::newRow("tables too large") << P0 << Fields{.N = "1e9"} << QString();
    QTest::newRow("u0 empty") << P0 << Fields{.u0 = ""} << "Saisie incomplète !";
    QTest::newRow("Pepsilon v0 empty") << Peps << Fields{.v0 = ""} << "Saisie incomplète !";
    QTest::newRow("NN = 32767") << Peps << Fields{.NN = "32767"} << msg(core::fail::nnOutOfRange());
    QTest::newRow("busy, before the empty N")
        << P0 << Fields{.N = "", .K = "4"} << msg(core::fail::busy());
  }

  // One message (while another window computes, that one first), the list,
  // labels and stored K as they were, the wait cursor gone before the
  // message; the window runs again.
  void refusalsLeaveTheWindowUsable() {
    QFETCH(core::Scheme, scheme);
    QFETCH(Fields, typed);
    QFETCH(QString, message);
    Win win(scheme);
    QVERIFY(!test::button(win.w, "Cmdgraphique")->isEnabled());  // nothing to draw yet
    if (auto* check = win.w->findChild<QCheckBox*>("CheckF")) check->setChecked(true);
    QVERIFY(win.click(win.example.with({.FF = "1", .NN = "2"})).isEmpty());
    const QStringList seen = win.seen();
    QWidget other;
    const bool busy = message == msg(core::fail::busy());
    if (busy) QVERIFY(ModGeneral::beginComputation(&other));
    test::BoxCatcher boxes;
    test::click(win.w, "CmdCalculs", typed);
    if (busy) ModGeneral::endComputation(&other);
    QCOMPARE(ModGeneral::state().K.value(), 16.0);
    QCOMPARE(boxes.texts.size(), 1);
    if (!message.isEmpty()) QCOMPARE(boxes.last(), message);
    QCOMPARE(win.seen(), seen);
    QVERIFY(!boxes.cursorAtBox && !QApplication::overrideCursor());
    QVERIFY(test::button(win.w, "Cmdgraphique")->isEnabled());
    QVERIFY(win.click(win.example.with({.NN = "2"})).isEmpty());
    QCOMPARE(win.seen(), seen);
  }

  void overflowListsTheFiniteLevelsThenSaysSo() {
    Win win(core::Scheme::P0);
    const QStringList shown = win.click(kP0.with({.K = "1000", .a = "1000"})), lines = win.lines();
    QVERIFY(lines.size() > 2 && lines.size() < 1002);
    QCOMPARE(shown, QStringList{msg(core::fail::overflow(lines.size() - 1))});
    QVERIFY(!lines.last().contains("inf") && !lines.last().contains("nan"));
  }

  void fieldsNamed_data() {
    QTest::addColumn<core::Scheme>("scheme");
    QTest::newRow("P0") << core::Scheme::P0;
    QTest::newRow("Pepsilon") << core::Scheme::Peps;
  }
  // Each field and value named for its quantity (captions: the desktop test's walk).
  void fieldsNamed() {
    QFETCH(core::Scheme, scheme);
    Win win(scheme);
    test::checkFieldsNamed(win.w, "TxtN=N TxtT=T TxtK=K Txta=a Txtu0=u0");
    if (scheme == core::Scheme::Peps)
      test::checkFieldsNamed(win.w, "TxtV0=v0 TxtEpsilon=Epsilon TextFF=f TextNN=n");
    QVERIFY(win.w->findChild<QWidget*>("LblTau")->accessibleDescription().contains("T/K"));
  }

  // A value too wide for its label or field is whole in the tooltip;
  // Lambda's label keeps its note on the stability condition; a list line
  // wider than the list is whole in its tooltip, a short one has none.
  void clippedValuesAndLinesAreWholeInTooltips() {
    Win win(core::Scheme::Peps);
    QVERIFY(win.click(kPeps.with({.N = "2", .K = "200000", .Epsilon = "1000"})).isEmpty());
    auto* alpha = win.w->findChild<ui::ValueLabel*>("LblAlpha");
    QCOMPARE(alpha->text(), QStringLiteral("200000000,00000"));
    QVERIFY(alpha->clipped() && alpha->toolTip() == alpha->text());
    auto* lambda = win.w->findChild<ui::ValueLabel*>("LblLambda");
    QVERIFY(!lambda->clipped() &&
            lambda->toolTip() == StabilityWindow::stabilityConditionText(core::Scheme::Peps));
    QCOMPARE(test::field(win.w, "TxtK")->toolTip(), QStringLiteral("200000"));
    QCOMPARE(test::field(win.w, "TxtN")->toolTip(), QString());

    QVERIFY(win.click(kPeps.with({.N = "200", .K = "2"})).isEmpty());
    ui::ResultListView* list = win.window.resultList();
    const QModelIndex line = list->model()->index(1, 0);
    QVERIFY(ui::LineTips::lineHidden(list, line));
    const QPoint at = list->visualRect(line).center();
    QHelpEvent ask(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(list->viewport(), &ask);
    QCOMPARE(QToolTip::text(), ui::LineTips::tipText(line.data().toString()));
    const QString tip = ui::LineTips::tipText(line.data().toString(), 100);
    QCOMPARE(QString(tip).remove(QLatin1Char('\n')), line.data().toString());
    QVERIFY(win.click(kPeps).isEmpty());
    QVERIFY(!ui::LineTips::lineHidden(list, list->model()->index(1, 0)));
  }

  void waitCursorForLongRunsOnly_data() {
    QTest::addColumn<Fields>("typed");
    QTest::addColumn<bool>("shown");
    QTest::newRow("worked example") << Fields{.N = "3", .K = "16"} << false;
    QTest::newRow("a second of work") << Fields{.N = "999", .K = "100000"} << true;
    QTest::newRow("one point, many levels") << Fields{.N = "1", .K = "4000000"} << true;
    QTest::newRow("refused, too large") << Fields{.N = "1e9", .K = "1e9"} << true;
  }
  void waitCursorForLongRunsOnly() {
    QFETCH(Fields, typed);
    QFETCH(bool, shown);
    QCOMPARE(
        StabilityWindow::showsBusyCursor({.N = typed.N.toStdString(), .K = typed.K.toStdString()}),
        shown);
  }

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
    QVERIFY(click(&w, kP0).isEmpty());
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
    QTest::newRow("small then large") << kP0 << core::Scheme::P0 << kBig;
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

QTEST_MAIN(TestStabilityWindow)
#include "test_stability_window.moc"
