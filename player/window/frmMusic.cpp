#include "player/window/frmMusic.h"

#include <QEvent>
#include <QIcon>
#include <QPointer>
#include <QScopeGuard>
#include <cmath>
#include <utility>

#include "player/options/frmOptions.h"
#include "player/playlists/SongListBox.h"
#include "player/playlists/frmChoose.h"
#include "player/playlists/frmList.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/MusicVariables.h"
#include "player/update/ComponentCheck.h"
#include "player/update/Tracker.h"
#include "player/window/ResumePoint.h"
#include "shared/Services.h"
#include "shared/Twips.h"
#include "shared/ui/DesignFont.h"

namespace qvt {

namespace {

QPushButton* Button(QWidget* parent, const char* name, const QString& caption,
                    const QString& tip = QString()) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  if (!tip.isEmpty())
    button->setToolTip(tip);
  return button;
}

}  // namespace

frmMusic::frmMusic(MusicVariables& mv, const Services& services, Links links)
    : mv_(mv), services_(services), links_(std::move(links)) {
  setObjectName(QStringLiteral("frmMusic"));
  setWindowTitle(QStringLiteral("Quavertone"));
  setWindowIcon(QIcon(ProgramFile(services_, QStringLiteral("QVTFile.png"))));
  CreateControls();
  PlaceControls();
  controller_ = std::make_unique<PlaybackController>(mv_, services_, *this, *wmpPlayer);
  ConnectHandlers();
  mpris_ = std::make_unique<frmMusicMpris>(*this);
}

frmMusic::~frmMusic() = default;

void frmMusic::CreateControls() {
  sldVol = new QSlider(Qt::Vertical, this);
  sldVol->setObjectName(QStringLiteral("sldVol"));
  sldVol->setAccessibleName(QStringLiteral("Volume"));
  sldVol->setRange(0, 3680);
  sldVol->setSingleStep(50);
  sldVol->setPageStep(500);
  sldVol->setTickInterval(200);
  sldVol->setTickPosition(QSlider::TicksBothSides);
  sldVol->setInvertedAppearance(true);  // 0 (full volume) at the top
  sldVol->setValue(0);
  sldVol->setToolTip(QStringLiteral("Volume Control"));

  cmdPlay = Button(this, "cmdPlay", QStringLiteral("&Play"), QStringLiteral("Play"));
  cmdStop = Button(this, "cmdStop", QStringLiteral("&Stop"), QStringLiteral("Stop and Rewind"));
  cmdPrevious = Button(this, "cmdPrevious", QStringLiteral("&<"), QStringLiteral("Back a song"));
  cmdRd = Button(this, "cmdRd", QStringLiteral("&Rd"), QStringLiteral("Random song"));
  cmdNext = Button(this, "cmdNext", QStringLiteral("&>"), QStringLiteral("Forward a song"));
  // A screen reader speaks what the symbols mean.
  cmdPrevious->setAccessibleName(QStringLiteral("Previous song"));
  cmdRd->setAccessibleName(QStringLiteral("Random song"));
  cmdNext->setAccessibleName(QStringLiteral("Next song"));
  cmdView = Button(this, "cmdView", QStringLiteral("&View Play List"),
                   QStringLiteral("View the currently loaded playlist"));
  cmdDir = Button(this, "cmdDir", QStringLiteral("&Create Play List"),
                  QStringLiteral("Configure your playlist"));
  cmdOptions = Button(this, "cmdOptions", QStringLiteral("Op&tions"));

  chkRandom = new QCheckBox(QStringLiteral("Random song &order"), this);
  chkRandom->setObjectName(QStringLiteral("chkRandom"));
  chkRandom->setToolTip(QStringLiteral("Enable/Disable random song playback"));
  chkLoop = new QCheckBox(QStringLiteral("&Loop current song"), this);
  chkLoop->setObjectName(QStringLiteral("chkLoop"));

  Label1 = new QLabel(QStringLiteral("Currently Playing:"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setTextFormat(Qt::PlainText);
  lblCurrentSong = new QLabel(QStringLiteral("Ready"), this);
  lblCurrentSong->setObjectName(QStringLiteral("lblCurrentSong"));
  lblCurrentSong->setTextFormat(Qt::PlainText);
  QFont mono(QStringLiteral("Courier New"));
  mono.setStyleHint(QFont::TypeWriter);
  mono.setPointSizeF(8.25);
  lblCurrentSong->setFont(mono);

  timTextSlider = new QTimer(this);
  timTextSlider->setObjectName(QStringLiteral("timTextSlider"));
  timTextSlider->setInterval(400);

  wmpPlayer = CreateMediaPlayer(services_);
}

void frmMusic::PlaceControls() {
  setFixedSize(Twips(0, 0, kClientWidthTwips, kClientHeightTwips).size());
  cmdPlay->setGeometry(Twips(0, 720, 735, 495));
  cmdStop->setGeometry(Twips(840, 720, 735, 495));
  cmdPrevious->setGeometry(Twips(1800, 720, 375, 495));
  cmdRd->setGeometry(Twips(2160, 720, 375, 495));
  cmdNext->setGeometry(Twips(2520, 720, 375, 495));
  cmdView->setGeometry(Twips(3120, 720, 1215, 495));
  cmdDir->setGeometry(Twips(4440, 720, 1335, 495));
  cmdOptions->setGeometry(Twips(5880, 720, 735, 495));
  chkRandom->setGeometry(Twips(4920, 120, 1695, 255));
  chkLoop->setGeometry(Twips(4920, 360, 1695, 255));
  Label1->setGeometry(Twips(1800, 0, 1215, 255));
  lblCurrentSong->setGeometry(Twips(0, 240, 4815, 255));
  // The slider's design height is a little more than the client area's: it ends at the edge.
  sldVol->setGeometry(Twips(6600, 0, 495, 1335).intersected(rect()));
  for (QWidget* control :
       std::initializer_list<QWidget*>{chkRandom, chkLoop, Label1, cmdView, cmdDir, cmdOptions}) {
    FitCaption(control);
  }
  // Tab order as designed: the transport buttons, the window buttons, the check boxes.
  QWidget* order[] = {cmdPlay, cmdStop, cmdPrevious, cmdRd,     cmdNext,
                      cmdView, cmdDir,  cmdOptions,  chkRandom, chkLoop};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i)
    setTabOrder(order[i], order[i + 1]);
}

void frmMusic::ConnectHandlers() {
  PlaybackController* c = controller_.get();
  connect(cmdPlay, &QPushButton::clicked, this, [c] { c->cmdPlay_Click(); });
  connect(cmdStop, &QPushButton::clicked, this, [c] { c->cmdStop_Click(); });
  connect(cmdNext, &QPushButton::clicked, this, [c] { c->cmdNext_Click(); });
  connect(cmdPrevious, &QPushButton::clicked, this, [c] { c->cmdPrevious_Click(); });
  connect(cmdRd, &QPushButton::clicked, this, [c] { c->cmdRd_Click(); });
  connect(chkLoop, &QCheckBox::clicked, this, [c] { c->chkLoop_Click(); });
  connect(chkRandom, &QCheckBox::clicked, this, [c] { c->chkRandom_Click(); });
  // A window that is closing chains no further song: its close may show a message box, and a
  // song may end while it is up.
  connect(wmpPlayer.get(), &IMediaPlayer::ended, this, [this, c] {
    if (bTimWhenStopEnabled_ && !unloading())
      c->timWhenStop_Timer();
  });
  connect(timTextSlider, &QTimer::timeout, this, [this] { timTextSlider_Timer(); });
  connect(sldVol, &QSlider::valueChanged, this, [this] { sldVol_Change(); });
  connect(sldVol, &QSlider::sliderMoved, this, [this] { sldVol_Change(); });
  connect(sldVol, &QSlider::sliderReleased, this, [this] { sldVol_Change(); });
  connect(cmdDir, &QPushButton::clicked, this, [this] { cmdDir_Click(); });
  connect(cmdView, &QPushButton::clicked, this, [this] { cmdView_Click(); });
  connect(cmdOptions, &QPushButton::clicked, this, [this] { cmdOptions_Click(); });
}

void frmMusic::Form_Load() {
  bLoading_ = true;
  // The upgrade path destroys this window before the handler returns.
  const auto loaded = qScopeGuard([self = QPointer<frmMusic>(this)] {
    if (self) {
      self->bLoading_ = false;
      Q_EMIT self->LoadingEnded();
    }
  });
  Tracker::SetStatusRunning(services_);
  ComponentCheck::CheckCommonControls(services_);
  mv_.setLastIndex(-1);
  Configuration::LoadResult result;
  {
    // The list loads with the event loop running: a close meanwhile waits for the whole list,
    // so that the save never writes part of it.
    FormBusy busy(*this);
    result = Configuration::LoadConfiguration(services_, mv_, *this, bHasPlayList_);
  }
  if (result == Configuration::LoadResult::Upgrade) {
    Upgrade();
    return;
  }
  bTimWhenStopEnabled_ = true;
  if (bHasPlayList_) {
    StartPlay(Position());
    setDisplay(Position());
  }
  if (const std::optional<ResumePoint> point = LoadResumePoint(services_))
    controller_->RestoreResumePoint(*point);
  if (links_.checkMediaControl)
    links_.checkMediaControl();
}

// The configuration came from another version: this window saves the state as it stands
// (nothing loaded) and closes, and a new window loads the file just written. Once unloaded,
// this window may be destroyed by any pass of the event loop (the message box runs one), so
// nothing of it is touched after the unload.
void frmMusic::Upgrade() {
  FormSlot<frmMusic>& self = links_.self;
  const Services& services = services_;
  bUpgrading_ = true;
  Forms::Unload(*this);
  bUpgrading_ = false;
  self.Get().show();
  MsgBox(services, QStringLiteral("Upgrade complete"));
}

void frmMusic::Form_Unload(bool& bCancel) {
  (void)bCancel;
  if (bUpgrading_) {
    Configuration::SaveConfiguration(services_, mv_, *this, bHasPlayList_);
    links_.list.Unload();
    links_.editor.Unload();
    return;
  }
  hide();
  SaveResumePoint(services_, controller_->CurrentResumePoint());
  Configuration::SaveConfiguration(services_, mv_, *this, bHasPlayList_);
  Tracker::SetStatusClosed(services_);
  appControl(services_).endProgram(0);
}

void frmMusic::changeEvent(QEvent* event) {
  Form::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange)
    return;
  if ((windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)) == 0 &&
      mv_.bListRefreshPending) {
    mv_.bListRefreshPending = false;
    ResetListView();
  }
}

void frmMusic::ShowPlayButtonAsPause(bool bPause) {
  cmdPlay->setText(bPause ? QStringLiteral("&Pause") : QStringLiteral("&Play"));
  cmdPlay->setToolTip(bPause ? QStringLiteral("Pause") : QStringLiteral("Play"));
  if (links_.mpris != nullptr)
    links_.mpris->Changed();
}

void frmMusic::SetCurrentSongCaption(const QString& sCaption) {
  lblCurrentSong->setText(sCaption);
  if (links_.mpris != nullptr)
    links_.mpris->Changed();
}

void frmMusic::UncheckLoop() {
  chkLoop->setChecked(false);
}

void frmMusic::UncheckRandom() {
  chkRandom->setChecked(false);
}

void frmMusic::SetWhenStopTimerEnabled(bool bEnabled) {
  bTimWhenStopEnabled_ = bEnabled;
}

void frmMusic::SetTextSliderEnabled(bool bEnabled) {
  if (bEnabled) {
    if (!timTextSlider->isActive())
      timTextSlider->start();
  } else {
    timTextSlider->stop();
  }
}

void frmMusic::ResetListView() {
  links_.list.Get().reset();
}

void frmMusic::AssignRandomChecked(bool bChecked) {
  if (chkRandom->isChecked() == bChecked)
    return;
  chkRandom->setChecked(bChecked);
  controller_->chkRandom_Click();
}

void frmMusic::AssignLoopChecked(bool bChecked) {
  if (chkLoop->isChecked() == bChecked)
    return;
  chkLoop->setChecked(bChecked);
  controller_->chkLoop_Click();
}

void frmMusic::timTextSlider_Timer() {
  timTextSlider->stop();
  const MusicVariables& mv = mv_;
  const double position = Position();
  const auto index = static_cast<std::size_t>(std::max(0.0, position));
  const QString name = index < mv.sSongNames().size() ? mv.sSongNames()[index] : QString();
  const TitleScroller::Tick tick = scroller_.Next(position, name);
  lblCurrentSong->setText(tick.caption);
  timTextSlider->setInterval(tick.intervalMs);
  timTextSlider->start();
}

void frmMusic::sldVol_Change() {
  dblVolume_ = sldVol->value();
  wmpPlayer->setVolume(-static_cast<int32_t>(dblVolume_));
}

void frmMusic::cmdDir_Click() {
  frmChoose& editor = links_.editor.Get();
  if (!links_.editor.IsLoaded())
    return;  // closed while it filled its list: it has handed the list back already
  editor.show();
  editor.raise();
  editor.activateWindow();
  links_.list.Unload();
  hide();
}

void frmMusic::cmdView_Click() {
  frmList& view = links_.list.Get();
  view.show();
  view.raise();
  view.activateWindow();
  view.reset();
  GlobalMethods::SelectListItem(*view.lstList, Position());
}

void frmMusic::cmdOptions_Click() {
  frmOptions& options = links_.options.Get();
  options.show();
  options.raise();
  options.activateWindow();
}

void frmMusic::HaltPlayer() {
  wmpPlayer->stop();
  ShowPlayButtonAsPause(false);
}

}  // namespace qvt
