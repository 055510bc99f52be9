// Pieces several benchmark programs share: the memory floor a run is measured
// against, and the main() of the programs that need a QApplication.
#pragma once

#include <benchmark/benchmark.h>
#include <sys/mman.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace bench {

// The floor for a table of `count` doubles: map it anonymously, aligned to
// 2 MiB and advised for huge pages, and write every entry once; unmapped when
// the floor goes out of scope.
class HugePageFloor {
 public:
  explicit HugePageFloor(std::size_t count) {
    const std::size_t huge = std::size_t{2} << 20;
    length_ = (count * 8 + huge - 1) / huge * huge + huge;
    map_ = mmap(nullptr, length_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    auto* p = reinterpret_cast<double*>((reinterpret_cast<std::uintptr_t>(map_) + huge - 1) / huge *
                                        huge);
    madvise(p, length_ - huge, MADV_HUGEPAGE);
    std::fill(p, p + count, 1.0);
    benchmark::DoNotOptimize(p);
    benchmark::ClobberMemory();
  }
  ~HugePageFloor() { munmap(map_, length_); }
  HugePageFloor(const HugePageFloor&) = delete;
  HugePageFloor& operator=(const HugePageFloor&) = delete;

 private:
  void* map_ = nullptr;
  std::size_t length_ = 0;
};

}  // namespace bench

// main() of a benchmark program that draws or shows windows offscreen: no
// display is needed.
#define ORV_QT_BENCHMARK_MAIN()                                                                  \
  int main(int argc, char** argv) {                                                              \
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen"); \
    QApplication app(argc, argv);                                                                \
    benchmark::Initialize(&argc, argv);                                                          \
    benchmark::RunSpecifiedBenchmarks();                                                         \
    benchmark::Shutdown();                                                                       \
    return 0;                                                                                    \
  }
