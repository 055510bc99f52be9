#include "shell/problem_picture.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

struct Statement {
  QString name;                                    // left of the brace
  std::vector<std::pair<QString, QString>> lines;  // equation, domain
};

// A line of mathematics in a tiny markup: "u^{0}_{t}" puts 0 above and t
// below, stacked after u; "u_{0}" is a plain subscript.
Statement statementOf(Problem problem) {
  if (problem == Problem::P0) {
    return {QStringLiteral("(P_{0})"),
            {{QStringLiteral("−aΔu^{0} + u^{0}_{t} = f"), QStringLiteral("x ∈ (0,1),  t > 0")},
             {QStringLiteral("u^{0}(x,0) = u_{0}(x)"), QStringLiteral("x ∈ (0,1)")},
             {QStringLiteral("u^{0}(0,t) = u^{0}(1,t) = 0"), QStringLiteral("t > 0")}}};
  }
  return {QStringLiteral("(P_{ε})"),
          {{QStringLiteral("εu^{ε}_{tt} − aΔu^{ε} + u^{ε}_{t} = f"),
            QStringLiteral("x ∈ (0,1),  t > 0")},
           {QStringLiteral("u^{ε}(x,0) = u_{0}(x)"), QStringLiteral("x ∈ (0,1)")},
           {QStringLiteral("u^{ε}_{t}(x,0) = v^{ε}_{0}(x)"), QStringLiteral("x ∈ (0,1)")},
           {QStringLiteral("u^{ε}(0,t) = u^{ε}(1,t) = 0"), QStringLiteral("t > 0")}}};
}

QFont mathFont(double points) {
  QFont f(QStringLiteral("DejaVu Serif"));
  f.setStyleHint(QFont::Serif);
  f.setPointSizeF(points);
  return f;
}

// Draws `src` with its baseline at `origin` (or only measures it when
// `painter` is null); returns the width.
qreal drawMath(QPainter* painter, QPointF origin, const QString& src, const QFont& font) {
  QFont small = font;
  small.setPointSizeF(font.pointSizeF() * 0.7);
  const QFontMetricsF fm(font), fs(small);
  const qreal raise = fm.ascent() * 0.45, drop = fm.ascent() * 0.3;
  qreal x = origin.x();
  QString base;
  auto flush = [&] {
    if (base.isEmpty()) return;
    if (painter) {
      painter->setFont(font);
      painter->drawText(QPointF(x, origin.y()), base);
    }
    x += fm.horizontalAdvance(base);
    base.clear();
  };
  auto script = [&](qsizetype& i) {  // at '^' or '_'; returns the group's text
    const qsizetype close = src.indexOf(QLatin1Char('}'), i + 2);
    const QString text = src.mid(i + 2, close - i - 2);
    i = close + 1;
    return text;
  };
  for (qsizetype i = 0; i < src.size();) {
    const QChar c = src[i];
    if ((c == QLatin1Char('^') || c == QLatin1Char('_')) && i + 1 < src.size() &&
        src[i + 1] == QLatin1Char('{')) {
      flush();
      QString sup, sub;
      (c == QLatin1Char('^') ? sup : sub) = script(i);
      if (i + 1 < src.size() && (src[i] == QLatin1Char('^') || src[i] == QLatin1Char('_')) &&
          src[i] != c && src[i + 1] == QLatin1Char('{')) {
        (src[i] == QLatin1Char('^') ? sup : sub) = script(i);
      }
      if (painter) {
        painter->setFont(small);
        if (!sup.isEmpty()) painter->drawText(QPointF(x, origin.y() - raise), sup);
        if (!sub.isEmpty()) painter->drawText(QPointF(x, origin.y() + drop), sub);
      }
      x += std::max(fs.horizontalAdvance(sup), fs.horizontalAdvance(sub)) + 1;
      continue;
    }
    base += c;
    ++i;
  }
  flush();
  return x - origin.x();
}

// A left curly brace from `top` to `bottom`, its point at x.
void drawBrace(QPainter& p, qreal x, qreal top, qreal bottom) {
  const qreal w = 7, mid = (top + bottom) / 2;
  QPainterPath path;
  path.moveTo(x + w, top);
  path.cubicTo(x + w / 2 - 1, top, x + w / 2, top + 3, x + w / 2, top + 8);
  path.lineTo(x + w / 2, mid - 6);
  path.cubicTo(x + w / 2, mid - 2, x + 2, mid, x, mid);
  path.cubicTo(x + 2, mid, x + w / 2, mid + 2, x + w / 2, mid + 6);
  path.lineTo(x + w / 2, bottom - 8);
  path.cubicTo(x + w / 2, bottom - 3, x + w / 2 - 1, bottom, x + w, bottom);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Qt::black, 1.3));
  p.drawPath(path);
}

}  // namespace

void paintProblemStatement(QPainter& p, Problem problem, QSize size) {
  p.save();
  p.fillRect(QRect(QPoint(0, 0), size), Qt::white);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setPen(Qt::black);

  const Statement st = statementOf(problem);
  const QFont font = mathFont(10.5);
  const QFontMetricsF fm(font);
  const auto lines = static_cast<qreal>(st.lines.size());
  const qreal pitch = std::min<qreal>(fm.height() * 1.5, (size.height() - 8) / lines);
  const qreal top = (size.height() - pitch * lines) / 2;

  // Name, brace, the equations, then the domains in one aligned column.
  const qreal nameWidth = drawMath(nullptr, {}, st.name, font);
  drawMath(&p, QPointF(10, size.height() / 2.0 + fm.ascent() / 2 - 1), st.name, font);
  const qreal braceX = 10 + nameWidth + 14;
  drawBrace(p, braceX, top + 2, top + pitch * lines - 2);
  const qreal left = braceX + 16;
  qreal widest = 0;
  for (const auto& line : st.lines)
    widest = std::max(widest, drawMath(nullptr, {}, line.first, font));
  const qreal domainX = left + widest + 28;
  for (std::size_t k = 0; k < st.lines.size(); ++k) {
    const qreal baseline =
        top + pitch * static_cast<qreal>(k) + (pitch + fm.ascent() - fm.descent()) / 2;
    drawMath(&p, QPointF(left, baseline), st.lines[k].first, font);
    drawMath(&p, QPointF(domainX, baseline), st.lines[k].second, font);
  }
  p.restore();
}

QImage problemStatementImage(Problem problem, QSize size, qreal dpr) {
  QImage image(QSize(static_cast<int>(std::ceil(size.width() * dpr)),
                     static_cast<int>(std::ceil(size.height() * dpr))),
               QImage::Format_RGB32);
  image.setDevicePixelRatio(dpr);
  image.fill(Qt::white);
  QPainter p(&image);
  paintProblemStatement(p, problem, size);
  return image;
}

ProblemPicture::ProblemPicture(Problem problem, QSize imageSize, QWidget* parent)
    : QFrame(parent), problem_(problem), imageSize_(imageSize) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(2);
}

void ProblemPicture::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  // Kept as an image at the window's device pixel ratio, so that each of its
  // pixels falls on one pixel of the screen, at a fractional ratio too.
  const qreal dpr = devicePixelRatioF();
  if (image_.isNull() || image_.devicePixelRatio() != dpr)
    image_ = problemStatementImage(problem_, imageSize_, dpr);
  QPainter(this).drawImage(contentsRect().topLeft(), image_);
}
