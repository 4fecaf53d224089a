#pragma once
// The editor's commands for songs whose files moved: Find Moved Songs looks for the missing
// ones below a folder the user chooses, Relink Folder moves every song of one folder to
// another. Both change only the paths of the shared play list, never its names or order, and
// tell the user what they did, through the services handed in. Each is an operation of jobs that
// the editor starts and holds in its busy state (JobRun, player/startup/Job.h).

#include <memory>

#include "player/startup/Job.h"

namespace qvt {

class IEditorView;
class MusicVariables;
struct Services;

std::unique_ptr<JobRun> FindMovedSongsCommand(const Services& services, MusicVariables& mv,
                                              IEditorView& view, JobHooks hooks);
std::unique_ptr<JobRun> RelinkFolderCommand(const Services& services, MusicVariables& mv,
                                            IEditorView& view, JobHooks hooks);

}  // namespace qvt
