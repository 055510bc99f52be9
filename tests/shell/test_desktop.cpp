// The program as a student uses it: Form1 and its menu, one instance per window kind, fresh
// windows after a close, "Quitter" during a long run, the About window's orbits; every window
// at each screen scale, on a dark desktop palette, and from the keyboard alone; every
// drawing's context menu.
#include <QClipboard>
#include <QFileInfo>
#include <QMenuBar>
#include <QProcess>
#include <QSlider>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QtTest>
#include <algorithm>
#include <bit>

#include "about/about_background.h"
#include "about/about_window.h"
#include "app/windows.h"
#include "caption_fit.h"
#include "dark_palette.h"
#include "shell/problem_picture.h"
#include "support/at_scale.h"
#include "support/window_support.h"
#include "ui/colours.h"
#include "ui/controls.h"
#include "ui/export_csv.h"
#include "ui/picture_surface.h"
#include "ui/typeface.h"

namespace {

QAction* item(QWidget* form1, const char* name) { return form1->findChild<QAction*>(name); }

void flushDeletes() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

// Child process: "Quitter" comes while a long run pumps events and a study
// window is open; the run ends only once asked to stop.
int quitDuringRun(QApplication& app) {
  QWidget* form1 = ModGeneral::showWindow(WindowKind::Form1);
  ModGeneral::showWindow(WindowKind::frmstabp0);
  QTimer::singleShot(0, [form1] {
    QTimer::singleShot(200, form1, [form1] { item(form1, "mnuquitter")->trigger(); });
    while (!ModGeneral::state().StopRequested)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  });
  return app.exec();
}

// Both schemes computed, a level drawn, then every window opened: every control enabled.
QList<QWidget*> openEveryWindow() {
  for (WindowKind study : {WindowKind::frmstabp0, WindowKind::frmstabpeps})
    test::click(
        ModGeneral::showWindow(study), "CmdCalculs",
        {.N = "5", .T = "1", .K = "10", .a = "0.1", .u0 = "1", .v0 = "0", .Epsilon = "0.1"});
  QList<QWidget*> all;
  for (int k = 0; k < int(WindowKind::Count); ++k) all << ModGeneral::showWindow(WindowKind(k));
  test::button(ModGeneral::window(WindowKind::FrmStabp0G), "CmdTracage")->click();
  return all;
}

// What lies behind `w`: the first of it and its parents that paints its own background.
QColor behind(const QWidget* w) {
  for (; w; w = w->parentWidget())
    if (w->autoFillBackground() || w->isWindow()) return w->palette().color(w->backgroundRole());
  return {};
}

// The texts of `window` under 4.5:1 (3:1 large) against what lies behind them; labels that
// fill their own background (both colours the program's) left out.
QStringList unreadableTexts(QWidget* window) {
  QStringList out;
  auto add = [&](QWidget* w, const QString& text, const QColor& fg, const QColor& bg) {
    if (text.trimmed().isEmpty()) return;
    const QFont& f = w->font();
    const bool large = f.pointSizeF() >= 18 || (f.bold() && f.pointSizeF() >= 14);
    if (const double c = ui::contrast(fg, bg); c < (large ? 3.0 : 4.5))
      out << QStringLiteral("%1 %2 \"%3\": %4")
                 .arg(window->objectName(), w->objectName(), text.left(40))
                 .arg(c, 0, 'f', 2);
  };
  auto pick = [](const QBrush& b, const QColor& otherwise) {
    return b.style() == Qt::NoBrush ? otherwise : b.color();
  };
  for (QWidget* w : QList<QWidget*>{window} + window->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(window) || w->window() != window) continue;
    const QPalette& p = w->palette();
    const QColor text = p.color(QPalette::Text), base = p.color(QPalette::Base);
    if (auto* l = qobject_cast<QLabel*>(w); l && !l->autoFillBackground()) {
      add(w, l->text(), p.color(QPalette::WindowText), behind(w));
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
      const bool push = qobject_cast<QPushButton*>(w);
      add(w, b->text(), p.color(push ? QPalette::ButtonText : QPalette::WindowText),
          push ? p.color(QPalette::Button) : behind(w));
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
      auto* f = qobject_cast<ui::Frame*>(w);
      add(w, g->title(), f ? f->titleColour() : p.color(QPalette::WindowText), behind(w));
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
      add(w, e->text(), text, base);
    } else if (auto* m = qobject_cast<QMenuBar*>(w)) {
      for (QAction* a : m->actions()) add(w, a->text(), p.color(w->foregroundRole()), behind(w));
    } else if (auto* t = qobject_cast<QTextBrowser*>(w)) {
      for (QTextBlock b = t->document()->begin(); b.isValid(); b = b.next())
        for (auto f = b.begin(); !f.atEnd(); ++f) {
          const QTextCharFormat c = f.fragment().charFormat();
          add(w, f.fragment().text(), pick(c.foreground(), text), pick(c.background(), base));
        }
    } else if (auto* v = qobject_cast<QAbstractItemView*>(w); v && v->model()) {
      for (int r = 0; r < std::min(v->model()->rowCount(), 50); ++r)
        add(w, v->model()->index(r, 0).data().toString(), text, base);
    }
  }
  return out;
}

// The captions of `window` wider than their box or not in the embedded face, and the controls
// outside their frame.
QStringList brokenLayout(QWidget* window) {
  QStringList out = test::childrenOutsideFrames<ui::Frame>(window);
  for (const test::CaptionFit& c : test::captionFits(window)) {
    if (c.overflow() > 0) out << c.text + QStringLiteral(": %1 px too wide").arg(c.overflow());
    if (c.widget->font().family() != ui::typefaceFamily()) out << c.text + ": not embedded face";
  }
  for (QWidget* f : window->findChildren<QWidget*>())
    if (qobject_cast<QGroupBox*>(f) || qobject_cast<QFrame*>(f))
      for (QWidget* c : f->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (c->isVisibleTo(f) && !f->rect().contains(c->geometry()))
          out << f->objectName() + '/' + c->objectName();
  return out;
}

// Walks `w` once round with Tab: the names met, "!" after one that showed no focus.
QStringList tabWalk(QWidget* w) {
  QTest::keyClick(w, Qt::Key_Tab);  // and back: the focus now moves by the keyboard
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
  QWidget* const start = QApplication::focusWidget();
  QStringList seen;
  for (QWidget* at = start; at && seen.size() < 40;) {
    const QImage focused = at->grab().toImage();
    QTest::keyClick(at, Qt::Key_Tab);
    const bool unmarked = QApplication::focusWidget() != at && at->grab().toImage() == focused;
    seen << at->objectName() + (unmarked ? "!" : "");
    at = QApplication::focusWidget();
    if (at == start) break;
  }
  return seen;
}

// The dot's place in the picture's pixels.
QPoint placeOf(AboutWindow& w, const char* name) {
  return w.picture()->findChild<QWidget*>(name)->pos() -
         QPoint(w.picture()->border(), w.picture()->border());
}
int yellowCount(const QImage& img) {
  const QImage rgb = img.convertToFormat(QImage::Format_RGB32);
  const auto* p = reinterpret_cast<const QRgb*>(rgb.constBits());
  return int(std::count(p, p + rgb.width() * rgb.height(), qRgb(255, 255, 0)));
}

}  // namespace

class TestDesktop : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QVERIFY(setUpApplication()); }  // with Qt's own texts in French
  void cleanup() {
    ModGeneral::closeAll();
    flushDeletes();
    ModGeneral::resetState();
    QApplication::setPalette(QPalette());
  }

  void startStoresPiAndShowsTheMenu() {
    QWidget* form1 = ModGeneral::showWindow(WindowKind::Form1);
    QCOMPARE(std::bit_cast<std::uint64_t>(ModGeneral::state().Pi.value()), 0x400921FB54442D28u);
    for (int k = 1; k < int(WindowKind::Count); ++k) QVERIFY(!ModGeneral::window(WindowKind(k)));
    // Every menu title whole on the bar; only the guide has a key (F1); no two entries of the
    // bar or of one menu share a mnemonic letter.
    QStringList keyed;
    auto* bar = form1->findChild<QMenuBar*>();
    QList<QList<QAction*>> menus{bar->actions()};
    for (QAction* top : bar->actions()) {
      QVERIFY(bar->rect().contains(bar->actionGeometry(top)));
      menus << top->menu()->actions();
      for (QAction* a : top->menu()->actions())
        if (!a->shortcut().isEmpty()) keyed << a->objectName();
    }
    QCOMPARE(keyed, QStringList{"mnuguide"});
    for (const QList<QAction*>& menu : menus) {
      QSet<QString> keys;
      for (QAction* a : menu) keys << QKeySequence::mnemonic(a->text()).toString().toUpper();
      QVERIFY2(keys.size() == menu.size() && !keys.contains(QString()),
               qPrintable(menu[0]->text()));
    }
  }

  void eachItemOpensOneNonModalWindow_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("window");
    for (const QString& pair :
         QStringLiteral("mnup0=frmstabp0 mnupepsilon=frmstabpeps mnuconsistp0=frmConsistP0 "
                        "mnuconsistpepsilon=FrmConsistPepsilon mnuCalculErreur=FrmErreurEps0 "
                        "mnuAPropos=FrmAPropos mnuguide=FrmGuide mnuevolution=FrmEvolution "
                        "mnucarte=FrmCarte mnuconvergence=FrmConvergence mnumodes=FrmModes")
             .split(' '))
      QTest::newRow(qPrintable(pair)) << pair.section('=', 0, 0) << pair.section('=', 1);
  }

  // A second choice of the item shows the same window.
  void eachItemOpensOneNonModalWindow() {
    QFETCH(QString, item);
    QFETCH(QString, window);
    QWidget* form1 = ModGeneral::showWindow(WindowKind::Form1);
    auto open = [&] {
      form1->findChild<QAction*>(item)->trigger();
      QWidgetList found;
      for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == window) found << w;
      return found;
    };
    const QWidgetList first = open();
    QCOMPARE(open(), first);
    QCOMPARE(first.size(), 1);
    QVERIFY(first[0]->isVisible() && !first[0]->isModal() && !first[0]->parentWidget());
    QVERIFY(!QApplication::activeModalWidget() && form1->isVisible());
  }

  // Each window's closing touches that window only; a reopened one is fresh.
  void closedWindowComesBackFreshOthersStay() {
    QWidget* form1 = ModGeneral::showWindow(WindowKind::Form1);
    item(form1, "mnup0")->trigger();
    QPointer<QWidget> w = ModGeneral::window(WindowKind::frmstabp0);
    test::click(w, "CmdCalculs", {.N = "3", .T = "1", .K = "16", .a = "0.5", .u0 = "1"});
    QCOMPARE(test::lines(w, "ListRes").size(), 18);
    test::button(w, "Cmdgraphique")->click();
    QPointer<QWidget> graph = ModGeneral::window(WindowKind::FrmStabp0G);
    test::button(w, "CmdCalculs")->click();
    test::button(w, "Cmdgraphique")->click();  // the open graph window is kept
    QCOMPARE(ModGeneral::window(WindowKind::FrmStabp0G), graph.data());
    test::button(w, "CmdQuitter")->click();
    flushDeletes();
    QVERIFY(!w && graph && graph->isVisible());  // discarded, not only hidden
    item(form1, "mnup0")->trigger();
    QWidget* again = ModGeneral::window(WindowKind::frmstabp0);
    for (auto* e : again->findChildren<QLineEdit*>()) QVERIFY(e->text().isEmpty());
    for (const char* l : {"LblH", "LblTau", "LblLambda"})
      QVERIFY(test::labelText(again, l).isEmpty());
    QVERIFY(test::lines(again, "ListRes").isEmpty());
    QVERIFY(!test::button(again, "Cmdgraphique")->isEnabled());
    // Closing Form1 leaves the others open and the program running.
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    form1->close();
    flushDeletes();
    QVERIFY(!ModGeneral::window(WindowKind::Form1));
    QVERIFY(again->isVisible() && graph->isVisible());
    QCOMPARE(lastClosed.count(), 0);
  }

  void quitterEndsTheProcessDuringALongRun() {
    QProcess child;
    qputenv("ORV_QUIT_CHILD", "1");
    child.start(QCoreApplication::applicationFilePath(), {});
    qunsetenv("ORV_QUIT_CHILD");
    QVERIFY(child.waitForFinished(60000));  // only guards against a hang
    QVERIFY(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0);
  }

  // The first step draws each orbit; dot 1 moves on along its hidden arc without drawing, then
  // draws again. A screen reader names the picture and says what it shows, in French.
  void orbitsDrawTheirSteps() {
    AboutWindow w;
    QVERIFY(w.picture()->accessibleName().contains("Image"));
    QVERIFY(w.picture()->accessibleDescription().contains("orbites"));
    const QImage before = w.picture()->image();
    w.tick();
    for (const char* dot : {"PB1", "PB2", "PB3"})
      QVERIFY2(w.picture()->image().pixel(placeOf(w, dot)) != before.pixel(placeOf(w, dot)), dot);
    for (int k = 0; k < 5; ++k) w.tick();  // Angle1 = -0.7: still drawn
    const int yellowBefore = yellowCount(w.picture()->image());
    const QPoint placeBefore = placeOf(w, "PB1");
    w.tick();  // Angle1 = -0.9: hidden arc
    QVERIFY(w.picture()->findChild<QWidget*>("PB1")->isHidden());
    QVERIFY(placeOf(w, "PB1") != placeBefore);
    QCOMPARE(yellowCount(w.picture()->image()), yellowBefore);
    for (int k = 0; k < 7; ++k) w.tick();  // Angle1 = -2.3: drawing again
    QVERIFY(yellowCount(w.picture()->image()) > yellowBefore);
  }

  void reopenedWindowStartsClean() {
    auto* w = qobject_cast<AboutWindow*>(ModGeneral::showWindow(WindowKind::FrmAPropos));
    for (int k = 0; k < 15; ++k) w->tick();
    QPointer<AboutWindow> guard(w);
    w->close();
    QTRY_VERIFY(guard.isNull());
    w = qobject_cast<AboutWindow*>(ModGeneral::showWindow(WindowKind::FrmAPropos));
    QCOMPARE(w->angle1(), 0.5);
    QCOMPARE(w->picture()->image(), about::backgroundImage().convertToFormat(QImage::Format_RGB32));
  }

  // Every window opened under the light palette (then switched to a dark one) or the dark one,
  // at each screen scale: captions whole, frames holding their controls, texts readable when
  // dark; Tab visits every control in reading order, each showing its focus.
  void everyWindow_data() {
    QTest::addColumn<QString>("scale");
    QTest::addColumn<bool>("openedDark");
    for (auto [scale, dark] : {std::pair{"1", false}, {"1.25", true}, {"1.5", false}, {"2", true}})
      QTest::newRow(scale) << QString::fromLatin1(scale) << dark;
  }
  void everyWindow() {
    QFETCH(QString, scale);
    QFETCH(bool, openedDark);
    ORV_AT_SCALE(scale);
    const QString f = "TxtN TxtT TxtK Txta ",
                  c = " CmdCalculerH CmdEffacerH CmdCalculerTau CmdEffacerTau CmdQuitter ListERH "
                      "ListQ ListERT ListP";
    const QMap<QString, QString> tabOrders{
        {"frmstabp0", f + "Txtu0 CmdCalculs Cmdgraphique CmdQuitter ListRes"},
        {"frmstabpeps", f + "Txtu0 TxtV0 TxtEpsilon CheckF TextFF TextNN CmdCalculs Cmdgraphique "
                            "CmdQuitter ListRes"},
        {"FrmStabp0G", "TxtIndicen CmdTracage CmdEffacer CmdQuitter PB1"},
        {"frmConsistP0", f + "TxtD TxtW TxtPhi TxtR TxtS" + c},
        {"FrmConsistPepsilon", f + "TxtD TxtW TxtPhi TxtEpsilon TxtR TxtS" + c},
        {"FrmErreurEps0", f + "TxtEpsilon OptionChoix_0 Txtu0 TxtV0 TxtR CmdCalculerH CmdEffacerH "
                              "ListERH CmdQuitter"},
        {"FrmEvolution",
         "OptionSolution_0 CmdLecture TxtVitesse CheckEchelle CmdQuitter "
         "SliderNiveau CmdGarder PBCourbe"},
        {"FrmCarte", "OptionSolution_0 CheckLog CmdQuitter PBCarte"},
        {"FrmModes",
         "OptionSolution_0 CmdQuitter PBAmplification PBModesTemps PBStabilite ListModes"},
        {"FrmConvergence", "CmdQuitter PBConvergence"},
        {"FrmGuide", "TxtGuide"}};
    if (openedDark) QApplication::setPalette(test::darkPalette());
    const QList<QWidget*> windows = openEveryWindow();
    const qreal dpr = scale.toDouble();
    QCOMPARE(windows[0]->devicePixelRatioF(), dpr);
    // Form1's problem statements and the About picture (its top rows, which no orbit reaches)
    // show, pixel for pixel, their drawing made at the screen's ratio, not stretched.
    for (QWidget* w : windows) {
      for (auto* p : w->findChildren<ProblemPicture*>())
        if (dpr != 1)
          test::checkSharp(p, 2, problemStatementImage(p->problem(), p->imageSize(), dpr),
                           problemStatementImage(p->problem(), p->imageSize()));
      if (auto* about = qobject_cast<AboutWindow*>(w); about && dpr != 1)
        test::checkSharp(about->picture(), about->picture()->border(),
                         about::backgroundImage(dpr), about::backgroundImage(),
                         QRect(0, 0, qRound(124 * dpr), qFloor(2 * dpr)));
    }
    QStringList faults;
    for (bool dark : openedDark ? QList{true} : QList{false, true}) {
      QApplication::setPalette(dark ? test::darkPalette() : QPalette());
      QCoreApplication::processEvents();
      for (QWidget* w : windows) {
        if (dark == openedDark) faults << brokenLayout(w);
        if (dark) faults << unreadableTexts(w);
        if (!tabOrders.contains(w->objectName())) continue;
        QApplication::setActiveWindow(w);
        if (const QString walk = tabWalk(w).join(' '); walk != tabOrders[w->objectName()])
          faults << w->objectName() + ": " + walk;
      }
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
  }

  // Every drawing offers one context menu, which the Menu key and Shift+F10 ask for as they do
  // a list's: the copy is the drawing as it shows, the saved image the drawing again at the
  // file's resolution. Space on the level slider plays and pauses.
  void keysAndDrawingMenus() {
    openEveryWindow();
    test::BoxCatcher boxes;
    QTemporaryDir dir;
    for (auto [kind, name, file] : {std::tuple{WindowKind::frmstabp0, "ListRes", ""},
                                    {WindowKind::FrmStabp0G, "PB1", "g.png"},
                                    {WindowKind::FrmEvolution, "PBCourbe", "e.svg"},
                                    {WindowKind::FrmCarte, "PBCarte", "c.pdf"},
                                    {WindowKind::FrmConvergence, "PBConvergence", "v.png"}}) {
      QApplication::setActiveWindow(ModGeneral::window(kind));
      auto* target = ModGeneral::window(kind)->findChild<QWidget*>(name);
      if (*file) {
        QStringList menu;
        for (const QAction* a : target->actions()) menu << a->objectName();
        QCOMPARE(menu, QStringList({"actCopierImage", "actEnregistrerImage", "actImprimer"}));
        // The graph's 2-pixel frame is not part of its drawing.
        const QSize shown = target->size() - QSize(4, 4) * (kind == WindowKind::FrmStabp0G);
        QGuiApplication::clipboard()->clear();
        target->findChild<QAction*>("actCopierImage")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->image().size(), shown);
        const QString path = dir.filePath(file);
        ui::setSaveFileNameProvider(
            [path](QWidget*, const QString&, const QStringList&, QString*) { return path; });
        target->findChild<QAction*>("actEnregistrerImage")->trigger();
        QVERIFY(path.endsWith(".png") ? QImage(path).size() == shown * 4
                                      : QFileInfo(path).size() > 100);
      }
      target->setContextMenuPolicy(Qt::CustomContextMenu);
      QSignalSpy asked(target, &QWidget::customContextMenuRequested);
      target->setFocus(Qt::TabFocusReason);
      QTest::keyClick(target, Qt::Key_Menu);
      QTest::keyClick(target, Qt::Key_F10, Qt::ShiftModifier);
      QCOMPARE(asked.count(), 2);
    }
    ui::setSaveFileNameProvider({});
    QVERIFY2(boxes.texts.isEmpty(), qPrintable(boxes.last()));
    auto* slider =
        ModGeneral::window(WindowKind::FrmEvolution)->findChild<QSlider*>("SliderNiveau");
    slider->setFocus(Qt::TabFocusReason);
    QTest::keyClick(slider, Qt::Key_Space);
    QTRY_VERIFY(slider->value() > 0);
    QTest::keyClick(slider, Qt::Key_Space);
    const int stopped = slider->value();
    QTest::qWait(100);
    QCOMPARE(slider->value(), stopped);
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setAttribute(Qt::AA_Use96Dpi, true);
  registerWindows();
  if (!qEnvironmentVariableIsEmpty("ORV_QUIT_CHILD")) return quitDuringRun(app);
  TestDesktop test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_desktop.moc"
