// qvt_bench: runs every registered benchmark (or those named on the command line) and ends its
// output with one line per figure: FIGURE <name> <value> <unit>.
#include <QApplication>
#include <QStringList>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/Bench.h"
#include "player/startup/MusicVariables.h"
#include "tests/support/PlayListOfTheTest.h"
#include "tests/support/PlayerWindowsFixture.h"
#include "tests/support/TestApp.h"

namespace qvt::bench {

namespace {

std::map<std::string, std::function<void()>>& registry() {
  static std::map<std::string, std::function<void()>> benches;
  return benches;
}

struct FigureLine {
  QString name;
  double value;
  QString unit;
};

std::vector<FigureLine>& figures() {
  static std::vector<FigureLine> lines;
  return lines;
}

}  // namespace

void Register(const char* name, std::function<void()> body) {
  registry()[name] = std::move(body);
}

void Figure(const QString& name, double value, const QString& unit) {
  figures().push_back({name, value, unit});
  std::printf("  %s = %.3f %s\n", qPrintable(name), value, qPrintable(unit));
  std::fflush(stdout);
}

double Seconds(const std::function<void()>& fn) {
  const auto start = std::chrono::steady_clock::now();
  fn();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double BestSeconds(int runs, const std::function<void()>& fn) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i)
    best = std::min(best, Seconds(fn));
  return best;
}

}  // namespace qvt::bench

int main(int argc, char** argv) {
  qvt::test::SetHeadlessEnvironment();
  QApplication app(argc, argv);
  qvt::test::PrepareApplication();
  QStringList wanted;
  for (int i = 1; i < argc; ++i)
    wanted << QString::fromLocal8Bit(argv[i]);
  for (auto& [name, body] : qvt::bench::registry()) {
    if (!wanted.isEmpty() && !wanted.contains(QString::fromStdString(name)))
      continue;
    std::printf("bench %s\n", name.c_str());
    std::fflush(stdout);
    // Each benchmark starts with a play list object of its own and the progress operations'
    // state afresh; its windows go before the list.
    qvt::test::StartProgressAfresh();
    qvt::test::PlayListOfTheTest() = std::make_unique<qvt::MusicVariables>();
    body();
    qvt::test::EndWindowsOfTheTest();
    qvt::test::PlayListOfTheTest().reset();
  }
  for (const auto& f : qvt::bench::figures()) {
    std::printf("FIGURE %s %.3f %s\n", qPrintable(f.name), f.value, qPrintable(f.unit));
  }
  return 0;
}
