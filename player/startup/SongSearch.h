#pragma once
// Internals of the play list searches: the reading of command numbers and the search state.

#include <QStringView>

#include "player/startup/MusicVariables.h"
#include "player/startup/PathSearchIndex.h"

namespace qvt::GlobalMethods {

// The number written after a four-letter command ("init41" -> 41), read like a leading
// number: blanks, sign, digits, decimal point, exponent; 0 when there is none.
double LeadingNumber(QStringView sText);

// Back to the start state: both search positions 0, index empty.
void ResetSearchState(MusicVariables& mv);
// The index used by FindSongPath (for tests of the incremental behaviour).
const PathSearchIndex& PathIndex(MusicVariables& mv);

}  // namespace qvt::GlobalMethods
