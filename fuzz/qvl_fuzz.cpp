// Arbitrary .qvl files added to a play list that holds one song. The load ends with one of its
// messages, the list stays consistent (every song up to the last index is stored), the song
// already there is not added again, and a success counts the songs it added.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzPlayList.h"
#include "fuzz/FuzzSupport.h"
#include "player/playlists/EditorView.h"
#include "player/playlists/ListFile.h"
#include "player/playlists/ListFileRead.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/MusicVariables.h"
#include "shared/Variant.h"

namespace {

using qvt::fuzz::check;

const QString kSongThere = QStringLiteral("/m/a.mp3");

class View : public qvt::IEditorView, public qvt::IListBox {
 public:
  QString FileFolder() const override { return QStringLiteral("/m"); }
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvt::FakePlatform& fake = qvt::fuzz::platform();
  static View view;
  qvt::ListRecords read =
      qvt::ReadListRecords({QStringLiteral("/m/f.qvl")}, qvt::fuzz::bytesOf(data, size));
  check(read.paths.size() == read.names.size());

  qvt::MusicVariables& mv = qvt::fuzz::playList();
  mv.resetAll();
  mv.replaceAll({kSongThere}, {QStringLiteral("a.mp3")});
  fake.dialogs.shown.clear();
  qvt::GlobalMethods::FindSongPath(mv, QStringLiteral("init0"));
  qvt::AddListRecords(qvt::platform(), mv, view, read);
  qvt::GlobalMethods::FindSongPath(mv, QStringLiteral("stop"));

  const double last = mv.dblLastIndex();
  check(last >= 0 && last == static_cast<double>(view.items) - 1);
  check(mv.sSongPaths().size() >= view.items && mv.sSongNames().size() >= view.items);
  for (std::size_t i = 1; i < view.items; ++i)
    check(mv.sSongPaths()[i].toUpper() != kSongThere.toUpper());
  const QStringList texts = fake.dialogs.texts();
  check(!texts.isEmpty());
  const QString& message = texts.last();
  const QString loaded = QStringLiteral(" Songs loaded successfully");
  check(message == QLatin1String("Error loading file") ||
        message == qvt::FormatNumber(last) + loaded);
  return 0;
}
