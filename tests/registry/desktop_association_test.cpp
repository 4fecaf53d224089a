// The desktop side of an association: mimeapps.list updates, Exec quoting, MIME types of our
// own, and the real desktop tools answering for a temporary user.
#include <gtest/gtest.h>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "platform/fakes/FakePlatform.h"
#include "platform/linux/LinuxDesktop.h"
#include "player/options/DesktopAssociation.h"
#include "tests/support/TestFiles.h"

using namespace qvt;

namespace {

class FakeDesktop : public IDesktop {
 public:
  QString home;
  QMap<QString, QString> known;  // extension -> MIME type
  QStringList tools;
  QString dataHome() override { return home + "/data"; }
  QString configHome() override { return home + "/config"; }
  QString mimeTypeForExtension(const QString& ext) override { return known.value(ext); }
  bool runTool(const QString& program, const QStringList& arguments) override {
    tools.append(program + " " + arguments.join(' '));
    return true;
  }
};

// Runs a program and answers its standard output (trimmed); fails the test when it fails.
QString RunTool(const QString& program, const QStringList& arguments,
                const QProcessEnvironment& env) {
  QProcess p;
  p.setProcessEnvironment(env);
  p.start(program, arguments);
  EXPECT_TRUE(p.waitForFinished(60000));
  const QString err = QString::fromLocal8Bit(p.readAllStandardError());
  EXPECT_EQ(p.exitCode(), 0) << program.toStdString() << ": " << err.toStdString();
  return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

}  // namespace

TEST(DesktopAssociation, MimeAppsListKeepsEveryOtherLine) {
  struct Case {
    const char* name;
    QByteArray before, after;
  };
  const Case cases[] = {
      {"no file yet", "",
       "[Default Applications]\naudio/ogg=quavertone.desktop;\n\n"
       "[Added Associations]\naudio/ogg=quavertone.desktop;\n"},
      {"other types and comments stay",
       "# mine\n[Default Applications]\ntext/plain=vim.desktop\n\n[Other]\nx=y",
       "# mine\n[Default Applications]\ntext/plain=vim.desktop\naudio/ogg=quavertone.desktop;\n"
       "\n[Other]\nx=y\n\n[Added Associations]\naudio/ogg=quavertone.desktop;\n"},
      {"an earlier choice is replaced; added ones are kept after ours",
       "[Added Associations]\naudio/ogg = vlc.desktop;quavertone.desktop;\n"
       "[Default Applications]\naudio/ogg=vlc.desktop;\n",
       "[Added Associations]\naudio/ogg=quavertone.desktop;vlc.desktop;\n"
       "[Default Applications]\naudio/ogg=quavertone.desktop;\n"},
      {"the same key in another section is not ours",
       "[Removed Associations]\naudio/ogg=quavertone.desktop;\n",
       "[Removed Associations]\naudio/ogg=quavertone.desktop;\n\n[Default Applications]\n"
       "audio/ogg=quavertone.desktop;\n\n[Added Associations]\naudio/ogg=quavertone.desktop;\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UpdateMimeAppsList(c.before, "audio/ogg", "quavertone.desktop"), c.after) << c.name;
  }
}

TEST(DesktopAssociation, ExecArgumentAndExtension) {
  const std::pair<QString, QString> exec[] = {
      {"/opt/qvt/Quavertone", "/opt/qvt/Quavertone"},
      {"/home/a b/Quavertone", "\"/home/a b/Quavertone\""},
      {"/x/$HOME\"/Q", "\"/x/\\\\$HOME\\\\\"/Q\""},
      {"/x/100%/Q", "\"/x/100%%/Q\""},
      {"/x\\y/Q", "\"/x\\\\\\\\y/Q\""},
  };
  for (const auto& [path, arg] : exec)
    EXPECT_EQ(ExecArgument(path), arg) << path.toStdString();
  const std::pair<QString, QString> ext[] = {{"MP3", "mp3"}, {".ogg", "ogg"}, {"tar.gz", "tar.gz"},
                                             {"", ""},       {"...", ""},     {"m p3", ""},
                                             {"*.mp3", ""},  {"mp3/x", ""},   {"ö", ""}};
  for (const auto& [typed, expected] : ext)
    EXPECT_EQ(DesktopExtension(typed), expected) << typed.toStdString();
}

TEST(DesktopAssociation, KnownTypesAccumulateAndUnknownOnesGetATypeOfTheirOwn) {
  FakePlatform fake;  // the files are written through the platform
  QTemporaryDir dir;
  FakeDesktop desktop;
  desktop.home = dir.path();
  desktop.known["wav"] = "audio/x-wav";
  const DesktopAssociation wav{"WAV", "WAV File", "/p/Quavertone", "/p/QVTFile.png"};
  const Result<QString> wavType = RegisterWithDesktop(desktop, files(), wav);
  EXPECT_EQ(wavType.value_or(""), "audio/x-wav") << wavType.error().toStdString();
  const DesktopAssociation own{"qvx", "QVX <File>", "/p/Quavertone", "/p/QVTFile.png"};
  EXPECT_EQ(RegisterWithDesktop(desktop, files(), own).value_or(""),
            "application/x-quavertone-qvx");
  EXPECT_EQ(RegisterWithDesktop(desktop, files(), wav).value_or(""), "audio/x-wav")
      << "again: no duplicate";

  const QByteArray entry = test::ReadAll(dir.filePath("data/applications/quavertone.desktop"));
  EXPECT_TRUE(entry.contains("\nMimeType=audio/x-wav;application/x-quavertone-qvx;\n"))
      << entry.constData();
  const QByteArray package = test::ReadAll(dir.filePath("data/mime/packages/quavertone-qvx.xml"));
  EXPECT_TRUE(package.contains("<mime-type type=\"application/x-quavertone-qvx\">"));
  EXPECT_TRUE(package.contains("<comment>QVX &lt;File&gt;</comment>"));
  EXPECT_TRUE(package.contains("<glob pattern=\"*.qvx\"/>"));
  EXPECT_TRUE(desktop.tools.contains("update-mime-database " + dir.filePath("data/mime")));
  const QByteArray list = test::ReadAll(dir.filePath("config/mimeapps.list"));
  EXPECT_TRUE(list.contains("audio/x-wav=quavertone.desktop;\n"));
  EXPECT_TRUE(list.contains("application/x-quavertone-qvx=quavertone.desktop;\n"));

  const Result<QString> refused =
      RegisterWithDesktop(desktop, files(), {"a b", "", "/p/Q", "/p/i.png"});
  EXPECT_EQ(refused.value_or(""), "");
  EXPECT_FALSE(refused.error().isEmpty());
}

// The install's entry and the association's are one file: the association keeps the audio
// types the install offered, and both name the theme icon once it is installed.
TEST(DesktopAssociation, InstalledEntryAndAssociationShareOneFile) {
  FakePlatform fake;  // the files are written through the platform
  QTemporaryDir dir;
  FakeDesktop desktop;
  desktop.home = dir.path();
  desktop.known = {{"mp3", "audio/mpeg"}, {"ogg", "audio/ogg"}, {"mkv", "video/x-matroska"}};
  ASSERT_TRUE(QDir().mkpath(dir.filePath("data/icons/hicolor/scalable/apps")));
  ASSERT_TRUE(
      test::WriteAll(dir.filePath("data/icons/hicolor/scalable/apps/quavertone.svg"), "<svg/>"));
  ASSERT_TRUE(InstallDesktopEntry(desktop, files(), "/p/Quavertone", "/p/QVTFile.png",
                                  {"MP3", "OGG", "MKV", "MP3", "XYZ"}));
  const QString path = dir.filePath("data/applications/quavertone.desktop");
  EXPECT_EQ(test::ReadAll(path),
            DesktopEntryText("/p/Quavertone", "quavertone", {"audio/mpeg", "audio/ogg"}));
  desktop.known["wav"] = "audio/x-wav";
  (void)RegisterWithDesktop(desktop, files(),
                            {"wav", "WAV File", "/p/Quavertone", "/p/QVTFile.png"});
  EXPECT_EQ(test::ReadAll(path), DesktopEntryText("/p/Quavertone", "quavertone",
                                                  {"audio/mpeg", "audio/ogg", "audio/x-wav"}));
}

// The real desktop tools, for a user whose folders are temporary.
TEST(LinuxDesktop, XdgMimeAnswersTheEntryAndTheEntryIsValid) {
  for (const char* tool : {"xdg-mime", "desktop-file-validate"}) {
    if (QStandardPaths::findExecutable(tool).isEmpty())
      GTEST_SKIP() << tool << " is not installed";
  }
  FakePlatform fake;  // the files are written through the platform
  QTemporaryDir dir;
  const QString data = dir.filePath("data");
  const QString config = dir.filePath("config");
  const test::ScopedEnv dataHome("XDG_DATA_HOME", data.toUtf8());
  const test::ScopedEnv configHome("XDG_CONFIG_HOME", config.toUtf8());

  LinuxDesktop desktop;
  const Result<QString> wav = RegisterWithDesktop(
      desktop, files(), {"wav", "WAV File", dir.filePath("my music/Quavertone"), "/p/QVTFile.png"});
  const QString wavType = wav.value_or("");
  ASSERT_FALSE(wavType.isEmpty()) << wav.error().toStdString();
  const Result<QString> own = RegisterWithDesktop(
      desktop, files(),
      {"qvtzz", "QVTZZ File", dir.filePath("my music/Quavertone"), "/p/QVTFile.png"});
  const QString ownType = own.value_or("");
  EXPECT_EQ(ownType, "application/x-quavertone-qvtzz") << own.error().toStdString();

  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_DATA_HOME", data);
  env.insert("XDG_CONFIG_HOME", config);
  env.insert("XDG_DATA_DIRS", data + ":/usr/local/share:/usr/share");
  env.remove("XDG_CURRENT_DESKTOP");
  env.remove("DESKTOP_SESSION");
  EXPECT_EQ(RunTool("xdg-mime", {"query", "default", wavType}, env).toStdString(),
            kDesktopEntryName);
  EXPECT_EQ(RunTool("xdg-mime", {"query", "default", ownType}, env).toStdString(),
            kDesktopEntryName);
  RunTool("desktop-file-validate", {data + "/applications/" + kDesktopEntryName}, env);
  if (!QStandardPaths::findExecutable("update-mime-database").isEmpty()) {
    // The user's compiled MIME database now knows the new type's files.
    const QByteArray globs = test::ReadAll(data + "/mime/globs2");
    EXPECT_TRUE(globs.contains(ownType.toUtf8() + ":*.qvtzz")) << globs.constData();
  }
}
