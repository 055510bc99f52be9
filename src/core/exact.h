// The exact solution uexacte(x, t) = sin(Pi x) d cos(w t + phi) and the data
// derived from it, evaluated at the grid points x_i = i*h as the consistency
// and error studies need them.
#pragma once

#include <cstdint>
#include <vector>

#include "core/study_state.h"

namespace core {

// sin(Pi*x_i)*d for i = 0 .. floor(N), computed as sin(h*(i*Pi))*d. It does not
// change within a run, so a run computes it once.
std::vector<double> spaceFactors(const StudyState& s);
// sin(Pi*x_i) alone, computed as sin(h*(i*Pi)).
double sinPiX(const StudyState& s, std::int64_t i);

// Row 1: uo(x_i) = cos(phi)*(sin(Pi*x_i)*d).
void writeInitialExact(const StudyState& s, Table2& sol);
// Row 2 of SolPeps: row 1 + Tau*vo(x_i), vo = ((((-1)*d)*w)*sin(Pi*x_i))*sin(phi).
void writeSecondExact(const StudyState& s, Table2& sol);

// SourceVec(i) for the step that produces row m (time (m - 2)*Tau), with
// theta = (w*(m - 2))*Tau + phi.
//   P0:       (sin(Pi*x_i)*d)*((-w)*sin(theta) + (a*(Pi*Pi))*cos(theta))
//   Pepsilon: (sin(Pi*x_i)*d)*((((-Epsilon)*(w*w))*cos(theta) - w*sin(theta)) +
//   (a*(Pi*Pi))*cos(theta))
// `factors` comes from spaceFactors().
void fillSourceF(StudyState& s, std::int64_t m, const std::vector<double>& factors);
// The factor of f (feps) that does not depend on x, for the step producing row m:
// SourceVec(i) = factors[i]*sourceTimeF(s, m).
double sourceTimeF(const StudyState& s, std::int64_t m);
double sourceTimeFeps(const StudyState& s, std::int64_t m);
void fillSourceFeps(StudyState& s, std::int64_t m, const std::vector<double>& factors);

// uexacte(x_i, T) = cos(w*T + phi)*(d*sin(Pi*x_i)), with T the stored duration.
double exactAtT(const StudyState& s, std::int64_t i);

}  // namespace core
