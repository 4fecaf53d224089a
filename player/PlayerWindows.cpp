#include "player/PlayerWindows.h"

#include <QCoreApplication>
#include <memory>
#include <utility>

#include "player/options/frmOptions.h"
#include "player/playlists/PlayerWindowLink.h"
#include "player/playlists/frmChoose.h"
#include "player/playlists/frmList.h"
#include "player/playlists/frmSearch.h"
#include "player/quickplay/MediaControLCheck.h"
#include "player/quickplay/frmQMusic.h"
#include "player/startup/MainModule.h"
#include "player/window/frmMusic.h"

namespace qvt {

namespace {

class PlayerWindowLink final : public IPlayerWindow {
 public:
  explicit PlayerWindowLink(FormSlot<frmMusic>& music) : music_(music) {}
  bool isMinimized() override { return music_.Get().isMinimized(); }
  double Position() override { return music_.Get().Position(); }
  void StartPlay(double dblIndex) override { music_.Get().StartPlay(dblIndex); }
  void setDisplay(double dblIndex) override { music_.Get().setDisplay(dblIndex); }
  void show() override { music_.Get().show(); }
  void StartNewPlay() override { music_.Get().StartNewPlay(); }

 private:
  FormSlot<frmMusic>& music_;
};

}  // namespace

PlayerWindows::PlayerWindows(MusicVariables& mv, const Services& services, MprisHub* mpris,
                             UpdateManifest::Trust trust)
    : music(forms,
            [this, &mv, mpris] {
              return new frmMusic(
                  mv, services_,
                  {music, list, editor, options, [this] { MainModule::CloseNormally(*this); },
                   mpris, [this] { MediaControLCheck::CheckMediaControl(services_); }});
            }),
      list(forms, [this, &mv] { return new frmList(mv, services_, search, *playerLink_); }),
      editor(forms, [this, &mv] { return new frmChoose(mv, services_, *playerLink_); }),
      options(forms, [this, &mv] { return new frmOptions(mv, services_, updateHooks, trust_); }),
      search(forms, [this, &mv] { return new frmSearch(mv, services_, list); }),
      quick(forms,
            [this, &mv, mpris] {
              return new frmQMusic(
                  mv, services_, [this] { music.Get().show(); },
                  [this] { MainModule::CloseNormally(*this); }, mpris);
            }),
      updateHooks{[this] {
                    if (frmMusic* player = music.Loaded())
                      player->HaltPlayer();
                  },
                  [this] { MainModule::CloseNormally(*this); }},
      mv_(mv),
      services_(services),
      trust_(std::move(trust)),
      playerLink_(std::make_unique<PlayerWindowLink>(music)) {}

PlayerWindows::~PlayerWindows() = default;

void PlayerWindows::ShowPlayer() {
  music.Get().show();
}

void PlayerWindows::ShowQuickPlay(const QString& sPath) {
  frmQMusic& window = quick.Get();
  window.SetFileToPlay(sPath);
  window.show();
}

void PlayerWindows::StartQuickPlay() {
  quick.Get().StartPlayQ();
}

bool PlayerWindows::WhenPlayerLoaded(std::function<void()> then) {
  if (!music.IsLoaded() || !music.Loaded()->IsLoading())
    return false;
  // Whichever comes first, the end of the loading or the end of the window (an upgrade ends
  // it while it loads), runs `then`; queued, so that it never runs inside the window's load.
  auto once = std::make_shared<std::function<void()>>(std::move(then));
  const auto run = [once] {
    if (*once)
      std::exchange(*once, {})();
  };
  frmMusic* window = music.Loaded();
  QObject* program = QCoreApplication::instance();
  QObject::connect(
      window, &frmMusic::LoadingEnded, program, run,
      static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::SingleShotConnection));
  QObject::connect(
      window, &QObject::destroyed, program, run,
      static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::SingleShotConnection));
  return true;
}

bool PlayerWindows::UnloadPlayer() {
  if (!music.IsLoaded())
    return false;
  music.Unload();
  return true;
}

bool PlayerWindows::UnloadQuickPlay() {
  if (!quick.IsLoaded())
    return false;
  quick.Unload();
  return true;
}

}  // namespace qvt
