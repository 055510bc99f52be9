#include "guide/guide_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "core/modes.h"
#include "shell/mod_general.h"
#include "ui/colours.h"
#include "ui/event_filter.h"
#include "ui/typeface.h"

namespace {

QString fieldCaption(const QString& name) {
  if (name == QLatin1String("Txtu0")) return QStringLiteral("u0");
  if (name == QLatin1String("TxtV0")) return QStringLiteral("v0");
  if (name == QLatin1String("TxtEpsilon")) return QStringLiteral("ε");
  if (name == QLatin1String("TxtPhi")) return QStringLiteral("phi");
  if (name == QLatin1String("TxtD")) return QStringLiteral("d");
  if (name == QLatin1String("TxtW")) return QStringLiteral("w");
  if (name == QLatin1String("TxtR")) return QStringLiteral("R");
  return name.mid(3);  // TxtN → N, TxtT → T, TxtK → K, Txta → a
}

// The values as the guide writes them: "N = 3, T = 1, …", decimal comma.
QString describe(const GuideExample& e) {
  QStringList parts;
  for (const auto& [name, text] : e.fields) {
    if (name.startsWith(QLatin1String("Option"))) continue;
    QString shown = text;
    shown.replace(QLatin1Char('.'), QLatin1Char(','));
    QString caption = fieldCaption(name);
    if (e.window == WindowKind::FrmErreurEps0 && name == QLatin1String("TxtR"))
      caption = QStringLiteral("k");
    parts << caption + QStringLiteral(" = ") + shown;
  }
  return parts.join(QStringLiteral(", "));
}

}  // namespace

const std::vector<GuideExample>& guideExamples() {
  using Fields = std::vector<std::pair<QString, QString>>;
  // The consistency example: the same data for both schemes, Pepsilon's
  // Epsilon typed before R and S as the tab order goes.
  const auto consistency = [](const Fields& epsilon) {
    Fields f{{"TxtN", "4"}, {"TxtT", "0.1"}, {"TxtK", "400"}, {"Txta", "1"},
             {"TxtD", "1"}, {"TxtW", "1"},   {"TxtPhi", "0"}};
    f.insert(f.end(), epsilon.begin(), epsilon.end());
    f.insert(f.end(), {{"TxtR", "0"}, {"TxtS", "0"}});
    return f;
  };
  // Typed with a point, as the fields read numbers.
  static const std::vector<GuideExample> examples{
      {QStringLiteral("stabp0"),
       WindowKind::frmstabp0,
       {{"TxtN", "3"}, {"TxtT", "1"}, {"TxtK", "16"}, {"Txta", "0.5"}, {"Txtu0", "1"}}},
      {QStringLiteral("stabpeps"),
       WindowKind::frmstabpeps,
       {{"TxtN", "3"},
        {"TxtT", "1"},
        {"TxtK", "16"},
        {"Txta", "0.5"},
        {"Txtu0", "1"},
        {"TxtV0", "0"},
        {"TxtEpsilon", "0.0625"}}},
      {QStringLiteral("consistp0"), WindowKind::frmConsistP0, consistency({})},
      {QStringLiteral("consistpeps"), WindowKind::FrmConsistPepsilon,
       consistency({{"TxtEpsilon", "0.001"}})},
      {QStringLiteral("erreur"),
       WindowKind::FrmErreurEps0,
       {{"TxtN", "9"},
        {"TxtT", "0.5"},
        {"TxtK", "500"},
        {"Txta", "1"},
        {"TxtEpsilon", "0.01"},
        {"OptionChoix_0", ""},
        {"Txtu0", "1"},
        {"TxtV0", "0"},
        {"TxtR", "1"}}},
      {QStringLiteral("modesp0n3"),
       WindowKind::frmstabp0,
       {{"TxtN", "3"}, {"TxtT", "12.5"}, {"TxtK", "200"}, {"Txta", "0.55"}, {"Txtu0", "1"}}},
      {QStringLiteral("modesp0n49"),
       WindowKind::frmstabp0,
       {{"TxtN", "49"}, {"TxtT", "0.408"}, {"TxtK", "2000"}, {"Txta", "1"}, {"Txtu0", "1"}}},
      {QStringLiteral("modespeps"),
       WindowKind::frmstabpeps,
       {{"TxtN", "9"},
        {"TxtT", "7"},
        {"TxtK", "500"},
        {"Txta", "1"},
        {"Txtu0", "1"},
        {"TxtV0", "0"},
        {"TxtEpsilon", "0.014"}}},
  };
  return examples;
}

QString guideHtml() {
  Q_INIT_RESOURCE(guide);  // the text lives in a static library's resources
  QFile file(QStringLiteral(":/guide/guide.html"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  QString html = QString::fromUtf8(file.readAll());
  for (const GuideExample& e : guideExamples())
    html.replace(QStringLiteral("{{%1}}").arg(e.id), describe(e));
  html.replace(QStringLiteral("{{modesrule}}"),
               QString::fromStdString(core::stabilityColourRule()).toHtmlEscaped());
  return html;
}

QWidget* tryGuideExample(const QString& id) {
  for (const GuideExample& e : guideExamples()) {
    if (e.id != id) continue;
    QWidget* w = ModGeneral::showWindow(e.window);
    if (!w) return nullptr;
    for (const auto& [name, text] : e.fields) {
      if (name.startsWith(QLatin1String("Option"))) {
        // click() rather than setChecked: the window shows the matching frame.
        if (auto* b = w->findChild<QAbstractButton*>(name); b && !b->isChecked()) b->click();
      } else if (auto* field = w->findChild<QLineEdit*>(name)) {
        field->setText(text);
      }
    }
    return w;
  }
  return nullptr;
}

void installGuideShortcut() {
  static QObject* filter = nullptr;
  if (filter) return;
  filter = ui::functionFilter(qApp, [](QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier ||
        QApplication::activeModalWidget())
      return false;
    ModGeneral::showWindow(WindowKind::FrmGuide);
    return true;
  });
  qApp->installEventFilter(filter);
}

GuideWindow::GuideWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("FrmGuide"));
  setWindowTitle(QStringLiteral("Guide de l'étudiant"));
  TxtGuide = new QTextBrowser(this);
  TxtGuide->setObjectName(QStringLiteral("TxtGuide"));
  TxtGuide->setAccessibleName(QStringLiteral("Guide de l'étudiant"));
  TxtGuide->setAccessibleDescription(
      QStringLiteral("Texte d'aide : chaque étude avec un exemple ; le lien « Essayer » ouvre la "
                     "fenêtre de l'étude avec l'exemple saisi."));
  // The program's face, a little larger than the windows' captions, for reading.
  TxtGuide->setFont(ui::typeface(10));
  TxtGuide->setOpenLinks(false);  // "Essayer" links open windows, anchors scroll
  showText();
  connect(TxtGuide, &QTextBrowser::anchorClicked, this, &GuideWindow::followLink);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(TxtGuide);
  resize(640, 560);
}

void GuideWindow::showText() {
  QString html = guideHtml();
  QString links;
  if (ui::darkScheme()) {
    // Colours fixed in the text are read at parse time: shade them for the
    // field (its own palette is brought up to date only after this window's).
    const QPalette palette = QApplication::palette(TxtGuide);
    const QColor base = palette.color(QPalette::Base);
    html.replace(QStringLiteral("#c00000"), ui::shade(QColor(0xc0, 0, 0), base).name());
    links = QStringLiteral("a { color: %1; }")
                .arg(ui::shade(palette.color(QPalette::Link), base).name());
  }
  const int at = TxtGuide->verticalScrollBar()->value();
  TxtGuide->document()->setDefaultStyleSheet(links);
  TxtGuide->setHtml(html);
  TxtGuide->verticalScrollBar()->setValue(at);
}

void GuideWindow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::PaletteChange) showText();
  QWidget::changeEvent(event);
}

void GuideWindow::followLink(const QUrl& url) {
  if (url.scheme() == QLatin1String("essayer")) {
    tryGuideExample(url.path());
  } else if (url.hasFragment() && url.path().isEmpty()) {
    TxtGuide->scrollToAnchor(url.fragment());
  }
}
