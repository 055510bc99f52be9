// Storage of the solution tables. A table of several megabytes lives on an
// anonymous mapping advised for transparent huge pages (Linux): the system
// hands it out already zeroed, 2 MiB at a time, so a run writes each entry
// once at memory speed and every entry it does not write reads 0. Smaller
// tables, other systems, or a refused mapping use a zeroed allocation.
//
// A buffer is shared: the table that a run fills holds it, and a result list
// that shows the run keeps holding it, read-only, after the next run has
// re-created the table on a buffer of its own. A buffer counts once in the
// process's memory budget, under the names of all who hold it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace core {

// What the storage asked of the system since the program started, so that a
// test can see that a refusal came before any memory was taken.
struct StorageCounters {
  std::int64_t mappings = 0;     // anonymous mappings made
  std::int64_t allocations = 0;  // zeroed allocations made
  std::int64_t reuses = 0;       // buffers reset and used again
};
StorageCounters storageCounters();

class TableBuffer {
 public:
  // Tables from this size up are mapped.
  static constexpr std::size_t kMapFrom = std::size_t{4} << 20;

  // `count` doubles, all 0; nullptr when the budget or the system refuses.
  static std::shared_ptr<TableBuffer> make(std::size_t count);
  ~TableBuffer();
  TableBuffer(const TableBuffer&) = delete;
  TableBuffer& operator=(const TableBuffer&) = delete;

  double* data() { return data_; }
  const double* data() const { return data_; }
  std::size_t count() const { return count_; }
  std::size_t bytes() const { return count_ * sizeof(double); }
  bool mapped() const { return mappedBytes_ != 0; }

  // Counts a table made again on this buffer (the table resets its rows).
  void noteReuse();

  // The names under which the memory budget shows this buffer.
  void addHolder(const std::string& who);
  void removeHolder(const std::string& who);

 private:
  TableBuffer() = default;
  double* data_ = nullptr;
  std::size_t count_ = 0;
  void* mapping_ = nullptr;
  std::size_t mappedBytes_ = 0;
  std::uint64_t budgetId_ = 0;
};

// One holder's share of a buffer, under its name in the memory budget.
class TableShare {
 public:
  TableShare() = default;
  TableShare(std::shared_ptr<TableBuffer> buffer, std::string holder);
  TableShare(const TableShare& other) : TableShare(other.buffer_, other.holder_) {}
  TableShare(TableShare&& other) noexcept
      : buffer_(std::move(other.buffer_)), holder_(std::move(other.holder_)) {}
  TableShare& operator=(TableShare other) noexcept {
    swap(other);
    return *this;
  }
  ~TableShare() { release(); }
  void swap(TableShare& other) noexcept {
    buffer_.swap(other.buffer_);
    holder_.swap(other.holder_);
  }
  void release();

  explicit operator bool() const { return static_cast<bool>(buffer_); }
  TableBuffer* buffer() const { return buffer_.get(); }
  const std::shared_ptr<TableBuffer>& pointer() const { return buffer_; }
  const std::string& holder() const { return holder_; }
  // True when someone else also holds the buffer.
  bool shared() const { return buffer_ && buffer_.use_count() > 1; }

 private:
  std::shared_ptr<TableBuffer> buffer_;
  std::string holder_;
};

// The bounds of a two-dimensional table: rows rowLower To rowUpper, columns
// colLower To colUpper (none while upper < lower).
class TableBounds {
 public:
  TableBounds() = default;
  TableBounds(std::int64_t rowLower, std::int64_t rowUpper, std::int64_t colLower,
              std::int64_t colUpper)
      : rowLower_(rowLower), rowUpper_(rowUpper), colLower_(colLower), colUpper_(colUpper) {}
  std::int64_t rowLower() const { return rowLower_; }
  std::int64_t rowUpper() const { return rowUpper_; }
  std::int64_t colLower() const { return colLower_; }
  std::int64_t colUpper() const { return colUpper_; }

 protected:
  std::int64_t rowLower_ = 0, rowUpper_ = -1, colLower_ = 0, colUpper_ = -1;
};

// A read-only view of a table as it was when shared: its bounds and its
// buffer, which stays valid and unchanged as long as the view lives.
class SharedTable : public TableBounds {
 public:
  SharedTable() = default;
  SharedTable(TableShare share, const TableBounds& bounds, std::int64_t copiesFrom = INT64_MAX)
      : TableBounds(bounds), share_(std::move(share)), copiesFrom_(copiesFrom) {}
  bool exists() const { return static_cast<bool>(share_); }
  std::int64_t cols() const { return colUpper_ - colLower_ + 1; }
  // As Table2::copiesFrom when shared (INT64_MAX, Table2::kNoCopies: none).
  std::int64_t copiesFrom() const { return copiesFrom_; }
  const double* row(std::int64_t r) const {
    return share_.buffer()->data() + (r - rowLower_) * cols() - colLower_;
  }
  double operator()(std::int64_t r, std::int64_t c) const { return row(r)[c]; }
  std::size_t bytes() const { return share_ ? share_.buffer()->bytes() : 0; }
  const TableShare& share() const { return share_; }

 private:
  TableShare share_;
  std::int64_t copiesFrom_ = INT64_MAX;
};

}  // namespace core
