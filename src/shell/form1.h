// The main window Form1: the subject, the two problem statements and the menu
// bar, the only way into the study windows. It computes nothing; its load
// step stores Pi in the study state.
#pragma once

#include <QMainWindow>
#include <functional>

class QAction;
enum class WindowKind;

class Form1 : public QMainWindow {
  Q_OBJECT

 public:
  explicit Form1(QWidget* parent = nullptr);

  // How "Quitter" finally ends the process once every window is gone and
  // any running computation has been told to stop. Tests replace it.
  static void setProgramEnd(std::function<void()> end);

 public slots:
  // "Fichier" › "Quitter": ends the program at once.
  void quitProgram();

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void buildContents();
  void buildMenus();
  QAction* addItem(QMenu* menu, const char* name, const QString& caption, WindowKind kind);
};
