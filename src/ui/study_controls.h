// The controls the study windows share, each named as its objectName: the
// grid fields N, T, K, the physical data a, Epsilon, u0, v0, d, w, phi, and
// the value labels h, Tau, Lambda, Alpha. A window places those it has in its
// own layout (the others stay null); reading the texts and showing a run's
// grid values go through here.
#pragma once

#include <string>

#include "core/studies.h"

class QLineEdit;

namespace ui {

class ValueLabel;

struct StudyControls {
  QLineEdit* TxtN = nullptr;
  QLineEdit* TxtT = nullptr;
  QLineEdit* TxtK = nullptr;
  QLineEdit* Txta = nullptr;
  QLineEdit* TxtEpsilon = nullptr;
  QLineEdit* Txtu0 = nullptr;  // constant data
  QLineEdit* TxtV0 = nullptr;
  QLineEdit* TxtD = nullptr;  // exact-solution data
  QLineEdit* TxtW = nullptr;
  QLineEdit* TxtPhi = nullptr;
  ValueLabel* LblH = nullptr;
  ValueLabel* LblTau = nullptr;
  ValueLabel* LblLambda = nullptr;
  ValueLabel* LblAlpha = nullptr;

  // The typed texts of the fields the window has, into `f`'s members of the
  // same names.
  template <class Fields>
  void read(Fields& f) const {
    f.N = text(TxtN);
    f.T = text(TxtT);
    f.K = text(TxtK);
    f.a = text(Txta);
    if (TxtEpsilon) f.Epsilon = text(TxtEpsilon);
    if constexpr (requires { f.u0; }) {
      if (Txtu0) f.u0 = text(Txtu0);
      if (TxtV0) f.v0 = text(TxtV0);
    }
    if constexpr (requires { f.d; }) {
      if (TxtD) f.d = text(TxtD);
      if (TxtW) f.w = text(TxtW);
      if (TxtPhi) f.phi = text(TxtPhi);
    }
  }
  // h, Tau, Lambda and, where the window has the label, Alpha.
  void show(const core::GridValues& g) const;

  static std::string text(const QLineEdit* field);
};

}  // namespace ui
