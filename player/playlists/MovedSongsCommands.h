#pragma once
// The editor's commands for songs whose files moved: Find Moved Songs looks for the missing
// ones below a folder the user chooses, Relink Folder moves every song of one folder to
// another. Both change only the paths of the shared play list, never its names or order, and
// tell the user what they did. The editor runs them in its busy state.

namespace qvt {

class IEditorView;

void FindMovedSongsCommand(IEditorView& view);
void RelinkFolderCommand(IEditorView& view);

}  // namespace qvt
