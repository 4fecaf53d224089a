#include "player/quickplay/frmQMusicButtonBar.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>

namespace qvt {

namespace {

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text,
                        QStyle::StandardPixmap icon) {
  auto* button = new QPushButton(parent->style()->standardIcon(icon), text, parent);
  button->setObjectName(QLatin1String(name));
  button->setToolTip(text);
  button->setFocusPolicy(Qt::TabFocus);
  return button;
}

}  // namespace

MMButtonBar::MMButtonBar(QWidget* parent)
    : QWidget(parent),
      play_(makeButton(this, "mmPlay", QStringLiteral("Play"), QStyle::SP_MediaPlay)),
      pause_(makeButton(this, "mmPause", QStringLiteral("Pause"), QStyle::SP_MediaPause)),
      stop_(makeButton(this, "mmStop", QStringLiteral("Stop"), QStyle::SP_MediaStop)) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  for (QPushButton* b : {play_, pause_, stop_})
    layout->addWidget(b);
  connect(play_, &QPushButton::clicked, this, &MMButtonBar::PlayClick);
  connect(pause_, &QPushButton::clicked, this, &MMButtonBar::PauseClick);
  connect(stop_, &QPushButton::clicked, this, &MMButtonBar::StopClick);
}

bool MMButtonBar::PlayEnabled() const {
  return play_->isEnabled();
}
void MMButtonBar::SetPlayEnabled(bool enabled) {
  play_->setEnabled(enabled);
}
bool MMButtonBar::PauseEnabled() const {
  return pause_->isEnabled();
}
void MMButtonBar::SetPauseEnabled(bool enabled) {
  pause_->setEnabled(enabled);
}
bool MMButtonBar::StopEnabled() const {
  return stop_->isEnabled();
}
void MMButtonBar::SetStopEnabled(bool enabled) {
  stop_->setEnabled(enabled);
}

void MMButtonBar::SetStates(bool play, bool pause, bool stop) {
  SetPlayEnabled(play);
  SetPauseEnabled(pause);
  SetStopEnabled(stop);
}

}  // namespace qvt
