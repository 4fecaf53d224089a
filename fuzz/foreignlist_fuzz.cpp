// Arbitrary lists of other players. The first byte picks the format (.m3u, .m3u8, .pls, .xspf)
// and an entry to stop at; the rest is the list. Every entry read names an absolute, clean path
// and can be stored in a .qvl; a reading stopped at an entry keeps the entries up to it and is
// incomplete; an .m3u that is valid UTF-8 reads as the same .m3u8, and one that is not is read a
// character a byte.
#include <QDir>
#include <QStringDecoder>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "player/playlists/ForeignList.h"
#include "player/playlists/PortableLists.h"
#include "shared/RecordNotation.h"

namespace {

using qvt::fuzz::check;

const QString kLists[] = {QStringLiteral("/m/lists/list.m3u"), QStringLiteral("/m/lists/list.m3u8"),
                          QStringLiteral("/m/lists/list.pls"),
                          QStringLiteral("/m/lists/list.xspf")};

// Whether `a` holds the entries `b` begins with.
bool beginsWith(const std::vector<qvt::ListEntry>& b, const std::vector<qvt::ListEntry>& a) {
  return a.size() <= b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](const auto& x, const auto& y) {
           return x.sPath == y.sPath && x.sName == y.sName;
         });
}

bool same(const qvt::ForeignList& a, const qvt::ForeignList& b) {
  return a.entries.size() == b.entries.size() && beginsWith(a.entries, b.entries) &&
         a.dblSkipped == b.dblSkipped && a.bComplete == b.bComplete;
}

void checkEntry(const qvt::ListEntry& entry) {
  check(entry.sPath.startsWith(QLatin1Char('/')) && QDir::cleanPath(entry.sPath) == entry.sPath);
  check(!entry.sPath.contains(QChar(0)) && entry.sPath.toUtf8().size() <= 4096);
  check(qvt::RecordWriter::canStoreText(entry.sPath) &&
        qvt::RecordWriter::canStoreText(entry.sName));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0)
    return 0;
  const QString& path = kLists[data[0] % 4];
  const std::size_t stopAt = data[0] / 4 % 8;  // 0: never
  const QByteArray bytes = qvt::fuzz::bytesOf(data + 1, size - 1);

  const qvt::ForeignList list = qvt::ReadForeignList(path, bytes);
  for (const qvt::ListEntry& entry : list.entries)
    checkEntry(entry);
  if (stopAt > 0) {
    std::size_t seen = 0;
    const qvt::ForeignList stopped =
        qvt::ReadForeignList(path, bytes, [&](const qvt::ListEntry&) { return ++seen < stopAt; });
    if (list.entries.size() >= stopAt)
      check(!stopped.bComplete && stopped.entries.size() == stopAt);
    else
      check(same(stopped, list));
    check(beginsWith(list.entries, stopped.entries));
  }
  if (data[0] % 4 == 0) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);  // decoded here: the decoder learns of errors
    if (utf8.hasError())
      check(qvt::DecodeListText(bytes).size() == bytes.size());
    else
      check(same(qvt::ReadForeignList(kLists[1], bytes), list));
  }
  return 0;
}
