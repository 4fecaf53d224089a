#pragma once
// A folder of many songs made fast: hard links to one small WAV (and to copies of it where the
// file system allows no more links to one file), `count` of them, named
// "Track 0000000 - Some Song Title.wav" (numbered from 0, so that sorting by name keeps their
// order). The folder and its files are removed with the object.

#include <QString>

namespace qvt::bench {

class LinkedSongs {
 public:
  LinkedSongs(const QString& folder, int count);
  ~LinkedSongs();
  LinkedSongs(const LinkedSongs&) = delete;
  LinkedSongs& operator=(const LinkedSongs&) = delete;

  QString folder() const { return folder_; }
  QString name(int i) const;
  QString path(int i) const { return folder_ + QLatin1Char('/') + name(i); }
  int count() const { return count_; }

 private:
  QString folder_;
  int count_;
};

}  // namespace qvt::bench
