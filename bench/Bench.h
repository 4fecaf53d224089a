#pragma once
// A tiny registry of benchmarks for qvt_bench. Each benchmark reports its figures through
// Figure(); the executable prints every figure at the end as
//   FIGURE <name> <value> <unit>
//
//   QVT_BENCH(record_notation) {
//     ...
//     qvt::bench::Figure("record_read_100k_ms", ms, "ms");
//   }

#include <QString>
#include <chrono>
#include <functional>

namespace qvt::bench {

void Register(const char* name, std::function<void()> body);
void Figure(const QString& name, double value, const QString& unit);

// Seconds taken by one call of fn (wall clock).
double Seconds(const std::function<void()>& fn);
// The best of `runs` calls, in seconds.
double BestSeconds(int runs, const std::function<void()>& fn);

struct Registrar {
  Registrar(const char* name, std::function<void()> body) { Register(name, std::move(body)); }
};

}  // namespace qvt::bench

#define QVT_BENCH_CAT2(a, b) a##b
#define QVT_BENCH_CAT(a, b) QVT_BENCH_CAT2(a, b)
#define QVT_BENCH(name)                                                 \
  static void QVT_BENCH_CAT(bench_, name)();                            \
  static const ::qvt::bench::Registrar QVT_BENCH_CAT(registrar_, name)( \
      #name, &QVT_BENCH_CAT(bench_, name));                             \
  static void QVT_BENCH_CAT(bench_, name)()
