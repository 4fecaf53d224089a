// The Linux seams compiled as a release build compiles them (no QVT_TEST_BUILD): the hooks the
// tests drive the real programs with do not exist there, whatever the environment says.
#include <gtest/gtest.h>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/linux/LinuxDialogs.h"
#include "platform/linux/LinuxFileSystem.h"

TEST(ReleaseBuild, NoBoxAnswersItselfAndTheProgramFolderStaysTheExecutables) {
  QTemporaryDir dir;
  qputenv("QUAVERTONE_AUTO_ANSWER", QFile::encodeName(dir.filePath("boxes.log")));
  qputenv("QUAVERTONE_PROGRAM_DIR", QFile::encodeName(dir.path()));
  EXPECT_EQ(qvt::AutoAnswerLog(), QString());
  qvt::LinuxProgramFolder folder;
  EXPECT_EQ(folder.folder(), QFileInfo("/proc/self/exe").canonicalPath());
  qunsetenv("QUAVERTONE_AUTO_ANSWER");
  qunsetenv("QUAVERTONE_PROGRAM_DIR");
}
