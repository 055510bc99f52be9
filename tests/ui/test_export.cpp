// Export of result lists (CSV) and drawings (PNG, SVG, PDF, print): every
// double comes back bit for bit, the layout is the documented one, a failed
// write says so and changes nothing, image files are valid and drawn at
// their own resolution.
#include <sys/resource.h>
#include <QBuffer>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QStringListModel>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QtTest>
#include <bit>
#include <charconv>
#include <clocale>
#include <cmath>
#include <csignal>
#include <limits>
#include <random>
#include <string_view>

#include "support/window_support.h"
#include "ui/export_csv.h"
#include "ui/export_image.h"
#include "ui/picture_surface.h"
#include "ui/result_list.h"

Q_DECLARE_METATYPE(std::vector<double>)

namespace {

QByteArray csvOf(const ui::CsvWritable& source) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  if (!ui::writeCsv(source, buffer)) return {};
  return buffer.data();
}

// Rows split at CRLF, fields at commas (the numeric rows hold no quotes).
QList<QList<QByteArray>> table(const QByteArray& csv) {
  QList<QList<QByteArray>> rows;
  QList<QByteArray> lines = csv.split('\n');
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  for (QByteArray line : lines) {
    if (line.endsWith('\r')) line.chop(1);
    rows << line.split(',');
  }
  return rows;
}

double parse(const QByteArray& field) {
  double v = 0;
  const auto r = std::from_chars(field.constData(), field.constData() + field.size(), v);
  return r.ec == std::errc() && r.ptr == field.constData() + field.size()
             ? v
             : std::numeric_limits<double>::quiet_NaN();
}

// `levels` levels of `columns` values each, row after row from `first`.
ui::LevelsCsv levelsOf(const double* first, std::int64_t columns, std::int64_t levels, double h,
                       double tau = 0) {
  ui::LevelsCsv model;
  model.h = h;
  model.columns = columns;
  model.levels = levels;
  model.first = first;
  model.stride = columns;
  model.hasTau = tau != 0;
  model.tau = tau;
  return model;
}

bool sameBits(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// A device that accepts `room` bytes, then fails as a full disk does.
class FullDevice : public QIODevice {
 public:
  explicit FullDevice(qint64 room) : room_(room) { open(QIODevice::WriteOnly); }

 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char*, qint64 len) override {
    if (room_ <= 0) return -1;
    const qint64 n = std::min(len, room_);
    room_ -= n;
    return n;
  }

 private:
  qint64 room_;
};

struct SaveAnswer {
  // The SVG filter is chosen for a .svg name or when `svg` says so.
  explicit SaveAnswer(QString name, bool svg = false) {
    svg = svg || name.endsWith(".svg");
    ui::setSaveFileNameProvider(
        [name, svg](QWidget*, const QString&, const QStringList&, QString* f) {
          if (f && svg) *f = "Image SVG (*.svg)";
          return name;
        });
  }
  ~SaveAnswer() { ui::setSaveFileNameProvider({}); }
};

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

  // ------------------------------------------------------------------ CSV

  void everyDoubleComesBackExactly_data() {
    QTest::addColumn<std::vector<double>>("values");
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("zeros, subnormals, limits, non-finite, decimals") << std::vector<double>{
        0.0, -0.0, -std::numeric_limits<double>::denorm_min(),
        std::bit_cast<double>(std::uint64_t{0x000FFFFFFFFFFFFF}),
        std::numeric_limits<double>::min(), -std::numeric_limits<double>::max(),
        std::nextafter(1.0, 2.0), std::nextafter(1.0, 0.0), inf, -inf,
        std::numeric_limits<double>::quiet_NaN(), 0.1, 1.0 / 3, 0.005};
    // Many levels: several blocks formatted apart must come back in order.
    std::mt19937_64 gen(20261206);
    std::vector<double> random;
    while (random.size() < 60000 * 5) {
      const double v = std::bit_cast<double>(gen());
      if (!std::isnan(v)) random.push_back(v);
    }
    QTest::newRow("random bit patterns, many blocks") << random;
  }

  void everyDoubleComesBackExactly() {
    QFETCH(std::vector<double>, values);
    const std::int64_t columns = values.size() > 100 ? 5 : static_cast<std::int64_t>(values.size());
    const std::int64_t levels = static_cast<std::int64_t>(values.size()) / columns;
    const auto rows = table(csvOf(levelsOf(values.data(), columns, levels, 0.1, 0.01)));
    QCOMPARE(rows.size(), levels + 1);
    for (std::int64_t n = 0; n < levels; ++n) {
      const auto& row = rows[n + 1];
      QCOMPARE(row.size(), columns + 2);
      QCOMPARE(row[0], QByteArray::number(n));
      QVERIFY(sameBits(parse(row[1]), double(n) * 0.01));
      for (std::int64_t i = 0; i < columns; ++i) {
        const double expected = values[std::size_t(n * columns + i)];
        if (!sameBits(parse(row[i + 2]), expected))
          QFAIL(
              qPrintable(QString("level %1 column %2: %3").arg(n).arg(i).arg(QString(row[i + 2]))));
      }
    }
  }

  void csvLayout_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray levels(
        "n,t,x=0.25,x=0.5,x=0.75\r\n0,0,1,1,1\r\n1,0.0625,0.5,1,0.5\r\n"
        "2,0.125,0.5,0.5,0.5\r\n3,0.1875,0.25,0.5,0.25\r\n");
    // The error list's numbers in full, each in the shorter of its two forms.
    const QByteArray errors(
        "2^R,Tau',E\r\n1,0.001,0.0012345678901234567\r\n2,5e-04,3.0000000000000004e-05\r\n");
    const QByteArray quoted(
        "ligne\r\nplain\r\n\"a, b\"\r\n\"say \"\"hi\"\"\"\r\n\"two\nlines\"\r\n");
    QTest::newRow("stability levels: n, t, one column per x") << 0 << levels;
    QTest::newRow("levels without a time step")
        << 1 << QByteArray("n,x=0.5\r\n0,-0\r\n1,1e-300\r\n");
    QTest::newRow("error list: named columns, numbers in full") << 2 << errors;
    QTest::newRow("text list: one quoted field per line (RFC 4180)") << 3 << quoted;
    QTest::newRow("any other list model: its lines as text") << 4 << quoted;
  }

  void csvLayout() {
    QFETCH(int, kind);
    QFETCH(QByteArray, expected);
    ui::ResultListModel model;
    const std::vector<double> v0{1, 1, 1, 0.5, 1, 0.5, 0.5, 0.5, 0.5, 0.25, 0.5, 0.25};
    const std::vector<double> v1{-0.0, 1e-300};
    switch (kind) {
      case 0:
        QCOMPARE(csvOf(levelsOf(v0.data(), 3, 4, 0.25, 0.0625)), expected);
        return;
      case 1:
        QCOMPARE(csvOf(levelsOf(v1.data(), 1, 2, 0.5)), expected);
        return;
      case 2:
        model.setCsvColumns({"2^R", "Tau'", "E"});
        model.appendLine("E1 = 0,0012345679", {1, 0.001, 0.0012345678901234567});
        model.appendLine("E2 = 0,0000300000", {2, 0.0005, 3.0000000000000004e-05});
        break;
      case 3:
        for (const char* l : {"plain", "a, b", "say \"hi\"", "two\nlines"}) model.appendLine(l);
        break;
      default: {
        QStringListModel other({"plain", "a, b", "say \"hi\"", "two\nlines"});
        QCOMPARE(csvOf(ui::LinesCsv(other)), expected);
        return;
      }
    }
    QCOMPARE(csvOf(model), expected);
  }

  // ----------------------------------------------------------- failures

  void failedWriteReportsAndKeepsTheList_data() {
    QTest::addColumn<QString>("where");
    QTest::newRow("folder that does not exist") << "missing/sub/list.csv";
    QTest::newRow("disk full midway (file size limit)") << "big.csv";
  }

  void failedWriteReportsAndKeepsTheList() {
    QFETCH(QString, where);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("folder.csv"));
    const QString path = dir.filePath(where);
    // An earlier file of that name must survive a failed write untouched.
    const bool limited = where == "big.csv";
    if (limited) {
      QFile old(path);
      QVERIFY(old.open(QIODevice::WriteOnly));
      old.write("old contents\r\n");
    }
    ui::ResultListView view;
    view.setObjectName("ListRes");
    const int count = limited ? 4000 : 3;
    view.resultModel()->setCsvColumns({"k", "Epsilon/k", "E(k)"});
    for (int k = 1; k <= count; ++k)
      view.resultModel()->appendLine(QString("E(k = %1) = 0,0123456789").arg(k),
                                     {double(k), 1.0 / 3 / k, 0.0123456789 / k});
    const QStringList before = test::lines(&view, "ListRes");

    rlimit saved{};
    if (limited) {
      std::signal(SIGXFSZ, SIG_IGN);
      getrlimit(RLIMIT_FSIZE, &saved);
      rlimit small = saved;
      small.rlim_cur = 64 * 1024;
      setrlimit(RLIMIT_FSIZE, &small);
    }
    test::BoxCatcher boxes;
    {
      SaveAnswer answer(path);
      ui::saveCsvAs(&view, *view.resultModel());
    }
    if (limited) setrlimit(RLIMIT_FSIZE, &saved);

    QCOMPARE(boxes.texts.size(), 1);
    QVERIFY2(boxes.last().startsWith(QString("Le fichier « %1 » n'a pas pu être enregistré : ")
                                         .arg(QDir::toNativeSeparators(path))),
             qPrintable(boxes.last()));
    QVERIFY(boxes.last().endsWith("La liste reste affichée telle quelle."));
    QCOMPARE(boxes.titles.last(), QString("Orvalend"));
    QCOMPARE(test::lines(&view, "ListRes"), before);
    if (limited) {
      QFile old(path);
      QVERIFY(old.open(QIODevice::ReadOnly));
      QCOMPARE(old.readAll(), QByteArray("old contents\r\n"));
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
             limited ? QStringList{"big.csv"} : QStringList{});
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
    QVERIFY(!ui::writeCsv(levelsOf(values.data(), 4, 100000, 0.1), device));
  }

  // The list's context menu offers the export next to the copy.
  void contextMenuSavesTheList() {
    QTemporaryDir dir;
    ui::ResultListView view;
    view.resize(300, 200);
    view.show();
    view.resultModel()->setCsvColumns({"i", "q"});
    view.resultModel()->appendLine("q1 = 1,5000", {1, 1.5});
    view.resultModel()->appendLine("q2 = 2,5000", {2, 2.5});
    SaveAnswer answer(dir.filePath("liste"));  // the extension is added
    QStringList items;
    QTimer::singleShot(0, [&items] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (!menu) return;
      for (QAction* a : menu->actions()) items << a->text();
      QAction* save = menu->findChild<QAction*>("actionEnregistrerSous");
      menu->close();
      if (save) save->trigger();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10),
                            view.mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(view.viewport(), &event);
    QCOMPARE(items, QStringList({"Copier", "Tout sélectionner", "Enregistrer sous…"}));
    QFile file(dir.filePath("liste.csv"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("i,q\r\n1,1.5\r\n2,2.5\r\n"));
  }

  // --------------------------------------------------------------- images

  void drawingsSaveAsValidFiles_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("PNG at four times the screen") << "graph.png";
    QTest::newRow("SVG chosen by filter, no extension") << "graph";
    QTest::newRow("PDF") << "graph.pdf";
    QTest::newRow("printed to a PDF printer") << "print";
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
    surface.setForeColor(Qt::red);
    surface.setTextPos(0.1, 0.1);
    surface.print("n = 3");
    auto* bar = new QWidget(&surface);  // a child that belongs to the drawing
    bar->setAutoFillBackground(true);
    QPalette p = bar->palette();
    p.setColor(QPalette::Window, Qt::red);
    bar->setPalette(p);
    bar->setGeometry(2 + 50, 2 + 150, 100, 2);

    const bool print = name == "print";
    QString file = dir.filePath(name == "graph" ? "graph" : print ? "printed.pdf" : name);
    QAction* action = surface.findChild<QAction*>(print ? "actImprimer" : "actEnregistrerImage");
    QVERIFY(action);
    QVERIFY(surface.actions().contains(action));
    SaveAnswer answer(file, name == "graph");
    if (name == "graph") file += ".svg";  // added for the chosen filter
    ui::setPrintDialogProvider([file](QWidget*, QPrinter& printer) {
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(file);
      return true;
    });
    test::BoxCatcher boxes;
    action->trigger();
    ui::setPrintDialogProvider({});
    QVERIFY2(boxes.texts.isEmpty(), qPrintable(boxes.last()));

    QFile f(file);
    QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(file));
    const QByteArray bytes = f.readAll();
    if (file.endsWith(".png")) {
      QImage image;
      QVERIFY(image.loadFromData(bytes, "PNG"));
      QCOMPARE(image.size(), QSize(300, 200) * ui::kPngScale);
      // Drawn again at four times: the line is about four pixels thick, blue.
      const QColor onLine = image.pixelColor(600, 100 * 4 + 2);
      QVERIFY(onLine.blue() > 200 && onLine.red() < 100);
      QVERIFY(image.pixelColor(4 * 100, 4 * 150 + 4).red() > 200);  // the child bar
      QVERIFY(image.pixelColor(4 * 100, 4 * 150 + 4).blue() < 60);
    } else if (file.endsWith(".svg")) {
      QVERIFY(bytes.contains("<svg"));
      QVERIFY(bytes.contains("n = 3"));  // text stays text
      QSvgRenderer renderer(bytes);
      QVERIFY(renderer.isValid());
    } else {
      QVERIFY(bytes.startsWith("%PDF-"));
      QVERIFY(bytes.trimmed().endsWith("%%EOF"));
      // One page the size of the drawing, a logical pixel being 3/4 point.
      const QRegularExpressionMatch box =
          QRegularExpression(R"(/MediaBox \[0 0 ([\d.]+) ([\d.]+)\])").match(QString::fromLatin1(bytes));
      QVERIFY2(box.hasMatch(), "no page size");
      if (!print) {
        QCOMPARE(qRound(box.captured(1).toDouble()), 225);
        QCOMPARE(qRound(box.captured(2).toDouble()), 150);
      }
    }
  }

  void aFailedImageWriteReports() {
    QTemporaryDir dir;
    ui::PictureSurface surface;
    surface.resize(100, 100);
    ui::enableImageExport(&surface);
    surface.drawLine(0, 0, 50, 50, Qt::blue);
    SaveAnswer answer(dir.filePath("nowhere/graph.png"));
    test::BoxCatcher boxes;
    const QImage before = surface.image();
    surface.findChild<QAction*>("actEnregistrerImage")->trigger();
    QCOMPARE(boxes.texts.size(), 1);
    QVERIFY(boxes.last().contains("n'a pas pu être enregistrée"));
    QVERIFY(boxes.last().endsWith("Le dessin reste affiché tel quel."));
    QCOMPARE(surface.image(), before);
  }
};

QTEST_MAIN(TestExport)
#include "test_export.moc"
