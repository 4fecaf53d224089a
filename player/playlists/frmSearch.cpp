#include "player/playlists/frmSearch.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <exception>

#include "platform/base/Check.h"
#include "player/playlists/SongListBox.h"
#include "player/playlists/frmList.h"
#include "player/startup/GlobalMethods.h"
#include "shared/Services.h"
#include "shared/Twips.h"
#include "shared/Variant.h"

namespace qvt {

namespace {

const QString kHelpText = QStringLiteral(
    "Enter a letter, word, or phraze to search song names for.  Casing does not matter.  The "
    "search term can be found anywhere within the song name. Example.  You can search for "
    "'song' and names such as 'My Favorite Song.mp3' will be found.");

}  // namespace

frmSearch::frmSearch(MusicVariables& mv, const Services& services, FormSlot<frmList>& list)
    : mv_(mv), services_(services), list_(list) {
  setObjectName(QStringLiteral("frmSearch"));
  setWindowTitle(QStringLiteral("Song Search"));
  setFixedSize(Twips(0, 0, kClientWidthTwips, kClientHeightTwips).size());

  // The text box is created first: it is first in the tab order and takes the focus.
  txtWord = new QLineEdit(this);
  txtWord->setObjectName(QStringLiteral("txtWord"));
  txtWord->setAccessibleName(QStringLiteral("Search for"));
  txtWord->setGeometry(Twips(120, 2040, 3615, 285));
  cmdNext = new QPushButton(QStringLiteral("&Search/Next Song"), this);
  cmdNext->setObjectName(QStringLiteral("cmdNext"));
  cmdNext->setGeometry(Twips(120, 2400, 2295, 495));
  cmdNext->setDefault(true);
  cmdDone = new QPushButton(QStringLiteral("&Done"), this);
  cmdDone->setObjectName(QStringLiteral("cmdDone"));
  cmdDone->setGeometry(Twips(2520, 2400, 1215, 495));

  Label1 = new QLabel(kHelpText, this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setTextFormat(Qt::PlainText);
  Label1->setGeometry(Twips(120, 120, 3615, 1815));
  Label1->setWordWrap(true);
  Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  QFont font(QStringLiteral("Tahoma"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(8.25);
  Label1->setFont(font);

  setTabOrder(txtWord, cmdNext);
  setTabOrder(cmdNext, cmdDone);
  connect(txtWord, &QLineEdit::textChanged, this, [this] { txtWord_Change(); });
  // Enter in the text box presses the default button, as in a dialog.
  connect(txtWord, &QLineEdit::returnPressed, cmdNext, &QPushButton::click);
  connect(cmdNext, &QPushButton::clicked, this, [this] { SearchNext(); });
  connect(cmdDone, &QPushButton::clicked, this, [this] { cmdDone_Click(); });
}

frmSearch::~frmSearch() = default;

void frmSearch::Form_Load() {
  dblLastFound = -1;
}

double frmSearch::Width() const {
  return TwipsOf(frameGeometry().width());
}

void frmSearch::SearchNext() {
  if (bSearching_)
    return;
  FormBusy busy(*this);  // the search and the message box below let the event loop run
  const QString sTerm = txtWord->text();
  const bool bListShown = list_.IsLoaded();
  GlobalMethods::FindSongName(mv_, QStringLiteral("init") + FormatNumber(dblLastFound + 1), false);
  const double dblFound = [&] {
    bSearching_ = true;
    const auto done = qScopeGuard([this] { bSearching_ = false; });
    return GlobalMethods::FindSongNameBesideTheWindows(services_, mv_, sTerm, true);
  }();
  if (txtWord->text() != sTerm || (bListShown && !list_.IsLoaded()))
    return;  // a new term, or the list view closed: the user has moved on
  dblLastFound = dblFound;
  try {
    list_.Get().lstList->SetListIndex(static_cast<int>(dblLastFound));
  } catch (const std::exception&) {
    LogExpected(
        lcPlaylist());  // the view shows fewer entries than the play list has: nothing to select
  }
  if (dblLastFound == -1) {
    MsgBox(services_, QStringLiteral("No results found"), MsgButtons::OkOnly, MsgIcon::None,
           QStringLiteral("No Results"));
  }
}

void frmSearch::txtWord_Change() {
  GlobalMethods::FindSongName(mv_, QStringLiteral("stop"), false);
  dblLastFound = -1;
}

void frmSearch::cmdDone_Click() {
  Forms::Unload(*this);
}

}  // namespace qvt
