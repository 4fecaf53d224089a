#include "player/window/Configuration.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <optional>
#include <vector>

#include "platform/base/Check.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/MusicVariables.h"
#include "player/startup/RecentName.h"
#include "player/startup/WorkerThread.h"
#include "player/version/ProgramVersion.h"
#include "player/window/QuickPlaySettings.h"
#include "shared/FileManager.h"
#include "shared/Processor.h"
#include "shared/RecordNotation.h"
#include "shared/Services.h"
#include "shared/Twips.h"
#include "shared/ui/FramePacer.h"

namespace qvt::Configuration {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The smallest record a song can take: two empty quoted texts, a comma and CR LF.
constexpr qint64 kMinSongRecordBytes = 6;

// A failure of the load that is reported with the general message.
struct LoadFailure {};

QString WelcomeText() {
  return QStringLiteral("Welcome and thank you for using Quavertone.") + kCrLf +
         QStringLiteral("Halcyra:") + kCrLf + QStringLiteral("Bringing the past, into the future.");
}

// Quick play's settings: its position (line 1) and volume (line 3) are kept, centred when the
// file is new; the close-after-song option (line 2) is brought up to date. Failures are silent.
void WriteQuickPlaySettings(const Services& services, const MusicVariables& mv) {
  const QString path = QuickPlayConfigPath(services);
  clsFileManager fm(services);
  QuickPlayConfig config = ReadQuickPlayConfig(fm, path, true);
  if (!config.bFound) {
    const QPointF at =
        centerOnScreen(screen(services), QSizeF(kQuickPlayWidthTwips, kQuickPlayHeightTwips));
    config.dTop = at.y();
    config.dLeft = at.x();
  }
  const Result<void> written =
      WriteQuickPlayConfig(services, path, config.dTop, config.dLeft,
                           GlobalMethods::GetQuickPlayClose(mv), config.dLevel);
  QVT_CHECK(lcFiles(), written, written.error());
}

// Songs whose path or name holds a double quote cannot be read back; they are left out so
// that the rest of the list survives, and the user is told which they are.
struct StoredSongs {
  std::vector<std::size_t> kept;
  QStringList leftOut;  // the paths of the songs left out
};

StoredSongs StorableSongs(const MusicVariables& mv) {
  StoredSongs out;
  const auto count = static_cast<std::size_t>(std::max(0.0, mv.dblLastIndex() + 1));
  out.kept.reserve(count);
  for (std::size_t i = 0; i < count && i < mv.sSongPaths().size() && i < mv.sSongNames().size();
       ++i) {
    if (RecordWriter::canStoreText(mv.sSongPaths()[i]) &&
        RecordWriter::canStoreText(mv.sSongNames()[i])) {
      out.kept.push_back(i);
    } else {
      out.leftOut << mv.sSongPaths()[i];
    }
  }
  return out;
}

// Names at most this many songs; the rest are counted.
constexpr qsizetype kMaxSongsNamed = 10;

void ReportSongsLeftOut(const Services& services, const QStringList& paths) {
  if (paths.isEmpty())
    return;
  QString text = QStringLiteral(
      "These songs could not be kept in the saved play list, because "
      "a double quote in a path or name cannot be stored:");
  for (const QString& path : paths.first(std::min(paths.size(), kMaxSongsNamed)))
    text += kCrLf + path;
  if (paths.size() > kMaxSongsNamed)
    text += kCrLf + QStringLiteral("and %1 more").arg(paths.size() - kMaxSongsNamed);
  MsgBox(services, text);
}

// The saved position among the stored songs: the song it names, or the stored song that
// followed it when that one was left out (0 when none did). A list stored whole keeps it as it is.
double KeptPosition(const MusicVariables& mv, double dblPosition,
                    const std::vector<std::size_t>& songs) {
  if (songs.empty() || static_cast<double>(songs.size()) == mv.dblLastIndex() + 1)
    return dblPosition;
  const auto before =
      std::lower_bound(songs.begin(), songs.end(), dblPosition,
                       [](std::size_t i, double d) { return static_cast<double>(i) < d; });
  return before == songs.end() ? 0 : static_cast<double>(before - songs.begin());
}

// Answers the paths of the songs left out.
QStringList WriteConfigurationFile(const Services& services, const MusicVariables& mv,
                                   const IConfigurationHost& host, bool bHasPlayList) {
  const StoredSongs stored = bHasPlayList ? StorableSongs(mv) : StoredSongs();
  const std::vector<std::size_t>& songs = stored.kept;
  RecordWriter writer(files(services), ConfigurationPath(services));
  const ProgramVersionNumbers version = ProgramVersion();
  writer.write({Variant(version.major), Variant(version.minor), Variant(version.revision)});
  writer.write({Variant(KeptPosition(mv, host.Position(), songs))});
  writer.write({Variant(host.IsRandomChecked()), Variant(bHasPlayList && !songs.empty()),
                Variant(host.IsLoopChecked())});
  writer.write({Variant(GlobalMethods::GetSkipMode(mv))});
  writer.write({Variant(GlobalMethods::GetLowPriorityLoading(mv))});
  writer.write({Variant(GlobalMethods::GetHideProcessing(mv))});
  writer.write({Variant(GlobalMethods::GetQuickPlayClose(mv))});
  writer.write({Variant(static_cast<double>(songs.size()) - 1)});
  for (const std::size_t i : songs)
    writer.writePathName(mv.sSongPaths()[i], mv.sSongNames()[i]);
  writer.commit();
  return stored.leftOut;
}

}  // namespace

QString ConfigurationPath(const Services& services) {
  return DataFile(services, QStringLiteral("ConfigurationAndLastPlayList.qvs"));
}

QString QuickPlayConfigPath(const Services& services) {
  return DataFile(services, QStringLiteral("QPConfig.qvc"));
}

void SaveConfiguration(const Services& services, const MusicVariables& mv,
                       const IConfigurationHost& host, bool& bHasPlayList) {
  bHasPlayList = mv.dblLastIndex() != -1;
  QStringList leftOut;
  try {
    leftOut = WriteConfigurationFile(services, mv, host, bHasPlayList);
  } catch (const RecordError& e) {
    MsgBox(services,
           QStringLiteral("An error has occured while saving settings") + kCrLf + e.description());
    return;
  }
  ReportSongsLeftOut(services, leftOut);
  WriteQuickPlaySettings(services, mv);
}

namespace {

struct Header {
  double position = 0;
  bool random = false;
  bool hasPlayList = false;
  bool loop = false;
  int16_t skipMode = 0;
  bool lowPriority = false;
  bool hideProcessing = false;
  bool closeAfterSong = false;
  double lastIndex = -1;
};

// Reads the records from the `first`-th to the `count`-th into paths and names, counting each in
// `done` once both of its texts are stored. Stops between two records once `cancelled` is set.
void ReadSongRecords(RecordReader& reader, std::size_t first, std::size_t count, SongArray& paths,
                     SongArray& names, RecentName& recent, std::atomic<std::size_t>& done,
                     const std::atomic<bool>& cancelled) {
  // Texts in ASCII go from the file into the arrays as they are, without a QString each.
  const auto add = [](SongArray& songs, QByteArrayView bytes) {
    if (!songs.pushAscii(bytes))
      songs.push_back(RecordReader::decodeText(bytes));
  };
  for (std::size_t i = first; i < count && !cancelled; ++i) {
    add(paths, reader.readTextBytes());
    add(names, reader.readTextBytes());
    recent.recordLast(names);
    done.store(i + 1, std::memory_order_relaxed);
  }
}

// The songs are read on a worker while the window thread's event loop runs; the progress window
// follows once a frame with the name of a recent song and the count read, and ends on the last
// song. The list takes them in one change at the end, so that whatever runs meanwhile (a skip,
// a window closing) finds a whole list. A read that fails throws from here, the list untouched.
void ReadSongs(Processor& processor, MusicVariables& mv, RecordReader& reader, double dblLast) {
  mv.setLastIndex(-1);
  if (dblLast > kLargeListLastIndex) {
    processor.ShowDetermined(0, dblLast, false, QStringLiteral("Loading Large Play list"));
  }
  if (dblLast < 0)
    return;
  processor.Update(QStringLiteral("Allocating memory"));
  const auto count = static_cast<std::size_t>(dblLast) + 1;
  const QString prefix = QStringLiteral("Re-Adding...") + kCrLf;
  SongArray paths;
  SongArray names;
  names.shareFileNamesOf(paths);  // a name that is its file's name takes no room of its own
  RecentName recent;
  std::atomic<std::size_t> done{0};
  std::size_t shown = 0;
  const auto showProgress = [&] {
    if (std::optional<QString> sName = recent.takeNew()) {
      const std::size_t now = done.load(std::memory_order_relaxed);
      processor.Advance(prefix + *sName, static_cast<double>(now - shown));
      shown = now;
    }
  };
  WorkerThread worker(
      [&](const std::atomic<bool>& cancelled) {
        ReadSongRecords(reader, 0, count, paths, names, recent, done, cancelled);
        recent.last(names);
      },
      false);
  const bool bFinished = worker.wait(FramePacer::kFrameMs, [&](bool) {
    showProgress();
    return true;
  });
  if (!bFinished) {
    // The event loop cannot run (the program is ending): the rest is read here, so that the
    // list is never kept in part.
    const std::atomic<bool> never{false};
    ReadSongRecords(reader, done, count, paths, names, recent, done, never);
    recent.last(names);
    showProgress();
  }
  mv.appendAll(std::move(paths), std::move(names));
}

void ApplyOptions(const Services& services, MusicVariables& mv, IConfigurationHost& host,
                  const Header& h) {
  host.AssignRandomChecked(h.random);
  host.AssignLoopChecked(h.loop);
  GlobalMethods::SetSkipMode(services, mv, h.skipMode);
  GlobalMethods::SetSongLoadingPriority(services, mv, h.lowPriority ? 1 : 2);
  GlobalMethods::SetQuickPlayClose(mv, h.closeAfterSong);
}

// Reads records 2 to 8, applying the position and the hide-processing option at once.
Header ReadHeader(const Services& services, MusicVariables& mv, RecordReader& reader,
                  IConfigurationHost& host) {
  Header h;
  h.position = reader.readDouble();
  host.SetPosition(h.position);
  h.random = reader.readBool();
  h.hasPlayList = reader.readBool();
  h.loop = reader.readBool();
  h.skipMode = reader.readInt16();
  h.lowPriority = reader.readBool();
  h.hideProcessing = reader.readBool();
  h.closeAfterSong = reader.readBool();
  h.lastIndex = reader.readDouble();
  mv.setLastIndex(h.lastIndex);
  // A count that is not a whole number from -1 up, or that the rest of the file could not
  // hold, is refused before anything is allocated.
  if (h.lastIndex < -1 || h.lastIndex != std::floor(h.lastIndex) ||
      (h.lastIndex + 1) * kMinSongRecordBytes > static_cast<double>(reader.size())) {
    throw LoadFailure{};
  }
  GlobalMethods::SetProcessingVisibility(services, mv, h.hideProcessing ? 2 : 1);
  return h;
}

// Records 8 onward have the .qvl layout in every version: a file of another version keeps its
// play list, and its position (record 2) when that names a song of the list. Its options are
// not read (they stay at their defaults). A list that does not read whole is dropped.
void KeepListOfAnotherVersion(Processor& processor, MusicVariables& mv, IConfigurationHost& host,
                              const RecordReader& file) {
  host.SetPosition(0);
  try {
    RecordReader list = file;
    list.skipLines(7);
    const qint64 listBytes = list.bytesLeft();
    const double dblLast = list.readDouble();
    if (dblLast < -1 || dblLast != std::floor(dblLast) ||
        (dblLast + 1) * kMinSongRecordBytes > static_cast<double>(listBytes)) {
      return;
    }
    ReadSongs(processor, mv, list, dblLast);
    processor.Hide();
    mv.setLastIndex(dblLast);
    double dblPosition = 0;
    try {
      RecordReader position = file;
      position.skipLines(1);
      dblPosition = position.readDouble();
    } catch (const RecordError&) {
      LogDropped(lcFiles());
    }
    if (dblPosition >= 0 && dblPosition <= dblLast && dblPosition == std::floor(dblPosition))
      host.SetPosition(dblPosition);
  } catch (const std::exception&) {
    LogDropped(lcFiles());
    processor.Hide();
    mv.setLastIndex(-1);
  }
}

void ReportLoadFailure(const Services& services, MusicVariables& mv, const QString& text,
                       bool& bHasPlayList, bool bProgressShown) {
  MsgBox(services, text);
  if (bProgressShown)
    ProcessorOf(services).Hide();
  mv.setLastIndex(-1);
  bHasPlayList = false;
}

// The load of LoadConfiguration over the reader that `open` makes. It is made inside the load,
// so that a file that is missing or cannot be read ends with the load's own messages.
LoadResult LoadFrom(const Services& services, MusicVariables& mv, IConfigurationHost& host,
                    bool& bHasPlayList, const std::function<RecordReader()>& open) {
  Processor processor = ProcessorOf(services);
  bool bProgressShown = false;
  try {
    RecordReader reader = open();
    const RecordReader file = reader;  // the whole file, for a list of another version
    const int16_t major = reader.readInt16();
    const int16_t minor = reader.readInt16();
    const int16_t revision = reader.readInt16();
    const ProgramVersionNumbers running = ProgramVersion();
    if (major != running.major || minor != running.minor || revision != running.revision) {
      MsgBox(services, QStringLiteral("Preparing to upgrade"));
      KeepListOfAnotherVersion(processor, mv, host, file);
      return LoadResult::Upgrade;
    }
    const Header h = ReadHeader(services, mv, reader, host);
    bHasPlayList = h.hasPlayList;
    bProgressShown = h.lastIndex > kLargeListLastIndex;
    ReadSongs(processor, mv, reader, h.lastIndex);
    processor.Hide();
    bProgressShown = false;
    ApplyOptions(services, mv, host, h);
  } catch (const RecordError& e) {
    if (e.kind() == RecordError::FileNotFound) {
      ReportLoadFailure(services, mv, WelcomeText(), bHasPlayList, bProgressShown);
    } else if (e.kind() == RecordError::Overflow) {
      ReportLoadFailure(services, mv,
                        QStringLiteral("Incorrect data loaded from configuration file.  If you "
                                       "just upgraded, this is normal"),
                        bHasPlayList, bProgressShown);
    } else {
      ReportLoadFailure(services, mv, QStringLiteral("An error has occured while loading settings"),
                        bHasPlayList, bProgressShown);
    }
  } catch (const std::exception&) {
    ReportLoadFailure(services, mv, QStringLiteral("An error has occured while loading settings"),
                      bHasPlayList, bProgressShown);
  } catch (const LoadFailure&) {
    ReportLoadFailure(services, mv, QStringLiteral("An error has occured while loading settings"),
                      bHasPlayList, bProgressShown);
  }
  return LoadResult::Loaded;
}

}  // namespace

LoadResult LoadConfiguration(const Services& services, MusicVariables& mv, IConfigurationHost& host,
                             bool& bHasPlayList) {
  return LoadFrom(services, mv, host, bHasPlayList, [&services] {
    return RecordReader(files(services), ConfigurationPath(services));
  });
}

LoadResult LoadConfiguration(const Services& services, MusicVariables& mv, IConfigurationHost& host,
                             bool& bHasPlayList, RecordReader file) {
  return LoadFrom(services, mv, host, bHasPlayList, [&file] { return std::move(file); });
}

}  // namespace qvt::Configuration
