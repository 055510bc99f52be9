// CSV export of result lists: numbers at full precision (the shortest text
// that reads back as the same double, with a point whatever the locale),
// RFC 4180 quoting and CRLF line ends. Lists offer "Enregistrer sous…" in
// their context menu; the file is written only when the user asks, through
// the standard file dialog (or the name a test supplies).
#pragma once

#include <QString>
#include <QStringList>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class QAbstractItemModel;
class QIODevice;
class QSaveFile;
class QWidget;

namespace core {
struct Failure;
}

namespace ui {

// Builds CSV text in memory, one row at a time; fields are separated by
// commas, rows end with CR LF.
class CsvBuffer {
 public:
  // The shortest decimal text that reads back as exactly `v` (std::to_chars),
  // a point as decimal mark; inf, -inf and nan for the non-finite values.
  void number(double v) {
    separate();
    reserve(32);
    if (v == 0.0) {  // common in long runs that decay; -0.0 keeps its sign
      if (std::signbit(v)) data_[size_++] = '-';
      data_[size_++] = '0';
      return;
    }
    char* end = write(data_ + size_, v);
    size_ = static_cast<std::size_t>(end - data_);
  }
  void integer(std::int64_t v);
  // A text field, quoted when it holds a comma, a quote, CR or LF (quotes doubled).
  void text(std::string_view utf8);
  void text(const QString& s) { text(std::string_view(s.toStdString())); }
  void endRow() {
    reserve(2);
    data_[size_++] = '\r';
    data_[size_++] = '\n';
    rowStarted_ = false;
  }

  std::string_view view() const { return {data_, size_}; }
  std::size_t size() const { return size_; }
  void clear() {
    size_ = 0;
    rowStarted_ = false;
  }

  CsvBuffer() = default;
  ~CsvBuffer();
  CsvBuffer(const CsvBuffer&) = delete;
  CsvBuffer& operator=(const CsvBuffer&) = delete;
  CsvBuffer(CsvBuffer&& other) noexcept;
  CsvBuffer& operator=(CsvBuffer&& other) noexcept;

  static char* write(char* at, double v);

 private:
  void separate() {
    if (rowStarted_) {
      reserve(1);
      data_[size_++] = ',';
    }
    rowStarted_ = true;
  }
  void reserve(std::size_t more) {
    if (size_ + more > capacity_) grow(size_ + more);
  }
  void grow(std::size_t atLeast);

  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  bool rowStarted_ = false;
};

// What a list model offers to the export: a header row and data rows that
// can be built independently (rows may be built on several threads at once,
// so csvRow must only read).
class CsvWritable {
 public:
  virtual ~CsvWritable() = default;
  virtual std::int64_t csvRows() const = 0;
  // Fields of one data row, about how many (to cut the work in blocks).
  virtual std::int64_t csvFieldsPerRow() const = 0;
  virtual void csvHeader(CsvBuffer& out) const = 0;
  virtual void csvRow(CsvBuffer& out, std::int64_t row) const = 0;
  // False when rows must be built on the calling thread.
  virtual bool csvRowsOnWorkers() const { return true; }
};

// The levels of a solution: the header "n,t,x=<x_1>,…,x=<x_N>" (t only with
// a time step) and one row per level: n, t = n·Tau, its values. Level n's
// values are first[n·stride] … first[n·stride + columns − 1]. A model that
// shows levels writes itself through this (csvRow → row).
struct LevelsCsv final : CsvWritable {
  double h = 0.0;
  std::int64_t columns = 0;
  std::int64_t levels = 0;
  const double* first = nullptr;
  std::int64_t stride = 0;
  bool hasTau = false;
  double tau = 0.0;

  std::int64_t csvRows() const override { return levels; }
  std::int64_t csvFieldsPerRow() const override { return columns + 2; }
  void csvHeader(CsvBuffer& out) const override;
  void csvRow(CsvBuffer& out, std::int64_t row) const override;
};

// Any list model's lines as text, one quoted field per line under the
// header "ligne": the form of a list that offers no numbers.
class LinesCsv final : public CsvWritable {
 public:
  explicit LinesCsv(const QAbstractItemModel& model) : model_(model) {}
  std::int64_t csvRows() const override;
  std::int64_t csvFieldsPerRow() const override { return 1; }
  void csvHeader(CsvBuffer& out) const override;
  void csvRow(CsvBuffer& out, std::int64_t row) const override;
  // A model is read on its own thread only.
  bool csvRowsOnWorkers() const override { return false; }

 private:
  const QAbstractItemModel& model_;
};

// Writes the whole CSV to an open device: rows are formatted in blocks on
// the machine's cores and written in order. Returns false as soon as a write
// fails (the device's error tells why).
bool writeCsv(const CsvWritable& source, QIODevice& device);

// Writes the CSV to `fileName` through a save file: the file is replaced only
// once everything is written, so a failed write leaves any earlier file as it
// was. Returns an empty text on success, else the French reason.
QString saveCsv(const CsvWritable& source, const QString& fileName);

// "Enregistrer sous…" of a list: asks for the file name, writes, and reports
// a failure in a message box. Nothing on screen changes.
void saveCsvAs(QWidget* parent, const CsvWritable& source);
// The same for what a list view shows: the model's own CSV when it offers
// one (CsvWritable), else its lines as text.
void saveListAs(QWidget* parent, const QAbstractItemModel* model);

// How the program asks for a file name to save to: the standard dialog,
// unless a test supplies the answer. Arguments: parent, title, filter
// ("Fichiers CSV (*.csv)"...), default suffix; an empty answer cancels.
using SaveFileNameProvider =
    std::function<QString(QWidget*, const QString&, const QStringList&, QString*)>;
void setSaveFileNameProvider(SaveFileNameProvider provider);
// Asks for a file name; `filters` lists "Description (*.ext)" entries and
// `chosenFilter` receives the chosen one. The extension of the chosen
// filter is added when the name has none.
QString askSaveFileName(QWidget* parent, const QString& title, const QStringList& filters,
                        QString* chosenFilter = nullptr);

// The French reason for a failed write on a file device.
QString frenchFileError(const QIODevice& device);

// The end of a save: `file` replaces the file named only when everything was
// `written` and the device reports no error; otherwise it is dropped. Returns
// the French reason it was not written (`notWritten` when the device reports
// nothing and one is given), empty when written.
QString finishSave(QSaveFile& file, bool written, const QString& notWritten = QString());

// Writes a file through `write` under the wait cursor; the French reason it
// returns, if any, is shown in a message made by `failure` from the file's
// name and that reason.
using SaveFailure = core::Failure (*)(const std::string& file, const std::string& reason);
void writeOrSay(QWidget* parent, const QString& fileName, const std::function<QString()>& write,
                SaveFailure failure);

}  // namespace ui
