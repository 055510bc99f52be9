#include "core/table_storage.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "core/memory_budget.h"

namespace core {

namespace {

std::atomic<std::int64_t> gMappings{0}, gAllocations{0}, gReuses{0};

#if defined(__linux__)
constexpr std::size_t kHugePage = std::size_t{2} << 20;

// An anonymous mapping of at least `bytes`, starting on a huge-page
// boundary (the system only backs whole aligned 2 MiB ranges with a huge
// page), advised for huge pages. Returns the start and the mapped length.
void* mapZeroed(std::size_t bytes, std::size_t& length) {
  length = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  const std::size_t asked = length + kHugePage;
  void* p = mmap(nullptr, asked, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  auto* start = static_cast<char*>(p);
  auto* aligned = reinterpret_cast<char*>(
      (reinterpret_cast<std::uintptr_t>(start) + kHugePage - 1) / kHugePage * kHugePage);
  // Give back the unaligned head and the tail beyond the aligned range.
  if (aligned > start) munmap(start, static_cast<std::size_t>(aligned - start));
  char* end = aligned + length;
  char* mappedEnd = start + asked;
  if (mappedEnd > end) munmap(end, static_cast<std::size_t>(mappedEnd - end));
#ifdef MADV_HUGEPAGE
  madvise(aligned, length, MADV_HUGEPAGE);
#endif
  return aligned;
}
#endif

}  // namespace

StorageCounters storageCounters() {
  return {gMappings.load(), gAllocations.load(), gReuses.load()};
}

std::shared_ptr<TableBuffer> TableBuffer::make(std::size_t count) {
  if (count == 0 || count > std::size_t(-1) / sizeof(double)) return nullptr;
  const std::size_t bytes = count * sizeof(double);
  MemoryBudget& budget = MemoryBudget::process();
  const std::uint64_t id = budget.enter(static_cast<double>(bytes));
  if (id == 0) return nullptr;
  std::shared_ptr<TableBuffer> b(new (std::nothrow) TableBuffer);
  if (!b) {
    budget.leave(id);
    return nullptr;
  }
  b->budgetId_ = id;
  b->count_ = count;
#if defined(__linux__)
  if (bytes >= kMapFrom) {
    std::size_t length = 0;
    if (void* p = mapZeroed(bytes, length)) {
      ++gMappings;
      b->mapping_ = p;
      b->mappedBytes_ = length;
      b->data_ = static_cast<double*>(p);
      return b;
    }
  }
#endif
  b->data_ = static_cast<double*>(std::calloc(count, sizeof(double)));
  if (!b->data_) return nullptr;  // the destructor leaves the budget
  ++gAllocations;
  return b;
}

TableBuffer::~TableBuffer() {
#if defined(__linux__)
  if (mapping_) {
    munmap(mapping_, mappedBytes_);
  } else {
    std::free(data_);
  }
#else
  std::free(data_);
#endif
  if (budgetId_) MemoryBudget::process().leave(budgetId_);
}

void TableBuffer::noteReuse() { ++gReuses; }

void TableBuffer::addHolder(const std::string& who) {
  MemoryBudget::process().addHolder(budgetId_, who);
}

void TableBuffer::removeHolder(const std::string& who) {
  MemoryBudget::process().removeHolder(budgetId_, who);
}

TableShare::TableShare(std::shared_ptr<TableBuffer> buffer, std::string holder)
    : buffer_(std::move(buffer)), holder_(std::move(holder)) {
  if (buffer_) buffer_->addHolder(holder_);
}

void TableShare::release() {
  if (!buffer_) return;
  buffer_->removeHolder(holder_);
  buffer_.reset();
}

}  // namespace core
