#include "ui/study_controls.h"

#include <QLineEdit>

#include "ui/controls.h"
#include "ui/number_text.h"

namespace ui {

void StudyControls::show(const core::GridValues& g) const {
  LblH->showNumber(g.h);
  LblTau->showNumber(g.Tau);
  LblLambda->showNumber(g.Lambda);
  if (LblAlpha) LblAlpha->showNumber(g.Alpha);
}

std::string StudyControls::text(const QLineEdit* field) { return toStd(field->text()); }

}  // namespace ui
