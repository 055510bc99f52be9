// The base of the visualisation windows that show one solution table, SolP0
// or SolPeps: the one chosen in the window's frame "Table" (SchemeChooser),
// followed as study runs replace it.
#pragma once

#include <QWidget>

#include "visualisation/plot_tools.h"
#include "visualisation/solution_source.h"

class QBoxLayout;

namespace vis {

class TableWindow : public QWidget {
  Q_OBJECT

 public:
  core::Scheme scheme() const { return source_.scheme(); }
  const SolutionSource& source() const { return source_; }

 public slots:
  // Shows the table of `scheme`.
  virtual void chooseScheme(core::Scheme scheme);
  // Loads the live table when it changed and brings the window in line.
  virtual void synchronise() = 0;

 protected:
  using QWidget::QWidget;
  // The window's name, title and size (setUpWindow), with the frame "Table"
  // first in its bar.
  WindowLayout setUp(const QString& name, const QString& title, QSize size);
  // Once built: the window opens on the computed table, P0 first.
  void open() { chooseScheme(SchemeChooser::opening()); }
  // The live table, or which tables are computed, changed since the last look.
  bool outdated() const { return source_.changed() || chooser_->outdated(); }

  mutable SolutionSource source_;
  SchemeChooser* chooser_ = nullptr;
};

}  // namespace vis
