#pragma once
// The logging areas of both programs, one QLoggingCategory each. Warnings (what was dropped,
// checks that failed) are shown by default; info and debug lines (failures that are part of
// normal use, such as a song that does not play) only when a rule asks for them, for example
// QT_LOGGING_RULES="qvt.playback.info=true".
#include <QLoggingCategory>

namespace qvt {

#define QVT_LOG_AREA(function, name)                            \
  inline const QLoggingCategory& function() {                   \
    static const QLoggingCategory category(name, QtWarningMsg); \
    return category;                                            \
  }

QVT_LOG_AREA(lcPlayback, "qvt.playback")  // the player window's and quick play's playback
QVT_LOG_AREA(lcPlaylist, "qvt.playlist")  // play lists, the editor, the list view, the search
QVT_LOG_AREA(lcUpdate, "qvt.update")      // the update client and Updater
QVT_LOG_AREA(lcFiles, "qvt.files")        // settings files, the file manager, the record notation
QVT_LOG_AREA(lcMedia, "qvt.media")        // the media backend
QVT_LOG_AREA(lcRegistry, "qvt.registry")  // the registry and the file association
QVT_LOG_AREA(lcUi, "qvt.ui")              // windows and their lifetime

#undef QVT_LOG_AREA

// For tests and fuzz targets: the qvt.* areas are quiet unless the environment variable QVT_LOG
// is set. QVT_LOG holds logging rules ("qvt.files.debug=true"), or anything else for every line.
inline void QuietLoggingUnlessAsked() {
  const QByteArray asked = qgetenv("QVT_LOG");
  if (asked.isNull())
    QLoggingCategory::setFilterRules(QStringLiteral("qvt.*=false"));
  else if (asked.contains('='))
    QLoggingCategory::setFilterRules(
        QString::fromUtf8(asked).replace(QLatin1Char(';'), QLatin1Char('\n')));
  else
    QLoggingCategory::setFilterRules(QStringLiteral("qvt.*=true"));
}

}  // namespace qvt
