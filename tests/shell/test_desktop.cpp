// Every window on a dark desktop palette, from the keyboard alone.
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBlock>
#include <QTextBrowser>
#include <QtTest>

#include "app/windows.h"
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

bool largeFont(const QFont& f) { return f.pointSizeF() >= 18 || (f.bold() && f.pointSizeF() >= 14); }

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

QPalette darkPalette() {
  // A common dark desktop scheme; the link colour stays the toolkit's own blue.
  QPalette p(QColor(0x31363b), QColor(0x31363b));
  for (auto [role, rgb] : {std::pair{QPalette::WindowText, 0xeff0f1}, {QPalette::Text, 0xeff0f1},
                           {QPalette::ButtonText, 0xeff0f1}, {QPalette::Base, 0x1b1e20},
                           {QPalette::AlternateBase, 0x232629}, {QPalette::Highlight, 0x3daee9},
                           {QPalette::HighlightedText, 0xeff0f1}, {QPalette::ToolTipBase, 0x31363b},
                           {QPalette::ToolTipText, 0xeff0f1}})
    p.setColor(role, QColor(rgb));
  return p;
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

  // Every text keeps 4.5:1 against what lies behind it (3:1 when large),
  // in windows opened before a dark palette comes and in windows opened under it.
  void darkPaletteKeepsEveryTextReadable() {
    int count = 0;
    QStringList failures;
    for (bool openedDark : {false, true}) {
      ModGeneral::closeAll();
      flushDeletes();
      if (openedDark) QApplication::setPalette(darkPalette());
      for (int k = 0; k < int(WindowKind::Count); ++k) ModGeneral::showWindow(WindowKind(k));
      QApplication::setPalette(darkPalette());
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
