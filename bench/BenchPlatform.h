#pragma once
// What the benchmarks of the player's long operations set up alike: fake platform services
// driven by the production event loop, and a large play list in the shared state.

#include <QString>
#include <functional>

#include "platform/fakes/FakePlatform.h"
#include "platform/linux/LinuxSystem.h"
#include "player/window/PlaybackController.h"

namespace qvt {
class frmChoose;
}

namespace qvt::bench {

// The fakes with a fresh program folder, the production event loop (its passes are part of
// what is measured) and no progress windows.
struct EventLoopPlatform {
  EventLoopPlatform();
  FakePlatform fake;
  LinuxEventLoop eventLoop;
};

// Makes the shared play list `songs` songs long, song N named "Track N - Some Song Title.mp3"
// in the folder folderOf(N) (which ends with "/").
void FillPlayList(int songs, const std::function<QString(int)>& folderOf);
// Ten songs to an album folder: "/home/user/Music/Artist N/Album/".
QString AlbumFolder(int song);

// Writes the program folder's accepted file types (MP3, WAV, OGG), which Verify List reads.
bool AcceptSongTypes(const FakePlatform& fake);

// The editor's list emptied, as for a new list.
void EmptyEditorList(frmChoose& w);
// Opens the editor's file box on `folder` with `current` as its current file.
void ShowEditorFolder(frmChoose& w, const QString& folder, const QString& current);

// A player window for the playback controller that shows nothing; in order, no loop.
class NullView : public IPlayerView {
 public:
  bool timerOn = true;  // the end-of-song watch is enabled
  void ShowPlayButtonAsPause(bool) override {}
  void SetCurrentSongCaption(const QString&) override {}
  bool IsLoopChecked() const override { return false; }
  bool IsRandomChecked() const override { return false; }
  void UncheckLoop() override {}
  void UncheckRandom() override {}
  void SetWhenStopTimerEnabled(bool b) override { timerOn = b; }
  void SetTextSliderEnabled(bool) override {}
  void ResetListView() override {}
};

}  // namespace qvt::bench
