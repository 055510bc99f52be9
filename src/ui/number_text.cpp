#include "ui/number_text.h"

#include <QLocale>

#include "core/numeric.h"

namespace ui {

std::string decimalMark() { return QLocale().decimalPoint().toStdString(); }

QString fixed(double value, int decimals) {
  return fromStd(core::formatFixed(value, decimals, decimalMark()));
}

}  // namespace ui
