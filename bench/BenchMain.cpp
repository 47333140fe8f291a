// BenchMain: the main program of every benchmark suite. Runs the registered benchmarks
// with the console output (aggregates only) and then appends the suite's rows of the
// results table to the file named by the environment variable UT_BENCH_ROWS. A row's ratio
// is taken per repetition, ours against the peer's repetition of the same index (run
// interleaved, so both met the same machine conditions), and reported as the median
// ratio with its minimum and maximum.
#include "BenchPairs.h"

#include "Portability.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <map>
#include <string>

namespace utbench {

std::vector<Row> &rows() {
  static std::vector<Row> all;
  return all;
}

std::size_t heap_in_use() {
  struct mallinfo2 mi = mallinfo2();
  return mi.uordblks + mi.hblkhd;
}

namespace {

// What one benchmark measured: its CPU time per pass in each repetition, by index.
struct Result {
  std::map<long, double> ms;
  double bytes_per_elem = -1;
};

double median(std::vector<double> v) {
  if (v.empty())
    return -1;
  std::sort(v.begin(), v.end());
  std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double median_ms(const Result &r) {
  std::vector<double> v;
  for (const auto &kv : r.ms)
    v.push_back(kv.second);
  return median(v);
}

// The console reporter, shown the aggregates only, keeping every repetition's time.
class Recorder : public benchmark::ConsoleReporter {
public:
  std::map<std::string, Result> results;

  void ReportRuns(const std::vector<Run> &reports) override {
    std::vector<Run> shown;
    for (const Run &r : reports) {
      if (r.run_type == Run::RT_Aggregate || r.repetitions <= 1)
        shown.push_back(r);
      if (r.error_occurred || r.run_type != Run::RT_Iteration)
        continue;
      std::string name = r.run_name.function_name;
      if (!r.run_name.args.empty())
        name += "/" + r.run_name.args;
      Result &res = results[name];
      long index = r.repetition_index < 0 ? 0 : static_cast<long>(r.repetition_index);
      res.ms[index] = r.GetAdjustedCPUTime();
      auto c = r.counters.find("bytes_per_elem");
      if (c != r.counters.end())
        res.bytes_per_elem = c->second.value;
    }
    if (!shown.empty())
      ConsoleReporter::ReportRuns(shown);
  }
};

std::string fmt(const char *f, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, f, v);
  return buf;
}

// A time with three significant digits.
std::string ms(double v) {
  if (v < 0)
    return "n/a";
  return v >= 100  ? fmt("%.0f", v)
         : v >= 10 ? fmt("%.1f", v)
         : v >= 1  ? fmt("%.2f", v)
                   : fmt("%.3f", v);
}

// The ratios ours / (peer × scale) of the repetitions both sides ran.
std::vector<double> ratios(const Result &ours, const Result &peer, double scale) {
  std::vector<double> out;
  for (const auto &kv : ours.ms) {
    auto p = peer.ms.find(kv.first);
    if (p != peer.ms.end() && p->second > 0 && kv.second > 0)
      out.push_back(kv.second / (p->second * scale));
  }
  return out;
}

std::string row_text(const Row &row, const Result &ours, const Result &peer) {
  std::string s = "| ";
  s += row.pair;
  s += " | ";
  s += row.work;
  s += " | " + ms(median_ms(ours)) + " | " + ms(median_ms(peer)) + " | ";
  std::vector<double> r = ratios(ours, peer, row.peer_scale);
  bool have = !r.empty();
  double ratio = median(r);
  bool informative = row.target <= 0; // a second peer shown for comparison only
  bool met = have && ratio <= row.target;
  if (have)
    s += fmt("%.2f", ratio) + " (" + fmt("%.2f", *std::min_element(r.begin(), r.end())) + "–" +
         fmt("%.2f", *std::max_element(r.begin(), r.end())) + ")";
  else
    s += "n/a";
  s += " | " + (informative ? std::string("—") : fmt("≤ %.2f", row.target));
  if (row.memory_target > 0) {
    bool mhave = ours.bytes_per_elem > 0 && peer.bytes_per_elem > 0;
    double mratio = mhave ? ours.bytes_per_elem / peer.bytes_per_elem : 0;
    met = met && mhave && mratio <= row.memory_target;
    s += "; memory ≤ " + fmt("%.2f", row.memory_target);
    s += " | " + (mhave ? fmt("%.1f", ours.bytes_per_elem) + " / " +
                              fmt("%.1f", peer.bytes_per_elem) + " B = " + fmt("%.2f", mratio)
                        : std::string("n/a"));
  } else {
    s += " | ";
  }
  s += informative ? " | — |" : met ? " | yes |" : " | **no** |";
  return s;
}

// Reports go to standard error and would drown the listing; a benchmark that provokes
// one on purpose has no place here, so they are simply counted.
class QuietMsgman : public UT_MSGMAN {
public:
  long count = 0;
  void print_msg(const char *, ...) override { ++count; }
  void note_msg(const char *, ...) override { ++count; }
  void warn_msg(const char *, ...) override { ++count; }
  void error_msg(const char *, ...) override { ++count; }
  void numbered_msg(int, const char *, ...) override { ++count; }
};

} // namespace
} // namespace utbench

int main(int argc, char **argv) {
  // Pin glibc's mmap threshold at its default: left to adapt, it rises as large blocks are
  // freed, so whether a large block is grown by remapping or by copying would depend on
  // which benchmarks ran before (repetitions run interleaved).
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  utbench::QuietMsgman quiet;
  UT_MSGMAN *saved = ut_msgman;
  ut_msgman = &quiet;
  utbench::Recorder rec;
  benchmark::RunSpecifiedBenchmarks(&rec);
  benchmark::Shutdown();
  ut_msgman = saved;
  if (quiet.count)
    std::fprintf(stderr, "%ld library reports during the run\n", quiet.count);

  const char *out = std::getenv("UT_BENCH_ROWS");
  std::FILE *f = out ? std::fopen(out, "a") : stdout;
  if (!f) {
    std::perror(out);
    return 1;
  }
  for (const utbench::Row &row : utbench::rows()) {
    auto o = rec.results.find(row.ours);
    auto p = rec.results.find(row.peer);
    if (o == rec.results.end() && p == rec.results.end())
      continue; // filtered out
    utbench::Result none;
    std::string line = utbench::row_text(row, o == rec.results.end() ? none : o->second,
                                         p == rec.results.end() ? none : p->second);
    std::fprintf(f, "%s\n", line.c_str());
  }
  if (f != stdout)
    std::fclose(f);
  return 0;
}
