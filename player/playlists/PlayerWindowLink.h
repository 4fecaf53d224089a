#pragma once
// What the list view and the play list editor ask of the player window. The program's start-up
// provides it, loading the player window when it is not loaded, so that the windows of the
// play lists do not depend on the player window's class.

namespace qvt {

class IPlayerWindow {
 public:
  virtual ~IPlayerWindow() = default;

  virtual bool isMinimized() = 0;
  // The position in the play list of the song that plays or would play.
  virtual double Position() = 0;
  virtual void StartPlay(double dblIndex) = 0;
  virtual void setDisplay(double dblIndex) = 0;
  virtual void show() = 0;
  // Starts the list the editor hands back, from its first song.
  virtual void StartNewPlay() = 0;
};

}  // namespace qvt
