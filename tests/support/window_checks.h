// Checks shared by the window tests: captions in the embedded face at their
// size and whole in their boxes, and fields named for a screen reader.
#pragma once
#include <QAbstractItemView>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QtTest>
#include <functional>

#include "caption_fit.h"
#include "ui/controls.h"
#include "ui/typeface.h"

namespace test {

// Every caption of `w` (at least `atLeast` of them) in the embedded face at
// `size(objectName)`, whole in its box; each frame's controls inside its
// border, under its caption.
inline void checkCaptions(QWidget* w, const std::function<double(const QString&)>& size,
                          int atLeast) {
  QVERIFY(!ui::typefaceFamily().isEmpty());
  const QList<CaptionFit> fits = captionFits(w);
  QVERIFY(fits.size() >= atLeast);
  for (const CaptionFit& c : fits) {
    QCOMPARE(c.widget->font().family(), ui::typefaceFamily());
    QCOMPARE(c.widget->font().pointSizeF(), size(c.widget->objectName()));
    QVERIFY2(c.overflow() <= 0,
             qPrintable(c.text + QStringLiteral(": %1 px too wide").arg(c.overflow())));
  }
  QCOMPARE(childrenOutsideFrames<ui::Frame>(w), QStringList());
}

// The field `name` says `quantity` as a word to a screen reader and its
// caption is its buddy; every list of `w` has a name and a description.
inline void checkFieldNamed(QWidget* w, const QString& name, const QString& quantity) {
  auto* e = w->findChild<QLineEdit*>(name);
  QVERIFY2(e, qPrintable(name));
  const QString said = e->accessibleName();
  QVERIFY2(said.contains(
               QRegularExpression("(^|\\W)" + QRegularExpression::escape(quantity) + "(\\W|$)")),
           qPrintable(name + QStringLiteral(": ") + said));
  bool hasBuddy = false;
  for (QLabel* l : w->findChildren<QLabel*>()) hasBuddy |= l->buddy() == e;
  QVERIFY2(hasBuddy, qPrintable(name));
  for (auto* list : w->findChildren<QAbstractItemView*>())
    QVERIFY(!list->accessibleName().isEmpty() && !list->accessibleDescription().isEmpty());
}

// Each field of `pairs` ("TxtN=N TxtT=T ...") named for its quantity.
inline void checkFieldsNamed(QWidget* w, const char* pairs) {
  for (const QString& pair : QString::fromUtf8(pairs).split(QLatin1Char(' '))) {
    checkFieldNamed(w, pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    if (QTest::currentTestFailed()) return;
  }
}

}  // namespace test
