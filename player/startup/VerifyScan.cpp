#include "player/startup/VerifyScan.h"

#include <algorithm>
#include <utility>

#include "platform/FileSystem.h"

namespace qvt {

QString VerifyScan::TypeOf(const QString& path) {
  return path.mid(path.lastIndexOf(QLatin1Char('.')) + 1).toUpper();
}

bool VerifyScan::Accepts(const QString& type, const QString& types) {
  const auto isWordCharacter = [](QChar c) { return c.isLetterOrNumber(); };
  if (type.isEmpty() || !std::all_of(type.begin(), type.end(), isWordCharacter))
    return false;
  // An occurrence counts only where no letter or digit touches it: "MP3" is not "M", "P3" or
  // "MP" to "MP3 WAV", nor is "C" to "FLAC".
  for (qsizetype at = types.indexOf(type); at >= 0; at = types.indexOf(type, at + 1)) {
    const qsizetype end = at + type.size();
    if ((at == 0 || !isWordCharacter(types[at - 1])) &&
        (end == types.size() || !isWordCharacter(types[end])))
      return true;
  }
  return false;
}

void VerifyScan::Run(Input& in, QPromise<Found>& promise) {
  Found found;
  const std::size_t count = in.paths.size();
  promise.setProgressRange(0, static_cast<int>(count));
  for (std::size_t i = 0; i < count; ++i) {
    if (promise.isCanceled())
      return;
    const QString path = in.paths[i];
    if (!PlainFileExists(*in.fs, path)) {
      found.bad.push_back(i);
      ++found.missing;
    } else if (!in.types) {
      found.untyped.push_back(i);
    } else if (!Accepts(TypeOf(path), *in.types)) {
      found.bad.push_back(i);
    }
    promise.setProgressValue(static_cast<int>(i + 1));
  }
  found.paths = std::move(in.paths);
  promise.addResult(std::move(found));
}

}  // namespace qvt
