#include "tests/support/AudioFixtures.h"

#include <QFile>
#include <QMap>
#include <QProcess>
#include <QtEndian>
#include <cmath>
#include <numbers>

namespace qvt::test {

namespace {

constexpr int kChannels = 2;
constexpr int kBytesPerSample = 2;

void AppendLe32(QByteArray& out, quint32 value) {
  char bytes[4];
  qToLittleEndian(value, bytes);
  out.append(bytes, 4);
}

void AppendLe16(QByteArray& out, quint16 value) {
  char bytes[2];
  qToLittleEndian(value, bytes);
  out.append(bytes, 2);
}

QByteArray WavHeader(quint32 dataBytes, int sampleRate) {
  QByteArray header;
  header.append("RIFF");
  AppendLe32(header, 36 + dataBytes);
  header.append("WAVEfmt ");
  AppendLe32(header, 16);  // size of the fmt chunk
  AppendLe16(header, 1);   // PCM
  AppendLe16(header, kChannels);
  AppendLe32(header, static_cast<quint32>(sampleRate));
  AppendLe32(header, static_cast<quint32>(sampleRate * kChannels * kBytesPerSample));
  AppendLe16(header, kChannels * kBytesPerSample);
  AppendLe16(header, 8 * kBytesPerSample);
  header.append("data");
  AppendLe32(header, dataBytes);
  return header;
}

// ffmpeg arguments that encode to each format (codec, and what the codec needs).
const QMap<QString, QStringList>& EncoderArguments() {
  static const QMap<QString, QStringList> arguments = {
      {"flac", {"-c:a", "flac"}},
      {"ogg", {"-c:a", "libvorbis"}},
      {"oga", {"-c:a", "libvorbis", "-f", "oga"}},
      {"opus", {"-c:a", "libopus", "-ar", "48000"}},
      {"mp3", {"-c:a", "libmp3lame"}},
      {"mp2", {"-c:a", "mp2"}},
      {"m4a", {"-c:a", "aac", "-f", "ipod"}},
      {"aac", {"-c:a", "aac", "-f", "adts"}},
      {"wma", {"-c:a", "wmav2", "-f", "asf"}},
      {"aiff", {"-c:a", "pcm_s16be", "-f", "aiff"}},
      {"wv", {"-c:a", "wavpack", "-f", "wv"}},
      {"mka", {"-c:a", "libvorbis", "-f", "matroska"}},
  };
  return arguments;
}

}  // namespace

qint16 ToneSample(qint64 frame, int sampleRate) {
  const double phase = 2.0 * std::numbers::pi * 440.0 * static_cast<double>(frame) / sampleRate;
  return static_cast<qint16>(std::lround(0.3 * 32767.0 * std::sin(phase)));
}

// From 200 Hz up by 200 Hz a second: no stretch of it repeats another.
qint16 SweepSample(qint64 frame, int sampleRate) {
  const double t = static_cast<double>(frame) / sampleRate;
  const double phase = 2.0 * std::numbers::pi * (200.0 * t + 100.0 * t * t);
  return static_cast<qint16>(std::lround(0.3 * 32767.0 * std::sin(phase)));
}

namespace {

QString WriteWav(const QString& dir, const QString& name, double seconds, int sampleRate,
                 qint64 firstFrame, qint16 (*sampleAt)(qint64, int)) {
  const auto frames = static_cast<quint32>(std::llround(seconds * sampleRate));
  QByteArray data;
  data.reserve(static_cast<qsizetype>(frames) * kChannels * kBytesPerSample);
  for (quint32 i = 0; i < frames; ++i) {
    const qint16 sample = sampleAt(firstFrame + i, sampleRate);
    for (int c = 0; c < kChannels; ++c)
      AppendLe16(data, static_cast<quint16>(sample));
  }
  const QString path = dir + QLatin1Char('/') + name;
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
    return QString();
  const QByteArray header = WavHeader(static_cast<quint32>(data.size()), sampleRate);
  if (file.write(header) != header.size() || file.write(data) != data.size())
    return QString();
  return path;
}

}  // namespace

QString MakeWav(const QString& dir, const QString& name, double seconds, int sampleRate) {
  return WriteWav(dir, name, seconds, sampleRate, 0, ToneSample);
}

QString MakeSweepWav(const QString& dir, const QString& name, double seconds, int sampleRate,
                     qint64 firstFrame) {
  return WriteWav(dir, name, seconds, sampleRate, firstFrame, SweepSample);
}

QString MakeEncoded(const QString& dir, const QString& name, double seconds,
                    const QString& format) {
  if (!EncoderArguments().contains(format))
    return QString();
  const QString source = MakeWav(dir, QStringLiteral(".source-") + name + ".wav", seconds);
  if (source.isEmpty())
    return QString();
  const QString target = dir + QLatin1Char('/') + name;
  QStringList arguments = {"-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-i", source};
  arguments << EncoderArguments().value(format) << target;
  QProcess ffmpeg;
  ffmpeg.start(QStringLiteral("ffmpeg"), arguments);
  const bool done = ffmpeg.waitForFinished(60000);
  QFile::remove(source);
  if (!done || ffmpeg.exitStatus() != QProcess::NormalExit || ffmpeg.exitCode() != 0) {
    return QString();
  }
  return target;
}

QStringList EncodedFormats() {
  return EncoderArguments().keys();
}

}  // namespace qvt::test
