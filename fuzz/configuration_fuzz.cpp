// Arbitrary configuration files, as they are and, unless that was of another version already,
// behind another version's first record, read in blocks as a file is. The load ends with
// at most one message, which fits what it did, and a list that is empty or wholly stored; a list
// kept from another version keeps a position that names one of its songs.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzPlayList.h"
#include "fuzz/FuzzSupport.h"
#include "player/startup/MusicVariables.h"
#include "player/window/Configuration.h"
#include "shared/RecordNotation.h"
#include "tests/support/TestFiles.h"

namespace {

using qvt::Configuration::LoadResult;
using qvt::fuzz::check;

LoadResult load(qvt::FakePlatform& fake, const QByteArray& bytes, unsigned seed) {
  qvt::MusicVariables& mv = qvt::fuzz::playList();
  mv.resetAll();
  mv.setLastIndex(-1);
  fake.dialogs.shown.clear();
  qvt::test::FakeConfigurationHost host;
  host.position = -2;  // a position no load keeps
  bool bHasPlayList = false;
  // Blocks of 16 bytes and more: the notation target checks the reading in blocks itself; here
  // what matters is that a copy of the reader may start in the middle of one.
  const LoadResult result = qvt::Configuration::LoadConfiguration(
      qvt::platform(), mv, host, bHasPlayList,
      qvt::RecordReader::inBlocks(bytes, 16 * qvt::fuzz::blockSize(seed, bytes.size())));

  const double last = mv.dblLastIndex();
  check(last >= -1 && last == std::floor(last));
  const auto count = static_cast<std::size_t>(last + 1);
  check(mv.sSongPaths().size() >= count && mv.sSongNames().size() >= count);
  const QStringList texts = fake.dialogs.texts();
  check(texts.size() <= 1);
  if (result == LoadResult::Upgrade) {
    check(texts == QStringList{QStringLiteral("Preparing to upgrade")});
    check(host.position == 0 || (host.position >= 1 && host.position <= last &&
                                 host.position == std::floor(host.position)));
  } else if (!texts.isEmpty() && !texts[0].startsWith(QLatin1String("Error while selecting"))) {
    check(last == -1 && !bHasPlayList);  // a failed load keeps no list
  }
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvt::FakePlatform& fake = qvt::fuzz::platform();
  const QByteArray input = qvt::fuzz::bytesOf(data, size);
  // An input of another version has taken the other version's way already.
  if (load(fake, input, static_cast<unsigned>(size)) != LoadResult::Upgrade)
    load(fake, QByteArray("1,0,0\r\n") + input, static_cast<unsigned>(size));
  return 0;
}
