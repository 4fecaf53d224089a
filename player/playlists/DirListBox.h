#pragma once
// A folder box: the path of the current folder as a small tree. One entry per folder from "/"
// down to the current folder (open-folder icons, each indented one step more), then the
// subfolders of the current folder (closed-folder icons, one step further in), sorted by name
// without regard to case; hidden folders are left out.
//
//   dir.SetPath("/home/ann/Music");   // false when it cannot be shown; Change when it moved
//   dir.SetPathToDrive("/media/ann/USB");
//
// A double click (or Enter) on an entry moves to that entry's folder.

#include <QListWidget>
#include <QString>
#include <vector>

namespace qvt {

class DirListBox : public QListWidget {
  Q_OBJECT

 public:
  explicit DirListBox(QWidget* parent = nullptr);

  // The current folder: absolute, without a trailing "/" (except "/" itself).
  QString Path() const { return path_; }
  // Shows sPath. False, and nothing changes, when it does not exist, is not a folder or
  // cannot be read. Emits Change when the folder differs from the one shown before.
  bool SetPath(const QString& sPath);
  // Moves to the folder last shown on the volume at sRoot during this run (a folder belongs
  // to the longest known volume root that holds it), else to sRoot itself. Same failure rule.
  bool SetPathToDrive(const QString& sRoot);
  // Re-reads the current folder; when it vanished, what was shown stays.
  void Refresh();

  // The folder of entry i ("" when there is no such entry), and the current folder's entry.
  QString EntryPath(int i) const;
  int CurrentFolderEntry() const { return currentEntry_; }

 Q_SIGNALS:
  void Change();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void display(const QString& path, const std::vector<QString>& subfolders);
  void remember(const QString& path);
  void openEntry(const QString& folder);

  QString path_;
  int currentEntry_ = -1;
  std::vector<QString> history_;  // folders shown, most recent last, each once
};

}  // namespace qvt
