#pragma once
// The player's windows, each in its slot, wired to one another: made by the program's start-up
// (and by the tests' fixtures), which keeps them for the whole run. A window receives the slots
// of the windows it opens when it is made; none finds another by itself.

#include <memory>

#include "player/startup/MainModule.h"
#include "player/update/UpdatorMethods.h"
#include "shared/UpdateManifest.h"
#include "shared/ui/Form.h"

namespace qvt {

class IPlayerWindow;
class MprisHub;
class MusicVariables;
struct Services;
class frmChoose;
class frmList;
class frmMusic;
class frmOptions;
class frmQMusic;
class frmSearch;

class PlayerWindows : public MainModule::IFirstWindows {
 public:
  // The desktop's media controls the playing windows attach to; none: not served.
  // `mv` is the play list and state every window shares; `services`, the table of services the
  // windows and what they run reach the machine through (it outlives the windows); `trust`,
  // what the updates installed from the options window are verified under: the program's
  // compiled choice, or a test's.
  PlayerWindows(MusicVariables& mv, const Services& services, MprisHub* mpris = nullptr,
                UpdateManifest::Trust trust = UpdateManifest::Trust::Compiled());
  ~PlayerWindows() override;
  PlayerWindows(const PlayerWindows&) = delete;
  PlayerWindows& operator=(const PlayerWindows&) = delete;

  FormSet forms;
  FormSlot<frmMusic> music;
  FormSlot<frmList> list;
  FormSlot<frmChoose> editor;
  FormSlot<frmOptions> options;
  FormSlot<frmSearch> search;
  FormSlot<frmQMusic> quick;
  // What an update does to the player window: halt it where it is, then close the program as
  // the user would.
  UpdatorMethods::PlayerHooks updateHooks;

  // MainModule::IFirstWindows
  void ShowPlayer() override;
  void ShowQuickPlay(const QString& sPath) override;
  void StartQuickPlay() override;
  MusicVariables& PlayList() override { return mv_; }
  const Services& services() const override { return services_; }
  bool WhenPlayerLoaded(std::function<void()> then) override;
  bool UnloadPlayer() override;
  bool UnloadQuickPlay() override;

 private:
  MusicVariables& mv_;
  const Services& services_;
  const UpdateManifest::Trust trust_;
  // The player window as the list view and the editor reach it: loaded when it is not.
  std::unique_ptr<IPlayerWindow> playerLink_;
};

}  // namespace qvt
