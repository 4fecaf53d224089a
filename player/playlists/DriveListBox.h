#pragma once
// A drop-down list of the mounted volumes, one entry per volume shown as its drive text: the
// root, a blank and the name in square brackets ("/ [root]", "/media/ann/USB [USB]").
//
//   drv.SetDrive("/media/ann/USB [USB]");  // or just "/media/ann/USB"
//   connect(&drv, &DriveListBox::Change, ...);
//   dir.SetPathToDrive(drv.DriveRoot());
//
// The volumes come from the volumes of the services it is made with; the list is read when the box
// is made, on Refresh and on SetDrive.

#include <QComboBox>
#include <QString>
#include <vector>

#include "platform/Volumes.h"

namespace qvt {

struct Services;

class DriveListBox : public QComboBox {
  Q_OBJECT

 public:
  explicit DriveListBox(const Services& services, QWidget* parent = nullptr);

  // The drive text of a volume: root, " [", name, "]".
  static QString DriveText(const Volume& volume);

  // Drive text and root path of the chosen entry ("" when the list is empty).
  QString Drive() const;
  QString DriveRoot() const;
  // Chooses the ready volume whose drive text is sText, or failing that whose root is the part
  // of sText before " [". Re-reads the volumes first. False, and the choice stays, when no
  // ready volume matches. Emits Change when the choice changed.
  bool SetDrive(const QString& sText);
  // Re-reads the volumes and keeps the choice while its volume is still there; when it is gone
  // the first entry is chosen and Change is emitted.
  void Refresh();

 Q_SIGNALS:
  // The chosen volume changed, by the user or by SetDrive.
  void Change();

 private:
  void reload();
  void setChoice(int index);
  int findReady(const QString& sText) const;
  void onUserChoice(int index);

  const Services& services_;
  std::vector<Volume> volumes_;
  int chosen_ = -1;  // the entry the box stands on for the program
};

}  // namespace qvt
