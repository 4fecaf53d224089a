// The real player under a real window manager (openbox on a private 1280x800 Xvfb), driven as a
// user drives it: the mouse and the keyboard through xdotool, the windows read back from the X
// server (xwininfo, xprop). What is checked is what the user sees: where a window comes back,
// and which window is on top and has the focus.
#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <functional>

#include "shared/UpdateStatement.h"
#include "tests/net/TestServer.h"
#include "tests/support/ProgramFolder.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/TestSigning.h"
#include "tests/wm/XSession.h"

namespace qvt {
namespace {

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 800;

// A tool's standard output, trimmed.
QString Tool(const QString& program, const QStringList& arguments) {
  QProcess tool;
  tool.start(program, arguments);
  tool.waitForFinished(10000);
  return QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
}

bool Until(const std::function<bool()>& done, int timeoutMs = 10000) {
  for (int waited = 0; waited < timeoutMs; waited += 50) {
    if (done())
      return true;
    QThread::msleep(50);
  }
  return done();
}

// The ids of the mapped windows titled exactly `title`.
QStringList Windows(const QString& title) {
  const QString pattern = QLatin1Char('^') + QRegularExpression::escape(title) + QLatin1Char('$');
  return Tool(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                          QStringLiteral("--name"), pattern})
      .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The client area of a window on the screen; null when the window is not mapped.
QRect ClientArea(const QString& id) {
  const QString info = Tool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
  if (!info.contains(QStringLiteral("IsViewable")))
    return {};
  const auto number = [&](const char* label) {
    const QRegularExpression re(QString::fromLatin1(label) + QStringLiteral(":\\s*(-?\\d+)"));
    return re.match(info).captured(1).toInt();
  };
  return QRect(number("Absolute upper-left X"), number("Absolute upper-left Y"), number("Width"),
               number("Height"));
}

// The window with the frame the window manager drew around it (_NET_FRAME_EXTENTS).
QRect OnScreen(const QString& id) {
  const QString extents = Tool(QStringLiteral("xprop"),
                               {QStringLiteral("-id"), id, QStringLiteral("_NET_FRAME_EXTENTS")});
  const QRegularExpressionMatch m =
      QRegularExpression(QStringLiteral("= (\\d+), (\\d+), (\\d+), (\\d+)")).match(extents);
  const QRect client = ClientArea(id);
  if (!m.hasMatch())
    return client;
  return client.adjusted(-m.captured(1).toInt(), -m.captured(3).toInt(), m.captured(2).toInt(),
                         m.captured(4).toInt());
}

// The managed windows from the bottom to the top, as the window manager stacks them.
QStringList Stacking() {
  const QString list = Tool(QStringLiteral("xprop"),
                            {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
  QStringList ids;
  for (const QString& hex : list.section(QLatin1Char('#'), 1).split(QLatin1Char(','))) {
    bool ok = false;
    const qulonglong id = hex.trimmed().toULongLong(&ok, 16);
    if (ok)
      ids << QString::number(id);
  }
  return ids;
}

QString ActiveWindow() {
  return Tool(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")});
}

// A click at a point of a window's client area, as the user's mouse does it.
void Click(const QString& id, QPoint at) {
  Tool(QStringLiteral("xdotool"),
       {QStringLiteral("mousemove"), QStringLiteral("--window"), id, QString::number(at.x()),
        QString::number(at.y()), QStringLiteral("click"), QStringLiteral("1")});
}

// Keys typed into the window that has the focus ("alt+t", "Return").
void Keys(const QString& keys) {
  Tool(QStringLiteral("xdotool"), {QStringLiteral("key"), keys});
}

// Once the screen is still: the window manager has placed and framed what was shown.
void Settle() {
  QThread::msleep(700);
}

class WmUser : public ::testing::Test {
 protected:
  void SetUp() override {
    home_.setAutoRemove(true);
    ASSERT_TRUE(home_.isValid());
  }
  void TearDown() override {
    if (player_ != nullptr && player_->state() != QProcess::NotRunning) {
      ::kill(static_cast<pid_t>(player_->processId()), SIGTERM);
      if (!player_->waitForFinished(10000))
        player_->kill();
    }
  }

  // Starts the player of the folder on the session's display as a new user, with message
  // boxes answered at once (and logged) or left to the user.
  void StartPlayer(bool answerBoxes) {
    QStringList environment = {
        QStringLiteral("QT_QPA_PLATFORM=xcb"),
        QStringLiteral("QUAVERTONE_AUDIO=null-fast"),
        QStringLiteral("XDG_CONFIG_HOME=") + home_.filePath(QStringLiteral("config")),
        QStringLiteral("XDG_DATA_HOME=") + home_.filePath(QStringLiteral("data")),
        QStringLiteral("QUAVERTONE_REGISTRY=") + home_.filePath(QStringLiteral("registry")),
    };
    if (!answerBoxes)
      environment << QStringLiteral("QUAVERTONE_AUTO_ANSWER=");
    player_ = folder_.start(QStringLiteral("Quavertone"), {}, environment);
  }

  // The player window, once it is the one window of its title on the screen.
  QString PlayerWindow() {
    QString id;
    Until([&] {
      const QStringList ids = Windows(QStringLiteral("Quavertone"));
      id = ids.size() == 1 && ClientArea(ids[0]).width() > 400 ? ids[0] : QString();
      return !id.isEmpty();
    });
    return id;
  }

  QTemporaryDir home_;
  test::ProgramFolder folder_;
  QProcess* player_ = nullptr;
};

// Opens the editor from the player window with the mouse ("Create Play List"), closes it with
// `close`, and answers where the player window's client area came back.
QRect AcrossTheEditor(const QString& player, const std::function<void(const QString&)>& close) {
  // "Create Play List": 4440, 720 twips from the client's corner, 1335 by 495 twips.
  Click(player, QPoint(296 + 44, 48 + 16));
  QString editor;
  EXPECT_TRUE(Until([&] {
    const QStringList ids = Windows(QStringLiteral("Choose the files"));
    editor = ids.value(0);
    return !editor.isEmpty() && ClientArea(player).isNull();
  })) << "the editor did not replace the player window";
  Settle();
  close(editor);
  EXPECT_TRUE(Until([&] {
    return !ClientArea(player).isNull() && Windows(QStringLiteral("Choose the files")).isEmpty();
  })) << "the player window did not come back";
  Settle();
  return ClientArea(player);
}

// Fault: the player window came back at the top edge of the screen after the editor's Done.
TEST_F(WmUser, ThePlayerComesBackWhereItWasHoweverTheEditorCloses) {
  StartPlayer(true);
  const QString player = PlayerWindow();
  ASSERT_FALSE(player.isEmpty()) << "no player window";
  Settle();
  const QRect opened = ClientArea(player);
  // It opens centred.
  EXPECT_NEAR(opened.center().x(), kScreenWidth / 2, 40);
  EXPECT_NEAR(opened.center().y(), kScreenHeight / 2, 40);

  const std::vector<std::pair<const char*, std::function<void(const QString&)>>> closes = {
      // "Done", 0, 6600 twips from the client's corner, 9495 by 495 twips.
      {"Done clicked", [](const QString& editor) { Click(editor, QPoint(316, 440 + 16)); }},
      {"Enter pressed", [](const QString&) { Keys(QStringLiteral("Return")); }},
      {"closed by the window manager", [](const QString&) { Keys(QStringLiteral("alt+F4")); }},
  };
  for (const auto& [how, close] : closes) {
    SCOPED_TRACE(how);
    EXPECT_EQ(AcrossTheEditor(player, close), opened);
  }
}

// Fault: the "Processing..." window stayed above the "Download failed" box and hid its text and
// its OK button.
TEST_F(WmUser, AMessageBoxComesUpAboveTheProgressWindowAndTakesTheFocus) {
  // A player that verifies updates (it carries the tests' publisher key), a signed statement that
  // vouches for the version file, and an update whose signed manifest breaks off half way.
  QFile::remove(folder_.path(QStringLiteral("Quavertone")));
  ASSERT_TRUE(
      QFile::copy(QStringLiteral(QVT_NEXT_PLAYER), folder_.path(QStringLiteral("Quavertone"))));
  test::TestServer server;
  const QByteArray fileList =
      "\"Updater\",\"" + server.url(QStringLiteral("/files/QVT/Updater")).toUtf8() + "\"\r\n";
  server.http.Get("/files/QVT/QVTVersion.txt", [](const httplib::Request&, httplib::Response& r) {
    r.set_content("1,35,0\r\nA newer player\r\n", "text/plain");
  });
  server.http.Get("/files/QVT/FileList.txt", [&](const httplib::Request&, httplib::Response& r) {
    r.set_content(fileList.toStdString(), "text/plain");
  });
  const qint64 now = QDateTime::currentSecsSinceEpoch();
  const QByteArray statement = "QVTTimestamp 1\r\nversion 1.35.0\r\nchannel FINAL\r\nissued " +
                               UpdateStatement::TimeText(now - 86400).toUtf8() + "\r\nexpires " +
                               UpdateStatement::TimeText(now + 30 * 86400).toUtf8() + "\r\n";
  const QByteArray signature = test::SignWithTestKey(statement);
  server.http.Get("/files/QVT/QVTTimestamp.txt",
                  [&](const httplib::Request&, httplib::Response& r) {
                    r.set_content(statement.toStdString(), "text/plain");
                  });
  server.http.Get("/files/QVT/QVTTimestamp.sig",
                  [&](const httplib::Request&, httplib::Response& r) {
                    r.set_content(signature.toStdString(), "text/plain");
                  });
  server.http.Get(
      "/files/QVT/QVTManifest.txt", [](const httplib::Request&, httplib::Response& response) {
        constexpr size_t kAnnounced = 20000;
        response.set_content_provider(
            kAnnounced, "text/plain", [](size_t offset, size_t, httplib::DataSink& sink) {
              if (offset == 0)
                sink.write(std::string(kAnnounced / 2, 'x').data(), kAnnounced / 2);
              return false;
            });
      });
  server.start();
  const QString base = server.url(QStringLiteral("/files/QVT/"));
  folder_.write(QStringLiteral("paths.qvc"), ("\"FINAL\"\r\n\"" + base + "FileList.txt\",\"" +
                                              base + "QVTVersion.txt\"\r\n\"\",\"\"\r\n")
                                                 .toUtf8());

  StartPlayer(false);
  // A new user first meets the welcome box: Enter answers it.
  ASSERT_TRUE(Until([] { return !Windows(QStringLiteral("Quavertone")).isEmpty(); }));
  Settle();
  Keys(QStringLiteral("Return"));
  const QString player = PlayerWindow();
  ASSERT_FALSE(player.isEmpty()) << "no player window";
  Settle();
  // Options, Check For Updates (which finds a newer version), Install Updates, and Yes to
  // "Update Now?".
  Keys(QStringLiteral("alt+t"));
  ASSERT_TRUE(Until([] { return !Windows(QStringLiteral("Options")).isEmpty(); }));
  Settle();
  Keys(QStringLiteral("alt+c"));
  Settle();
  Settle();
  Keys(QStringLiteral("alt+u"));
  ASSERT_TRUE(Until([] { return !Windows(QStringLiteral("Update Now?")).isEmpty(); }));
  Settle();
  Keys(QStringLiteral("alt+y"));

  // The failure's box: a window of the player's title that is not the player window.
  QString box;
  ASSERT_TRUE(Until([&] {
    for (const QString& id : Windows(QStringLiteral("Quavertone"))) {
      if (id != player)
        box = id;
    }
    return !box.isEmpty();
  })) << "no \"Download failed\" box";
  Settle();
  ASSERT_FALSE(Windows(QStringLiteral("Processing...")).isEmpty())
      << "the progress window is not showing with the box (the check needs it)";
  // Nothing stacked above the box covers any of it, and it has the focus.
  const QRect boxRect = OnScreen(box);
  const QStringList stacking = Stacking();
  ASSERT_TRUE(stacking.contains(box));
  for (qsizetype i = stacking.indexOf(box) + 1; i < stacking.size(); ++i) {
    const QRect above = OnScreen(stacking[i]);
    EXPECT_FALSE(above.intersects(boxRect))
        << "window " << stacking[i].toStdString() << " titled \""
        << Tool(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), stacking[i]})
               .toStdString()
        << "\" covers the box";
  }
  EXPECT_EQ(ActiveWindow(), box);
}

}  // namespace
}  // namespace qvt

int main(int argc, char** argv) {
  const bool listing = qvt::test::XSession::Listing(argc, argv);
  std::unique_ptr<qvt::test::XSession> session;
  if (!listing) {
    session = qvt::test::XSession::Start(qvt::kScreenWidth, qvt::kScreenHeight);
    if (!session)
      return 1;
    // openbox is up once it owns the screen's window manager selection.
    qvt::Until([] {
      return qvt::Tool(QStringLiteral("xprop"),
                       {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
          .contains(QStringLiteral("window id"));
    });
  }
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
