// The event pump of long runs: events run only at the polls the core asks
// for, at most every interval, timers included, and the progress bar follows.
#include <QProgressBar>
#include <QTimer>
#include <QtTest>
#include <chrono>
#include <limits>
#include <thread>

#include "ui/event_pump.h"

using namespace std::chrono_literals;

class TestEventPump : public QObject {
  Q_OBJECT

 private slots:
  void strideDecidesWhenTheClockIsRead() {
    ui::EventPump pump(nullptr, 0ms);
    pump.setStride(100);
    for (std::int64_t m = 0; m < 1000; ++m) pump.atStep(m, 1000);
    QCOMPARE(pump.polls(), std::int64_t{10});
    QCOMPARE(pump.passes(), std::int64_t{10});  // no interval: every poll is a pass
    QCOMPARE(pump.lastDone(), std::int64_t{999});
  }

  void passesAreSpacedByTheInterval() {
    ui::EventPump pump(nullptr, 1h);
    pump.setStride(1);
    for (std::int64_t m = 0; m < 10000; ++m) pump.atStep(m, 10000);
    QCOMPARE(pump.polls(), std::int64_t{10000});
    QCOMPARE(pump.passes(), std::int64_t{0});

    ui::EventPump paced(nullptr, 20ms);
    paced.setStride(1);
    const auto start = std::chrono::steady_clock::now();
    std::int64_t m = 0;
    while (std::chrono::steady_clock::now() - start < 110ms) {
      paced.atStep(m++, 0);
      std::this_thread::sleep_for(1ms);
    }
    QVERIFY2(paced.passes() >= 1 && paced.passes() <= 5, qPrintable(QString::number(paced.passes())));
  }

  void pendingEventsAndTimersRunAtAPass() {
    int posted = 0, timer = 0;
    QMetaObject::invokeMethod(this, [&] { ++posted; }, Qt::QueuedConnection);
    QTimer::singleShot(0, this, [&] { ++timer; });
    ui::EventPump pump(nullptr, 10ms);
    pump.setStride(1);
    pump.atStep(0, 10);  // within the interval: nothing runs
    QCOMPARE(posted, 0);
    std::this_thread::sleep_for(12ms);
    pump.atStep(1, 10);
    QCOMPARE(posted, 1);
    QCOMPARE(timer, 1);

    QMetaObject::invokeMethod(this, [&] { ++posted; }, Qt::QueuedConnection);
    pump.yieldOnce();  // now, whatever the interval
    QCOMPARE(posted, 2);
  }

  void progressBarShowsStepsDone() {
    QProgressBar bar;
    ui::EventPump pump(&bar, 0ms, 0ms);
    pump.setStride(1);
    pump.atStep(0, 200);
    QCOMPARE(bar.maximum(), 200);
    QCOMPARE(bar.value(), 0);
    pump.atStep(150, 200);
    QCOMPARE(bar.value(), 150);

    // Totals beyond int are shown in millionths.
    const std::int64_t huge = std::int64_t{std::numeric_limits<int>::max()} * 4;
    pump.atStep(huge / 2, huge);
    QCOMPARE(bar.maximum(), 1'000'000);
    QCOMPARE(bar.value(), 500'000);
  }

  void progressBarMovesAtMostEveryBarInterval() {
    QProgressBar bar;
    ui::EventPump pump(&bar, 0ms, 1h);
    pump.setStride(1);
    pump.atStep(10, 100);  // the first pass sets the range and shows
    QCOMPARE(bar.value(), 10);
    pump.atStep(20, 100);
    QCOMPARE(bar.value(), 10);
    QCOMPARE(pump.passes(), std::int64_t{2});  // events ran all the same
  }

  void progressBarMayGoAway() {
    auto* bar = new QProgressBar;
    ui::EventPump pump(bar, 0ms);
    delete bar;
    pump.setStride(1);
    pump.atStep(1, 2);  // no crash
    QCOMPARE(pump.passes(), std::int64_t{1});
  }
};

QTEST_MAIN(TestEventPump)
#include "test_event_pump.moc"
