#pragma once
// The options window: the four playback preferences (each a group of option buttons), the
// file-type association for quick play, and the update controls. It keeps no state of its own:
// the preferences are read from and written to the shared state, and every opening loads the
// window afresh.

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "player/update/UpdatorMethods.h"
#include "shared/UpdateManifest.h"
#include "shared/ui/Form.h"

namespace qvt {

class MusicVariables;
class ScopedProcessingStop;
struct Services;

class frmOptions : public Form, public UpdatorMethods::IUpdateView {
  Q_OBJECT

 public:
  // mv: the options and playing state it sets; services: what it reaches the machine through;
  // updateHooks: what an update started here does to the player window; trust: what the update
  // installed here is verified under.
  frmOptions(MusicVariables& mv, const Services& services,
             const UpdatorMethods::PlayerHooks& updateHooks, UpdateManifest::Trust trust);
  ~frmOptions() override;

  // Controls, named as the window's design names them.
  QGroupBox* fraSkip;
  QRadioButton* optNoSkip;
  QRadioButton* optSkipDelete;
  QRadioButton* optSkip;
  QGroupBox* fraSongLoading;
  QRadioButton* optLow;
  QRadioButton* optNorm;
  QGroupBox* fraProcessing;
  QRadioButton* optYesProcess;
  QRadioButton* optNoProcess;
  QGroupBox* Frame2;
  QRadioButton* optStayOpen;
  QRadioButton* optClose;
  QGroupBox* Frame1;
  QLabel* Label1;
  QLabel* lblCurVer;
  QLabel* Label2;
  QLabel* lblLatestVer;
  QLabel* lblStatus;
  QPushButton* cmdCheckUpdates;
  QPushButton* cmdNewVerInfo;
  QPushButton* cmdInstall;
  QGroupBox* fraAs;
  QLabel* Label3;
  QLineEdit* txtExt;
  QPushButton* cmdExt;
  QPushButton* cmdDone;

  // Design size of the client area in twips.
  static constexpr int kClientWidthTwips = 6480;
  static constexpr int kClientHeightTwips = 5880;

  // IUpdateView: what a version check changes here.
  void SetLatestVersionCaption(const QString& sCaption) override;
  void SetStatusCaption(const QString& sCaption) override;
  void ShowUpdateButtons() override;

 protected:
  void Form_Load() override;
  // A close during an update's downloads cancels them, as the progress window's Cancel does.
  void StopOperations() override;

 private:
  MusicVariables& mv_;
  const Services& services_;
  const UpdatorMethods::PlayerHooks& updateHooks_;
  const UpdateManifest::Trust trust_;
  ScopedProcessingStop* stop_ = nullptr;  // the operation running on the window
  void CreatePreferenceFrames();
  void CreateUpdateFrame();
  void CreateAssociationFrame();
  void PlaceWindow();
  void SetTabOrder();
  void ConnectHandlers();
  void LoadSkipMode();

  void cmdNewVerInfo_Click();
  void cmdExt_Click();
  void cmdDone_Click();
};

}  // namespace qvt
