#include "visualisation/table_window.h"

#include <QBoxLayout>

namespace vis {

void TableWindow::chooseScheme(core::Scheme scheme) {
  source_.setScheme(scheme);
  synchronise();
}

WindowLayout TableWindow::setUp(const QString& name, const QString& title, QSize size) {
  const WindowLayout layout = setUpWindow(this, name, title, size);
  chooser_ = new SchemeChooser(this, [this](core::Scheme scheme) { chooseScheme(scheme); });
  layout.bar->addWidget(chooser_);
  return layout;
}

}  // namespace vis
