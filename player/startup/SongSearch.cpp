// The two incremental searches over the play list and their command protocol.
#include "player/startup/SongSearch.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "player/startup/GlobalMethods.h"
#include "player/startup/NameScan.h"
#include "player/startup/WorkerThread.h"
#include "shared/Services.h"
#include "shared/Variant.h"
#include "shared/ui/FramePacer.h"

namespace qvt::GlobalMethods {

namespace {

using SearchState = MusicVariables::SearchState;

bool isDigit(QChar c) {
  return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Appends the run of ASCII digits at s[i...] to text; true when there was at least one.
bool takeDigits(QStringView s, qsizetype& i, std::string& text) {
  const qsizetype start = i;
  while (i < s.size() && isDigit(s[i]))
    text += static_cast<char>(s[i++].unicode());
  return i > start;
}

// Appends an exponent ("e", optional sign, digits) when one follows at s[i...].
void takeExponent(QStringView s, qsizetype& i, std::string& text) {
  if (i >= s.size() || (s[i] != QLatin1Char('e') && s[i] != QLatin1Char('E')))
    return;
  qsizetype j = i + 1;
  std::string exponent = "e";
  if (j < s.size() && (s[j] == QLatin1Char('+') || s[j] == QLatin1Char('-'))) {
    exponent += static_cast<char>(s[j++].unicode());
  }
  if (!takeDigits(s, j, exponent))
    return;
  text += exponent;
  i = j;
}

}  // namespace

double LeadingNumber(QStringView sText) {
  qsizetype i = 0;
  while (i < sText.size() && (sText[i] == QLatin1Char(' ') || sText[i] == QLatin1Char('\t'))) {
    ++i;
  }
  bool negative = false;
  if (i < sText.size() && (sText[i] == QLatin1Char('+') || sText[i] == QLatin1Char('-'))) {
    negative = sText[i++] == QLatin1Char('-');
  }
  std::string text;
  bool digits = takeDigits(sText, i, text);
  if (i < sText.size() && sText[i] == QLatin1Char('.')) {
    text += '.';
    ++i;
    digits = takeDigits(sText, i, text) || digits;
  }
  if (!digits)
    return 0;
  takeExponent(sText, i, text);
  double value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    const bool tiny = text.find("e-") != std::string::npos;
    value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
  }
  return negative ? -value : value;
}

void ResetSearchState(MusicVariables& mv) {
  mv.searchState() = SearchState{};
}

const PathSearchIndex& PathIndex(MusicVariables& mv) {
  return mv.searchState().pathIndex;
}

namespace {

// A search term that is a command: "init<number>" sets dblIndex to the number, "stop" to -1.
// False for a term to search for.
bool TakeCommand(const QString& sTerm, double& dblIndex) {
  if (sTerm.startsWith(QLatin1String("init"))) {
    dblIndex = LeadingNumber(QStringView(sTerm).mid(4));
    return true;
  }
  if (sTerm.startsWith(QLatin1String("stop"))) {
    dblIndex = -1;
    return true;
  }
  return false;
}

}  // namespace

double FindSongPath(MusicVariables& mv, const QString& sTerm) {
  SearchState& state = mv.searchState();
  if (TakeCommand(sTerm, state.dblPathSearchBound))
    return -1;
  if (sTerm.size() < 4)
    return -1;
  return state.pathIndex.find(mv.sSongPaths(), state.dblPathSearchBound, sTerm);
}

void PreparePathSearchBesideTheWindows(const Services& services, MusicVariables& mv,
                                       const std::function<bool()>& wanted) {
  // Below this many unseen paths the search's own reading takes no longer than a frame or so.
  constexpr std::size_t kWorthAWorker = 32768;
  const SearchState& state = mv.searchState();
  if (!(state.dblPathSearchBound >= 0))
    return;
  const SongArray& live = mv.sSongPaths();
  const double wantedCount = std::floor(state.dblPathSearchBound) + 1;
  const std::size_t needed = wantedCount >= static_cast<double>(live.size())
                                 ? live.size()
                                 : static_cast<std::size_t>(wantedCount);
  if (needed < state.pathIndex.trustedCount(live) + kWorthAWorker)
    return;
  const PlayListVersion before = mv.version();
  const SongArray paths = live;  // the worker's copy; it shares the stored texts
  PathSearchIndex built;
  WorkerThread worker(
      [&paths, &built, needed](const std::atomic<bool>& cancelled) {
        built.prepare(paths, needed, cancelled);
      },
      GetLowPriorityLoading(mv));
  const bool bDone = worker.wait(FramePacer::kFrameMs, [&services, &wanted](bool) {
    DoEvents(services);
    return wanted();
  });
  if (bDone && mv.version() == before)
    mv.searchState().pathIndex.adopt(std::move(built), mv.sSongPaths());
}

PathSearchScope::PathSearchScope(MusicVariables& mv)
    : mv_(mv), dblOuterBound_(mv.searchState().dblPathSearchBound) {
  ++mv_.searchState().iOpenPathScopes;
  FindSongPath(mv_, QStringLiteral("init") + FormatNumber(mv_.dblLastIndex()));
}

PathSearchScope::~PathSearchScope() {
  if (--mv_.searchState().iOpenPathScopes == 0) {
    FindSongPath(mv_, QStringLiteral("stop"));
    return;
  }
  mv_.searchState().dblPathSearchBound = std::max(dblOuterBound_, mv_.dblLastIndex());
}

namespace {

// The names FindSongName scans: first to last, within the list and its names.
struct NameRange {
  std::size_t first = 0;
  std::size_t last = 0;
  bool bEmpty = true;
};

NameRange NamesToSearch(MusicVariables& mv) {
  const double last = std::min(mv.dblLastIndex(), static_cast<double>(mv.sSongNames().size()) - 1);
  const double first = std::max(0.0, std::ceil(mv.searchState().dblNameSearchStart));
  if (!(first <= last))
    return {};
  return {static_cast<std::size_t>(first), static_cast<std::size_t>(last), false};
}

}  // namespace

double FindSongName(MusicVariables& mv, const QString& sTerm, bool bPartial) {
  if (TakeCommand(sTerm, mv.searchState().dblNameSearchStart))
    return -1;
  const NameRange range = NamesToSearch(mv);
  if (range.bEmpty)
    return -1;
  return FirstNameMatch(mv.sSongNames(), range.first, range.last, sTerm, bPartial);
}

double FindSongNameBesideTheWindows(const Services& services, MusicVariables& mv,
                                    const QString& sTerm, bool bPartial) {
  const NameRange range = NamesToSearch(mv);
  double dblCommand = 0;
  if (range.bEmpty || range.last - range.first < kNameScanChunk || TakeCommand(sTerm, dblCommand)) {
    return FindSongName(mv, sTerm, bPartial);  // no longer than a pass of the event loop
  }
  const double dblStart = mv.searchState().dblNameSearchStart;
  const PlayListVersion before = mv.version();
  const SongArray names = mv.sSongNames();
  double dblFound = -1;
  WorkerThread worker(
      [&](const std::atomic<bool>&) {
        dblFound = FirstNameMatch(names, range.first, range.last, sTerm, bPartial);
      },
      false);
  const bool bDone = worker.wait(FramePacer::kFrameMs, [&services](bool) {
    DoEvents(services);
    return true;
  });
  if (!bDone || mv.version() != before || mv.searchState().dblNameSearchStart != dblStart)
    return FindSongName(mv, sTerm, bPartial);
  return dblFound;
}

}  // namespace qvt::GlobalMethods
