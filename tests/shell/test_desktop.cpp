// Every window on a dark desktop palette, from the keyboard alone.
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTextBlock>
#include <QTextBrowser>
#include <QtTest>

#include "app/windows.h"
#include "dark_palette.h"
#include "support/window_support.h"
#include "ui/colours.h"
#include "ui/controls.h"

namespace {

// What lies behind `w`: the first of it and its parents that paints its own background.
QColor behind(const QWidget* w) {
  for (; w; w = w->parentWidget())
    if (w->autoFillBackground() || w->isWindow()) return w->palette().color(w->backgroundRole());
  return {};
}

struct Text {
  QString what;
  QColor fg, bg;
  bool large = false;
};

bool largeFont(const QFont& f) {
  return f.pointSizeF() >= 18 || (f.bold() && f.pointSizeF() >= 14);
}

// Every text a window shows, with its colour and what lies behind it. A label
// that fills its own background (the program sets both colours) is left out.
QList<Text> visibleTexts(QWidget* window) {
  QList<Text> out;
  auto add = [&](QWidget* w, const QString& text, const QColor& fg, const QColor& bg) {
    if (!text.trimmed().isEmpty())
      out.append({w->objectName() + QStringLiteral(" \"") + text.left(40) + QLatin1Char('"'), fg,
                  bg, largeFont(w->font())});
  };
  QList<QWidget*> all = window->findChildren<QWidget*>();
  all.prepend(window);
  for (QWidget* w : all) {
    if (!w->isVisibleTo(window) || w->window() != window) continue;
    const QPalette& p = w->palette();
    if (auto* l = qobject_cast<QLabel*>(w)) {
      if (!l->autoFillBackground()) add(w, l->text(), p.color(QPalette::WindowText), behind(w));
    } else if (auto* b = qobject_cast<QPushButton*>(w)) {
      add(w, b->text(), p.color(QPalette::ButtonText), p.color(QPalette::Button));
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
      add(w, b->text(), p.color(QPalette::WindowText), behind(w));
    } else if (auto* f = qobject_cast<ui::Frame*>(w)) {
      add(w, f->title(), f->titleColour(), behind(w));
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
      add(w, g->title(), p.color(QPalette::WindowText), behind(w));
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
      add(w, e->text(), p.color(QPalette::Text), p.color(QPalette::Base));
    } else if (auto* m = qobject_cast<QMenuBar*>(w)) {
      for (QAction* a : m->actions()) add(w, a->text(), p.color(w->foregroundRole()), behind(w));
    } else if (auto* t = qobject_cast<QTextBrowser*>(w)) {
      for (QTextBlock b = t->document()->begin(); b.isValid(); b = b.next())
        for (auto f = b.begin(); !f.atEnd(); ++f) {
          const QTextCharFormat c = f.fragment().charFormat();
          const QColor fg = c.foreground().style() == Qt::NoBrush ? p.color(QPalette::Text)
                                                                  : c.foreground().color();
          const QColor bg = c.background().style() == Qt::NoBrush ? p.color(QPalette::Base)
                                                                  : c.background().color();
          add(w, f.fragment().text(), fg, bg);
        }
    } else if (auto* v = qobject_cast<QAbstractItemView*>(w); v && v->model()) {
      for (int r = 0; r < std::min(v->model()->rowCount(), 50); ++r) {
        const QModelIndex i = v->model()->index(r, 0);
        const QVariant fg = i.data(Qt::ForegroundRole), bg = i.data(Qt::BackgroundRole);
        add(w, i.data().toString(),
            fg.isValid() ? fg.value<QBrush>().color() : p.color(QPalette::Text),
            bg.isValid() ? bg.value<QBrush>().color() : p.color(QPalette::Base));
      }
    }
  }
  return out;
}

// Walks `w` with Tab from its first focus, once round: the names met, and
// those whose look did not change with the focus.
QStringList tabWalk(QWidget* w, QStringList* unmarked) {
  QApplication::setActiveWindow(w);
  QStringList seen;
  QWidget* start = QApplication::focusWidget();
  if (!start || start->window() != w) {
    QTest::keyClick(w, Qt::Key_Tab);
    start = QApplication::focusWidget();
  }
  for (QWidget* at = start; at && (at != start || seen.isEmpty()) && seen.size() < 40;) {
    seen << at->objectName();
    QTest::keyClick(at, Qt::Key_Tab);
    at = QApplication::focusWidget();
  }
  // Round again, now that the focus moves by the keyboard.
  for (QWidget* at = start; at && unmarked->size() < seen.size();) {
    const QImage focused = at->grab().toImage();
    QTest::keyClick(at, Qt::Key_Tab);
    if (at->grab().toImage() == focused) *unmarked << at->objectName();
    if (at == QApplication::focusWidget()) break;
    at = QApplication::focusWidget();
    if (at == start) break;
  }
  return seen;
}

void flushDeletes() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

}  // namespace

class TestDesktop : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    setUpApplication();
    registerWindows();
  }
  void cleanup() {
    ModGeneral::closeAll();
    flushDeletes();
    QApplication::setPalette(QPalette());
  }

  // Tab visits every control in reading order, each showing that it has the
  // focus, under the light palette and a dark one.
  void tabFollowsReadingOrder_data() {
    QTest::addColumn<WindowKind>("kind");
    QTest::addColumn<QString>("order");
    const QString fields = "TxtN TxtT TxtK Txta ";
    QTest::newRow("stability P0") << WindowKind::frmstabp0
                                  << fields + "Txtu0 CmdCalculs Cmdgraphique CmdQuitter ListRes";
    QTest::newRow("stability Pepsilon")
        << WindowKind::frmstabpeps
        << fields +
               "Txtu0 TxtV0 TxtEpsilon CheckF TextFF TextNN CmdCalculs Cmdgraphique "
               "CmdQuitter ListRes";
    QTest::newRow("graph") << WindowKind::FrmStabp0G
                           << "TxtIndicen CmdTracage CmdEffacer CmdQuitter PB1";
    const QString lists =
        " CmdCalculerH CmdEffacerH CmdCalculerTau CmdEffacerTau CmdQuitter ListERH ListQ ListERT "
        "ListP";
    QTest::newRow("consistency P0")
        << WindowKind::frmConsistP0 << fields + "TxtD TxtW TxtPhi TxtR TxtS" + lists;
    QTest::newRow("consistency Pepsilon")
        << WindowKind::FrmConsistPepsilon
        << fields + "TxtD TxtW TxtPhi TxtEpsilon TxtR TxtS" + lists;
    QTest::newRow("error") << WindowKind::FrmErreurEps0
                           << fields +
                                  "TxtEpsilon OptionChoix_0 Txtu0 TxtV0 TxtR CmdCalculerH "
                                  "CmdEffacerH ListERH CmdQuitter";
    QTest::newRow("evolution") << WindowKind::FrmEvolution
                               << "OptionSolution_0 CmdLecture TxtVitesse CheckEchelle CmdQuitter "
                                  "SliderNiveau CmdGarder PBCourbe";
    QTest::newRow("map") << WindowKind::FrmCarte << "OptionSolution_0 CheckLog CmdQuitter PBCarte";
    QTest::newRow("modes")
        << WindowKind::FrmModes
        << "OptionSolution_0 CmdQuitter PBAmplification PBModesTemps PBStabilite ListModes";
    QTest::newRow("convergence") << WindowKind::FrmConvergence << "CmdQuitter PBConvergence";
    QTest::newRow("guide") << WindowKind::FrmGuide << "TxtGuide";
  }
  void tabFollowsReadingOrder() {
    QFETCH(WindowKind, kind);
    QFETCH(QString, order);
    // Both schemes computed, a level drawn: every control is enabled.
    for (WindowKind study : {WindowKind::frmstabp0, WindowKind::frmstabpeps}) {
      QWidget* s = ModGeneral::showWindow(study);
      for (auto [name, text] : {std::pair{"TxtN", "5"},
                                {"TxtT", "1"},
                                {"TxtK", "10"},
                                {"Txta", "0.1"},
                                {"Txtu0", "1"},
                                {"TxtV0", "0"},
                                {"TxtEpsilon", "0.1"}})
        test::setText(s, name, text);
      test::button(s, "CmdCalculs")->click();
    }
    QWidget* w = ModGeneral::showWindow(kind);
    if (kind == WindowKind::FrmStabp0G) test::button(w, "CmdTracage")->click();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    for (bool dark : {false, true}) {
      QApplication::setPalette(dark ? test::darkPalette() : QPalette());
      QStringList unmarked;
      QCOMPARE(tabWalk(w, &unmarked).join(' '), order);
      QCOMPARE(unmarked.join(' '), QString());
    }
  }

  // The Menu key and Shift+F10 open the context menu of a drawing or a list
  // that has the focus.
  void contextMenuKeys_data() {
    QTest::addColumn<WindowKind>("kind");
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QString>("action");
    QTest::newRow("graph") << WindowKind::FrmStabp0G << "PB1"
                           << "actCopierImage";
    QTest::newRow("evolution") << WindowKind::FrmEvolution << "PBCourbe"
                               << "actImprimer";
    QTest::newRow("list") << WindowKind::frmstabp0 << "ListRes"
                          << "actionCopier";
  }
  void contextMenuKeys() {
    QFETCH(WindowKind, kind);
    QFETCH(QString, widget);
    QFETCH(QString, action);
    QWidget* w = ModGeneral::showWindow(kind);
    QVERIFY(QTest::qWaitForWindowActive(w));
    auto* target = w->findChild<QWidget*>(widget);
    target->show();
    target->setFocus(Qt::TabFocusReason);
    for (auto [key, modifiers] :
         {std::pair{Qt::Key_Menu, Qt::NoModifier}, {Qt::Key_F10, Qt::ShiftModifier}}) {
      QStringList shown;
      QTimer::singleShot(50, [&] {
        if (QWidget* menu = QApplication::activePopupWidget()) {
          for (QAction* a : menu->actions()) shown << a->objectName();
          menu->close();
        }
      });
      QTest::keyClick(target, key, modifiers);
      QTRY_VERIFY2(shown.contains(action), qPrintable(shown.join(' ')));
    }
  }

  // The level slider by the keyboard: arrows, Home, End and space to play.
  void sliderByKeyboard() {
    QWidget* s = ModGeneral::showWindow(WindowKind::frmstabp0);
    for (auto [name, text] :
         {std::pair{"TxtN", "5"}, {"TxtT", "1"}, {"TxtK", "10"}, {"Txta", "0.1"}, {"Txtu0", "1"}})
      test::setText(s, name, text);
    test::button(s, "CmdCalculs")->click();
    QWidget* w = ModGeneral::showWindow(WindowKind::FrmEvolution);
    auto* slider = w->findChild<QSlider*>("SliderNiveau");
    slider->setFocus(Qt::TabFocusReason);
    QTest::keyClick(slider, Qt::Key_End);
    QCOMPARE(slider->value(), 10);
    QTest::keyClick(slider, Qt::Key_Left);
    QCOMPARE(slider->value(), 9);
    QTest::keyClick(slider, Qt::Key_Home);
    QCOMPARE(slider->value(), 0);
    QTest::keyClick(slider, Qt::Key_Space);
    QTRY_VERIFY(slider->value() > 0);
    QTest::keyClick(slider, Qt::Key_Space);
    const int stopped = slider->value();
    QTest::qWait(100);
    QCOMPARE(slider->value(), stopped);
  }

  // The menus open by Alt and a letter, items by their letter; no two
  // entries of one menu share a letter.
  void menusHaveDistinctMnemonics() {
    QWidget* form1 = ModGeneral::showWindow(WindowKind::Form1);
    QVERIFY(QTest::qWaitForWindowActive(form1));
    auto* bar = form1->findChild<QMenuBar*>();
    QList<QList<QAction*>> menus{bar->actions()};
    for (QAction* top : bar->actions()) menus << top->menu()->actions();
    for (const QList<QAction*>& menu : menus) {
      QSet<QString> keys;
      for (QAction* a : menu) {
        const QString key = QKeySequence::mnemonic(a->text()).toString().toUpper();
        QVERIFY2(!key.isEmpty() && !keys.contains(key), qPrintable(a->objectName() + key));
        keys.insert(key);
      }
    }
    QTest::keyClick(form1, Qt::Key_S, Qt::AltModifier);
    QTRY_VERIFY(QApplication::activePopupWidget());
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_E);
    QTRY_VERIFY(ModGeneral::window(WindowKind::frmstabpeps));
  }

  // Every text keeps 4.5:1 against what lies behind it (3:1 when large),
  // in windows opened before a dark palette comes and in windows opened under it.
  void darkPaletteKeepsEveryTextReadable() {
    int count = 0;
    QStringList failures;
    for (bool openedDark : {false, true}) {
      ModGeneral::closeAll();
      flushDeletes();
      if (openedDark) QApplication::setPalette(test::darkPalette());
      for (int k = 0; k < int(WindowKind::Count); ++k) ModGeneral::showWindow(WindowKind(k));
      QApplication::setPalette(test::darkPalette());
      QCoreApplication::processEvents();
      for (int k = 0; k < int(WindowKind::Count); ++k) {
        QWidget* w = ModGeneral::window(WindowKind(k));
        for (const Text& t : visibleTexts(w)) {
          ++count;
          const double c = ui::contrast(t.fg, t.bg);
          if (c < (t.large ? 3.0 : 4.5))
            failures << QStringLiteral("%1 %2: %3").arg(w->objectName(), t.what).arg(c, 0, 'f', 2);
        }
      }
    }
    for (const QString& f : failures) qInfo("%s", qPrintable(f));
    qInfo("%lld of %d texts under their contrast", failures.size(), count);
    QVERIFY(failures.isEmpty());
  }
};

QTEST_MAIN(TestDesktop)
#include "test_desktop.moc"
