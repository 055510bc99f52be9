// The decimal mark of the user's locale and the conversions between the
// core's strings and the windows' texts. Typed text is read by the core with
// the point; shown numbers use the locale's mark.
#pragma once

#include <QString>
#include <string>

namespace ui {

// The locale's decimal mark, as the core's formatting takes it.
std::string decimalMark();

inline QString fromStd(const std::string& s) { return QString::fromStdString(s); }
inline std::string toStd(const QString& s) { return s.toStdString(); }

// `value` with `decimals` digits after the locale's mark, rounded as the
// display patterns say ("0.00000" is 5).
QString fixed(double value, int decimals);

}  // namespace ui
