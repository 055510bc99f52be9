// The result list: lines built from the kept numbers, the plain text mode,
// copying exactly what is shown, and lists of any size shown at once.
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>
#include <cmath>
#include <random>

#include "core/studies.h"
#include "ui/result_list.h"

namespace {

QStringList linesOf(const ui::ResultListView& view) {
  QStringList out;
  for (int r = 0; r < view.model()->rowCount(); ++r) {
    out << view.model()->index(r, 0).data(Qt::DisplayRole).toString();
  }
  return out;
}

// The length of the longest line as really built.
qsizetype longestLine(const ui::ResultListModel& m) {
  qsizetype longest = 0;
  for (int r = 0; r < m.rowCount(); ++r) longest = std::max(longest, m.line(r).size());
  return longest;
}

}  // namespace

class TestResultList : public QObject {
  Q_OBJECT

 private slots:
  void levelsAreFormattedFromTheKeptNumbers() {
    ui::ResultListView view;
    std::vector<double> values{1, 1, 1, 0.5, 1, 0.5, 0.875, -0.004, 12.5};
    const std::vector<double> original = values;
    view.resultModel()->setLevels(0.25, 3, 3, values, ".");
    values.assign(values.size(), 99.0);  // the model owns its copy
    QCOMPARE(linesOf(view), QStringList({"x =    # 0.25 # 0.50 # 0.75",
                                         "n= 0  # 1.00 # 1.00 # 1.00",
                                         "n= 1  # 0.50 # 1.00 # 0.50",
                                         "n= 2  # 0.88 # -0.00 # 12.50"}));
    QCOMPARE(view.resultModel()->line(3),
             QString::fromStdString(core::stabilityLevelLine(2, original.data() + 6, 3, ".")));
    view.resultModel()->setLevels(0.25, 3, 1, {1, 0.5, 1}, ",");
    QCOMPARE(linesOf(view), QStringList({"x =    # 0,25 # 0,50 # 0,75", "n= 0  # 1,00 # 0,50 # 1,00"}));
    QCOMPARE(view.resultModel()->bytesHeld(), 3 * sizeof(double));
  }

  void plainTextModeAppendsAndClears() {
    ui::ResultListView view;
    view.resultModel()->setLevels(0.5, 1, 1, {3.0}, ".");
    view.resultModel()->appendLine("E1 = 0,0010000000");  // leaves the levels mode
    view.resultModel()->appendLine("E2 = 0,0002500000");
    QCOMPARE(linesOf(view), QStringList({"E1 = 0,0010000000", "E2 = 0,0002500000"}));
    view.resultModel()->clear();
    QCOMPARE(view.model()->rowCount(), 0);
    view.resultModel()->appendLine("q1 = indéfini");
    QCOMPARE(linesOf(view), QStringList{"q1 = indéfini"});
  }

  void widestLineBoundsEveryLine() {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> mag(-3, 12);
    for (int trial = 0; trial < 20; ++trial) {
      const int columns = 1 + trial, levels = 50;
      std::vector<double> v(static_cast<std::size_t>(columns * levels));
      for (double& x : v) x = (rng() % 2 ? -1 : 1) * std::pow(10.0, mag(rng));
      v[0] = 9.995;  // rounds up to a longer text
      v[1 % v.size()] = -99.996;
      v[2 % v.size()] = 999999.996;
      v[3 % v.size()] = -1e300;
      ui::ResultListModel m;
      m.setLevels(1.0 / (columns + 1), columns, levels, v, ",");
      const qsizetype longest = longestLine(m);
      QVERIFY(m.widestLine() >= longest);
      QVERIFY(m.widestLine() <= longest + 6);
    }
  }

  void copiesTheSelectedLinesAsShown() {
    ui::ResultListView view;
    view.resultModel()->setLevels(0.25, 3, 4, {1, 1, 1, 0.5, 1, 0.5, 0.5, 0.5, 0.5, 0.25, 0.5, 0.25},
                                  ",");
    view.show();
    auto* sel = view.selectionModel();
    sel->select(view.model()->index(4, 0), QItemSelectionModel::Select);
    sel->select(QItemSelection(view.model()->index(0, 0), view.model()->index(1, 0)),
                QItemSelectionModel::Select);
    QApplication::clipboard()->clear();
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(),
             QString("x =    # 0,25 # 0,50 # 0,75\nn= 0  # 1,00 # 1,00 # 1,00\n"
                     "n= 3  # 0,25 # 0,50 # 0,25"));

    // The same through the context menu's "Copier".
    sel->clearSelection();
    sel->select(view.model()->index(2, 0), QItemSelectionModel::Select);
    QApplication::clipboard()->clear();
    QStringList captions;
    QTimer::singleShot(50, [&captions] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (!menu) return;
      for (QAction* a : menu->actions()) captions << a->text();
      menu->findChild<QAction*>("actionCopier")->trigger();
      menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10), view.mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(view.viewport(), &event);
    QCOMPARE(captions, QStringList({"Copier", "Tout sélectionner"}));
    QCOMPARE(QApplication::clipboard()->text(), QString("n= 1  # 0,50 # 1,00 # 0,50"));
  }

  void tooLargeACopyIsRefused() {
    ui::ResultListView view;
    const int columns = 40, levels = 6000;  // about 12 000 characters a line
    view.resultModel()->setLevels(0.01, columns, levels,
                                  std::vector<double>(columns * levels, -1e300), ".");
    view.selectAll();
    QApplication::clipboard()->setText("avant");
    QString shown;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&shown] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        shown = box->text();
        box->done(0);
      }
    });
    poll.start(5);
    view.copySelection();
    poll.stop();
    QVERIFY(shown.startsWith("La sélection est trop grande"));
    QCOMPARE(QApplication::clipboard()->text(), QString("avant"));
  }

  void longerAppendedLineWidensTheList() {
    ui::ResultListView view;
    view.resize(200, 100);
    view.show();
    view.resultModel()->appendLine("court");
    QCoreApplication::processEvents();
    const int before = view.horizontalScrollBar()->maximum();
    view.resultModel()->appendLine(QString(400, QLatin1Char('8')));
    QTRY_VERIFY(view.horizontalScrollBar()->maximum() > before + 1000);
  }

  void hundredThousandLinesShowAtOnce() {
    const int columns = 100, levels = 100000;
    std::vector<double> v(static_cast<std::size_t>(columns) * levels);
    for (std::size_t k = 0; k < v.size(); ++k) v[k] = std::sin(double(k));
    ui::ResultListView view;
    view.resize(711, 316);
    view.show();
    QElapsedTimer clock;
    clock.start();
    view.resultModel()->setLevels(1.0 / 101, columns, levels, std::move(v), ",");
    QCoreApplication::processEvents();
    view.grab();  // paints the first lines
    view.scrollToBottom();
    QCoreApplication::processEvents();
    view.grab();
    const qint64 ms = clock.elapsed();
    qInfo("100000 lines of 100 values shown in %lld ms", ms);
    QVERIFY(ms < 2000);
    QCOMPARE(view.model()->rowCount(), levels + 1);
    // The last line is on screen.
    const QRect last = view.visualRect(view.model()->index(levels, 0));
    QVERIFY(last.top() >= 0 && last.bottom() < view.viewport()->height());
    QVERIFY(view.model()->index(levels, 0).data().toString().startsWith("n= 99999  # "));
    // The numbers are kept once: a line costs no more than its values.
    QCOMPARE(view.resultModel()->bytesHeld(), std::size_t(columns) * levels * sizeof(double));
    // Scrolled to the far right, the end of the line is drawn.
    view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->maximum());
    view.grab();
  }
};

QTEST_MAIN(TestResultList)
#include "test_result_list.moc"
