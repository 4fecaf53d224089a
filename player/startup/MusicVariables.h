#pragma once
// The player's shared state: the play list, the playback flags, the list view bookkeeping and
// the option flags that every window reads. One object of it lives for the whole run: the
// program's composition root makes it (a test, its fixture) and hands it to whatever uses it.
// It is only touched on the user-interface thread, so nothing is locked.
//
// It is also the play list's item model: row i is song i (its name), for songs 0 to
// dblLastIndex, so that list views show the list itself rather than a copy of it. The play
// list changes only through its methods, and each change is announced (rows inserted,
// removed, the model reset; the current song changed).
//
//   MusicVariables mv;
//   mv.append(QStringLiteral("/music/a.mp3"), QStringLiteral("a.mp3"));  // rowsInserted
//   mv.sSongNames()[0];                                                  // "a.mp3"
//   mv.removeAt(0);                                                      // rowsRemoved
//
// A removal is announced as the runs of rows that go, never as a reset, so that a view keeps
// its place and its selection.

#include <QAbstractListModel>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "player/startup/PathSearchIndex.h"
#include "player/startup/SongArray.h"

namespace qvt {

// What a view of the play list compares to learn whether the list changed since it was
// filled: the number of the list's latest change, and the last index.
struct PlayListVersion {
  std::uint64_t stamp = 0;
  double dblLastIndex = -2;  // no list was ever shown
  bool operator==(const PlayListVersion&) const = default;
};

class MusicVariables : public QAbstractListModel {
  Q_OBJECT

 public:
  explicit MusicVariables(QObject* parent = nullptr);
  ~MusicVariables() override;

  // The play list: full paths and display names, parallel, with the index of the last song
  // (-1 when no play list is loaded; the arrays may then keep a stale first element).
  const SongArray& sSongPaths() const { return sSongPaths_; }
  const SongArray& sSongNames() const { return sSongNames_; }
  double dblLastIndex() const { return dblLastIndex_; }
  // The number of the latest change of the play list (paths, names or last index).
  PlayListVersion version() const { return {changeStamp_, dblLastIndex_}; }

  // Adds a song after dblLastIndex and counts it at once, so that the list is whole at every
  // pass of the event loop however long the operation that adds it.
  void append(const QString& sPath, const QString& sName);
  // Adds the songs after dblLastIndex in one change (one rowsInserted); the names are padded
  // with empty ones or cut to the paths' count.
  void appendAll(SongArray paths, SongArray names);
  // Room for `songs` more songs of ordinary length: adding them in parts then moves none of the
  // stored texts, which on a long list would hold the window thread for a while.
  void reserveMore(std::size_t songs);
  // Removes song k (a subscript within the list); true when the list became empty.
  bool removeAt(std::size_t k);
  // Removes the songs at the given subscripts (ascending, distinct) in one pass; those above
  // the last index are no longer in the list and are ignored.
  void removeSorted(std::vector<std::size_t> ascending);
  // No play list: the last index -1, the arrays shrunk to one stale element.
  void clear();
  // Makes these songs the play list (names padded with empty ones to the paths' count).
  void replaceAll(std::vector<QString> paths, std::vector<QString> names);
  // Sets the last index alone; the arrays are left as they are.
  void setLastIndex(double dblLast);
  // Replaces the path or the name of element i of its array; throws std::out_of_range when
  // i is past the end.
  void setSongPath(std::size_t i, const QString& sPath);
  void setSongName(std::size_t i, const QString& sName);
  // Resizes both arrays to `count` elements, keeping the others; the last index is left alone.
  void resizeArrays(std::size_t count);

  // The song now playing (the player's position); announced by currentSongChanged.
  double currentSong() const { return dblCurrentSong_; }
  void setCurrentSong(double dblIndex);

  // Everything back to the zeroed start: no songs, last index 0, flags off, searches reset.
  void resetAll();

  // The item model: rows 0 to dblLastIndex (as far as the names go), the name as text.
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  // Playback.
  bool bPlaying = false;
  bool bResumeFromPosition = false;
  double dResumePosition = 0;

  // List view bookkeeping.
  bool bListWindowOpen = false;
  bool bListRefreshPending = false;
  double dblListShownLastIndex = 0;

  // Options; written only through the GlobalMethods operations.
  int16_t iSkipMode = 0;
  bool bSkipBadSongs = false;
  bool bRemoveBadSongs = false;
  bool bLowPriorityLoading = false;
  bool bHideProcessing = false;
  bool bQuickPlayClose = false;

  // The state of the two searches over the play list (GlobalMethods).
  struct SearchState {
    double dblPathSearchBound = 0;  // last index FindSongPath examines; -1 after "stop"
    double dblNameSearchStart = 0;  // first index FindSongName examines; -1 after "stop"
    int iOpenPathScopes = 0;        // PathSearchScope objects alive
    GlobalMethods::PathSearchIndex pathIndex;
  };
  SearchState& searchState() { return search_; }

 Q_SIGNALS:
  void currentSongChanged(double dblIndex);

 private:
  // Tests that set up lists no operation makes (arrays of different lengths) write directly.
  friend struct MusicVariablesTestAccess;
  // The rows a view shows: songs 0 to dblLastIndex, as far as the names go.
  int rows() const;
  static int rowsFor(double dblLast, std::size_t names);
  // True when the rows are exactly songs 0 to dblLastIndex (the arrays hold them all).
  bool isWhole() const;
  // Runs a change of the list that leaves every row as it was or is announced as a reset.
  template <class Change>
  void changeAll(Change change);
  // Runs a change that leaves `after` rows, the rows below both counts as they were.
  template <class Edit>
  void changeRowCount(int after, Edit edit);
  // Removes the songs at the subscripts from both arrays and lowers the last index.
  void eraseSongs(const std::vector<std::size_t>& ascending);
  // Removes songs spread over many runs in one pass, announced as a change of the layout.
  void removeScattered(const std::vector<std::size_t>& ascending);
  void changed() { ++changeStamp_; }

  SongArray sSongPaths_;
  SongArray sSongNames_;
  double dblLastIndex_ = 0;
  std::uint64_t changeStamp_ = 0;
  double dblCurrentSong_ = 0;
  SearchState search_;
};

}  // namespace qvt
