#pragma once
// The run mode of an installation: the channel whose updates it takes. It is the first field of
// the optional file "paths.qvc" in the program folder (record notation; the update client's
// server addresses follow it, player/update/Paths.h). Both programs read it here: the player
// to choose its addresses and the updates it takes, Updater to refuse an update for another
// channel.

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace qvt {
class RecordReader;
struct Services;
}  // namespace qvt

namespace qvt::RunMode {

// The first `count` fields of a "paths.qvc" that `open` opens (a file or bytes in memory);
// nothing when it is missing, unreadable or shorter.
std::optional<QStringList> ReadFields(const std::function<RecordReader()>& open, int count);
// The first `count` fields of "paths.qvc" in the program folder of the services handed in, read
// anew on every call; nothing when the file is missing, unreadable or shorter.
std::optional<QStringList> ReadPathsFields(const Services& services, int count);
// "BETA" when the file has its five fields and the first is that run mode (any letter case),
// else "FINAL", whose addresses every other run mode uses. Says nothing.
QString Channel(const Services& services);

}  // namespace qvt::RunMode
