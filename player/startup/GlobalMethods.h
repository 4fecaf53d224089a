#pragma once
// Operations that several windows perform on the shared state (MusicVariables), each given the
// object by its caller: the options chosen in the options window, the searches over the play
// list, small list-box and path helpers, the song file checks, the play list integrity check
// and the handling of songs that cannot be played. Play list indexes are doubles holding whole
// numbers; an index that does not name a song of the current list (0 to dblLastIndex) names no
// song.

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "player/startup/ListBox.h"
#include "player/startup/MusicVariables.h"

namespace qvt {
class JobRun;
struct JobHooks;
struct Services;
}  // namespace qvt

namespace qvt::GlobalMethods {

// Each operation that shows a message, lets the event loop run or reaches the files does so
// through the services handed in first.

// Options. Loading priority: 0 or 1 slow, 2 immediate. Processing messages: 0 or 1 shown,
// 2 hidden. Any other code shows a message and keeps the flag.
void SetSongLoadingPriority(const Services& services, MusicVariables& mv, int16_t iMode);
bool GetLowPriorityLoading(const MusicVariables& mv);
void SetProcessingVisibility(const Services& services, MusicVariables& mv, int16_t iMode);
bool GetHideProcessing(const MusicVariables& mv);
void SetQuickPlayClose(MusicVariables& mv, bool bValue);
bool GetQuickPlayClose(const MusicVariables& mv);

// Duplicate search over the paths. "init<n>" fixes the highest index searched to n, "stop"
// clears it, both answer -1, as does any term shorter than four characters. Any other term
// answers the lowest index up to that bound whose path equals it when both are upper-cased,
// or -1. Fast on large lists: repeated searches do not rescan the list.
double FindSongPath(MusicVariables& mv, const QString& sTerm);
// Readies FindSongPath for its bound: when the songs up to it hold a long stretch that the
// search has not seen, it reads them on a worker while the windows keep answering (`wanted`
// is asked once a frame; false stops it). What it read is kept only when the list did not
// change meanwhile; otherwise the search reads what it needs itself, as for a short stretch.
void PreparePathSearchBesideTheWindows(const Services& services, MusicVariables& mv,
                                       const std::function<bool()>& wanted);
// Holds the duplicate search bound of one operation: fixed at the current last index when it
// starts; when it ends, cleared ("stop") if no other operation searches, else given back to
// the operation it ran inside (an add started while another runs, the event loop running in
// both), covering every song in the list by then so that neither lets in a song the other
// added.
class PathSearchScope {
 public:
  explicit PathSearchScope(MusicVariables& mv);
  ~PathSearchScope();
  PathSearchScope(const PathSearchScope&) = delete;
  PathSearchScope& operator=(const PathSearchScope&) = delete;

 private:
  MusicVariables& mv_;
  double dblOuterBound_;
};
// Search over the names. "init<n>" sets the first index searched, "stop" clears it; both
// answer -1. Any other term answers the first index from there to dblLastIndex whose name
// equals the term (or contains it, when bPartial) when both are upper-cased, or -1.
double FindSongName(MusicVariables& mv, const QString& sTerm, bool bPartial);
// FindSongName for a term to search for, the names scanned on a worker while the windows keep
// answering. The worker reads a copy of the names taken at the start (it shares their stored
// texts); should the list change meanwhile, the list as it is then is searched again here, so
// the answer always names a song of the list as it stands.
double FindSongNameBesideTheWindows(const Services& services, MusicVariables& mv,
                                    const QString& sTerm, bool bPartial);

// Index of the first selected entry among 0 to dblLastIndex; 0 when none is selected.
double GetSelectedIndex(const MusicVariables& mv, const IListBox& lst);
// Selects entry dblIndex (rounded to a whole number); every failure is ignored.
void SelectListItem(IListBox& lst, double dblIndex);
// Every doubled separator "//" becomes "/", in one pass from left to right.
QString FixDoubleBackslash(const QString& sPath);

// Whether the song's extension is listed in "AcceptedFileTypes.qvc" of the program folder.
// A missing list file shows the file manager's error box and answers false.
bool IsAcceptedFileType(const Services& services, const MusicVariables& mv, double dblIndex);
// The check of every song of the play list, which offers to remove those that are missing or
// of a type that is not accepted: an operation of jobs, not yet started (PlayListCheck,
// player/startup/PlayListCheck.h).
std::unique_ptr<JobRun> VerifyPlayList(const Services& services, MusicVariables& mv,
                                       JobHooks hooks);
// The next file number not in use by the program.
int16_t GetFreeFileNumber(const Services& services);

// Skip mode: 0 or 1 don't skip, 2 skip and remove, 3 just skip. The code is stored in every
// case; an invalid one shows a message and keeps the two flags.
void SetSkipMode(const Services& services, MusicVariables& mv, int16_t iMode);
int16_t GetSkipMode(const MusicVariables& mv);
void SetSkipModeValue(MusicVariables& mv, int16_t iMode);
bool GetSkipBadSongs(const MusicVariables& mv);
void SetSkipBadSongs(MusicVariables& mv, bool bValue);
bool GetRemoveBadSongs(const MusicVariables& mv);
void SetRemoveBadSongs(MusicVariables& mv, bool bValue);

// Whether the song's file exists as a plain file (not a folder, hidden or system entry).
bool SongFileExists(const Services& services, const MusicVariables& mv, double dblIndex);
// Resizes both arrays to the indexes 0 to dblLast, keeping their elements; a negative value
// does nothing. dblLastIndex is left alone.
void ResizeSongArrays(MusicVariables& mv, double dblLast);
// Removes a song that failed to play when bad songs are to be removed. True means that the
// caller gives up on the song (removal is off, or there is no such song).
bool RemoveBadSong(const Services& services, MusicVariables& mv, double dblIndex);
// Appends a song after dblLastIndex and counts it at once, so that the list is whole at every
// pass of the event loop however long the operation that adds it.
void AppendSong(MusicVariables& mv, const QString& sPath, const QString& sName);
// Removes one song silently; an index that names no song changes nothing.
void RemoveSongAt(MusicVariables& mv, double dblIndex);
// Lets the event loop run once when songs are loaded slowly; nothing otherwise.
void YieldIfLowPriority(const Services& services, const MusicVariables& mv);

}  // namespace qvt::GlobalMethods
