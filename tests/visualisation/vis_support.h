// Helpers shared by the visualisation window tests: tables written straight
// into the study state, and drawings made offscreen at a chosen device pixel ratio.
#pragma once

#include <QImage>
#include <QPainter>
#include <QtTest>
#include <functional>

#include "app/windows.h"
#include "core/journal.h"
#include "core/studies.h"
#include "shell/mod_general.h"
#include "support/window_support.h"

namespace vistest {

// Each test: a fresh state (French numbers), the window kinds registered; every window closed.
inline void initWindowTest() {
  test::freshState();
  registerWindows();
}
inline void cleanupWindowTest() {
  ModGeneral::closeAll();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A solution table (0 To K+1, 0 To N) with level n (row n + 1) given by
// value(n, i), recorded in the journal as a stability run.
inline void fillTable(core::Scheme scheme, int N, int K,
                      const std::function<double(int, int)>& value, double Tau = 0.01) {
  core::StudyState& s = ModGeneral::state();
  s.N = N;
  s.K = K;
  s.h = 1.0 / (1 + N);
  s.Tau = Tau;
  core::Table2& sol = scheme == core::Scheme::P0 ? s.SolP0 : s.SolPeps;
  QVERIFY(sol.create(0, K + 1, 0, N));
  for (int n = 0; n <= K; ++n) {
    double* row = sol.row(n + 1);
    for (int i = 1; i <= N; ++i) row[i] = value(n, i);
  }
  ModGeneral::journal().recordRun(s, core::Study::Stability, scheme, true);
}

// Draws `render` into a size x size image at device pixel ratio `dpr`.
template <class Window>
QImage draw(const Window& w, QSize size, qreal dpr = 1.0) {
  QImage img(size * dpr, QImage::Format_ARGB32);
  img.setDevicePixelRatio(dpr);
  img.fill(Qt::white);
  QPainter p(&img);
  w.render(p, QRectF(QPointF(0, 0), QSizeF(size)));
  p.end();
  return img;
}

// A pixel of colour c within `radius` device pixels of (x, y) (logical).
inline bool colourNear(const QImage& img, QPointF at, QColor c, int radius = 1) {
  const qreal dpr = img.devicePixelRatio();
  const int cx = qRound(at.x() * dpr), cy = qRound(at.y() * dpr);
  for (int y = cy - radius; y <= cy + radius; ++y)
    for (int x = cx - radius; x <= cx + radius; ++x)
      if (img.valid(x, y) && QColor(img.pixel(x, y)) == c) return true;
  return false;
}

// A pixel of colour c anywhere in `img`, or inside `area` (logical) if given.
inline bool hasColour(const QImage& img, QColor c, const QRectF& area = {}) {
  const qreal dpr = img.devicePixelRatio();
  const QRectF r =
      area.isNull() ? QRectF(img.rect()) : QRectF(area.topLeft() * dpr, area.size() * dpr);
  for (int y = qRound(r.top()); y < qRound(r.bottom()); ++y)
    for (int x = qRound(r.left()); x < qRound(r.right()); ++x)
      if (img.valid(x, y) && QColor(img.pixel(x, y)) == c) return true;
  return false;
}

}  // namespace vistest
