// The generic result list: plain text lines, another line model shown in
// the view, copying exactly what is shown, a selection too large to copy.
#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QtTest>

#include "support/window_support.h"
#include "ui/result_list.h"

namespace {

// Lines "line <row>" padded to `width` characters, none of them stored.
class GeneratedLines : public ui::LineListModel {
 public:
  GeneratedLines(int rows, int width, QObject* parent = nullptr)
      : ui::LineListModel(parent), rows_(rows), width_(width) {}
  int rowCount(const QModelIndex& parent = QModelIndex()) const override {
    return parent.isValid() ? 0 : rows_;
  }
  QString line(int row) const override {
    return QStringLiteral("line %1").arg(row).leftJustified(width_, QLatin1Char('.'));
  }
  qsizetype widestLine() const override { return width_; }
  std::size_t bytesHeld() const override { return 0; }

 private:
  int rows_, width_;
};

}  // namespace

class TestResultList : public QObject {
  Q_OBJECT

 private slots:
  void textLinesThenAnotherModel() {
    QWidget w;
    auto* view = new ui::ResultListView(&w);
    view->setObjectName("ListRes");
    auto* model = view->resultModel();
    model->appendLine("E1 = 0,0010000000");
    model->appendLine("E2 = 0,0002500000 and more");
    QCOMPARE(test::lines(&w, "ListRes"),
             QStringList({"E1 = 0,0010000000", "E2 = 0,0002500000 and more"}));
    QCOMPARE(model->widestLine(), qsizetype(26));
    model->clear();
    QCOMPARE(model->rowCount(), 0);
    QCOMPARE(model->widestLine(), qsizetype(0));
    // Another model can be shown; when it goes, the plain lines come back.
    model->appendLine("texte");
    auto* generated = new GeneratedLines(3, 8, view);
    view->setLineModel(generated);
    QCOMPARE(test::lines(&w, "ListRes"), QStringList({"line 0..", "line 1..", "line 2.."}));
    delete generated;
    QCOMPARE(view->lineModel(), view->resultModel());
    QCOMPARE(test::lines(&w, "ListRes"), QStringList{"texte"});
  }

  // A long list is laid out as a grid of one line size: every line at its
  // place down to the last, and the width follows the widest line as lines
  // are appended.
  void longListsLaidOutLineByLine() {
    ui::ResultListView view;
    view.resize(300, 200);
    view.show();
    auto* many = new GeneratedLines(200000, 30, &view);
    view.setLineModel(many);
    view.scrollToBottom();
    QCoreApplication::processEvents();
    const int lineHeight = view.visualRect(many->index(0, 0)).height();
    QVERIFY(lineHeight > 0);
    const QRect last = view.visualRect(many->index(199999, 0));
    QVERIFY(view.viewport()->rect().contains(last));
    QCOMPARE(view.visualRect(many->index(199998, 0)).top() + lineHeight, last.top());
    QCOMPARE(view.indexAt(last.center()).row(), 199999);
    // Scrolling by pixels still steps a whole line at a time.
    QCOMPARE(view.verticalScrollBar()->singleStep(), lineHeight);

    view.setLineModel(nullptr);
    view.resultModel()->appendLine("court");
    QCoreApplication::processEvents();
    const int narrow = view.horizontalScrollBar()->maximum();
    view.resultModel()->appendLine(QString(400, QLatin1Char('x')));
    QCoreApplication::processEvents();
    QVERIFY2(view.horizontalScrollBar()->maximum() > narrow + 300,
             qPrintable(QString::number(view.horizontalScrollBar()->maximum())));
  }

  void ctrlCCopiesTheSelectedLinesAsShown() {
    ui::ResultListView view;
    for (const char* l : {"E1 = 1", "E2 = 2", "E4 = 3", "E8 = 4", "E16 = 5"})
      view.resultModel()->appendLine(l);
    view.show();
    auto* sel = view.selectionModel();
    sel->select(view.model()->index(4, 0), QItemSelectionModel::Select);
    sel->select(QItemSelection(view.model()->index(0, 0), view.model()->index(1, 0)),
                QItemSelectionModel::Select);
    QApplication::clipboard()->clear();
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QString("E1 = 1\nE2 = 2\nE16 = 5"));
    // A selection too large for the clipboard is refused and the clipboard kept.
    auto* big = new GeneratedLines(6000, 12000, &view);
    view.setLineModel(big);
    view.selectAll();
    QApplication::clipboard()->setText("avant");
    test::BoxCatcher boxes;
    view.copySelection();
    QVERIFY(boxes.last().startsWith("La sélection est trop grande"));
    QCOMPARE(QApplication::clipboard()->text(), QString("avant"));
  }
};

QTEST_MAIN(TestResultList)
#include "test_result_list.moc"
