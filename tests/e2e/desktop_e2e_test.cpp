// The real player program as the desktop reaches it: its media controls on a private session
// bus (dbus-run-session), driven from outside with gdbus as a panel applet or a media key
// would; the same program without any session bus; the play list export of its command line.
#include <gtest/gtest.h>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <csignal>
#include <functional>
#include <memory>

#include "tests/support/AudioFixtures.h"
#include "tests/support/ProgramFolder.h"

using qvt::test::ProgramFolder;
using qvt::test::WaitFor;

namespace {

const QString kBusName = "org.mpris.MediaPlayer2.quavertone";

bool Finished(QProcess* p, int timeoutMs) {
  return p->state() == QProcess::NotRunning || p->waitForFinished(timeoutMs);
}

// A configuration of this version whose list holds the given songs, the first one current.
QByteArray ConfigurationOf(const QStringList& paths) {
  QByteArray out =
      "1,33,1\r\n0\r\n#FALSE#,#FALSE#,#FALSE#\r\n3\r\n#TRUE#\r\n#FALSE#\r\n#FALSE#\r\n" +
      QByteArray::number(paths.size() - 1) + "\r\n";
  for (const QString& path : paths)
    out += "\"" + path.toUtf8() + "\",\"" + QFileInfo(path).fileName().toUtf8() + "\"\r\n";
  return out;
}

// gdbus on the player's bus.
class Bus {
 public:
  explicit Bus(QString address) : address_(std::move(address)) {}

  QString Run(QStringList arguments, const QString& program = "gdbus") const {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", address_);
    p.setProcessEnvironment(env);
    p.start(program, arguments);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
  }
  // playerctl, as a desktop's player applet uses the bus.
  QString Ctl(const QStringList& arguments) const {
    return Run(QStringList{"-p", "quavertone"} + arguments, "playerctl").trimmed();
  }
  QString Call(const QString& method, const QStringList& arguments = {}) const {
    return Run(QStringList{"call", "--session", "-d", kBusName, "-o", "/org/mpris/MediaPlayer2",
                           "-m", method} +
               arguments);
  }
  QString Get(const QString& property, const QString& interface = kPlayer) const {
    return Call("org.freedesktop.DBus.Properties.Get", {interface, property});
  }
  // Waits until the property's value shows the text.
  bool Shows(const QString& property, const QString& text) const {
    return WaitFor([&] { return Get(property).contains(text); }, 10000);
  }
  QProcess* Monitor() {
    monitor_.setProcessEnvironment([this] {
      QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
      env.insert("DBUS_SESSION_BUS_ADDRESS", address_);
      return env;
    }());
    monitor_.start("gdbus", {"monitor", "--session", "-d", kBusName});
    return &monitor_;
  }

  static inline const QString kPlayer = "org.mpris.MediaPlayer2.Player";

 private:
  QString address_;
  QProcess monitor_;
};

bool HaveBusTools() {
  return !QStandardPaths::findExecutable("dbus-run-session").isEmpty() &&
         !QStandardPaths::findExecutable("gdbus").isEmpty();
}

// "under-bus" runs the program under its own session bus and leaves the bus's address in
// "under-bus.address" and the player's process id in "under-bus.pid" for the test.
void WriteUnderBus(ProgramFolder& folder) {
  folder.write("under-bus",
               "#!/bin/sh\nexec dbus-run-session -- sh -c 'echo $$ > \"$0.pid\"; printf %s "
               "\"$DBUS_SESSION_BUS_ADDRESS\" > \"$0.address\"; exec \"$1\"' \"$0\" "
               "\"$(dirname \"$0\")/Quavertone\"\n");
  QFile(folder.path("under-bus"))
      .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

}  // namespace

TEST(DesktopProgram, MediaControlsOnTheSessionBusDriveThePlayerWindow) {
  if (!HaveBusTools() || QStandardPaths::findExecutable("playerctl").isEmpty())
    GTEST_SKIP() << "dbus-run-session, gdbus and playerctl are needed (tools/install-deps.sh)";
  ProgramFolder folder;
  const QStringList songs = {qvt::test::MakeWav(folder.folder(), "a song.wav", 60, 8000),
                             qvt::test::MakeWav(folder.folder(), "b.wav", 60, 8000)};
  folder.write("ConfigurationAndLastPlayList.qvs", ConfigurationOf(songs));
  WriteUnderBus(folder);
  QProcess* p = folder.start("under-bus", {}, {"QUAVERTONE_AUDIO=null"});
  ASSERT_TRUE(WaitFor([&] { return !folder.read("under-bus.address").isEmpty(); }, 10000));
  Bus bus(QString::fromUtf8(folder.read("under-bus.address")));
  ASSERT_TRUE(WaitFor(
      [&] { return bus.Get("Identity", "org.mpris.MediaPlayer2").contains("'Quavertone'"); },
      10000));
  QProcess* monitor = bus.Monitor();
  EXPECT_TRUE(bus.Get("DesktopEntry", "org.mpris.MediaPlayer2").contains("'quavertone'"));
  EXPECT_TRUE(bus.Shows("PlaybackStatus", "'Stopped'"));

  bus.Call("org.mpris.MediaPlayer2.Player.Play");
  EXPECT_TRUE(bus.Shows("PlaybackStatus", "'Playing'"));
  EXPECT_TRUE(bus.Shows("Metadata", "'mpris:length': <int64 60000000>"));
  const QString first = bus.Get("Metadata");
  EXPECT_TRUE(first.contains("/track/0'")) << first.toStdString();
  EXPECT_TRUE(first.contains("'xesam:title': <'a song.wav'>")) << first.toStdString();
  EXPECT_TRUE(first.contains("'xesam:url': <'file://" + folder.folder() + "/a%20song.wav'>"))
      << first.toStdString();

  bus.Call("org.mpris.MediaPlayer2.Player.Next");
  EXPECT_TRUE(bus.Shows("Metadata", "'xesam:title': <'b.wav'>"));
  EXPECT_TRUE(bus.Get("Metadata").contains("/track/1'"));
  bus.Call("org.mpris.MediaPlayer2.Player.Previous");
  EXPECT_TRUE(bus.Shows("Metadata", "'xesam:title': <'a song.wav'>"));
  bus.Call("org.mpris.MediaPlayer2.Player.Pause");
  EXPECT_TRUE(bus.Shows("PlaybackStatus", "'Paused'"));
  bus.Call("org.mpris.MediaPlayer2.Player.PlayPause");
  EXPECT_TRUE(bus.Shows("PlaybackStatus", "'Playing'"));
  bus.Call("org.mpris.MediaPlayer2.Player.Stop");
  EXPECT_TRUE(bus.Shows("PlaybackStatus", "'Stopped'"));
  bus.Call("org.freedesktop.DBus.Properties.Set", {Bus::kPlayer, "Volume", "<0.25>"});
  EXPECT_TRUE(bus.Shows("Volume", "<0.25>"));

  // The position of the song that plays, random order and looping, as an applet sets them.
  bus.Call("org.mpris.MediaPlayer2.Player.Play");
  EXPECT_TRUE(bus.Shows("CanSeek", "true"));
  bus.Ctl({"position", "5"});
  EXPECT_TRUE(WaitFor(
      [&] {
        const double at = bus.Ctl({"position"}).toDouble();
        return at >= 5 && at < 15;
      },
      10000))
      << bus.Ctl({"position"}).toStdString();
  bus.Ctl({"shuffle", "On"});
  EXPECT_TRUE(WaitFor([&] { return bus.Ctl({"shuffle"}) == "On"; }, 10000));
  bus.Ctl({"loop", "Track"});
  EXPECT_TRUE(WaitFor([&] { return bus.Ctl({"loop"}) == "Track"; }, 10000));
  EXPECT_EQ(bus.Ctl({"shuffle"}), "Off") << "checking the loop box unchecks random order";
  bus.Ctl({"loop", "None"});
  EXPECT_TRUE(WaitFor([&] { return bus.Ctl({"loop"}) == "Playlist"; }, 10000))
      << "in order the list goes on from its start";

  // What no applet should send: a seek by the largest offset is a seek past the end, which is
  // the next song (not a sum that wraps round to the start of this one); a volume that is no
  // number changes nothing, and one below silence is silence.
  bus.Call("org.mpris.MediaPlayer2.Player.Seek", {"9223372036854775807"});
  EXPECT_TRUE(bus.Shows("Metadata", "'xesam:title': <'b.wav'>"));
  bus.Call("org.freedesktop.DBus.Properties.Set", {Bus::kPlayer, "Volume", "<nan>"});
  bus.Call("org.mpris.MediaPlayer2.Player.Play");
  EXPECT_TRUE(bus.Shows("Volume", "<0.25>"));
  bus.Call("org.freedesktop.DBus.Properties.Set", {Bus::kPlayer, "Volume", "<-inf>"});
  EXPECT_TRUE(bus.Shows("Volume", "<0.0>")) << bus.Get("Volume").toStdString();

  // Each change reached the desktop unasked (the last one, the loop status, once it has come).
  QString signals;
  WaitFor(
      [&] {
        signals += QString::fromUtf8(monitor->readAll());
        return signals.contains("'LoopStatus': <'Playlist'>");
      },
      10000);
  for (const QString change :
       {"'PlaybackStatus': <'Paused'>", "'PlaybackStatus': <'Playing'>",
        "'PlaybackStatus': <'Stopped'>", "'xesam:title': <'b.wav'>", "'Volume': <0.25>",
        "'Shuffle': <true>", "'LoopStatus': <'Track'>", ".Seeked (int64 5000000"}) {
    EXPECT_TRUE(signals.contains(change)) << change.toStdString() << "\n" << signals.toStdString();
  }

  bus.Call("org.mpris.MediaPlayer2.Quit");
  ASSERT_TRUE(Finished(p, 10000));
  EXPECT_EQ(p->exitCode(), 0);
  EXPECT_TRUE(folder.boxes().isEmpty()) << folder.boxes().join("\n").toStdString();
  EXPECT_EQ(folder.read("Status.tmp"), "#FALSE#\r\n");
  monitor->kill();
  monitor->waitForFinished();
}

// Ended by SIGTERM in the middle of a song, the player keeps its place: after a restart, Play
// continues the same song from there. (The first run starts at 0:40 from a kept place, so that
// it reaches 0:42 in two seconds of real time.)
TEST(DesktopProgram, PlayAfterARestartContinuesWhereTheLastRunEnded) {
  if (!HaveBusTools())
    GTEST_SKIP() << "dbus-run-session and gdbus are needed (tools/install-deps.sh)";
  ProgramFolder folder;
  const QStringList songs = {qvt::test::MakeWav(folder.folder(), "a.wav", 120, 8000),
                             qvt::test::MakeWav(folder.folder(), "b.wav", 120, 8000)};
  folder.write("ConfigurationAndLastPlayList.qvs", ConfigurationOf(songs));
  folder.write("ResumePosition.qvs", "\"" + songs[0].toUtf8() + "\",40\r\n");
  WriteUnderBus(folder);
  // The player's position in seconds, -1 while the bus does not answer it.
  const auto seconds = [](const Bus& bus) {
    const QString answer = bus.Get("Position");
    const qsizetype at = answer.indexOf("int64 ");
    return at < 0 ? -1.0 : answer.mid(at + 6).section('>', 0, 0).toDouble() / 1e6;
  };
  // Plays from the kept place until `until` seconds, then ends the player with SIGTERM.
  const auto run = [&](double until) {
    QFile::remove(folder.path("under-bus.address"));
    QProcess* p = folder.start("under-bus", {}, {"QUAVERTONE_AUDIO=null"});
    EXPECT_TRUE(WaitFor([&] { return !folder.read("under-bus.address").isEmpty(); }, 10000));
    const Bus bus(QString::fromUtf8(folder.read("under-bus.address")));
    EXPECT_TRUE(bus.Shows("PlaybackStatus", "'Paused'"));  // at the kept place
    const double kept = seconds(bus);
    bus.Call("org.mpris.MediaPlayer2.Player.Play");
    EXPECT_TRUE(bus.Shows("Metadata", "'xesam:title': <'a.wav'>"));
    EXPECT_TRUE(WaitFor([&] { return seconds(bus) >= until; }, 10000));
    EXPECT_GE(kept, 40);
    EXPECT_LT(seconds(bus), kept + 5) << "continued, not started again";
    ::kill(folder.read("under-bus.pid").trimmed().toInt(), SIGTERM);
    EXPECT_TRUE(Finished(p, 10000));  // the bus ends with the player
  };
  run(42);
  EXPECT_TRUE(folder.read("ResumePosition.qvs").startsWith("\"" + songs[0].toUtf8() + "\",42"))
      << folder.read("ResumePosition.qvs").toStdString();
  run(43);
  EXPECT_TRUE(folder.boxes().isEmpty()) << folder.boxes().join("\n").toStdString();
}

TEST(DesktopProgram, WithoutASessionBusThePlayerRunsAsBefore) {
  ProgramFolder folder;
  folder.write("ConfigurationAndLastPlayList.qvs",
               ConfigurationOf({qvt::test::MakeWav(folder.folder(), "a.wav", 1, 8000)}));
  QProcess* p = folder.start("Quavertone", {}, {"DBUS_SESSION_BUS_ADDRESS=", "DISPLAY="});
  ASSERT_TRUE(WaitFor([&] { return folder.read("Status.tmp") == "#TRUE#\r\n"; }, 10000));
  p->terminate();
  ASSERT_TRUE(Finished(p, 10000));
  EXPECT_EQ(p->exitCode(), 0);
  EXPECT_TRUE(folder.boxes().isEmpty()) << folder.boxes().join("\n").toStdString();
  EXPECT_EQ(folder.read("Status.tmp"), "#FALSE#\r\n");
}

TEST(DesktopProgram, ExportM3u8WritesTheListOrFailsInOneLine) {
  ProgramFolder folder;
  folder.write("good.qvl", "0\r\n\"/m/a b.mp3\",\"A B\"\r\n");
  folder.write("bad.qvl", "2\r\n\"/m/a b.mp3\",\"A B\"\r\n");
  const auto run = [&](const QString& list) {
    auto* p = new QProcess();
    p->start(folder.path("Quavertone"),
             {"--export-m3u8", folder.path(list), folder.path(list + ".m3u8")});
    p->waitForFinished(10000);
    return std::unique_ptr<QProcess>(p);
  };
  const auto good = run("good.qvl");
  EXPECT_EQ(good->exitCode(), 0);
  EXPECT_EQ(folder.read("good.qvl.m3u8"), "#EXTM3U\n#EXTINF:-1,A B\n/m/a b.mp3\n");
  {
    folder.write("here.qvl", "0\r\n\"" + folder.path("sub/a b.mp3").toUtf8() + "\",\"A B\"\r\n");
    QProcess p;
    p.start(folder.path("Quavertone"),
            {"--export-m3u8", "--relative", folder.path("here.qvl"), folder.path("here.m3u8")});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(folder.read("here.m3u8"), "#EXTM3U\n#EXTINF:-1,A B\nsub/a b.mp3\n");
  }
  for (const QString list : {"bad.qvl", "missing.qvl"}) {
    const auto bad = run(list);
    EXPECT_NE(bad->exitCode(), 0) << list.toStdString();
    const QByteArray error = bad->readAllStandardError();
    EXPECT_EQ(error.count('\n'), 1) << error.toStdString();
    EXPECT_FALSE(QFile::exists(folder.path(list + ".m3u8")));
  }
}
