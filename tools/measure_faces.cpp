// Measures candidate faces against every caption of the windows: for each
// font file given, the face's captions at their given point sizes, the worst
// overflow (pixels a caption needs beyond its room) and how many overflow.
//   QT_QPA_PLATFORM=offscreen build/tests/stability/measure_faces FILE.ttf...
#include <QApplication>
#include <QFontDatabase>
#include <QTextStream>
#include <memory>
#include <vector>

#include "app/windows.h"
#include "consistency/consistency_window.h"
#include "epsilon_error/epsilon_error_window.h"
#include "shell/form1.h"
#include "stability/stability_window.h"
#include "caption_fit.h"
#include "ui/typeface.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QTextStream out(stdout);
  out << "| face | captions | overflowing | worst overflow (px) | worst caption "
         "|\n|---|---|---|---|---|\n";
  for (int i = 1; i < argc; ++i) {
    const int id = QFontDatabase::addApplicationFont(QString::fromLocal8Bit(argv[i]));
    const QString family = QFontDatabase::applicationFontFamilies(id).value(0);
    ui::setTypefaceFamily(family);
    std::vector<std::unique_ptr<QWidget>> windows;
    windows.emplace_back(new Form1);
    windows.emplace_back(new StabilityWindow(core::Scheme::P0));
    windows.emplace_back(new StabilityWindow(core::Scheme::Peps));
    windows.emplace_back(new ConsistencyWindow(core::Scheme::P0));
    windows.emplace_back(new ConsistencyWindow(core::Scheme::Peps));
    windows.emplace_back(new EpsilonErrorWindow);
    int count = 0, over = 0, worst = -1000;
    QString worstText;
    for (auto& w : windows) {
      for (const test::CaptionFit& c : test::captionFits(w.get())) {
        ++count;
        if (c.overflow() > 0) ++over;
        if (c.overflow() > worst) {
          worst = c.overflow();
          worstText = w->objectName() + QStringLiteral(": \"") + c.text + QStringLiteral("\"");
        }
      }
    }
    out << "| " << family << " | " << count << " | " << over << " | " << worst << " | " << worstText
        << " |\n";
    // Every overflowing caption of this face, for the record.
    for (auto& w : windows)
      for (const test::CaptionFit& c : test::captionFits(w.get()))
        if (c.overflow() > 0)
          out << "|   | " << w->objectName() << " | \"" << c.text << "\" | " << c.overflow()
              << " | |\n";
  }
  return 0;
}
