#include "player/startup/CompactTexts.h"

#include <QHashFunctions>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <bit>
#include <cstring>

namespace qvt {

namespace {

// The arena is rewritten once its garbage outweighs its live part and is at least this large.
constexpr std::size_t kMinGarbage = 4096;

using Bytes = QVarLengthArray<char, 512>;

// The most bytes a record's header takes: two varints of up to 64 bits.
constexpr qsizetype kMaxHeader = 20;

// Writes value at `at` in 7-bit groups, low first; answers the end.
char* PutVarint(char* at, std::uint64_t value) {
  while (value >= 0x80) {
    *at++ = static_cast<char>((value & 0x7f) | 0x80);
    value >>= 7;
  }
  *at++ = static_cast<char>(value);
  return at;
}

void AppendRecord(QByteArray& arena, std::uint32_t folder, std::uint64_t sizeAndRaw,
                  QByteArrayView bytes) {
  char header[kMaxHeader];
  const char* end = PutVarint(PutVarint(header, folder), sizeAndRaw);
  arena.append(header, end - header);
  arena.append(bytes);
}

std::uint64_t ReadVarint(const char*& at) {
  std::uint64_t value = 0;
  for (int shift = 0;; shift += 7) {
    const auto byte = static_cast<unsigned char>(*at++);
    value |= static_cast<std::uint64_t>(byte & 0x7f) << shift;
    if (byte < 0x80)
      return value;
  }
}

// Narrows text into `out` (room for text.size() bytes) on the chance that it is ASCII, in one
// pass the compiler can vectorise; true when it was.
bool NarrowAscii(QStringView text, char* out) {
  const char16_t* units = text.utf16();
  char16_t bits = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    bits |= units[i];
    out[i] = static_cast<char>(units[i]);
  }
  return bits < 0x80;
}

void EncodeUtf8(QStringView text, Bytes& out) {
  QStringEncoder utf8(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
  out.resize(utf8.requiredSpace(text.size()));
  char* end = utf8.appendToBuffer(out.data(), text);
  out.resize(end - out.data());
}

// Decodes UTF-8 written by EncodeUtf8; a byte order mark at the start is text, as written.
QChar* DecodeUtf8(QByteArrayView bytes, QChar* out) {
  // Widened on the chance that it is ASCII, in one pass the compiler can vectorise; anything
  // else is decoded again over it.
  auto* units = reinterpret_cast<char16_t*>(out);
  unsigned char bits = 0;
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    bits |= byte;
    units[i] = byte;
  }
  if (bits < 0x80)
    return out + bytes.size();
  QStringDecoder utf8(QStringDecoder::Utf8,
                      QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  return utf8.appendToBuffer(out, bytes);
}

// Eight bytes at a time: the loop a byte at a time is not vectorised and showed in the time a
// long list takes to load.
bool IsAscii(QByteArrayView bytes) {
  constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
  const char* at = bytes.data();
  const char* end = at + bytes.size();
  std::uint64_t bits = 0;
  for (; end - at >= 8; at += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, at, sizeof word);
    bits |= word;
  }
  for (; at < end; ++at)
    bits |= static_cast<unsigned char>(*at);
  return (bits & kHighBits) == 0;
}

bool NeedsSweep(std::size_t garbage, qsizetype total) {
  return garbage >= kMinGarbage && garbage * 2 > static_cast<std::size_t>(total);
}

}  // namespace

// ---- reading ----

CompactTexts::Record CompactTexts::record(std::uint64_t offset) const {
  const char* start = arena_.constData() + offset;
  const char* at = start;
  Record r;
  r.folder = static_cast<std::uint32_t>(ReadVarint(at));
  const std::uint64_t sizeAndRaw = ReadVarint(at);
  r.raw = (sizeAndRaw & 1) != 0;
  r.length = static_cast<qsizetype>(sizeAndRaw >> 1);
  r.bytes = at;
  r.total = static_cast<std::size_t>(at - start) + static_cast<std::size_t>(r.length);
  return r;
}

std::optional<CompactTexts::Record> CompactTexts::fileNameRecord(std::size_t i) const {
  const CompactTexts* paths = link_.source;
  if (paths == nullptr || i >= paths->records_.size())
    return std::nullopt;
  const std::uint64_t offset = paths->records_[i];
  if (offset == kEmptyText || offset == kFileNameText)
    return std::nullopt;
  const Record r = paths->record(offset);
  if (r.raw || r.length == 0)
    return std::nullopt;
  return r;
}

template <class Buffer>
void CompactTexts::decodeInto(std::size_t i, Buffer& buffer) const {
  const std::uint64_t offset = records_[i];
  if (offset == kFileNameText) {
    const std::optional<Record> name = fileNameRecord(i);
    const qsizetype length = name ? name->length : 0;
    buffer.resize(length);
    auto* start = reinterpret_cast<QChar*>(buffer.data());
    if (name)
      buffer.resize(DecodeUtf8(QByteArrayView(name->bytes, length), start) - start);
    return;
  }
  if (offset == kEmptyText) {
    buffer.resize(0);
    return;
  }
  const Record r = record(offset);
  if (r.raw) {
    buffer.resize(r.length / 2);
    std::memcpy(buffer.data(), r.bytes, static_cast<std::size_t>(r.length));
    return;
  }
  const QByteArrayView folder = folderBytes(r.folder);
  // A UTF-8 sequence never gives more UTF-16 code units than it has bytes.
  buffer.resize(folder.size() + r.length);
  auto* start = reinterpret_cast<QChar*>(buffer.data());
  const QChar* end = DecodeUtf8(QByteArrayView(r.bytes, r.length), DecodeUtf8(folder, start));
  buffer.resize(end - start);
}

template void CompactTexts::decodeInto(std::size_t, QVarLengthArray<char16_t, 512>&) const;

QString CompactTexts::text(std::size_t i) const {
  QString text;
  decodeInto(i, text);
  return text;
}

// ---- writing ----

CompactTexts::FileNameLink& CompactTexts::FileNameLink::operator=(const FileNameLink& other) {
  if (this == &other)
    return *this;
  owned.reset();
  source = nullptr;
  if (other.source != nullptr) {
    owned = std::make_shared<const CompactTexts>(*other.source);
    source = owned.get();
  }
  return *this;
}

void CompactTexts::takeFileNamesFrom(const CompactTexts* paths) {
  link_.owned.reset();
  link_.source = paths;
}

void CompactTexts::storeOwnText(std::size_t i) {
  if (records_[i] != kFileNameText)
    return;
  const QString own = text(i);
  records_[i] = append(own);
}

std::uint64_t CompactTexts::store(std::size_t i, QStringView value) {
  // UTF-8 never has fewer bytes than the UTF-16 code units of the same text. A file name that
  // starts with a byte order mark is left to its own record: it decodes as text.
  const std::optional<Record> name = value.isEmpty() ? std::nullopt : fileNameRecord(i);
  if (name && name->length >= value.size() &&
      !QByteArrayView(name->bytes, name->length).startsWith("\xEF\xBB\xBF") &&
      QAnyStringView::equal(value, QUtf8StringView(name->bytes, name->length)))
    return kFileNameText;
  return append(value);
}

void CompactTexts::reserveMore(std::size_t count, std::size_t bytesEach) {
  records_.reserve(records_.size() + count);
  arena_.reserve(arena_.size() + static_cast<qsizetype>(count * bytesEach));
}

std::uint64_t CompactTexts::append(QStringView value) {
  if (value.isEmpty())
    return kEmptyText;
  const qsizetype at = arena_.size();
  // The text goes in as ASCII after room for the header; the file name then moves down to
  // meet the header once the folder is known.
  arena_.resize(at + kMaxHeader + value.size());
  char* text = arena_.data() + at + kMaxHeader;
  if (!NarrowAscii(value, text)) {
    arena_.resize(at);
    return appendOther(value);
  }
  return recordAsciiAt(at, value.size());
}

std::uint64_t CompactTexts::recordAsciiAt(qsizetype at, qsizetype size) {
  char* text = arena_.data() + at + kMaxHeader;
  const void* slash = memrchr(text, '/', static_cast<std::size_t>(size));
  const qsizetype split = slash == nullptr ? 0 : static_cast<const char*>(slash) - text + 1;
  const std::uint32_t folder = split > 0 ? folderOf(QByteArrayView(text, split)) : kNoFolder;
  const qsizetype length = size - split;
  char header[kMaxHeader];
  const char* headerEnd =
      PutVarint(PutVarint(header, folder), static_cast<std::uint64_t>(length) * 2);
  const qsizetype headerLength = headerEnd - header;
  char* record = arena_.data() + at;
  std::memmove(record + headerLength, text + split, static_cast<std::size_t>(length));
  std::memcpy(record, header, static_cast<std::size_t>(headerLength));
  arena_.resize(at + headerLength + length);
  return static_cast<std::uint64_t>(at);
}

// A text with characters beyond ASCII.
std::uint64_t CompactTexts::appendOther(QStringView value) {
  const auto offset = static_cast<std::uint64_t>(arena_.size());
  if (!value.isValidUtf16()) {
    const QByteArrayView units(reinterpret_cast<const char*>(value.utf16()), value.size() * 2);
    AppendRecord(arena_, kNoFolder, static_cast<std::uint64_t>(units.size()) * 2 + 1, units);
    return offset;
  }
  const qsizetype split = value.lastIndexOf(QLatin1Char('/')) + 1;
  Bytes bytes;
  std::uint32_t folder = kNoFolder;
  if (split > 0) {
    EncodeUtf8(value.first(split), bytes);
    folder = folderOf(QByteArrayView(bytes.data(), bytes.size()));
  }
  EncodeUtf8(value.sliced(split), bytes);
  AppendRecord(arena_, folder, static_cast<std::uint64_t>(bytes.size()) * 2,
               QByteArrayView(bytes.data(), bytes.size()));
  return offset;
}

std::uint32_t CompactTexts::folderOf(QByteArrayView bytes) {
  // Songs come mostly folder by folder: the folder of the text before is tried first.
  if (lastFolder_ != kNoFolder && folders_[lastFolder_ - 1].uses > 0 &&
      folderBytes(lastFolder_) == bytes) {
    ++folders_[lastFolder_ - 1].uses;
    return lastFolder_;
  }
  return acquireFolder(bytes);
}

void CompactTexts::release(std::uint64_t offset) {
  if (offset == kEmptyText || offset == kFileNameText)
    return;
  const Record r = record(offset);
  arenaGarbage_ += r.total;
  if (r.folder != kNoFolder)
    releaseFolder(r.folder);
}

void CompactTexts::compactArena() {
  if (!NeedsSweep(arenaGarbage_, arena_.size()))
    return;
  QByteArray live;
  live.reserve(arena_.size() - static_cast<qsizetype>(arenaGarbage_));
  for (std::uint64_t& offset : records_) {
    if (offset == kEmptyText || offset == kFileNameText)
      continue;
    const Record r = record(offset);
    const char* start = arena_.constData() + offset;
    offset = static_cast<std::uint64_t>(live.size());
    live.append(start, static_cast<qsizetype>(r.total));
  }
  arena_ = std::move(live);
  arenaGarbage_ = 0;
}

void CompactTexts::push_back(QStringView value) {
  records_.push_back(store(records_.size(), value));
}

bool CompactTexts::pushAscii(QByteArrayView ascii) {
  if (!IsAscii(ascii))
    return false;
  const std::size_t i = records_.size();
  if (ascii.isEmpty()) {
    records_.push_back(kEmptyText);
    return true;
  }
  const std::optional<Record> name = fileNameRecord(i);
  if (name && QByteArrayView(name->bytes, name->length) == ascii) {
    records_.push_back(kFileNameText);
    return true;
  }
  const qsizetype at = arena_.size();
  arena_.resize(at + kMaxHeader + ascii.size());
  std::memcpy(arena_.data() + at + kMaxHeader, ascii.data(),
              static_cast<std::size_t>(ascii.size()));
  records_.push_back(recordAsciiAt(at, ascii.size()));
  return true;
}

void CompactTexts::set(std::size_t i, QStringView value) {
  const std::uint64_t old = records_[i];
  records_[i] = store(i, value);
  release(old);
  compactArena();
}

void CompactTexts::resize(std::size_t count) {
  for (std::size_t i = count; i < records_.size(); ++i)
    release(records_[i]);
  records_.resize(count, kEmptyText);
  compactArena();
}

void CompactTexts::eraseAt(std::size_t i) {
  release(records_[i]);
  records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(i));
  compactArena();
}

void CompactTexts::eraseSorted(const std::vector<std::size_t>& ascending) {
  if (ascending.empty())
    return;
  std::size_t write = ascending.front();
  std::size_t next = 0;  // position in `ascending` of the next element to drop
  for (std::size_t read = ascending.front(); read < records_.size(); ++read) {
    if (next < ascending.size() && ascending[next] == read) {
      ++next;
      release(records_[read]);
      continue;
    }
    records_[write++] = records_[read];
  }
  records_.resize(write);
  compactArena();
}

// ---- the folder table ----

QByteArrayView CompactTexts::folderBytes(std::uint32_t folder) const {
  if (folder == kNoFolder)
    return {};
  const Folder& f = folders_[folder - 1];
  return {folderArena_.constData() + f.offset, f.length};
}

std::size_t CompactTexts::findSlot(QByteArrayView bytes, std::size_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t p = hash & mask;
  // The stored hash rules out most other folders without comparing their bytes.
  while (slots_[p] != 0 &&
         (folders_[slots_[p] - 1].hash != hash || folderBytes(slots_[p]) != bytes))
    p = (p + 1) & mask;
  return p;
}

std::uint32_t CompactTexts::acquireFolder(QByteArrayView bytes) {
  if (slots_.empty())
    growSlots();
  const std::size_t hash = qHashBits(bytes.data(), static_cast<std::size_t>(bytes.size()));
  const std::size_t slot = findSlot(bytes, hash);
  if (slots_[slot] != 0) {
    ++folders_[slots_[slot] - 1].uses;
    lastFolder_ = slots_[slot];
    return lastFolder_;
  }
  std::uint32_t number = 0;
  if (freeFolders_.empty()) {
    number = static_cast<std::uint32_t>(folders_.size());
    folders_.emplace_back();
  } else {
    number = freeFolders_.back();
    freeFolders_.pop_back();
  }
  folders_[number] = Folder{folderArena_.size(), bytes.size(), 1, hash};
  folderArena_.append(bytes);
  slots_[slot] = number + 1;
  if (++foldersInUse_ * 2 > slots_.size())
    growSlots();
  lastFolder_ = number + 1;
  return lastFolder_;
}

void CompactTexts::releaseFolder(std::uint32_t folder) {
  Folder& f = folders_[folder - 1];
  if (--f.uses > 0)
    return;
  std::size_t slot = f.hash & (slots_.size() - 1);
  while (slots_[slot] != folder)
    slot = (slot + 1) & (slots_.size() - 1);
  unlinkSlot(slot);
  --foldersInUse_;
  freeFolders_.push_back(folder - 1);
  folderGarbage_ += static_cast<std::size_t>(f.length);
  compactFolderBytes();
}

// Empties a slot and moves later entries of its probe run back, so that every entry stays
// reachable from its home slot without gaps (deletion without tombstones).
void CompactTexts::unlinkSlot(std::size_t hole) {
  const std::size_t mask = slots_.size() - 1;
  slots_[hole] = 0;
  for (std::size_t j = (hole + 1) & mask; slots_[j] != 0; j = (j + 1) & mask) {
    const std::size_t home = folders_[slots_[j] - 1].hash & mask;
    // The entry stays where it is when its home lies cyclically in (hole, j].
    const bool stays = hole < j ? (hole < home && home <= j) : (hole < home || home <= j);
    if (stays)
      continue;
    slots_[hole] = slots_[j];
    slots_[j] = 0;
    hole = j;
  }
}

void CompactTexts::growSlots() {
  slots_.assign(std::bit_ceil(std::max<std::size_t>(16, (foldersInUse_ + 1) * 4)), 0);
  for (std::size_t n = 0; n < folders_.size(); ++n) {
    if (folders_[n].uses == 0)
      continue;
    const auto folder = static_cast<std::uint32_t>(n + 1);
    const QByteArrayView bytes = folderBytes(folder);
    slots_[findSlot(bytes, folders_[n].hash)] = folder;
  }
}

void CompactTexts::compactFolderBytes() {
  if (!NeedsSweep(folderGarbage_, folderArena_.size()))
    return;
  QByteArray live;
  live.reserve(folderArena_.size() - static_cast<qsizetype>(folderGarbage_));
  for (Folder& f : folders_) {
    if (f.uses == 0)
      continue;
    const qsizetype offset = live.size();
    live.append(folderArena_.constData() + f.offset, f.length);
    f.offset = offset;
  }
  folderArena_ = std::move(live);
  folderGarbage_ = 0;
}

}  // namespace qvt
