#include "player/playlists/MovedSongsCommands.h"

#include <QHash>
#include <QHashFunctions>
#include <algorithm>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "platform/FileSystem.h"
#include "player/playlists/EditorView.h"
#include "player/playlists/MovedSongs.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/Job.h"
#include "player/startup/MusicVariables.h"
#include "shared/Processor.h"
#include "shared/Services.h"
#include "shared/Variant.h"

namespace qvt {

namespace {

const QString kFindTitle = QStringLiteral("Find Moved Songs");
const QString kRelinkTitle = QStringLiteral("Relink Folder");

// The songs 0 to dblLastIndex (fewer when the array ends before).
std::size_t ListedCount(const MusicVariables& mv) {
  if (!(mv.dblLastIndex() >= 0))
    return 0;
  return std::min(static_cast<std::size_t>(mv.dblLastIndex()) + 1, mv.sSongPaths().size());
}

// A song of the list and the path it is to have.
using PathChange = std::pair<std::size_t, QString>;

// Leaves out each change whose path an earlier change has already. The changes are ordered by
// their paths' hashes, so that equal paths stand together: no set that allocates for each.
void DropRepeatedPaths(std::vector<PathChange>& changes) {
  const std::size_t seed = QHashSeed::globalSeed();
  std::vector<std::pair<std::size_t, std::size_t>> keys(changes.size());  // hash, change
  for (std::size_t k = 0; k < changes.size(); ++k)
    keys[k] = {qHash(changes[k].second, seed), k};
  std::sort(keys.begin(), keys.end());
  // Within each stretch of one hash, a path is repeated when an earlier one kept has it.
  std::vector<bool> repeated(changes.size());
  std::size_t run = 0;
  for (std::size_t a = 1; a < keys.size(); ++a) {
    if (keys[a].first != keys[run].first) {
      run = a;
      continue;
    }
    const QString& sPath = changes[keys[a].second].second;
    for (std::size_t b = run; b < a && !repeated[keys[a].second]; ++b)
      repeated[keys[a].second] =
          !repeated[keys[b].second] && changes[keys[b].second].second == sPath;
  }
  std::size_t kept = 0;
  for (std::size_t k = 0; k < changes.size(); ++k) {
    if (!repeated[k])
      changes[kept++] = std::move(changes[k]);
  }
  changes.resize(kept);
}

// Gives every song i of the list as it is now the path fNewPath(i, path) answers, when it
// answers one that no song of the list has yet: a list never holds a path twice (the editor's
// duplicate search, bound at the list when the operation began, compares in any letter case).
// The paths are read in place, one at a time. The number of songs changed.
std::size_t ChangePaths(
    MusicVariables& mv,
    const std::function<std::optional<QString>(std::size_t, QStringView)>& fNewPath) {
  const SongArray& paths = mv.sSongPaths();
  const std::size_t listed = ListedCount(mv);
  std::vector<PathChange> changes;
  for (std::size_t i = 0; i < listed; ++i) {
    std::optional<QString> sNew =
        paths.visit(i, [&](QStringView sPath) { return fNewPath(i, sPath); });
    if (sNew)
      changes.emplace_back(i, std::move(*sNew));
  }
  DropRepeatedPaths(changes);
  std::erase_if(changes, [&mv](const PathChange& change) {
    return GlobalMethods::FindSongPath(mv, change.second) != -1;
  });
  // Written together once every new path is known, each change announced to the views.
  for (const auto& [i, sPath] : changes)
    mv.setSongPath(i, sPath);
  return changes.size();
}

QString FolderOfPath(const QString& sPath) {
  return sPath.left(std::max<qsizetype>(sPath.lastIndexOf(u'/'), 1));
}

bool ListIsEmpty(const Services& services, const MusicVariables& mv) {
  if (mv.dblLastIndex() > -1)
    return false;
  MsgBox(services, QStringLiteral("No play list loaded, there are no songs to relink"));
  return true;
}

// The songs 0 to dblLastIndex that are no plain file (the first `limit` of them), tested by a job
// over a copy of the paths that shares the list's stored texts; its progress is the number of
// songs tested.
struct MissingSongs {
  std::vector<QString> paths;
  std::vector<std::size_t> at;  // where each stood in the list
};
using MissingJob = Job<MissingSongs>;

std::unique_ptr<MissingJob> StartMissingTest(
    const Services& services, const MusicVariables& mv, MissingJob::Handlers handlers,
    std::size_t limit = std::numeric_limits<std::size_t>::max()) {
  SongArray listed = mv.sSongPaths();
  listed.resize(ListedCount(mv));
  IFileSystem* fs = &files(services);
  auto job =
      std::make_unique<MissingJob>(GlobalMethods::GetLowPriorityLoading(mv), std::move(handlers));
  job->start([listed, fs, limit](QPromise<MissingSongs>& promise) {
    promise.setProgressRange(0, static_cast<int>(listed.size()));
    MissingSongs missing;
    for (std::size_t i = 0; i < listed.size() && missing.at.size() < limit; ++i) {
      if (promise.isCanceled())
        return;
      QString sPath = listed[i];
      if (!PlainFileExists(*fs, sPath)) {
        missing.paths.push_back(std::move(sPath));
        missing.at.push_back(i);
      }
      promise.setProgressValue(static_cast<int>(i + 1));
    }
    promise.addResult(std::move(missing));
  });
  return job;
}

// What the search below the chosen folder found for each missing song ("" for nothing), and the
// folders it could not read. Its progress: 1 once the folder is read, 2 once the songs are
// matched.
struct Search {
  std::vector<QString> found;
  std::size_t unreadable = 0;
};

// The sentence that tells how many folders below the chosen one could not be read; "" for none.
QString UnreadableFolders(std::size_t count) {
  if (count == 0)
    return QString();
  return QLatin1Char(' ') + FormatNumber(static_cast<double>(count)) +
         (count == 1 ? QStringLiteral(" folder could not be read.")
                     : QStringLiteral(" folders could not be read."));
}

// Whether any of the songs 0 to dblLastIndex lies below `sFolder`.
bool ListHoldsSongsIn(const MusicVariables& mv, const QString& sFolder) {
  const SongArray& paths = mv.sSongPaths();
  const std::size_t listed = ListedCount(mv);
  for (std::size_t i = 0; i < listed; ++i) {
    if (paths.visit(i, [&](QStringView sPath) { return RelinkedPath(sPath, sFolder, sFolder); }))
      return true;
  }
  return false;
}

}  // namespace

namespace {

// The files are tested, then, once a folder is chosen, searched below it, each by a job beside
// the windows, which show the message the whole time. Closing the editor during either ends the
// command with the list unchanged and nothing said.
class FindMovedRun final : public JobRun {
 public:
  FindMovedRun(const Services& services, MusicVariables& mv, IEditorView& view, JobHooks hooks)
      : JobRun(std::move(hooks)), services_(services), mv_(mv), view_(view) {}

  void cancel() override {
    if (test_ != nullptr && test_->running())
      test_->cancel();
    else if (search_ != nullptr)
      search_->cancel();
  }

 private:
  void begin() override {
    if (ListIsEmpty(services_, mv_)) {
      end();
      return;
    }
    show(QStringLiteral("Looking for missing songs..."));
    version_ = mv_.version();
    listed_ = ListedCount(mv_);
    test_ = StartMissingTest(
        services_, mv_,
        {[this](int) { reported(); },
         [this](MissingSongs scan) { step([&] { chooseFolder(std::move(scan)); }, true); },
         [this] { stopped(); }});
  }

  // The message goes on being shown while a job reports; its size and place stay.
  void show(const QString& sMessage) {
    sShown_ = sMessage;
    ProcessorOf(services_).Show(sMessage, false);
  }
  void reported() { ProcessorOf(services_).Advance(sShown_, 1); }
  void stopped() {
    ProcessorOf(services_).Hide();
    end();
  }

  void chooseFolder(MissingSongs scan) {
    ProcessorOf(services_).Hide();
    scan_ = std::move(scan);
    if (scan_.paths.empty()) {
      MsgBox(services_, QStringLiteral("No song of the list is missing"));
      end();
      return;
    }
    const std::optional<QString> folder = ChooseFolder(services_, kFindTitle, view_.FileFolder());
    if (!folder || stopRequested()) {
      end();
      return;
    }
    show(QStringLiteral("Looking for the missing songs in ") + *folder);
    search_ =
        std::make_unique<Job<Search>>(GlobalMethods::GetLowPriorityLoading(mv_),
                                      Job<Search>::Handlers{[this](int) { reported(); },
                                                            [this](Search search) {
                                                              step(
                                                                  [&] {
                                                                    ProcessorOf(services_).Hide();
                                                                    relink(search);
                                                                    end();
                                                                  },
                                                                  true);
                                                            },
                                                            [this] { stopped(); }});
    IFileSystem& fs = files(services_);  // read on the job's thread, as the walk allows
    search_->start([&fs, folder = *folder, missing = scan_.paths](QPromise<Search>& promise) {
      promise.setProgressRange(0, 2);
      const FolderFiles below = fs.filesBelow(folder, [&promise] { return promise.isCanceled(); });
      promise.setProgressValue(1);
      if (promise.isCanceled())
        return;
      Search search{FindMovedSongs(missing, below.files), below.unreadable};
      promise.setProgressValue(2);
      promise.addResult(std::move(search));
    });
  }

  // By place while the list is as it was; once it changed (the event loop ran meanwhile), by
  // path.
  void relink(const Search& search) {
    const std::vector<QString>& missing = scan_.paths;
    std::vector<QString> foundAt(listed_);
    QHash<QString, QString> foundFor;
    const bool bSameList = mv_.version() == version_;
    for (std::size_t m = 0; m < missing.size(); ++m) {
      if (bSameList)
        foundAt[scan_.at[m]] = search.found[m];
      else if (!search.found[m].isEmpty())
        foundFor.insert(missing[m], search.found[m]);
    }
    const auto dblMissing = static_cast<double>(missing.size());
    const auto dblFound = std::min(
        dblMissing, static_cast<double>(ChangePaths(mv_, [&](std::size_t i, QStringView sPath) {
          const QString sFound = bSameList ? foundAt.at(i) : foundFor.value(sPath.toString());
          return sFound.isEmpty() ? std::nullopt : std::optional<QString>(sFound);
        })));
    MsgBox(services_,
           FormatNumber(dblFound) + QStringLiteral(" of ") + FormatNumber(dblMissing) +
               QStringLiteral(" missing songs were found; ") + FormatNumber(dblMissing - dblFound) +
               QStringLiteral(" are still missing.") + UnreadableFolders(search.unreadable),
           MsgButtons::OkOnly, MsgIcon::Information, kFindTitle);
  }

  const Services& services_;
  MusicVariables& mv_;
  IEditorView& view_;
  PlayListVersion version_;
  std::size_t listed_ = 0;
  QString sShown_;
  MissingSongs scan_;
  std::unique_ptr<MissingJob> test_;
  std::unique_ptr<Job<Search>> search_;
};

// The test of the files is a job; closing the editor during it ends the command with nothing
// asked and nothing said.
class RelinkRun final : public JobRun {
 public:
  RelinkRun(const Services& services, MusicVariables& mv, IEditorView& view, JobHooks hooks)
      : JobRun(std::move(hooks)), services_(services), mv_(mv), view_(view) {}

  void cancel() override {
    if (test_ != nullptr)
      test_->cancel();
  }

 private:
  void begin() override {
    if (ListIsEmpty(services_, mv_)) {
      end();
      return;
    }
    test_ = StartMissingTest(services_, mv_,
                             {nullptr,
                              [this](MissingSongs firstMissing) {
                                step(
                                    [&] {
                                      relink(firstMissing);
                                      end();
                                    },
                                    true);
                              },
                              [this] { end(); }},
                             1);
  }

  // The folder of the first missing song is the likeliest to relink, else the selected song's.
  void relink(const MissingSongs& firstMissing) {
    const int iSelected = view_.PlayListIndex();
    QString sSuggested;
    if (!firstMissing.paths.empty())
      sSuggested = FolderOfPath(firstMissing.paths.front());
    else if (iSelected >= 0 && static_cast<std::size_t>(iSelected) < ListedCount(mv_))
      sSuggested = FolderOfPath(mv_.sSongPaths()[static_cast<std::size_t>(iSelected)]);
    const QString sFrom = InputBox(services_, QStringLiteral("Relink the songs of this folder:"),
                                   kRelinkTitle, sSuggested)
                              .value_or(QString())
                              .trimmed();
    if (sFrom.isEmpty())
      return;
    if (!ListHoldsSongsIn(mv_, sFrom)) {
      MsgBox(services_, QStringLiteral("No song of the list is in ") + sFrom, MsgButtons::OkOnly,
             MsgIcon::Information, kRelinkTitle);
      return;
    }
    const std::optional<QString> sTo = ChooseFolder(
        services_, QStringLiteral("Relink the songs of ") + sFrom + QStringLiteral(" to"),
        view_.FileFolder());
    if (!sTo)
      return;
    const auto dblChanged = static_cast<double>(ChangePaths(
        mv_, [&](std::size_t, QStringView sPath) { return RelinkedPath(sPath, sFrom, *sTo); }));
    MsgBox(services_, FormatNumber(dblChanged) + QStringLiteral(" songs were relinked to ") + *sTo,
           MsgButtons::OkOnly, MsgIcon::Information, kRelinkTitle);
  }

  const Services& services_;
  MusicVariables& mv_;
  IEditorView& view_;
  std::unique_ptr<MissingJob> test_;
};

}  // namespace

std::unique_ptr<JobRun> FindMovedSongsCommand(const Services& services, MusicVariables& mv,
                                              IEditorView& view, JobHooks hooks) {
  return std::make_unique<FindMovedRun>(services, mv, view, std::move(hooks));
}

std::unique_ptr<JobRun> RelinkFolderCommand(const Services& services, MusicVariables& mv,
                                            IEditorView& view, JobHooks hooks) {
  return std::make_unique<RelinkRun>(services, mv, view, std::move(hooks));
}

}  // namespace qvt
