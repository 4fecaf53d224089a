#pragma once
// Test audio files: a sine tone written as a WAV, optionally converted with the ffmpeg command
// line (Debian package ffmpeg) to another format.
//
//   const QString wav = qvt::test::MakeWav(dir.path(), "tone.wav", 1.0);
//   const QString flac = qvt::test::MakeEncoded(dir.path(), "tone.flac", 1.0, "flac");
//
// Each answers the path of the file written, or an empty string when it could not be made.

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace qvt::test {

// A 16-bit stereo PCM WAV of a 440 Hz sine, `seconds` long at `sampleRate`, as dir/name.
QString MakeWav(const QString& dir, const QString& name, double seconds, int sampleRate = 44100);

// The same of a rising sweep (no stretch of it repeats another), from its frame `firstFrame`
// on: files that start where the one before ended are the pieces of one continuous sweep.
QString MakeSweepWav(const QString& dir, const QString& name, double seconds, int sampleRate,
                     qint64 firstFrame);

// The sample (each channel) of the sine and of the sweep at a frame.
qint16 ToneSample(qint64 frame, int sampleRate);
qint16 SweepSample(qint64 frame, int sampleRate);

// The same tone encoded as `format`, written as dir/name (name carries its own extension).
// Formats: see EncodedFormats().
QString MakeEncoded(const QString& dir, const QString& name, double seconds, const QString& format);

// The formats MakeEncoded knows: flac ogg oga opus mp3 mp2 m4a aac wma aiff wv mka.
QStringList EncodedFormats();

}  // namespace qvt::test
