// Arbitrary configuration files, of this version (the input as it is) and of another one (the
// input behind another version's first record). The load ends with its messages and a list
// that is empty or wholly stored; what it kept is saved and loads back the same.
#include <QFile>
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzPlayList.h"
#include "fuzz/FuzzSupport.h"
#include "player/startup/MusicVariables.h"
#include "player/window/Configuration.h"
#include "tests/support/TestFiles.h"

namespace {

using qvt::fuzz::check;

using Host = qvt::test::FakeConfigurationHost;

struct Loaded {
  qvt::Configuration::LoadResult result;
  std::vector<QString> paths;
  std::vector<QString> names;
};

Loaded Load(qvt::FakePlatform& fake, Host& host) {
  qvt::MusicVariables& installed = qvt::fuzz::playList();
  installed.resetAll();
  installed.setLastIndex(-1);
  fake.dialogs.shown.clear();
  bool bHasPlayList = false;
  const auto result =
      qvt::Configuration::LoadConfiguration(qvt::platform(), installed, host, bHasPlayList);
  const qvt::MusicVariables& mv = installed;
  check(mv.dblLastIndex() >= -1);
  const auto count = static_cast<std::size_t>(mv.dblLastIndex() + 1);
  check(mv.sSongPaths().size() >= count && mv.sSongNames().size() >= count);
  check(fake.dialogs.shown.size() <= 1);
  const auto& paths = mv.sSongPaths().items();
  const auto& names = mv.sSongNames().items();
  return {result,
          {paths.begin(), paths.begin() + static_cast<long>(count)},
          {names.begin(), names.begin() + static_cast<long>(count)}};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvt::FakePlatform& fake = qvt::fuzz::platform();
  const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  for (const QByteArray& bytes : {input, QByteArray("1,0,0\r\n") + input}) {
    {
      QFile file(qvt::Configuration::ConfigurationPath(qvt::platform()));
      if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
      file.write(bytes);
    }
    Host host;
    const Loaded first = Load(fake, host);
    bool bHasPlayList = false;
    qvt::Configuration::SaveConfiguration(qvt::platform(), qvt::fuzz::playList(), host,
                                          bHasPlayList);
    Host again;
    const Loaded second = Load(fake, again);
    check(second.result == qvt::Configuration::LoadResult::Loaded);
    // Only an unknown skip mode, saved as it was read, may speak again.
    for (const QString& text : fake.dialogs.texts())
      check(text.startsWith(QLatin1String("Error while selecting skip mode")));
    // Songs holding a double quote are left out of a save; the others come back in order.
    std::vector<QString> kept;
    for (std::size_t i = 0; i < first.paths.size(); ++i) {
      if (!first.paths[i].contains(QLatin1Char('"')) && !first.names[i].contains(QLatin1Char('"')))
        kept.push_back(first.paths[i]);
    }
    check(second.paths == kept);
    check(kept.empty() || (again.position >= 0 && again.position < double(kept.size())) ||
          again.position == host.position);
  }
  return 0;
}
