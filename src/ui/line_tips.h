// Any item view's line that is wider than the view's viewport can be read
// whole in a tooltip: an event filter on the viewport measures the line under
// the mouse with the view's own font and shows it (broken at blanks into
// lines of a readable length) only when some of it is hidden.
#pragma once

#include <QObject>
#include <QString>

class QAbstractItemView;
class QModelIndex;

namespace ui {

class LineTips : public QObject {
  Q_OBJECT

 public:
  // Installs itself on the view's viewport; owned by the view.
  explicit LineTips(QAbstractItemView* view);

  // True when some of the line of `index` lies outside the viewport.
  static bool lineHidden(const QAbstractItemView* view, const QModelIndex& index);
  // The tooltip text of a line: the line itself, broken at blanks into
  // pieces of at most `width` characters.
  static QString tipText(const QString& line, int width = 100);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QAbstractItemView* view_;
};

}  // namespace ui
