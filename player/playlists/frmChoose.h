#pragma once
// frmChoose, "Choose the files": the play list editor. A drive box, a folder box and a file box
// on the left, a column of buttons in the middle and the play list on the right. It edits the
// shared play list directly (PlayListEditor holds the operations); lstPlayList only shows the
// names. It remembers the folders it showed in "SavedPath.qvs"; closing it hands the list to
// the player window.

#include <QElapsedTimer>
#include <QString>
#include <vector>

#include "player/playlists/EditorView.h"
#include "player/playlists/PlayListEditor.h"
#include "shared/ui/Form.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QTimer;

namespace qvt {

class DirListBox;
class DriveListBox;
class FileListBox;
class FramePacer;
class IPlayerWindow;
class SongListBox;
struct Services;

class frmChoose : public Form, public IEditorView {
  Q_OBJECT

 public:
  static constexpr int kClientWidthTwips = 9555;
  static constexpr int kClientHeightTwips = 7575;

  // services: what it reaches the machine through; player: the player window the list is handed
  // back to when the editor closes.
  frmChoose(MusicVariables& mv, const Services& services, IPlayerWindow& player);
  ~frmChoose() override;

  // Window operations.
  void ShowSongCount();
  void AddOneFile(const QString& sName, bool bRefill) { editor_.AddOneFile(sName, bRefill); }
  void AddSelectedFiles() { editor_.AddSelectedFiles(); }
  void AddAllFiles() { editor_.AddAllFiles(); }
  void LoadListFile(const QString& sFile) { editor_.LoadListFile(sFile); }
  void SaveListFile() { editor_.SaveListFile(); }
  void RefillEditorList() { editor_.RefillEditorList(); }
  double dblDuplicateCount() const { return editor_.dblDuplicateCount(); }

  // IEditorView.
  QString FileFolder() const override;
  int FileCount() const override;
  QString FileEntry(int i) const override;
  bool FileSelected(int i) const override;
  QString CurrentFileName() const override;
  void RefreshFiles() override;
  void SetAddingCaption(const QString& sText) override;
  void SetStatusText(const QString& sText) override;
  IListBox& PlayList() override;
  int PlayListIndex() const override;
  void ShowPlayList() override;
  void SetEditing(bool bOn) override;
  void SetPlayListVisible(bool bVisible) override;
  void SetProgressLabelsVisible(bool bVisible) override;
  void RepaintWindow() override;
  bool CloseWaiting() const override;
  void RunHeld(const std::function<void()>& step) override;
  // Whether an operation of the editor goes on as a job (the window busy meanwhile).
  bool JobRunning() const { return editor_.JobRunning(); }

  // The texts of the two status panels (1 or 2), as shown once pending texts are applied.
  QString PanelText(int iPanel) const;

  // The controls, named as the window's design names them.
  DriveListBox* drvDisplay;
  DirListBox* dirDisplay;
  FileListBox* filDisplay;
  QLabel* Label1;
  QLineEdit* txtExtension;
  QPushButton* cmdAdd;
  QPushButton* cmdAddAll;
  QPushButton* cmdRemove;
  QPushButton* cmdClear;
  QPushButton* cmdSave;
  QPushButton* cmdLoad;
  QPushButton* cmdVerify;
  QPushButton* cmdFindMoved;
  QPushButton* cmdRelink;
  QLabel* lblProcessing;
  QLabel* lblAdding;
  SongListBox* lstPlayList;
  QPushButton* cmdDone;
  QStatusBar* stbChoose;
  QLabel* stbPanel1;
  QLabel* stbPanel2;

 protected:
  void Form_Load() override;
  void Form_Unload(bool& bCancel) override;
  void StopOperations() override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CreateControls();
  void CreateStatusBar();
  void ConnectHandlers();
  void CentreWindow();
  void ReadSavedPath();
  void WriteSavedPath();
  // Progress texts change once per song; they reach the controls at most once per frame.
  void TextsChanged();
  void ApplyTexts();

  const Services& services_;
  IPlayerWindow& player_;
  MusicVariables& mv_;  // the play list edited
  PlayListEditor editor_{services_, mv_, *this};
  FramePacer* pacer_;
  QTimer* applyLater_;
  QElapsedTimer sinceApplied_;
  QString sAddingCaption_;
  QString sStatusText_;
  bool bCountChanged_ = false;
};

}  // namespace qvt
