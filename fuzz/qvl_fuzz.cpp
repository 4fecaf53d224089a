// Arbitrary .qvl files loaded into a play list that holds one song. The load ends with one of
// its messages, the list stays consistent (every song up to the last index is stored), and a
// list saved again reads back the same songs.
#include <QDir>
#include <QFile>
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzPlayList.h"
#include "fuzz/FuzzSupport.h"
#include "player/playlists/EditorView.h"
#include "player/playlists/ListFile.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/MusicVariables.h"

namespace {

using qvt::fuzz::check;

class View : public qvt::IEditorView, public qvt::IListBox {
 public:
  QString folder;
  QString FileFolder() const override { return folder; }
  int FileCount() const override { return 1; }
  QString FileEntry(int) const override { return QStringLiteral("f.qvl"); }
  bool FileSelected(int) const override { return true; }
  QString CurrentFileName() const override { return QStringLiteral("f.qvl"); }
  void RefreshFiles() override {}
  void SetAddingCaption(const QString&) override {}
  void SetStatusText(const QString&) override {}
  qvt::IListBox& PlayList() override { return *this; }
  int PlayListIndex() const override { return -1; }
  // The songs the list shows: 0 to the last index, as far as the names go.
  void ShowPlayList() override {
    const qvt::MusicVariables& mv = qvt::fuzz::playList();
    items = 0;
    while (static_cast<double>(items) <= mv.dblLastIndex() && items < mv.sSongNames().size())
      ++items;
  }
  void SetEditing(bool) override {}
  void SetPlayListVisible(bool) override {}
  void SetProgressLabelsVisible(bool) override {}
  void RepaintWindow() override {}
  int ListCount() const override { return static_cast<int>(items); }
  bool Selected(int) const override { return false; }
  void SetListIndex(int) override {}
  std::size_t items = 0;
};

std::vector<QString> Listed(const std::vector<QString>& all) {
  const double last = qvt::fuzz::playList().dblLastIndex();
  return {all.begin(), all.begin() + static_cast<long>(last + 1)};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvt::FakePlatform& fake = qvt::fuzz::platform();
  static View view;
  view.folder = fake.folder();
  {
    QFile file(fake.path(QStringLiteral("f.qvl")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
      return 0;
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  }
  qvt::MusicVariables& mv = qvt::fuzz::playList();
  mv.resetAll();
  mv.replaceAll({QStringLiteral("/m/a.mp3")}, {QStringLiteral("a.mp3")});
  fake.dialogs.shown.clear();
  qvt::GlobalMethods::FindSongPath(mv, QStringLiteral("init0"));
  qvt::LoadListFile(qvt::platform(), mv, view, qvt::kListFileMarker);
  qvt::GlobalMethods::FindSongPath(mv, QStringLiteral("stop"));

  check(mv.dblLastIndex() >= 0 && mv.dblLastIndex() == static_cast<double>(view.items) - 1);
  check(mv.sSongPaths().size() >= view.items && mv.sSongNames().size() >= view.items);
  const QStringList texts = fake.dialogs.texts();
  check(!texts.isEmpty());
  const QString last = texts.last();
  check(last == QLatin1String("Error loading file") ||
        last.endsWith(QLatin1String(" Songs loaded successfully")));

  const std::vector<QString> paths = Listed(mv.sSongPaths().items());
  const std::vector<QString> names = Listed(mv.sSongNames().items());
  const QString saved = fake.path(QStringLiteral("saved.qvl"));
  QFile::remove(saved);
  if (!qvt::WriteListFile(qvt::files(), mv, saved))
    return 0;
  mv.setLastIndex(-1);
  qvt::GlobalMethods::FindSongPath(mv, QStringLiteral("init-1"));
  view.folder = fake.folder();
  fake.dialogs.shown.clear();
  QFile::remove(fake.path(QStringLiteral("f.qvl")));
  QFile::rename(saved, fake.path(QStringLiteral("f.qvl")));
  qvt::LoadListFile(qvt::platform(), mv, view, qvt::kListFileMarker);
  qvt::GlobalMethods::FindSongPath(mv, QStringLiteral("stop"));
  // Paths listed twice are both kept by a load into an empty list, so the round trip is exact.
  check(Listed(mv.sSongPaths().items()) == paths && Listed(mv.sSongNames().items()) == names);
  return 0;
}
