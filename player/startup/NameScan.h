#pragma once
// The scan behind the search over the song names: the first name in a range of the list that
// equals or contains a term when both are upper-cased.

#include <QString>
#include <cstddef>

#include "player/startup/SongArray.h"

namespace qvt::GlobalMethods {

// Names a scanning thread takes at a time.
inline constexpr std::size_t kNameScanChunk = 16384;

// The lowest index from `first` to `last` (both within `names`) whose name equals sTerm, or
// contains it when bPartial, both upper-cased; -1 when none does. A range longer than one
// chunk is scanned in chunks of `chunk` names by helper threads and the calling thread
// together; the calling thread joins the helpers without running its event loop, so the
// names cannot change meanwhile.
double FirstNameMatch(const SongArray& names, std::size_t first, std::size_t last,
                      const QString& sTerm, bool bPartial, std::size_t chunk = kNameScanChunk);

}  // namespace qvt::GlobalMethods
