// The event pump of long runs: events run only at polls once the interval has passed,
// and the progress bar follows the steps done.
#include <QProgressBar>
#include <QtTest>
#include <chrono>
#include <limits>

#include "ui/event_pump.h"

using namespace std::chrono_literals;

class TestEventPump : public QObject {
  Q_OBJECT

 private slots:
  // The clock is read every stride steps; processEvents runs only once the interval has passed.
  void passesAreGatedByTheInterval() {
    ui::EventPump strided(nullptr, 0ms);
    strided.setStride(100);
    for (std::int64_t m = 0; m < 1000; ++m) strided.atStep(m, 1000);
    QCOMPARE(strided.polls(), std::int64_t{10});
    QCOMPARE(strided.passes(), std::int64_t{10});

    // An interval that never passes during the test: polls run no events
    // until a pass is asked for.
    int posted = 0;
    QMetaObject::invokeMethod(
        this, [&] { ++posted; }, Qt::QueuedConnection);
    ui::EventPump gated(nullptr, 1h);
    gated.setStride(1);
    for (std::int64_t m = 0; m < 10000; ++m) gated.atStep(m, 20000);
    QCOMPARE(gated.polls(), std::int64_t{10000});
    QCOMPARE(gated.passes() + posted, 0);
    gated.yieldOnce();  // now, whatever the interval
    QCOMPARE(posted, 1);
  }

  // The bar shows the steps done (in millionths beyond int), at most every bar interval.
  void progressBar() {
    QProgressBar bar;
    ui::EventPump pump(&bar, 0ms, 0ms);
    pump.setStride(1);
    pump.atStep(150, 200);
    QCOMPARE(bar.maximum(), 200);
    QCOMPARE(bar.value(), 150);
    const std::int64_t huge = std::int64_t{std::numeric_limits<int>::max()} * 4;
    pump.atStep(huge / 2, huge);
    QCOMPARE(bar.maximum(), 1'000'000);
    QCOMPARE(bar.value(), 500'000);

    ui::EventPump slow(&bar, 0ms, 1h);
    slow.setStride(1);
    slow.atStep(10, 100);  // the first pass sets the range and shows
    slow.atStep(20, 100);
    QCOMPARE(bar.value(), 10);
    QCOMPARE(slow.passes(), std::int64_t{2});  // events ran all the same
  }
};

QTEST_MAIN(TestEventPump)
#include "test_event_pump.moc"
