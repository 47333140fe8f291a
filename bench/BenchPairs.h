// BenchPairs: what every benchmark suite shares. A suite registers its benchmarks with
// Google Benchmark and declares the rows of the results table: which benchmark of ours is
// set against which peer, on what work, and the ratio (our time / peer time) to meet.
// BenchMain runs the suite and appends one Markdown row per pair to the rows file.
#ifndef BENCHPAIRS_H
#define BENCHPAIRS_H

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace utbench {

// One row of the results table. `memory_target` > 0 also compares the counter
// "bytes_per_elem" that both benchmarks of the pair set. `peer_scale` multiplies the peer's
// time before the ratio is taken: a growth row sets ours to the work at 16n and the "peer"
// to the same benchmark at n, with a scale of 16, so the ratio is the growth of the time
// per operation.
struct Row {
  const char *pair; // what is compared, e.g. "UT_LIST append vs std::forward_list"
  const char *work; // the work both sides do
  const char *ours; // benchmark names as registered
  const char *peer;
  double target; // met when the median of ours / peer <= target; 0: for comparison only
  double memory_target = 0;
  double peer_scale = 1;
};

std::vector<Row> &rows();

struct RowAdder {
  explicit RowAdder(const Row &r) { rows().push_back(r); }
};

// Every benchmark runs with the same settings: milliseconds, CPU time (the machine is
// shared), a number of repetitions. bench/run interleaves the repetitions of a suite, so
// repetition k of ours and of its peer meet the same machine conditions; BenchMain takes
// the ratio per repetition and reports the median ratio with its range.
const int kRepetitions = 21;
const int kSlowRepetitions = 7;
const int kNoisyRepetitions = 41;

inline void configure(benchmark::internal::Benchmark *b) {
  b->Unit(benchmark::kMillisecond)->MinTime(0.05)->Repetitions(kRepetitions);
}

// The same for work of a second or more a pass: fewer repetitions.
inline void configure_slow(benchmark::internal::Benchmark *b) {
  configure(b);
  b->Repetitions(kSlowRepetitions);
}

// Work that swings with the machine's load (the allocators and the large arrays, which
// spend much of their time in the kernel's page handling): more repetitions, each long
// enough to hold several passes.
inline void configure_noisy(benchmark::internal::Benchmark *b) {
  configure(b);
  b->MinTime(0.1)->Repetitions(kNoisyRepetitions);
}

// Bytes the C heap holds right now (small blocks plus mmapped ones): the difference
// across a build is what the built structure costs, allocator overhead included.
std::size_t heap_in_use();

// A small fast generator, so that data generation costs little and is the same on every run.
struct Rng {
  std::uint64_t s;
  explicit Rng(std::uint64_t seed) : s(seed * 0x9E3779B97F4A7C15ULL + 1) {}
  std::uint64_t next() {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return s;
  }
  std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(next() % n); }
};

// Fisher-Yates shuffle with Rng.
template <class T> void shuffle(std::vector<T> &v, Rng &rng) {
  for (std::size_t i = v.size(); i > 1; --i)
    std::swap(v[i - 1], v[rng.below(static_cast<std::uint32_t>(i))]);
}

} // namespace utbench

#define UT_BENCH_CAT2(a, b) a##b
#define UT_BENCH_CAT(a, b) UT_BENCH_CAT2(a, b)
// Declares a row of the results table (see utbench::Row for the fields).
#define UT_BENCH_ROW(...)                                                                          \
  static utbench::RowAdder UT_BENCH_CAT(ut_bench_row_, __LINE__)(utbench::Row{__VA_ARGS__})
// Declares a growth row: `big` runs `factor` times the work of `small`; met when the time
// per operation grows by at most `target`.
#define UT_BENCH_GROWTH_ROW(pair, work, big, small, factor, target)                                \
  UT_BENCH_ROW(pair, work, big, small, target, 0, factor)
// Registers fn under its own name with the common settings.
#define UT_BENCH(fn) BENCHMARK(fn)->Apply(utbench::configure)
#define UT_BENCH_SLOW(fn) BENCHMARK(fn)->Apply(utbench::configure_slow)
#define UT_BENCH_NOISY(fn) BENCHMARK(fn)->Apply(utbench::configure_noisy)

#endif
