// The result list: lines built from the kept numbers, the plain text mode,
// copying exactly what is shown, and large lists shown at once.
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QtTest>
#include <cmath>

#include "support/window_support.h"
#include "ui/result_list.h"

class TestResultList : public QObject {
  Q_OBJECT

 private slots:
  void linesAreBuiltFromTheKeptNumbers() {
    QWidget w;
    auto* view = new ui::ResultListView(&w);
    view->setObjectName("ListRes");
    auto* model = view->resultModel();
    std::vector<double> values{1, 1, 1, 0.5, 1, 0.5, 0.875, -0.004, 12.5};
    model->setLevels(0.25, 3, 3, values, ".");
    values.assign(values.size(), 99.0);  // the model keeps its own copy
    QCOMPARE(test::lines(&w, "ListRes"), QStringList({"x =    # 0.25 # 0.50 # 0.75",
                                                      "n= 0  # 1.00 # 1.00 # 1.00",
                                                      "n= 1  # 0.50 # 1.00 # 0.50",
                                                      "n= 2  # 0.88 # -0.00 # 12.50"}));
    model->appendLine("E1 = 0,0010000000");  // plain text mode replaces the levels
    QCOMPARE(test::lines(&w, "ListRes"), QStringList{"E1 = 0,0010000000"});
    model->clear();
    QCOMPARE(model->rowCount(), 0);
  }

  // The width is known without building every line; it must never fall short.
  void widestLineBoundsEveryLine() {
    ui::ResultListModel m;
    m.setLevels(0.2, 4, 3, {0.5, 1, 2, 3, 9.995, -99.996, 999999.996, -1e300, 1e-3, -1e11, 0, 7},
                ",");
    qsizetype longest = 0;
    for (int r = 0; r < m.rowCount(); ++r) longest = std::max(longest, m.line(r).size());
    QVERIFY(m.widestLine() >= longest && m.widestLine() <= longest + 6);
  }

  void ctrlCCopiesTheSelectedLinesAsShown() {
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
    // A selection too large for the clipboard is refused and the clipboard kept.
    view.resultModel()->setLevels(0.01, 40, 6000, std::vector<double>(40 * 6000, -1e300), ".");
    view.selectAll();
    QApplication::clipboard()->setText("avant");
    test::BoxCatcher boxes;
    view.copySelection();
    QVERIFY(boxes.last().startsWith("La sélection est trop grande"));
    QCOMPARE(QApplication::clipboard()->text(), QString("avant"));
  }

  void hundredThousandLinesShowAtOnce() {
    const int columns = 100, levels = 100000;
    std::vector<double> v(static_cast<std::size_t>(columns) * levels);
    for (std::size_t k = 0; k < v.size(); ++k) v[k] = std::sin(double(k));
    ui::ResultListView view;
    view.resize(711, 316);
    view.show();
    view.resultModel()->setLevels(1.0 / 101, columns, levels, std::move(v), ",");
    view.scrollToBottom();
    view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->maximum());
    QCoreApplication::processEvents();
    view.grab();
    QCOMPARE(view.model()->rowCount(), levels + 1);
    QVERIFY(view.model()->index(levels, 0).data().toString().startsWith("n= 99999  # "));
    // The numbers are kept once: a line costs no more than its values.
    QCOMPARE(view.resultModel()->bytesHeld(), std::size_t(columns) * levels * sizeof(double));
  }
};

QTEST_MAIN(TestResultList)
#include "test_result_list.moc"
