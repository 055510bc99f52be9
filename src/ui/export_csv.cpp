#include "ui/export_csv.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <deque>
#include <future>
#include <new>
#include <thread>
#include <utility>

#include "ui/busy_cursor.h"
#include "ui/message.h"
#include "ui/number_text.h"

namespace ui {

// ------------------------------------------------------------------ buffer

CsvBuffer::~CsvBuffer() { std::free(data_); }

CsvBuffer::CsvBuffer(CsvBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)),
      rowStarted_(std::exchange(other.rowStarted_, false)) {}

CsvBuffer& CsvBuffer::operator=(CsvBuffer&& other) noexcept {
  if (this != &other) {
    std::free(data_);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
    rowStarted_ = std::exchange(other.rowStarted_, false);
  }
  return *this;
}

void CsvBuffer::grow(std::size_t atLeast) {
  const std::size_t capacity = std::max<std::size_t>({atLeast, capacity_ * 2, 4096});
  auto* p = static_cast<char*>(std::realloc(data_, capacity));
  if (!p) throw std::bad_alloc();
  data_ = p;
  capacity_ = capacity;
}

char* CsvBuffer::write(char* at, double v) {
  // Shortest round trip; to_chars never uses the locale. 32 bytes hold the
  // longest form (-2.2250738585072014e-308 is 24).
  return std::to_chars(at, at + 32, v).ptr;
}

void CsvBuffer::integer(std::int64_t v) {
  separate();
  reserve(24);
  size_ = static_cast<std::size_t>(std::to_chars(data_ + size_, data_ + size_ + 24, v).ptr - data_);
}

void CsvBuffer::text(std::string_view utf8) {
  separate();
  const bool quote = utf8.find_first_of(",\"\r\n") != std::string_view::npos;
  reserve(utf8.size() * 2 + 2);
  if (quote) data_[size_++] = '"';
  for (char c : utf8) {
    if (c == '"') data_[size_++] = '"';
    data_[size_++] = c;
  }
  if (quote) data_[size_++] = '"';
}

// ---------------------------------------------------------------- sources

void LevelsCsv::csvHeader(CsvBuffer& out) const {
  out.text(std::string_view("n"));
  if (hasTau) out.text(std::string_view("t"));
  char name[40] = "x=";
  for (std::int64_t i = 1; i <= columns; ++i) {
    char* end = CsvBuffer::write(name + 2, h * static_cast<double>(i));
    out.text(std::string_view(name, static_cast<std::size_t>(end - name)));
  }
  out.endRow();
}

void LevelsCsv::csvRow(CsvBuffer& out, std::int64_t row) const {
  out.integer(row);
  if (hasTau) out.number(static_cast<double>(row) * tau);
  const double* v = first + row * stride;
  for (std::int64_t i = 0; i < columns; ++i) out.number(v[i]);
  out.endRow();
}

std::int64_t LinesCsv::csvRows() const { return model_.rowCount(); }

void LinesCsv::csvHeader(CsvBuffer& out) const {
  out.text(std::string_view("ligne"));
  out.endRow();
}

void LinesCsv::csvRow(CsvBuffer& out, std::int64_t row) const {
  out.text(model_.index(static_cast<int>(row), 0).data(Qt::DisplayRole).toString());
  out.endRow();
}

// ------------------------------------------------------------------- write

namespace {

// Fields per block: a few megabytes of text, enough to keep a core busy for
// a while, small enough that the blocks in flight stay modest.
constexpr std::int64_t kBlockFields = std::int64_t{1} << 17;

bool writeAll(QIODevice& device, std::string_view bytes) {
  while (!bytes.empty()) {
    const qint64 n = device.write(bytes.data(), static_cast<qint64>(bytes.size()));
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

void formatBlock(const CsvWritable& source, CsvBuffer& out, std::int64_t first, std::int64_t last) {
  out.clear();
  for (std::int64_t r = first; r < last; ++r) source.csvRow(out, r);
}

}  // namespace

bool writeCsv(const CsvWritable& source, QIODevice& device) {
  CsvBuffer buffer;
  source.csvHeader(buffer);
  if (!writeAll(device, buffer.view())) return false;

  const std::int64_t rows = source.csvRows();
  const std::int64_t fields = std::max<std::int64_t>(1, source.csvFieldsPerRow());
  const std::int64_t blockRows = std::max<std::int64_t>(1, kBlockFields / fields);
  const std::int64_t blocks = (rows + blockRows - 1) / blockRows;
  const auto workers = static_cast<std::size_t>(std::max(1u, std::thread::hardware_concurrency()));

  if (blocks <= 1 || workers == 1 || !source.csvRowsOnWorkers()) {
    for (std::int64_t b = 0; b < blocks; ++b) {
      formatBlock(source, buffer, b * blockRows, std::min(rows, (b + 1) * blockRows));
      if (!writeAll(device, buffer.view())) return false;
    }
    return true;
  }

  // Blocks are formatted on worker threads, a few ahead of the one being
  // written; the writer takes them in order and hands each buffer back to
  // the next block, so memory is allocated once per block in flight.
  auto launch = [&source, rows, blockRows](std::int64_t b, CsvBuffer buf) {
    return std::async(
        std::launch::async, [&source, rows, blockRows, b, buf = std::move(buf)]() mutable {
          formatBlock(source, buf, b * blockRows, std::min(rows, (b + 1) * blockRows));
          return std::move(buf);
        });
  };
  std::deque<std::future<CsvBuffer>> inFlight;
  std::int64_t next = 0;
  while (next < blocks && inFlight.size() < 2 * workers)
    inFlight.push_back(launch(next++, CsvBuffer()));
  bool ok = true;
  while (!inFlight.empty()) {
    CsvBuffer done = inFlight.front().get();  // rethrows a worker's failure
    inFlight.pop_front();
    if (ok) ok = writeAll(device, done.view());
    if (ok && next < blocks) inFlight.push_back(launch(next++, std::move(done)));
  }
  return ok;
}

QString frenchFileError(const QIODevice& device) {
  const auto* file = qobject_cast<const QFileDevice*>(&device);
  const QFileDevice::FileError error = file ? file->error() : QFileDevice::WriteError;
  switch (error) {
    case QFileDevice::OpenError:
      return QStringLiteral(
          "le fichier ne peut pas être créé (dossier absent, nom invalide ou accès refusé)");
    case QFileDevice::PermissionsError:
      return QStringLiteral("l'accès au fichier est refusé");
    case QFileDevice::ResourceError:
      return QStringLiteral("l'espace disque ou les ressources du système sont épuisés");
    case QFileDevice::RenameError:
    case QFileDevice::CopyError:
    case QFileDevice::RemoveError:
      return QStringLiteral("le fichier écrit n'a pas pu remplacer l'ancien");
    default:
      return QStringLiteral("l'écriture a échoué (disque plein ou support retiré ?)");
  }
}

QString saveCsv(const CsvWritable& source, const QString& fileName) {
  QSaveFile file(fileName);
  if (!file.open(QIODevice::WriteOnly)) return frenchFileError(file);
  bool written = false;
  try {
    written = writeCsv(source, file);
  } catch (const std::bad_alloc&) {
    file.cancelWriting();
    return QStringLiteral("la mémoire manque pour préparer le fichier");
  }
  return finishSave(file, written);
}

QString finishSave(QSaveFile& file, bool written, const QString& notWritten) {
  const bool failed = file.error() != QFileDevice::NoError;
  if (!written || failed) {
    const QString reason = failed || notWritten.isEmpty() ? frenchFileError(file) : notWritten;
    file.cancelWriting();
    return reason;
  }
  if (!file.commit()) return frenchFileError(file);
  return {};
}

// ------------------------------------------------------------------ dialog

namespace {

SaveFileNameProvider& provider() {
  static SaveFileNameProvider p;
  return p;
}

QString& lastDirectory() {
  static QString dir;
  return dir;
}

QString suffixOf(const QString& filter) {
  static const QRegularExpression ext(QStringLiteral("\\*\\.(\\w+)"));
  const auto m = ext.match(filter);
  return m.hasMatch() ? m.captured(1) : QString();
}

}  // namespace

void setSaveFileNameProvider(SaveFileNameProvider p) { provider() = std::move(p); }

QString askSaveFileName(QWidget* parent, const QString& title, const QStringList& filters,
                        QString* chosenFilter) {
  QString selected = filters.value(0);
  QString name;
  if (provider()) {
    name = provider()(parent, title, filters, &selected);
  } else {
    if (lastDirectory().isEmpty()) {
      lastDirectory() = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
      if (lastDirectory().isEmpty()) lastDirectory() = QDir::homePath();
    }
    name = QFileDialog::getSaveFileName(parent, title, lastDirectory(),
                                        filters.join(QStringLiteral(";;")), &selected);
  }
  if (name.isEmpty()) return {};
  const QFileInfo info(name);
  if (info.suffix().isEmpty()) {
    const QString suffix = suffixOf(selected);
    if (!suffix.isEmpty()) name += QLatin1Char('.') + suffix;
  }
  lastDirectory() = QFileInfo(name).absolutePath();
  if (chosenFilter) *chosenFilter = selected;
  return name;
}

void saveListAs(QWidget* parent, const QAbstractItemModel* model) {
  if (!model) return;
  if (const auto* own = dynamic_cast<const CsvWritable*>(model)) {
    saveCsvAs(parent, *own);
  } else {
    saveCsvAs(parent, LinesCsv(*model));
  }
}

void saveCsvAs(QWidget* parent, const CsvWritable& source) {
  const QString name = askSaveFileName(parent, QStringLiteral("Enregistrer sous"),
                                       {QStringLiteral("Fichiers CSV (*.csv)")});
  if (name.isEmpty()) return;
  writeOrSay(
      parent, name, [&] { return saveCsv(source, name); }, core::fail::fileNotSaved);
}

void writeOrSay(QWidget* parent, const QString& fileName, const std::function<QString()>& write,
                SaveFailure failure) {
  BusyCursor busy(true);
  const QString reason = write();
  busy.release();
  if (!reason.isEmpty())
    showFailure(parent, failure(toStd(QDir::toNativeSeparators(fileName)), toStd(reason)));
}

}  // namespace ui
