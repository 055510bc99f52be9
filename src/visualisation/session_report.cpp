#include "visualisation/session_report.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <QUrl>

#include "core/modes.h"
#include "core/numeric.h"
#include "shell/mod_general.h"
#include "ui/export_csv.h"
#include "ui/export_image.h"
#include "ui/message.h"
#include "ui/number_text.h"
#include "visualisation/carte_window.h"
#include "visualisation/convergence_window.h"
#include "visualisation/evolution_window.h"
#include "visualisation/solution_source.h"

namespace vis {

namespace {

// Images at twice their logical size: sharp on paper and on a fine screen.
constexpr qreal kImageScale = 2;
constexpr int kPageWidth = 640;

QString studyTitle(const core::SessionRun& r) {
  const QString scheme =
      r.scheme == core::Scheme::P0 ? QStringLiteral("P0") : QStringLiteral("Pepsilon");
  switch (r.study) {
    case core::Study::Stability:
      return QStringLiteral("Stabilité, schéma %1").arg(scheme);
    case core::Study::ConsistencyTime:
      return r.orders ? QStringLiteral("Ordres qi, schéma %1 (h fixé)").arg(scheme)
                      : QStringLiteral("Consistance, schéma %1 (h fixé)").arg(scheme);
    case core::Study::ConsistencySpace:
      return r.orders ? QStringLiteral("Ordres pi, schéma %1 (Tau fixé)").arg(scheme)
                      : QStringLiteral("Consistance, schéma %1 (Tau fixé)").arg(scheme);
    case core::Study::Error:
      return QStringLiteral("Erreur entre Ueps/k et Uo");
  }
  return QString();
}

QString esc(const std::string& text) { return ui::fromStd(text).toHtmlEscaped(); }

QString runHtml(int number, const core::SessionRun& r) {
  QString html = QStringLiteral("<h3>%1. %2</h3>\n").arg(number).arg(studyTitle(r).toHtmlEscaped());
  if (!r.orders) {
    QStringList typed;
    for (const core::TypedValue& v : r.typed)
      typed << QStringLiteral("%1 = %2").arg(esc(v.name), esc(v.text));
    html += QStringLiteral("<p>Données saisies : %1</p>\n").arg(typed.join(QStringLiteral(" ; ")));
    const bool alpha = r.scheme == core::Scheme::Peps || r.study == core::Study::Error;
    html += QStringLiteral("<p>h = %1 ; Tau = %2 ; Lambda = %3")
                .arg(ui::fixed(r.grid.h, 5), ui::fixed(r.grid.Tau, 5), ui::fixed(r.grid.Lambda, 5));
    if (alpha) html += QStringLiteral(" ; Alpha = %1").arg(ui::fixed(r.grid.Alpha, 5));
    html += QStringLiteral("</p>\n");
    QString outcome;
    if (!r.failure.empty())
      outcome = QStringLiteral("dépassement : %1").arg(esc(r.failure));
    else if (!r.completed)
      outcome = QStringLiteral("calcul arrêté avant la fin");
    else
      outcome = QStringLiteral("%1 niveaux de temps calculés").arg(r.levels);
    html += QStringLiteral("<p>Résultat : %1</p>\n").arg(outcome);
    if (r.study == core::Study::Stability && r.grid.h > 0) {
      // The grid's N interior points: h = 1/(N + 1).
      const std::int64_t N = core::roundHalfEven(1.0 / r.grid.h) - 1;
      const QString verdict =
          esc(core::stabilityVerdict(r.scheme, r.grid.Lambda, r.grid.Alpha, N, ui::decimalMark()));
      html += QStringLiteral("<p>Verdict des modes : %1</p>\n")
                  .arg(QString(verdict).replace(QLatin1Char('\n'), QStringLiteral("<br>")));
    }
  } else if (!r.failure.empty()) {
    html += QStringLiteral("<p>Dépassement : %1</p>\n").arg(esc(r.failure));
  }
  if (!r.lines.empty()) {
    html += QStringLiteral("<pre>");
    for (const std::string& line : r.lines) html += esc(line) + QLatin1Char('\n');
    html += QStringLiteral("</pre>\n");
  }
  return html;
}

// One drawing as an <img>: a data URI, or a resource of the document.
class Figures {
 public:
  Figures(bool inlineImages, QTextDocument* document)
      : inline_(inlineImages), document_(document) {}

  template <class Window>
  QString image(const Window& window, QSize size, const QString& alt) {
    const QImage img = ui::drawnImage(
        size, kImageScale,
        [&window](QPainter& p, const QSize& logical) {
          window.render(p, QRectF(QPointF(0, 0), QSizeF(logical)));
        },
        QImage::Format_RGB32);
    QString src;
    if (inline_) {
      QByteArray png;
      QBuffer buffer(&png);
      buffer.open(QIODevice::WriteOnly);
      img.save(&buffer, "PNG", 80);
      src = QStringLiteral("data:image/png;base64,") + QString::fromLatin1(png.toBase64());
    } else {
      src = QStringLiteral("figure:%1").arg(++count_);
      if (document_) document_->addResource(QTextDocument::ImageResource, QUrl(src), img);
    }
    // On paper the drawing takes the text's width (17 cm of A4 at 96 pixels
    // per inch); in a browser its own size, shrunk to the window if need be.
    const int width = inline_ ? size.width() : kPageWidth;
    return QStringLiteral(
               "<p><img src=\"%1\" width=\"%2\" height=\"%3\" alt=\"%4\" "
               "style=\"max-width: 100%; height: auto\"></p>\n")
        .arg(src)
        .arg(width)
        .arg(qRound(width * size.height() / double(size.width())))
        .arg(alt.toHtmlEscaped());
  }

 private:
  bool inline_;
  QTextDocument* document_;
  int count_ = 0;
};

}  // namespace

QString reportHtml(const QDateTime& when, bool inlineImages, QTextDocument* document) {
  const QLocale french(QLocale::French, QLocale::France);
  const QString program = QStringLiteral("Orvalend, version " ORV_VERSION);
  QString html = QStringLiteral(
                     "<!DOCTYPE html>\n<html lang=\"fr\"><head><meta charset=\"utf-8\">"
                     "<title>Rapport de séance</title></head><body>\n"
                     "<h1>Rapport de séance</h1>\n<p>%1 — %2</p>\n")
                     .arg(french.toString(when, QStringLiteral("dddd d MMMM yyyy, HH:mm")),
                          program.toHtmlEscaped());
  Figures figures(inlineImages, document);

  const std::vector<core::SessionRun>& session = ModGeneral::journal().session();
  html += QStringLiteral("<h2>Calculs de la séance</h2>\n");
  if (session.empty()) html += QStringLiteral("<p>Aucun calcul n'a été fait.</p>\n");
  for (std::size_t i = 0; i < session.size(); ++i)
    html += runHtml(static_cast<int>(i) + 1, session[i]);

  ConvergenceWindow convergence;
  QStringList slopes;
  for (int k = 0; k < static_cast<int>(ConvergenceWindow::panels().size()); ++k) {
    const QString slope = convergence.slopeText(k);
    if (!slope.isEmpty())
      slopes << QStringLiteral("<li>%1 : %2</li>")
                    .arg(ConvergenceWindow::panels()[static_cast<std::size_t>(k)]
                             .title.toHtmlEscaped(),
                         slope.toHtmlEscaped());
  }
  if (!slopes.isEmpty()) {
    html += QStringLiteral("<h2>Courbes de convergence</h2>\n<ul>%1</ul>\n")
                .arg(slopes.join(QString()));
    html += figures.image(convergence, QSize(900, 600), QStringLiteral("Courbes de convergence"));
  }

  for (core::Scheme scheme : {core::Scheme::P0, core::Scheme::Peps}) {
    if (!SolutionSource::computed(scheme)) continue;
    const QString name =
        scheme == core::Scheme::P0 ? QStringLiteral("SolP0") : QStringLiteral("SolPeps");
    html += QStringLiteral("<h2>Table %1</h2>\n").arg(name);
    EvolutionWindow evolution;
    evolution.chooseScheme(scheme);
    // The runs kept in the open evolution window are drawn with the table it shows.
    const auto* shown =
        qobject_cast<const EvolutionWindow*>(ModGeneral::window(WindowKind::FrmEvolution));
    if (shown && shown->scheme() == scheme && !shown->kept().runs().empty()) {
      evolution.setKept(shown->kept());
      QStringList kept;
      for (const KeptRun& run : shown->kept().runs()) kept << run.data().toHtmlEscaped();
      html += QStringLiteral("<p>Courbes gardées pour comparer : %1.</p>\n")
                  .arg(kept.join(QStringLiteral(" ; ")));
    }
    evolution.setLevel(static_cast<int>(evolution.source().levels() - 1));
    html += figures.image(evolution, QSize(760, 440),
                          QStringLiteral("%1 au dernier niveau calculé").arg(name));
    MapWindow map;
    map.chooseScheme(scheme);
    html +=
        figures.image(map, QSize(760, 440), QStringLiteral("Carte espace–temps de %1").arg(name));
  }
  html += QStringLiteral("</body></html>\n");
  return html;
}

QString writeReport(const QString& fileName, ReportFormat format, const QDateTime& when) {
  QSaveFile file(fileName);
  if (!file.open(QIODevice::WriteOnly)) return ui::frenchFileError(file);
  if (format == ReportFormat::Html) {
    file.write(reportHtml(when, true).toUtf8());
  } else {
    QTextDocument document;
    document.setHtml(reportHtml(when, false, &document));
    QPdfWriter pdf(&file);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setResolution(300);
    pdf.setTitle(QStringLiteral("Rapport de séance"));
    pdf.setCreator(QCoreApplication::applicationName());
    // QTextDocument::print lays the text out on the page and numbers the pages.
    document.print(&pdf);
  }
  return ui::finishSave(file, true);
}

void saveReportAs(QWidget* parent) {
  QString filter;
  const QString name = ui::askSaveFileName(
      parent, QStringLiteral("Rapport de séance"),
      {QStringLiteral("Document PDF (*.pdf)"), QStringLiteral("Page HTML (*.html)")}, &filter);
  if (name.isEmpty()) return;
  const ReportFormat format = name.endsWith(QStringLiteral(".html"), Qt::CaseInsensitive) ||
                                      name.endsWith(QStringLiteral(".htm"), Qt::CaseInsensitive)
                                  ? ReportFormat::Html
                                  : ReportFormat::Pdf;
  ui::writeOrSay(
      parent, name, [&] { return writeReport(name, format); }, core::fail::reportNotWritten);
}

}  // namespace vis
