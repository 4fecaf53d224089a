#pragma once
// Internals shared by the GlobalMethods sources: turning a play list index into an array
// subscript, and removing several songs at once.

#include <QString>
#include <cstddef>
#include <optional>
#include <vector>

namespace qvt {
class MusicVariables;
}

namespace qvt::GlobalMethods {

// The subscript of a play list index (rounded to a whole number, a half to the even one), or
// nothing when it names no song of the current list: below 0 or above dblLastIndex.
std::optional<std::size_t> SongSubscript(const MusicVariables& mv, double dblIndex);
// The path of a song, or an empty text when the index names no song.
QString SongPathAt(const MusicVariables& mv, double dblIndex);
// Removes the songs at the given subscripts (ascending, distinct) with the result of removing
// them one by one with RemoveSongAt, highest first, but in one pass over the list.
void RemoveSongsAt(MusicVariables& mv, std::vector<std::size_t> ascending);

}  // namespace qvt::GlobalMethods
