// The student guide FrmGuide ("Guide de l'étudiant"): a French help text
// with one worked example per study. Each example's "Essayer" link opens the
// study window with the example typed in its fields; nothing is computed.
// F1 opens the guide from any window of the program.
#pragma once

#include <QString>
#include <QWidget>
#include <utility>
#include <vector>

class QTextBrowser;
class QUrl;
enum class WindowKind;

struct GuideExample {
  QString id;  // the link "essayer:<id>"
  WindowKind window;
  // Fields by name and the text typed in each, in tab order; an entry whose
  // name starts with "Option" is an option button to select.
  std::vector<std::pair<QString, QString>> fields;
};

// The worked examples, one per study window.
const std::vector<GuideExample>& guideExamples();

// The guide's text, with each example's values written in.
QString guideHtml();

// Opens the example's study window (created if needed) and types its values;
// returns the window, or nullptr for an unknown example.
QWidget* tryGuideExample(const QString& id);

// F1 anywhere in the program shows the guide (an application-wide filter);
// while a modal message box is up, F1 is left to it.
void installGuideShortcut();

class GuideWindow : public QWidget {
  Q_OBJECT

 public:
  explicit GuideWindow(QWidget* parent = nullptr);
  QTextBrowser* browser() const { return TxtGuide; }

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void followLink(const QUrl& url);
  // Sets the text, its title and links shaded for the palette, at the same scroll place.
  void showText();

  QTextBrowser* TxtGuide;
};
