// Every window of both programs under a real window manager (openbox on a private Xvfb): each
// one is opened as a user meets it, saved as a PNG in build/screenshots/wm/ (wm-200/ when run
// with QT_SCALE_FACTOR=2, as CTest also does), and checked from
// its real geometry in one table: controls inside the client area and clear of each other,
// captions and titles not cut, nothing below the last control but the window's edge, docked
// windows aligned, and a window hidden and shown again where it was.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPalette>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTest>
#include <QWindow>
#include <QtMath>
#include <algorithm>
#include <cstdio>
#include <functional>

#include "platform/fakes/FakeMediaPlayer.h"
#include "platform/fakes/FakePlatform.h"
#include "platform/linux/LinuxDialogs.h"
#include "player/options/frmOptions.h"
#include "player/playlists/frmChoose.h"
#include "player/playlists/frmList.h"
#include "player/playlists/frmSearch.h"
#include "player/quickplay/frmQMusic.h"
#include "player/startup/MusicVariables.h"
#include "player/window/frmMusic.h"
#include "shared/ui/Form.h"
#include "shared/ui/ProgressWindows.h"
#include "tests/support/EventPump.h"
#include "tests/support/InstalledProgress.h"
#include "tests/support/PlayListOfTheTest.h"
#include "tests/support/PlayerWindowsFixture.h"
#include "tests/support/TestApp.h"
#include "tests/wm/XSession.h"
#include "updater/UpdaterProgram.h"

namespace qvt {
namespace {

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

template <class Window>
Window& Show(Window& window) {
  window.show();
  window.raise();
  window.activateWindow();
  return window;
}

// The scale of every window (QT_SCALE_FACTOR, 1 when unset): the screen grows with it, so
// that the windows have as much room as at 100%.
double Scale() {
  const double scale = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble();
  return scale > 0 ? scale : 1.0;
}

// A dark desktop's palette, as a desktop's theme hands it to Qt (QVT_TEST_PALETTE=dark).
void UseDarkPalette() {
  QPalette dark;
  dark.setColor(QPalette::Window, QColor(0x30, 0x30, 0x30));
  dark.setColor(QPalette::WindowText, QColor(0xE0, 0xE0, 0xE0));
  dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
  dark.setColor(QPalette::AlternateBase, QColor(0x38, 0x38, 0x38));
  dark.setColor(QPalette::Text, QColor(0xE0, 0xE0, 0xE0));
  dark.setColor(QPalette::Button, QColor(0x40, 0x40, 0x40));
  dark.setColor(QPalette::ButtonText, QColor(0xE0, 0xE0, 0xE0));
  dark.setColor(QPalette::Highlight, QColor(0x3D, 0x7A, 0xC8));
  dark.setColor(QPalette::HighlightedText, Qt::white);
  dark.setColor(QPalette::ToolTipBase, QColor(0x40, 0x40, 0x40));
  dark.setColor(QPalette::ToolTipText, QColor(0xE0, 0xE0, 0xE0));
  dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
  dark.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x80, 0x80));
  dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
  QApplication::setPalette(dark);
}

// build/screenshots/wm/ at 100%, build/screenshots/wm-200/ at 200%, wm-dark/ with a dark
// palette.
QString ShotFolder() {
  QString suffix = Scale() == 1.0 ? QString() : QStringLiteral("-%1").arg(qRound(Scale() * 100));
  if (qEnvironmentVariable("QVT_TEST_PALETTE") == QStringLiteral("dark"))
    suffix += QStringLiteral("-dark");
  const QString folder = QStringLiteral(QVT_BINARY_DIR "/screenshots/wm%1/").arg(suffix);
  QDir().mkpath(folder);
  return folder;
}

// The frame the window manager announces for a window (_NET_FRAME_EXTENTS, read with xprop:
// Qt may have asked before the frame was there); null until it has one.
QMargins FrameExtents(QWidget& window) {
  QProcess xprop;
  xprop.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window.winId()),
                                        QStringLiteral("_NET_FRAME_EXTENTS")});
  xprop.waitForFinished(2000);
  const QString answer = QString::fromLocal8Bit(xprop.readAllStandardOutput());
  const QRegularExpressionMatch m =
      QRegularExpression(QStringLiteral("= (\\d+), (\\d+), (\\d+), (\\d+)")).match(answer);
  if (!m.hasMatch())
    return {};
  // The window manager counts the screen's pixels, Qt's geometry scaled ones.
  const auto scaled = [&](int i) { return qCeil(m.captured(i).toInt() / Scale()); };
  return QMargins(scaled(1), scaled(3), scaled(2), scaled(4));
}

bool Frameless(const QWidget& window) {
  return window.windowFlags().testFlag(Qt::FramelessWindowHint);
}

// The window as the screen shows it, frame and title bar included.
QRect ScreenRect(QWidget& window) {
  return window.geometry().marginsAdded(Frameless(window) ? QMargins() : FrameExtents(window));
}

// The window once the window manager has framed, placed and exposed it.
bool Managed(QWidget& window, int timeoutMs = 5000) {
  const bool ok = test::PumpUntil(
      [&] {
        QWindow* handle = window.windowHandle();
        return handle != nullptr && handle->isExposed() &&
               (Frameless(window) || !FrameExtents(window).isNull());
      },
      timeoutMs);
  test::PumpUntil([] { return false; }, 200);  // placement and the first paints settle
  return ok;
}

// The window as the screen shows it, frame and title bar included.
void Save(QWidget& window, const QString& name) {
  const QRect frame = ScreenRect(window);
  const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, frame.x(), frame.y(),
                                                                    frame.width(), frame.height());
  EXPECT_TRUE(shot.save(ShotFolder() + name + QStringLiteral(".png"))) << name.toStdString();
}

// The controls of a window: the widgets the program placed, not the parts of a composite
// widget (Qt names those "qt_..." or leaves them unnamed), with the box's own named parts.
QList<QWidget*> Controls(QWidget& window) {
  QList<QWidget*> controls;
  for (QWidget* w : window.findChildren<QWidget*>()) {
    const QString name = w->objectName();
    const bool boxPart = name.startsWith(QStringLiteral("qt_msgbox"));
    if (w->isVisibleTo(&window) && !w->isWindow() && !name.isEmpty() &&
        (boxPart || !name.startsWith(QStringLiteral("qt_")))) {
      controls << w;
    }
  }
  return controls;
}

QRect InWindow(QWidget& w, QWidget& window) {
  return QRect(w.mapTo(&window, QPoint(0, 0)), w.size());
}

QString Plain(QString caption) {
  return caption.remove(QRegularExpression(QStringLiteral("&(?!&)")));
}

// The width a control's caption needs on one line, or 0 when it has no one-line caption.
int CaptionWidth(QWidget& w) {
  const QFontMetrics metrics(w.font());
  if (auto* option = qobject_cast<QRadioButton*>(&w)) {
    // Option buttons wrap their captions inside their box: the lines must fit its height.
    const int indicator = w.style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, &w) +
                          w.style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, &w);
    const QRect lines = metrics.boundingRect(QRect(0, 0, w.width() - indicator, 1000),
                                             Qt::TextWordWrap, Plain(option->text()));
    return lines.height() <= w.height() ? 0 : w.width() + 1;
  }
  if (auto* check = qobject_cast<QAbstractButton*>(&w)) {
    // A caption of two lines ("Find Moved" over "Songs") needs the width of its longer line.
    int text = 0;
    for (const QString& line : Plain(check->text()).split(QLatin1Char('\n')))
      text = std::max(text, metrics.horizontalAdvance(line));
    if (qobject_cast<QPushButton*>(check))
      return text + 2 * w.style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, &w) / 2;
    return text + w.style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &w) +
           w.style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, &w);
  }
  if (auto* label = qobject_cast<QLabel*>(&w)) {
    if (label->wordWrap() || label->text().contains(QLatin1Char('\n')) || !label->pixmap().isNull())
      return 0;
    return metrics.horizontalAdvance(label->text()) + 2 * label->margin() +
           std::max(0, label->indent()) + 2 * label->frameWidth();
  }
  return 0;
}

// The width a title bar needs for the whole title: a bold face a little larger than the
// window text, and the bar's icon and buttons.
int TitleWidth(const QString& title) {
  QFont font = QApplication::font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.2);
  return QFontMetrics(font).horizontalAdvance(title) + 100;
}

struct Shot {
  Shot(const char* shotName, std::function<QWidget*()> opener, QStringList overlapping = {},
       bool songInTitle = false, bool reachesBottom = false)
      : name(QString::fromLatin1(shotName)),
        open(std::move(opener)),
        mayOverlap(std::move(overlapping)),
        titleMayElide(songInTitle),
        fillsHeight(reachesBottom) {}
  QString name;
  std::function<QWidget*()> open;  // opens the window and gives it back
  QStringList mayOverlap;          // "a|b": two controls the design lays over each other
  bool titleMayElide;              // the title carries a song name
  bool fillsHeight;                // the controls stack down to the bottom edge
};

// Every check of one window; the failures as text, empty when all hold.
QStringList Check(const Shot& shot, QWidget& window) {
  QStringList faults;
  const QRect client = window.rect();
  const QList<QWidget*> controls = Controls(window);
  QList<QRect> stack;  // the window's own controls, for the bands between them
  for (QWidget* w : controls) {
    const QRect r = InWindow(*w, window);
    const QString name = w->objectName();
    if (!client.contains(r))
      faults << name + QStringLiteral(" lies outside the client area");
    if (w->parentWidget() != nullptr && !w->parentWidget()->rect().contains(w->geometry()))
      faults << name + QStringLiteral(" lies outside its container");
    if (r.isEmpty())
      faults << name + QStringLiteral(" has no size");
    const int needed = CaptionWidth(*w);
    if (needed > w->width())
      faults << QStringLiteral("%1 cuts its caption (%2 of %3 px)")
                    .arg(name)
                    .arg(w->width())
                    .arg(needed);
    if (w->parentWidget() == &window)
      stack << r;
    for (QWidget* other : controls) {
      if (other <= w || other->parentWidget() != w->parentWidget())
        continue;
      if (shot.mayOverlap.contains(name + QLatin1Char('|') + other->objectName()) ||
          shot.mayOverlap.contains(other->objectName() + QLatin1Char('|') + name)) {
        continue;
      }
      // Rectangles in twips rounded to pixels may share one row or column.
      const QRect both = r.intersected(InWindow(*other, window));
      if (both.width() > 1 && both.height() > 1)
        faults << name + QStringLiteral(" overlaps ") + other->objectName();
    }
  }
  if (!Frameless(window) && !shot.titleMayElide &&
      ScreenRect(window).width() < TitleWidth(window.windowTitle()))
    faults << QStringLiteral("the title bar cuts \"%1\"").arg(window.windowTitle());
  if (shot.fillsHeight && !stack.isEmpty()) {
    // The lowest control ends at the bottom edge, and the next ones end just above it.
    std::sort(stack.begin(), stack.end(),
              [](const QRect& a, const QRect& b) { return a.bottom() > b.bottom(); });
    if (stack[0].bottom() + 1 != client.height())
      faults << QStringLiteral("a band of %1 px under the lowest control")
                    .arg(client.height() - stack[0].bottom() - 1);
    const auto above = std::find_if(stack.begin(), stack.end(),
                                    [&](const QRect& r) { return r.bottom() < stack[0].top(); });
    constexpr int kLargestGap = 8;
    if (above != stack.end() && stack[0].top() - above->bottom() - 1 > kLargestGap)
      faults << QStringLiteral("an empty band of %1 px above the lowest control")
                    .arg(stack[0].top() - above->bottom() - 1);
  }
  return faults;
}

class WmScreenshots : public ::testing::Test {
 protected:
  void SetUp() override {
    test::PlayList().resetAll();
    platform().progressWindows = &test::ProgressWindows();
    fake.screen.width = kScreenWidth;
    fake.screen.height = kScreenHeight;
  }
  // A play list of 40 songs (the player window's load empties the list).
  void SetSongs() {
    std::vector<QString> names, paths;
    for (int i = 0; i < 40; ++i) {
      names.push_back(QStringLiteral("Song number %1.mp3").arg(i));
      paths.push_back(fake.path(names.back()));
    }
    test::PlayList().replaceAll(paths, names);
  }
  void TearDown() override {
    HideProcessing();
    test::UnloadAllWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    test::PlayList().resetAll();
  }

  // The top-level window of a progress window now showing.
  static QWidget* ProgressWindow(const char* name) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->objectName() == QLatin1String(name) && w->isVisible())
        return w;
    }
    return nullptr;
  }
  QWidget* Box(const MessageBoxSpec& spec) {
    boxes_.push_back(BuildMessageBox(spec));
    boxes_.back()->show();
    return boxes_.back().get();
  }

  FakePlatform fake;
  FakeMediaFactory media;
  std::vector<std::unique_ptr<QWidget>> boxes_;
};

TEST_F(WmScreenshots, EveryWindowIsTidyUnderAWindowManager) {
  const auto box = [this](MsgButtons buttons, MsgIcon icon, const char* text,
                          const QString& title) {
    return [=, this] { return Box({QString::fromUtf8(text), title, buttons, icon, 1, false}); };
  };
  // The progress labels lie under the play list, which hides while they show.
  const QStringList kEditorOverlaps = {"lblProcessing|lstPlayList", "lblAdding|lstPlayList"};
  const QString player = QStringLiteral("Quavertone");
  const QString updater = UpdaterProgram::kProgramName;
  const std::vector<Shot> shots = {
      {"player", [] { return &Show(test::Slot<frmMusic>().Get()); }},
      {"editor-idle", [] { return &Show(test::Slot<frmChoose>().Get()); }, kEditorOverlaps},
      {"editor-busy",
       [] {
         frmChoose& editor = Show(test::Slot<frmChoose>().Get());
         editor.SetEditing(false);
         editor.SetPlayListVisible(false);
         editor.SetProgressLabelsVisible(true);
         editor.SetAddingCaption(QStringLiteral("Adding Song number 12.mp3"));
         return &editor;
       },
       kEditorOverlaps},
      {"list-view",
       [this] {
         SetSongs();
         return &Show(test::Slot<frmList>().Get());
       },
       {},
       true,
       true},
      {"song-search",
       [] {
         test::Slot<frmList>().Get().cmdSearch->click();
         return &test::Slot<frmSearch>().Get();
       }},
      {"options",
       [] { return &Show(test::Slot<frmOptions>().Get()); },
       {"optNoSkip|optSkipDelete", "optSkipDelete|optSkip", "optYesProcess|optNoProcess",
        "Label1|lblCurVer", "Label2|lblLatestVer", "fraAs|cmdExt"}},
      {"options-package",  // a system-wide install, updated by the package manager
       [this] {
         test::Slot<frmOptions>().Unload();
         fake.programFolder.data = fake.path(QStringLiteral("data"));
         return &Show(test::Slot<frmOptions>().Get());
       },
       {"optNoSkip|optSkipDelete", "optSkipDelete|optSkip", "optYesProcess|optNoProcess",
        "Label1|lblCurVer", "Label2|lblLatestVer", "fraAs|cmdExt"}},
      {"quick-play",
       [] { return &Show(test::Slot<frmQMusic>().Get()); },
       {"Shape1|lblTime", "Shape1|vlcVolume", "Shape1|lblCurrentSong", "Shape1|sldPosition"}},
      {"progress",
       [] {
         ShowProcessing(QStringLiteral("Establishing Connection...."), true, 0);
         return ProgressWindow("frmProcessing");
       }},
      {"progress-bar",
       [] {
         ShowDeterminedProcessing(0, 100, false, QStringLiteral("Loading Large Play list"));
         UpdateProcessing(QStringLiteral("Re-Adding Song number 12.mp3"));
         return ProgressWindow("frmDeterminedProcessing");
       }},
      {"updater-waiting",
       [] {
         ShowDeterminedProcessing(1, 100, true, UpdaterProgram::kWaitingMessage);
         return ProgressWindow("frmDeterminedProcessing");
       }},
      {"updater-retry", box(MsgButtons::OkCancel, MsgIcon::Critical, "Copy failed", updater)},
      {"box-ok", box(MsgButtons::OkOnly, MsgIcon::None, "Saved", player)},
      {"box-info", box(MsgButtons::OkOnly, MsgIcon::Information, "No file selected", player)},
      {"box-yes-no", box(MsgButtons::YesNo, MsgIcon::Question, "Save the list?", player)},
      {"box-yes-no-cancel",
       box(MsgButtons::YesNoCancel, MsgIcon::Exclamation, "Save the list?", player)},
      {"box-abort-retry-ignore",
       box(MsgButtons::AbortRetryIgnore, MsgIcon::Critical, "File error", player)},
      {"box-retry-cancel", box(MsgButtons::RetryCancel, MsgIcon::Exclamation, "Busy", player)},
      {"input-box",
       [this] {
         boxes_.push_back(
             BuildInputBox(QStringLiteral("Enter file name"), QStringLiteral("Quavertone"), {}));
         boxes_.back()->show();
         return boxes_.back().get();
       }},
  };
  for (const Shot& shot : shots) {
    SCOPED_TRACE(shot.name.toStdString());
    QWidget* window = shot.open();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(Managed(*window)) << "the window manager did not frame the window";
    Save(*window, shot.name);
    EXPECT_EQ(Check(shot, *window).join(QStringLiteral("; ")).toStdString(), "");
    if (shot.name == "song-search") {
      // Docked: the search window's frame meets the list view's right edge, tops level.
      // A frame that came after the placement is moved there on a later pass: allow for it.
      const QRect list = ScreenRect(test::Slot<frmList>().Get());
      const QPoint docked(list.right() + 1, list.top());
      test::PumpUntil([&] { return ScreenRect(*window).topLeft() == docked; }, 1000);
      EXPECT_EQ(ScreenRect(*window).topLeft(), docked);
    }
    if (shot.name == "progress" || shot.name == "progress-bar" || shot.name == "updater-waiting")
      HideProcessing();
    // Out of the way of the next window, which a window manager may place below the others.
    if (shot.name != "list-view")
      window->hide();
    if (shot.name == "song-search")
      test::Slot<frmList>().Get().hide();
  }
}

// The player window hides while the editor is open and comes back where it stood.
TEST_F(WmScreenshots, ThePlayerKeepsItsPlaceAcrossTheEditor) {
  frmMusic& player = Show(test::Slot<frmMusic>().Get());
  ASSERT_TRUE(Managed(player));
  player.move(300, 200);
  ASSERT_TRUE(
      test::PumpUntil([&] { return player.frameGeometry().topLeft() == QPoint(300, 200); }));
  player.cmdDir->click();
  frmChoose& editor = test::Slot<frmChoose>().Get();
  ASSERT_TRUE(Managed(editor));
  editor.close();
  ASSERT_TRUE(Managed(player));
  Save(player, QStringLiteral("player-after-editor"));
  EXPECT_EQ(player.frameGeometry().topLeft(), QPoint(300, 200));
}

}  // namespace
}  // namespace qvt

// The windows need the X server before the application starts. Listing the tests (CTest's
// discovery) needs neither.
int main(int argc, char** argv) {
  const bool listing = qvt::test::XSession::Listing(argc, argv);
  std::unique_ptr<qvt::test::XSession> session;
  if (listing) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  } else {
    session = qvt::test::XSession::Start(qRound(qvt::kScreenWidth * qvt::Scale()),
                                         qRound(qvt::kScreenHeight * qvt::Scale()));
    if (!session)
      return 1;
    setenv("QT_QPA_PLATFORM", "xcb", 1);
  }
  qvt::test::SetHeadlessEnvironment();
  QApplication app(argc, argv);
  qvt::test::PrepareApplication();
  if (qEnvironmentVariable("QVT_TEST_PALETTE") == QStringLiteral("dark"))
    qvt::UseDarkPalette();
  if (session) {
    // The window manager is up once it frames a new window (one mapped before it started
    // may stay without a frame).
    bool framed = false;
    for (int attempt = 0; attempt < 30 && !framed; ++attempt) {
      QWidget probe;
      probe.resize(100, 100);
      probe.show();
      framed = qvt::Managed(probe, 500);
    }
    if (!framed) {
      std::fprintf(stderr, "openbox did not frame a window (is the openbox package installed?)\n");
      return 1;
    }
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
