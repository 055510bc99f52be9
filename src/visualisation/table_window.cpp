#include "visualisation/table_window.h"

#include <QBoxLayout>

namespace vis {

void TableWindow::chooseScheme(core::Scheme scheme) {
  source_.setScheme(scheme);
  synchronise();
}

void TableWindow::addChooser(QBoxLayout* bar) {
  chooser_ = new SchemeChooser(this, [this](core::Scheme scheme) { chooseScheme(scheme); });
  bar->addWidget(chooser_);
}

}  // namespace vis
