// "Rapport de séance…": the whole session in one file a student can hand in,
// a PDF (A4, numbered pages) or a self-contained HTML page (its images inside
// it). Every run of the journal in order with its data as typed, its grid
// values and its outcome; the convergence plots with their slopes; for each
// solution table still computed, its evolution at the last level and its
// space-time map; for each stability run, the verdict of its amplification
// factors that the modes window gives. The images are drawn by the windows' own drawing functions,
// the ones the image export uses, so the report and the screen agree.
#pragma once

#include <QDateTime>
#include <QString>

#include "core/failure.h"
#include "core/journal.h"

class QTextDocument;
class QWidget;

namespace vis {

enum class ReportFormat { Pdf, Html };

// The report's HTML; images as data URIs when `inlineImages`, else as
// resources of `document` (the PDF's path).
QString reportHtml(const QDateTime& when, bool inlineImages,
                   class QTextDocument* document = nullptr);

// Writes the report through a save file: a failed write leaves no file.
// Empty on success, else the French reason.
QString writeReport(const QString& fileName, ReportFormat format,
                    const QDateTime& when = QDateTime::currentDateTime());

// The menu item: the standard file dialog (PDF or HTML), the report, and a
// French message if it could not be written.
void saveReportAs(QWidget* parent);

}  // namespace vis
