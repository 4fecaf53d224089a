// frmQMusic: construction, the layout of its controls, loading and unloading.
#include "player/quickplay/frmQMusic.h"

#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <exception>
#include <utility>

#include "platform/Media.h"
#include "platform/base/Check.h"
#include "player/quickplay/frmQMusicButtonBar.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/MusicVariables.h"
#include "player/window/Configuration.h"
#include "player/window/QuickPlaySettings.h"
#include "player/window/VolControl.h"
#include "shared/FileManager.h"
#include "shared/Services.h"
#include "shared/Twips.h"

namespace qvt {

namespace {

const QString kConfigFileName = QStringLiteral("QPConfig.qvc");
// Colours of the display area (background, time, song name).
const QColor kDisplayBack(0x10, 0x18, 0x20);
const QColor kTimeColour(0x9F, 0xE6, 0xFF);
const QColor kSongColour(0xE8, 0xE8, 0xE8);

void SetTextColour(QWidget* w, const QColor& colour) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::WindowText, colour);
  w->setPalette(pal);
}

}  // namespace

frmQMusic::frmQMusic(MusicVariables& mv, const Services& services,
                     std::function<void()> openMainWindow, std::function<void()> closeProgram,
                     MprisHub* mpris)
    : mv_(mv),
      services_(services),
      openMainWindow_(std::move(openMainWindow)),
      closeProgram_(std::move(closeProgram)),
      mpris_hub_(mpris),
      wmpPlayer_(CreateMediaPlayer(services_)) {
  setObjectName(QStringLiteral("frmQMusic"));
  setWindowTitle(QStringLiteral("Music Quick Play"));
  setFixedSize(ClientArea().size());
  buildControls();
  connectControls();
  timUpdater->start();
  mpris_ = std::make_unique<frmQMusicMpris>(*this);
}

frmQMusic::~frmQMusic() = default;

// The design makes three controls a pixel wider than the client area: they end at its edge.
QRect frmQMusic::ClientArea() const {
  return Twips(0, 0, Configuration::kQuickPlayWidthTwips, Configuration::kQuickPlayHeightTwips);
}

// Controls are created back to front: the display rectangle first, so that everything else is
// drawn over it.
void frmQMusic::buildControls() {
  Shape1 = new QFrame(this);
  Shape1->setObjectName(QStringLiteral("Shape1"));
  Shape1->setGeometry(Twips(0, 0, 4815, 1290).intersected(ClientArea()));
  Shape1->setAutoFillBackground(true);
  QPalette display = Shape1->palette();
  display.setColor(QPalette::Window, kDisplayBack);
  Shape1->setPalette(display);

  lblTime = new QLabel(QStringLiteral("00:00"), this);
  lblTime->setObjectName(QStringLiteral("lblTime"));
  lblTime->setTextFormat(Qt::PlainText);
  lblTime->setGeometry(Twips(1440, 50, 1935, 855));
  lblTime->setAlignment(Qt::AlignCenter);
  QFont timeFont(QStringLiteral("Tahoma"));
  timeFont.setStyleHint(QFont::SansSerif);
  timeFont.setPointSizeF(36);
  lblTime->setFont(timeFont);
  SetTextColour(lblTime, kTimeColour);
  ShowTime(lblTime->text());

  vlcVolume = new VolControl(this);
  vlcVolume->setObjectName(QStringLiteral("vlcVolume"));
  vlcVolume->setGeometry(Twips(4320, 80, 375, 900));
  vlcVolume->setToolTip(QStringLiteral("Volume Control"));
  vlcVolume->SetBackColor(kDisplayBack);

  lblCurrentSong = new QLabel(QStringLiteral("Loading"), this);
  lblCurrentSong->setObjectName(QStringLiteral("lblCurrentSong"));
  lblCurrentSong->setTextFormat(Qt::PlainText);
  lblCurrentSong->setGeometry(Twips(0, 960, 4815, 255).intersected(ClientArea()));
  lblCurrentSong->setIndent(4);
  QFont songFont(QStringLiteral("Courier New"));
  songFont.setStyleHint(QFont::Monospace);
  songFont.setPointSizeF(8.25);
  lblCurrentSong->setFont(songFont);
  SetTextColour(lblCurrentSong, kSongColour);

  sldPosition = new QSlider(Qt::Horizontal, this);
  sldPosition->setObjectName(QStringLiteral("sldPosition"));
  sldPosition->setAccessibleName(QStringLiteral("Position"));
  sldPosition->setGeometry(Twips(0, 1200, 4815, 375).intersected(ClientArea()));
  sldPosition->setToolTip(QStringLiteral("Song Position Control"));
  sldPosition->setRange(0, 10);
  sldPosition->installEventFilter(this);

  mmControl = new MMButtonBar(this);
  mmControl->setObjectName(QStringLiteral("mmControl"));
  mmControl->setGeometry(Twips(120, 1560, 3480, 375));

  cmdLoadMain = new QPushButton(QStringLiteral("&Load QVT"), this);
  cmdLoadMain->setObjectName(QStringLiteral("cmdLoadMain"));
  cmdLoadMain->setGeometry(Twips(3720, 1560, 975, 375));

  timTextSlider = new QTimer(this);
  timTextSlider->setObjectName(QStringLiteral("timTextSlider"));
  timTextSlider->setInterval(TitleScroller::kStepMs);
  timUpdater = new QTimer(this);
  timUpdater->setObjectName(QStringLiteral("timUpdater"));
  timUpdater->setInterval(300);
}

void frmQMusic::connectControls() {
  connect(timUpdater, &QTimer::timeout, this, &frmQMusic::timUpdater_Timer);
  connect(timTextSlider, &QTimer::timeout, this, &frmQMusic::timTextSlider_Timer);
  connect(mmControl, &MMButtonBar::PlayClick, this, &frmQMusic::mmControl_PlayClick);
  connect(mmControl, &MMButtonBar::PauseClick, this, &frmQMusic::mmControl_PauseClick);
  connect(mmControl, &MMButtonBar::StopClick, this, &frmQMusic::mmControl_StopClick);
  connect(vlcVolume, &VolControl::ValueChanged, this, &frmQMusic::vlcVolume_ValueChanged);
  connect(cmdLoadMain, &QPushButton::clicked, this, &frmQMusic::cmdLoadMain_Click);
  connect(wmpPlayer_.get(), &IMediaPlayer::ended, this, &frmQMusic::PlayerStopped);
  connect(wmpPlayer_.get(), &IMediaPlayer::loaded, this, &frmQMusic::PlayerLoaded);
  connect(wmpPlayer_.get(), &IMediaPlayer::errorOccurred, this, &frmQMusic::PlayerFailed);
}

// The slider's own mouse handling goes on; the window only learns of the press and release,
// which also covers clicks on the groove.
bool frmQMusic::eventFilter(QObject* watched, QEvent* event) {
  if (watched == sldPosition &&
      (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease)) {
    if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
      if (event->type() == QEvent::MouseButtonPress) {
        sldPosition_MouseDown();
      } else {
        // After the slider has taken its final value from this release.
        QTimer::singleShot(0, this, &frmQMusic::sldPosition_MouseUp);
      }
    }
  }
  return Form::eventFilter(watched, event);
}

// The largest size of the time font (36 pt at most) at which the text fits its label, found
// again whenever the length of the text changes.
void frmQMusic::ShowTime(const QString& text) {
  if (lblTime->property("fittedLength").toInt() != text.size()) {
    QFont font = lblTime->font();
    font.setPointSizeF(36);
    while (font.pointSizeF() > 8 && QFontMetrics(font).horizontalAdvance(text) > lblTime->width())
      font.setPointSizeF(font.pointSizeF() - 1);
    lblTime->setFont(font);
    lblTime->setProperty("fittedLength", static_cast<int>(text.size()));
  }
  lblTime->setText(text);
}

double frmQMusic::Top() const {
  return TwipsOf(pos().y());
}
double frmQMusic::Left() const {
  return TwipsOf(pos().x());
}

void frmQMusic::MoveToTwips(double dTop, double dLeft) {
  move(Pixels(dLeft), Pixels(dTop));
}

void frmQMusic::CentreWindow() {
  const QPointF at = centerOnScreen(qvt::screen(services_), TwipsOf(frameGeometry().size()));
  MoveToTwips(at.y(), at.x());
}

void frmQMusic::Form_Load() {
  if (!fmConfig_)
    fmConfig_ = std::make_unique<clsFileManager>(services_);
  const QuickPlayConfig config =
      ReadQuickPlayConfig(*fmConfig_, DataFile(services_, kConfigFileName));
  if (config.bFound) {
    SetVolume(999);
    if (config.iVolume)
      SetVolume(*config.iVolume);
  }
  // A position that is missing or could not be read as a 16-bit number centres the window.
  if (config.iTop && config.iLeft) {
    MoveToTwips(*config.iTop, *config.iLeft);
  } else {
    CentreWindow();
  }
  IScreen& display = qvt::screen(services_);
  if (Top() > ScreenHeightTwips(display) || Left() > ScreenWidthTwips(display))
    CentreWindow();
  GlobalMethods::SetQuickPlayClose(mv_, config.bCloseOption);
  bCloseAfterSong_ = GlobalMethods::GetQuickPlayClose(mv_);
}

void frmQMusic::Form_Unload(bool& /*bCancel*/) {
  timUpdater->stop();
  timTextSlider->stop();
  // Quiet: a settings file that cannot be written must not keep the window from closing.
  // The position is stored in single precision.
  const Result<void> saved = WriteQuickPlayConfig(
      services_, DataFile(services_, kConfigFileName), static_cast<float>(Top()),
      static_cast<float>(Left()), GlobalMethods::GetQuickPlayClose(mv_), vlcVolume->CurrentValue());
  QVT_CHECK(lcFiles(), saved, saved.error());
  if (!bLoadingMain_)
    appControl(services_).endProgram(0);
}

// When the main player window cannot be opened, quick play stays open rather than leaving the
// program without a window.
void frmQMusic::cmdLoadMain_Click() {
  bCloseAfterSong_ = false;
  mv_.bPlaying = false;
  // Loading the player lets the event loop run: a close of this window meanwhile waits, and
  // once the player is there it no longer ends the program.
  FormBusy busy(*this);
  bLoadingMain_ = true;
  try {
    if (openMainWindow_)
      openMainWindow_();
  } catch (const std::exception& failure) {
    bLoadingMain_ = false;
    MsgBox(services_, QString::fromUtf8(failure.what()));
    return;
  }
  Forms::Unload(*this);
}

}  // namespace qvt
