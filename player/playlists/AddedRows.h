#pragma once
// The songs that one operation appended to the play list, followed through every change the
// list announces meanwhile (the player's timers may remove a song, another append may follow),
// so that the operation can take back exactly its own songs when it is stopped.
//
//   AddedRows added(mv);
//   added.own([&] { mv.appendAll(paths, names); });  // counted as the operation's
//   ...                                              // the event loop runs; the list changes
//   added.takeBack();                                // the list as it was, but for the others
//
// A reset of the list (cleared, replaced, a list file loaded) leaves nothing known to take
// back: whatever the list holds then is not the operation's to change.

#include <QObject>
#include <vector>

namespace qvt {

class MusicVariables;

class AddedRows : public QObject {
 public:
  explicit AddedRows(MusicVariables& mv);

  // Runs `append`; the rows it inserts are the operation's.
  template <class Append>
  void own(Append append) {
    bOwn_ = true;
    append();
    bOwn_ = false;
  }
  // Removes the operation's rows still in the list, in one change.
  void takeBack();

 private:
  struct Range {
    int first;
    int count;
  };
  void inserted(int first, int last);
  void removed(int first, int last);

  MusicVariables& mv_;
  std::vector<Range> ranges_;
  bool bOwn_ = false;
  bool bLost_ = false;
};

}  // namespace qvt
