// Checks shared by the window tests: fields named for a screen reader.
#pragma once
#include <QAbstractItemView>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QtTest>

namespace test {

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
