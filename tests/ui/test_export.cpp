// Export of result lists (CSV) and drawings (PNG, SVG, PDF, print): every
// double comes back bit for bit, the layout is the documented one, a failed
// write says so and changes nothing, image files are valid and drawn at
// their own resolution.
#include <sys/resource.h>
#include <QBuffer>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPrinter>
#include <QRegularExpression>
#include <QStringListModel>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QtTest>
#include <bit>
#include <charconv>
#include <clocale>
#include <csignal>
#include <limits>
#include <random>

#include "support/window_support.h"
#include "ui/export_csv.h"
#include "ui/export_image.h"
#include "ui/picture_surface.h"
#include "ui/result_list.h"

namespace {

QByteArray csvOf(const ui::CsvWritable& source) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  return ui::writeCsv(source, buffer) ? buffer.data() : QByteArray();
}

// The levels of `v`, `columns` values each.
ui::LevelsCsv levelsOf(const std::vector<double>& v, std::int64_t columns, double h,
                       double tau = 0) {
  ui::LevelsCsv model;
  model.h = h;
  model.columns = model.stride = columns;
  model.levels = std::int64_t(v.size()) / columns;
  model.first = v.data();
  model.hasTau = tau != 0;
  model.tau = tau;
  return model;
}

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// The bits of the double a field reads as; all ones when it reads as none.
std::uint64_t bitsOf(const QByteArray& field) {
  double v = 0;
  const char* end = field.constData() + field.size();
  const auto r = std::from_chars(field.constData(), end, v);
  return r.ec == std::errc() && r.ptr == end ? bits(v) : ~std::uint64_t{0};
}

// The bytes of the file at `path`, or "none".
QByteArray contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : "none";
}

// A device that takes `room` bytes, then fails as a full disk does.
struct FullDevice : QIODevice {
  explicit FullDevice(qint64 room) : room(room) { open(QIODevice::WriteOnly); }
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char*, qint64 len) override {
    if (room <= 0) return -1;
    len = std::min(len, room);
    room -= len;
    return len;
  }
  qint64 room;
};

// The file dialog answers `name`, with the SVG filter for a .svg name or when `svg` says so.
void answer(const QString& name, bool svg = false) {
  svg = svg || name.endsWith(".svg");
  ui::setSaveFileNameProvider(
      [name, svg](QWidget*, const QString&, const QStringList&, QString* f) {
        if (f && svg) *f = "Image SVG (*.svg)";
        return name;
      });
}

}  // namespace

class TestExport : public QObject {
  Q_OBJECT

 private slots:
  // Under a comma locale, so that a number written through the C library
  // would show a comma.
  void initTestCase() {
    QVERIFY2(std::setlocale(LC_ALL, "fr_FR.UTF-8"), "the fr_FR.UTF-8 locale is missing");
    QCOMPARE(std::localeconv()->decimal_point, std::string_view(","));
  }
  void cleanup() {
    ui::setSaveFileNameProvider({});
    ui::setPrintDialogProvider({});
  }

  // Zeros, subnormals, limits, non-finite values, decimals, then random bit
  // patterns over many levels: blocks formatted apart come back in order.
  void everyDoubleComesBackExactly() {
    using L = std::numeric_limits<double>;
    const double sub = std::bit_cast<double>(0x000FFFFFFFFFFFFFull), inf = L::infinity();
    std::vector<double> values({0.0, -0.0, -L::denorm_min(), sub, L::min(), -L::max(),
                                1 + L::epsilon(), 1 - L::epsilon() / 2, inf, -inf, L::quiet_NaN(),
                                0.1, 1.0 / 3, 0.005, 0});
    std::mt19937_64 gen(20261206);
    while (values.size() < 60000 * 5)
      if (const double v = std::bit_cast<double>(gen()); !std::isnan(v)) values.push_back(v);
    const std::int64_t columns = 5;
    // The header, one row per level, and nothing after the last CRLF.
    const QList<QByteArray> rows = csvOf(levelsOf(values, columns, 0.1, 0.01)).split('\n');
    QCOMPARE(rows.size(), std::ssize(values) / columns + 2);
    QVERIFY(rows.last().isEmpty());
    for (qsizetype n = 1; n + 1 < rows.size(); ++n) {
      const QList<QByteArray> f = rows[n].chopped(1).split(',');
      QCOMPARE(f.size(), columns + 2);
      QCOMPARE(f[0], QByteArray::number(n - 1));
      QCOMPARE(bitsOf(f[1]), bits(double(n - 1) * 0.01));
      for (qsizetype i = 2; i < f.size(); ++i)
        if (bitsOf(f[i]) != bits(values[std::size_t((n - 1) * columns + i - 2)]))
          QFAIL(qPrintable(QString("level %1: %2").arg(n - 1).arg(QString(rows[n]))));
    }
  }

  // The documented layouts: headers, CRLF, numbers in full (the shorter of
  // their two forms), text lines quoted as RFC 4180 says.
  void csvLayout() {
    const std::vector<double> v{1, 1, 1, 0.5, 1, 0.5, 0.5, 0.5, 0.5, 0.25, 0.5, 0.25};
    QCOMPARE(csvOf(levelsOf(v, 3, 0.25, 0.0625)),
             "n,t,x=0.25,x=0.5,x=0.75\r\n0,0,1,1,1\r\n1,0.0625,0.5,1,0.5\r\n"
             "2,0.125,0.5,0.5,0.5\r\n3,0.1875,0.25,0.5,0.25\r\n");
    QCOMPARE(csvOf(levelsOf({-0.0, 1e-300}, 1, 0.5)), "n,x=0.5\r\n0,-0\r\n1,1e-300\r\n");
    ui::ResultListModel errors, texts;
    errors.setCsvColumns({"2^R", "Tau'", "E"});
    errors.appendLine("E1 = 0,0012345679", {1, 0.001, 0.0012345678901234567});
    errors.appendLine("E2 = 0,0000300000", {2, 0.0005, 3.0000000000000004e-05});
    QCOMPARE(csvOf(errors),
             "2^R,Tau',E\r\n1,0.001,0.0012345678901234567\r\n2,5e-04,3.0000000000000004e-05\r\n");
    const QStringList lines{"plain", "a, b", "say \"hi\"", "two\nlines"};
    for (const QString& line : lines) texts.appendLine(line);
    const QByteArray quoted(
        "ligne\r\nplain\r\n\"a, b\"\r\n\"say \"\"hi\"\"\"\r\n\"two\nlines\"\r\n");
    QCOMPARE(csvOf(texts), quoted);
    QStringListModel other(lines);  // any other list model: its lines as text
    QCOMPARE(csvOf(ui::LinesCsv(other)), quoted);
  }

  // A failed write says why and leaves no file, or the earlier one untouched.
  void failedWriteReportsAndKeepsTheFile_data() {
    QTest::addColumn<QString>("where");
    QTest::newRow("folder that does not exist") << "missing/sub/list.csv";
    QTest::newRow("disk full midway (file size limit)") << "big.csv";
  }
  void failedWriteReportsAndKeepsTheFile() {
    QFETCH(QString, where);
    QTemporaryDir dir;
    const QString path = dir.filePath(where);
    const bool full = where == "big.csv";
    if (full) {
      QFile old(path);
      QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old\r\n") == 5);
    }
    const std::vector<double> values(full ? 60000 : 3, 1.0 / 3);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    if (full) {
      std::signal(SIGXFSZ, SIG_IGN);
      rlimit small = saved;
      small.rlim_cur = 64 * 1024;
      setrlimit(RLIMIT_FSIZE, &small);
    }
    test::BoxCatcher boxes;
    answer(path);
    ui::saveCsvAs(nullptr, levelsOf(values, 3, 0.25));
    setrlimit(RLIMIT_FSIZE, &saved);
    QCOMPARE(boxes.texts.size(), 1);
    QVERIFY2(boxes.last().startsWith(QString("Le fichier « %1 » n'a pas pu être enregistré : ")
                                         .arg(QDir::toNativeSeparators(path))) &&
                 boxes.last().endsWith("La liste reste affichée telle quelle."),
             qPrintable(boxes.last()));
    QCOMPARE(boxes.titles.last(), QString("Orvalend"));
    QCOMPARE(contents(path), full ? "old\r\n" : "none");
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
             full ? QStringList{"big.csv"} : QStringList{});
  }

  void aFullDeviceStopsTheWrite_data() {
    QTest::addColumn<qint64>("room");
    QTest::newRow("full in the first block") << qint64(100);
    QTest::newRow("full in a later block") << qint64(1'500'000);
  }
  void aFullDeviceStopsTheWrite() {
    QFETCH(qint64, room);
    const std::vector<double> values(400000, 0.1);
    FullDevice device(room);
    QVERIFY(!ui::writeCsv(levelsOf(values, 4, 0.1), device));
  }

  // The list's context menu offers the export next to the copy.
  void contextMenuSavesTheList() {
    QTemporaryDir dir;
    ui::ResultListView view;
    view.show();
    view.resultModel()->setCsvColumns({"i", "q"});
    view.resultModel()->appendLine("q1 = 1,5000", {1, 1.5});
    view.resultModel()->appendLine("q2 = 2,5000", {2, 2.5});
    answer(dir.filePath("liste"));  // the extension is added
    QStringList items;
    QTimer::singleShot(0, [&items] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (!menu) return;
      for (QAction* a : menu->actions()) items << a->text();
      QAction* save = menu->findChild<QAction*>("actionEnregistrerSous");
      menu->close();
      if (save) save->trigger();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, {10, 10}, view.mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(view.viewport(), &event);
    QCOMPARE(items, QStringList({"Copier", "Tout sélectionner", "Enregistrer sous…"}));
    QCOMPARE(contents(dir.filePath("liste.csv")), "i,q\r\n1,1.5\r\n2,2.5\r\n");
  }

  void drawingsSaveAsValidFiles_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("PNG at four times the screen") << "graph.png";
    QTest::newRow("SVG chosen by filter, no extension") << "graph";
    QTest::newRow("PDF") << "graph.pdf";
    QTest::newRow("printed to a PDF printer") << "print";
    QTest::newRow("into a folder that does not exist") << "nowhere/graph.png";
  }
  void drawingsSaveAsValidFiles() {
    QFETCH(QString, name);
    QTemporaryDir dir;
    ui::PictureSurface surface(nullptr, 2);
    surface.resize(304, 204);  // drawing area 300 × 200
    surface.setBackground(Qt::white);
    ui::enableImageExport(&surface);
    surface.setScaleWidth(3.0);
    surface.setScaleHeight(2.0);
    surface.drawLine(0.0, 1.0, 3.0, 1.0, QColor(0, 0, 255));  // pixel row 100
    surface.setTextPos(0.1, 0.1);
    surface.print("n = 3");
    auto* bar = new QWidget(&surface);  // a red child that belongs to the drawing
    bar->setAutoFillBackground(true);
    bar->setPalette(QPalette(Qt::red));
    bar->setGeometry(2 + 50, 2 + 150, 100, 2);

    const bool print = name == "print";
    QString file = dir.filePath(print ? "printed.pdf" : name);
    QAction* action = surface.findChild<QAction*>(print ? "actImprimer" : "actEnregistrerImage");
    QVERIFY(action && surface.actions().contains(action));
    answer(file, name == "graph");
    if (name == "graph") file += ".svg";  // added for the chosen filter
    ui::setPrintDialogProvider([file](QWidget*, QPrinter& printer) {
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(file);
      return true;
    });
    test::BoxCatcher boxes;
    const QImage before = surface.image();
    action->trigger();
    if (name.startsWith("nowhere")) {  // said so, the drawing as it was
      QVERIFY2(boxes.texts.size() == 1 && boxes.last().contains("n'a pas pu être enregistrée") &&
                   boxes.last().endsWith("Le dessin reste affiché tel quel."),
               qPrintable(boxes.texts.join('|')));
      QCOMPARE(surface.image(), before);
      return;
    }
    QVERIFY2(boxes.texts.isEmpty(), qPrintable(boxes.last()));

    const QByteArray bytes = contents(file);
    if (file.endsWith(".png")) {
      QImage image;
      QVERIFY(image.loadFromData(bytes, "PNG"));
      QCOMPARE(image.size(), QSize(300, 200) * ui::kPngScale);
      // Drawn again at four times: the line is about four pixels thick, blue; the bar red.
      const QColor onLine = image.pixelColor(600, 100 * 4 + 2), onBar = image.pixelColor(400, 604);
      QVERIFY(onLine.blue() > 200 && onLine.red() < 100);
      QVERIFY(onBar.red() > 200 && onBar.blue() < 60);
    } else if (file.endsWith(".svg")) {
      QVERIFY(bytes.contains("n = 3"));  // text stays text
      QVERIFY(QSvgRenderer(bytes).isValid());
    } else {
      QVERIFY(bytes.startsWith("%PDF-") && bytes.trimmed().endsWith("%%EOF"));
      // One page the size of the drawing, a logical pixel being 3/4 point.
      const QRegularExpressionMatch box =
          QRegularExpression(R"(/MediaBox \[0 0 ([\d.]+) ([\d.]+)\])")
              .match(QString::fromLatin1(bytes));
      QVERIFY2(box.hasMatch(), "no page size");
      if (!print)
        QCOMPARE(QPoint(qRound(box.captured(1).toDouble()), qRound(box.captured(2).toDouble())),
                 QPoint(225, 150));
    }
  }
};

QTEST_MAIN(TestExport)
#include "test_export.moc"
