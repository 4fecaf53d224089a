#include "player/playlists/frmList.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTimer>
#include <QWindow>
#include <QtMath>
#include <algorithm>
#include <climits>

#include "player/playlists/NowPlayingModel.h"
#include "player/playlists/PlayerWindowLink.h"
#include "player/playlists/SongListBox.h"
#include "player/playlists/frmSearch.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/MusicVariables.h"
#include "shared/Services.h"
#include "shared/Twips.h"
#include "shared/Variant.h"

namespace qvt {

namespace {

constexpr int kStatusBarHeightTwips = 315;

// The layout's outer sizes and places were drawn around a frame of this size (pixels). The
// window works from its client area plus this frame, whatever frame the window manager draws,
// so that its controls and the docked search window stand where the design has them.
constexpr QMargins kDesignFrame(4, 26, 4, 4);
// The docking rule sets the search window this far below the view's top: the design frame's
// title bar and top edge, and a little more. Under any frame the search window's own frame
// starts at the view's top less this, so that the two windows' tops are level.
constexpr double kSearchDropTwips = 500;

QRect PixelRect(const ListView::Rect& r) {
  return QRect(Pixels(r.left), Pixels(r.top), Pixels(r.width), Pixels(r.height));
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  return button;
}

// A play list index as an entry number; nothing when it cannot name an entry.
std::optional<int> EntryNumber(double dblIndex) {
  const double index = RoundHalfEven(dblIndex);
  if (!(index >= 0 && index <= INT_MAX))
    return std::nullopt;
  return static_cast<int>(index);
}

}  // namespace

frmList::frmList(MusicVariables& mv, const Services& services, FormSlot<frmSearch>& search,
                 IPlayerWindow& player)
    : services_(services), search_(search), player_(player), mv_(mv) {
  setObjectName(QStringLiteral("frmList"));
  setWindowTitle(QStringLiteral("Play List - Now Playing"));
  CreateControls();
  tmrDockDeadline_ = new QTimer(this);
  tmrDockDeadline_->setSingleShot(true);
  tmrDockDeadline_->setInterval(1000);
  ConnectHandlers();
  resize(Pixels(kClientWidthTwips), Pixels(kClientHeightTwips));
}

frmList::~frmList() = default;

void frmList::CreateControls() {
  lstList = new SongListBox(this);
  lstList->setObjectName(QStringLiteral("lstList"));
  lstList->setAccessibleName(QStringLiteral("Play list"));
  rows_ = new NowPlayingModel(&mv_, ListView::kNowPlayingSuffix, this);
  lstList->ShowModel(rows_);
  lstList->setGeometry(PixelRect({0, 0, 5295, 4545}));
  cmdPlay = Button(this, "cmdPlay", QStringLiteral("Select"));
  cmdPlay->setGeometry(PixelRect({360, 4560, 1215, 375}));
  cmdSearch = Button(this, "cmdSearch", QStringLiteral("Search"));
  cmdSearch->setGeometry(PixelRect({2040, 4560, 1215, 375}));
  cmdCancel = Button(this, "cmdCancel", QStringLiteral("Done"));
  cmdCancel->setGeometry(PixelRect({3720, 4560, 1215, 375}));

  // One text area over the whole bar, sunken like a status bar panel.
  stbList = new QStatusBar(this);
  stbList->setObjectName(QStringLiteral("stbList"));
  stbList->setFixedHeight(Pixels(kStatusBarHeightTwips));
  lblStatus_ = new QLabel(stbList);
  lblStatus_->setObjectName(QStringLiteral("lblStatus"));
  lblStatus_->setTextFormat(Qt::PlainText);
  lblStatus_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  lblStatus_->setIndent(2);
  stbList->addPermanentWidget(lblStatus_, 1);
  const QString tip = QStringLiteral("Double Click Here to highlight currently playing song");
  stbList->setToolTip(tip);
  lblStatus_->setToolTip(tip);
  stbList->installEventFilter(this);
  lblStatus_->installEventFilter(this);
  lstList->viewport()->installEventFilter(this);

  QWidget* order[] = {lstList, cmdPlay, cmdSearch, cmdCancel};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i)
    setTabOrder(order[i], order[i + 1]);
}

void frmList::ConnectHandlers() {
  connect(cmdPlay, &QPushButton::clicked, this, [this] { cmdPlay_Click(); });
  // No frame came in time: the search window stays where it was put.
  connect(tmrDockDeadline_, &QTimer::timeout, this, [this] {
    if (dockWatched_)
      dockWatched_->removeEventFilter(this);
  });
  connect(cmdSearch, &QPushButton::clicked, this, [this] { cmdSearch_Click(); });
  connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
  connect(lstList, &SongListBox::DblClick, this, [this] { lstList_DblClick(); });
}

// ---- geometry in twips ----

double frmList::Top() const {
  return TwipsOf(geometry().top() - kDesignFrame.top());
}
double frmList::Left() const {
  return TwipsOf(geometry().left() - kDesignFrame.left());
}
double frmList::Width() const {
  return TwipsOf(QWidget::width() + kDesignFrame.left() + kDesignFrame.right());
}
double frmList::Height() const {
  return TwipsOf(QWidget::height() + kDesignFrame.top() + kDesignFrame.bottom());
}

void frmList::SetWidth(double dblWidth) {
  const int width = Pixels(dblWidth) - kDesignFrame.left() - kDesignFrame.right();
  if (width > 0)
    resize(width, QWidget::height());
}

void frmList::SetHeight(double dblHeight) {
  const int height = Pixels(dblHeight) - kDesignFrame.top() - kDesignFrame.bottom();
  if (height > 0)
    resize(QWidget::width(), height);
}

// Moves the window so that its client area starts where the design frame's client would.
void frmList::SetLeft(double dblLeft) {
  const int frameLeft = geometry().left() - frameGeometry().left();
  move(Pixels(dblLeft) + kDesignFrame.left() - frameLeft, frameGeometry().top());
}

// The search window's frame, placed from the docking rule's place for it.
// A window just shown may have no frame yet: a move places its client area, and its frame is
// placed as well (else the frame would come a title bar higher once it appears).
void frmList::PlaceSearchWindow(frmSearch& search, double dblLeft, double dblTop) {
  const QRect frame = frameGeometry();
  // Rounded half up, so that a half pixel off the view's edge stays at the edge.
  const auto pixels = [](double twips) { return qFloor(twips / kTwipsPerPixel + 0.5); };
  const QPoint at(frame.right() + 1 + pixels(dblLeft - (Left() + Width())),
                  frame.top() + pixels(dblTop - Top() - kSearchDropTwips));
  search.move(at);
  QWindow* handle = search.windowHandle();
  const bool unframed = search.frameGeometry() == search.geometry();
  if (handle != nullptr && unframed)
    handle->setFramePosition(at);
  // The window manager may frame the window after these moves and keep its client area where
  // it was, the frame then standing a title bar too high: look again once the frame is there.
  tmrDockDeadline_->stop();
  if (dockWatched_)
    dockWatched_->removeEventFilter(this);
  if (unframed && handle != nullptr && QGuiApplication::platformName() == QLatin1String("xcb")) {
    dockFrameAt_ = at;
    dockWatched_ = handle;
    handle->installEventFilter(this);
    tmrDockDeadline_->start();
  }
}

void frmList::LookAtDock() {
  if (!tmrDockDeadline_->isActive() || !search_.IsLoaded())
    return;
  frmSearch& search = *search_.Loaded();
  if (search.isVisible() && search.frameGeometry() == search.geometry())
    return;  // not framed yet
  tmrDockDeadline_->stop();
  if (dockWatched_)
    dockWatched_->removeEventFilter(this);
  if (search.isVisible() && search.frameGeometry().topLeft() != dockFrameAt_)
    search.move(dockFrameAt_);
}

void frmList::CentreOnScreen() {
  const QPointF at = centerOnScreen(qvt::screen(services_), QSizeF(Width(), Height()));
  move(Pixels(at.x()), Pixels(at.y()));
}

// ---- load, activation, resize, unload ----

void frmList::Form_Load() {
  if (const std::optional<ListView::SavedSize> saved = ListView::ReadSavedSize(services_)) {
    SetHeight(saved->height);
    SetWidth(saved->width);
  }
  CentreOnScreen();
  // Open from here on: a close during the first fill marks it closed again.
  mv_.bListWindowOpen = true;
  reset();
}

bool frmList::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate)
    Form_Activate();
  return Form::event(e);
}

// Showing counts as activation: a window manager may show the window without activating it,
// and the view must still follow the song that plays.
void frmList::showEvent(QShowEvent* e) {
  Form::showEvent(e);
  Form_Activate();
}

void frmList::Form_Activate() {
  if (frmSearch* search = search_.Loaded())
    PlaceSearchWindow(*search, Left() + Width(), Top() + kSearchDropTwips);
  mv_.bListWindowOpen = true;
}

void frmList::resizeEvent(QResizeEvent* e) {
  Form::resizeEvent(e);
  Form_Resize();
}

void frmList::Form_Resize() {
  const double W = Width();
  const ListView::Layout layout =
      ListView::LayoutFor(W, Height(), TwipsOf(cmdPlay->height()), TwipsOf(stbList->height()));
  const std::pair<QWidget*, ListView::Rect> places[] = {{lstList, layout.lstList},
                                                        {cmdPlay, layout.cmdPlay},
                                                        {cmdSearch, layout.cmdSearch},
                                                        {cmdCancel, layout.cmdCancel}};
  for (const auto& [control, place] : places) {
    if (place.fits())
      control->setGeometry(PixelRect(place));
  }
  stbList->setGeometry(0, QWidget::height() - stbList->height(), QWidget::width(),
                       stbList->height());
  if (!search_.IsLoaded() || !search_.Loaded()->isVisible())
    return;
  frmSearch& search = *search_.Loaded();
  const ListView::Dock dock = ListView::DockOnResize(Left(), Top(), W, search.Width(),
                                                     qvt::ScreenWidthTwips(qvt::screen(services_)));
  PlaceSearchWindow(search, dock.searchLeft, dock.searchTop);
  if (dock.listWidth != W)
    SetWidth(dock.listWidth);
}

void frmList::Form_Unload(bool& bCancel) {
  ListView::WriteSavedSize(services_, Height(), Width());
  hide();
  search_.Unload();
  mv_.bListWindowOpen = false;
  bCancel = true;
}

// ---- reset and the view it drives ----

void frmList::reset() {
  // The rebuild lets the event loop run for every entry; a reset asked for meanwhile (the
  // song changed) runs once the current one is done.
  if (bResetting_) {
    bResetAgain_ = true;
    return;
  }
  FormBusy busy(*this);
  bResetting_ = true;
  const auto done = qScopeGuard([this] { bResetting_ = false; });
  do {
    bResetAgain_ = false;
    ListView::Reset(services_, mv_, *this, dblMarkedIndex, shown_);
  } while (bResetAgain_ && !CloseWaiting());
}

bool frmList::PlayerMinimised() {
  return player_.isMinimized();
}

double frmList::PlayerPosition() {
  return player_.Position();
}

void frmList::MarkEntry(double dblIndex) {
  const std::optional<int> entry = EntryNumber(dblIndex);
  rows_->setMarkedRow(entry.value_or(-1));
}

void frmList::SelectEntry(double dblIndex) {
  GlobalMethods::SelectListItem(*lstList, dblIndex);
}

void frmList::SetCaption(const QString& sCaption) {
  // The caption holds a song name: "[*]" in it is text, not the window's modified mark.
  setWindowTitle(QString(sCaption).replace(QStringLiteral("[*]"), QStringLiteral("[*][*]")));
}

void frmList::SetStatusText(const QString& sText) {
  lblStatus_->setText(sText);
}

bool frmList::CloseWaiting() {
  return FormBusy::UnloadPending(*this);
}

QString frmList::StatusText() const {
  return lblStatus_->text();
}

// ---- handlers ----

bool frmList::eventFilter(QObject* watched, QEvent* e) {
  const QEvent::Type type = e->type();
  if (watched == dockWatched_ && tmrDockDeadline_->isActive() &&
      (type == QEvent::Expose || type == QEvent::Move || type == QEvent::Show)) {
    // Looked at once the window system's event has been handled, its frame margins known.
    QTimer::singleShot(0, this, [this] { LookAtDock(); });
  }
  if (type == QEvent::MouseButtonDblClick) {
    if (watched == stbList || watched == lblStatus_) {
      stbList_DblClick();
      return true;
    }
    // A double click on an entry is the list box's own signal; on an empty list there is no
    // entry to click, and the user still learns why nothing plays.
    if (watched == lstList->viewport() && lstList->ListCount() == 0)
      lstList_DblClick();
  }
  return Form::eventFilter(watched, e);
}

void frmList::PlaySelected(const QString& sEmptyMessage) {
  FormBusy busy(*this);
  if (mv_.dblLastIndex() == -1) {
    MsgBox(services_, sEmptyMessage);
    return;
  }
  player_.StartPlay(GlobalMethods::GetSelectedIndex(mv_, *lstList));
  player_.setDisplay(GlobalMethods::GetSelectedIndex(mv_, *lstList));
}

void frmList::cmdPlay_Click() {
  PlaySelected(QStringLiteral("No play list loaded"));
}

void frmList::lstList_DblClick() {
  PlaySelected(QStringLiteral("No playlist loaded"));
}

void frmList::cmdSearch_Click() {
  if (mv_.dblLastIndex() == -1) {
    MsgBox(services_, QStringLiteral("No play list loaded"));
    return;
  }
  ShowSearchWindow();
}

void frmList::cmdCancel_Click() {
  Forms::Unload(*this);
}

void frmList::stbList_DblClick() {
  reset();
}

void frmList::ShowSearchWindow() {
  frmSearch& search = search_.Get();
  search.show();
  const ListView::Dock dock = ListView::DockOnOpen(Left(), Top(), Width(), search.Width(),
                                                   qvt::ScreenWidthTwips(qvt::screen(services_)));
  if (dock.listWidth != Width())
    SetWidth(dock.listWidth);
  if (dock.listLeft != Left())
    SetLeft(dock.listLeft);
  PlaceSearchWindow(search, dock.searchLeft, dock.searchTop);
}

}  // namespace qvt
