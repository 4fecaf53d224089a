#pragma once
// frmSearch, "Song Search": a companion of the play list view. Each press of
// "&Search/Next Song" selects, in the view's list, the next song whose name contains the term
// (letter case ignored); after the last match it reports "No results found" and the press after
// that starts again at the first song. Changing the term starts the search afresh.

#include "shared/ui/Form.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace qvt {

class frmList;
class MusicVariables;
struct Services;

class frmSearch : public Form {
  Q_OBJECT

 public:
  // Design size of the client area in twips.
  static constexpr int kClientWidthTwips = 3825;
  static constexpr int kClientHeightTwips = 3030;

  // mv: the play list it searches; list: the list view it selects in.
  frmSearch(MusicVariables& mv, const Services& services, FormSlot<frmList>& list);
  ~frmSearch() override;

  // The action of cmdNext: selects the next match, or reports that there is none. The names
  // of a long list are scanned while the windows keep answering; a click meanwhile is ignored,
  // and a term changed meanwhile drops the result (the next search starts from the top).
  void SearchNext();
  // Index of the last match; -1 before the first and after the term changed.
  double LastFound() const { return dblLastFound; }

  // Outer width in twips.
  double Width() const;

  // Controls, named as the window's design names them.
  QLabel* Label1;
  QLineEdit* txtWord;
  QPushButton* cmdNext;
  QPushButton* cmdDone;

 protected:
  void Form_Load() override;

 private:
  void txtWord_Change();
  void cmdDone_Click();

  MusicVariables& mv_;
  const Services& services_;
  FormSlot<frmList>& list_;
  double dblLastFound = -1;
  bool bSearching_ = false;
};

}  // namespace qvt
