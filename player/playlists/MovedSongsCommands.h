#pragma once
// The editor's commands for songs whose files moved: Find Moved Songs looks for the missing
// ones below a folder the user chooses, Relink Folder moves every song of one folder to
// another. Both change only the paths of the shared play list, never its names or order, and
// tell the user what they did, through the services handed in. The editor runs them in its busy
// state.

namespace qvt {

class IEditorView;
class MusicVariables;
struct Services;

void FindMovedSongsCommand(const Services& services, MusicVariables& mv, IEditorView& view);
void RelinkFolderCommand(const Services& services, MusicVariables& mv, IEditorView& view);

}  // namespace qvt
