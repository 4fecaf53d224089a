#pragma once
// The player's settings and last play list, kept in "ConfigurationAndLastPlayList.qvs" in the
// settings folder, and the close-after-song option carried into "QPConfig.qvc".

#include <QString>
#include <cstdint>

namespace qvt {

class MusicVariables;
class RecordReader;
struct Services;

// What the persistence needs of the player window.
class IConfigurationHost {
 public:
  virtual ~IConfigurationHost() = default;
  virtual double Position() const = 0;
  virtual void SetPosition(double dblValue) = 0;
  virtual bool IsRandomChecked() const = 0;
  virtual bool IsLoopChecked() const = 0;
  // Assigning a check box runs its click handler when the value changes.
  virtual void AssignRandomChecked(bool bChecked) = 0;
  virtual void AssignLoopChecked(bool bChecked) = 0;
};

namespace Configuration {

// The quick play window's client area in twips: its design size, and the size centred on the
// screen when its settings file is created.
constexpr int kQuickPlayWidthTwips = 4800;
constexpr int kQuickPlayHeightTwips = 1965;

// Above this many songs a load shows the progress bar window.
constexpr double kLargeListLastIndex = 500;

QString ConfigurationPath(const Services& services);
QString QuickPlayConfigPath(const Services& services);

// Writes the configuration and the play list (a temporary file renamed into place), then
// brings "QPConfig.qvc" up to date. bHasPlayList is set from the play list. Failures show
// "An error has occured while saving settings" with their description; the old file stays.
void SaveConfiguration(const Services& services, const MusicVariables& mv,
                       const IConfigurationHost& host, bool& bHasPlayList);

enum class LoadResult {
  Loaded,   // applied (or a failure was reported and the list left empty)
  Upgrade,  // written by another version: "Preparing to upgrade" shown, nothing applied
};

// Reads the configuration and the play list into mv and the window.
LoadResult LoadConfiguration(const Services& services, MusicVariables& mv, IConfigurationHost& host,
                             bool& bHasPlayList);
// The same over the records of a configuration file already opened (read from memory by the
// checks of the reading).
LoadResult LoadConfiguration(const Services& services, MusicVariables& mv, IConfigurationHost& host,
                             bool& bHasPlayList, RecordReader file);

}  // namespace Configuration
}  // namespace qvt
