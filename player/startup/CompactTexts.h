#pragma once
// The storage behind a play list array: a sequence of texts kept as UTF-8 rather than as one
// QString each, which for a list of a million songs is the difference between hundreds of
// megabytes and tens.
//
// A text that has a folder part (up to and including its last "/") keeps that part once in a
// table of folders, shared by every text in the same folder; the rest (the file name) is
// written into one byte arena. Each element is the arena offset of its record:
//
//   varint(folder + 1, 0 for none)  varint(bytes * 2 + raw)  bytes
//
// `raw` marks a text that UTF-8 cannot carry exactly (an unpaired surrogate): its UTF-16 code
// units are stored as they are, without a folder part. An empty text takes no record at all.
//
// The song names of a list are mostly the file names of its paths. Texts told to take their
// file names from another sequence (the paths) store an element equal to the file name of that
// sequence's element at the same index as a mark alone, no record. The owner keeps the two
// sequences in step: the same elements erased, and an element's own text stored (storeOwnText)
// before the other sequence's element at its index changes. A copy takes a copy of the other
// sequence with it, so that it stands alone (a snapshot for another thread).
// Replaced and removed records stay in the arena as garbage until it outweighs the live part;
// the arena is then rewritten, so every change costs amortised time in the size of its text.

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QVarLengthArray>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace qvt {

class CompactTexts {
 public:
  std::size_t size() const { return records_.size(); }
  // Element i (unchecked: i must be below size()).
  QString text(std::size_t i) const;
  // Calls f(QStringView) with element i, decoded into a buffer on the stack when it is short,
  // so that a scan over many elements allocates nothing.
  template <class F>
  decltype(auto) visit(std::size_t i, F&& f) const {
    QVarLengthArray<char16_t, 512> buffer;
    decodeInto(i, buffer);
    return f(QStringView(buffer.data(), buffer.size()));
  }

  void push_back(QStringView value);
  // Adds a text given as ASCII bytes without making a QString of it; false (nothing added) when
  // a byte is not ASCII.
  bool pushAscii(QByteArrayView ascii);
  void set(std::size_t i, QStringView value);
  // Grows with empty texts or shrinks from the end.
  void resize(std::size_t count);
  void eraseAt(std::size_t i);
  // Removes the elements at the given indexes (ascending, distinct, below size()).
  void eraseSorted(const std::vector<std::size_t>& ascending);
  void reserve(std::size_t count) { records_.reserve(count); }

  // Elements equal to the file name of `paths`' element at the same index are stored as a mark
  // from now on (nullptr: none are). The marks already stored then refer to `paths`.
  void takeFileNamesFrom(const CompactTexts* paths);
  // The sequence the file names come from, unless it is a copy this object owns.
  const CompactTexts* fileNameSource() const { return link_.owned ? nullptr : link_.source; }
  // Stores element i's text itself when it is a file name mark.
  void storeOwnText(std::size_t i);
  // Room for `count` more texts of about `bytesEach` stored bytes, so that adding them moves
  // nothing already stored.
  void reserveMore(std::size_t count, std::size_t bytesEach);

 private:
  static constexpr std::uint64_t kEmptyText = std::numeric_limits<std::uint64_t>::max();
  static constexpr std::uint64_t kFileNameText = kEmptyText - 1;
  static constexpr std::uint32_t kNoFolder = 0;

  // A record read back: its folder (kNoFolder or the folder's number + 1) and its bytes.
  struct Record {
    std::uint32_t folder = kNoFolder;
    bool raw = false;
    const char* bytes = nullptr;
    qsizetype length = 0;
    std::size_t total = 0;  // header and bytes, as the arena holds them
  };
  struct Folder {
    qsizetype offset = 0;
    qsizetype length = 0;
    std::size_t uses = 0;  // 0: a free number
    std::size_t hash = 0;  // of its bytes
  };

  // Element i into `buffer` (a QString or a QVarLengthArray of char16_t), resized to fit.
  template <class Buffer>
  void decodeInto(std::size_t i, Buffer& buffer) const;
  Record record(std::uint64_t offset) const;
  // The record of element i of the file name source when it can stand for a name: stored, not
  // raw, and the folder part left out.
  std::optional<Record> fileNameRecord(std::size_t i) const;
  // The value stored as element i: a file name mark, or a record appended.
  std::uint64_t store(std::size_t i, QStringView value);
  std::uint64_t append(QStringView value);
  // Makes a record of the ASCII text of `length` bytes written at arena_[at + kMaxHeader].
  std::uint64_t recordAsciiAt(qsizetype at, qsizetype length);
  void release(std::uint64_t offset);
  void compactArena();

  // The folder table: numbers are given out again once no text uses them.
  std::uint64_t appendOther(QStringView value);
  // The folder's number, added or its uses counted.
  std::uint32_t folderOf(QByteArrayView bytes);
  std::uint32_t acquireFolder(QByteArrayView bytes);
  void releaseFolder(std::uint32_t folder);
  QByteArrayView folderBytes(std::uint32_t folder) const;
  std::size_t findSlot(QByteArrayView bytes, std::size_t hash) const;
  void growSlots();
  void unlinkSlot(std::size_t slot);
  void compactFolderBytes();

  std::vector<std::uint64_t> records_;
  QByteArray arena_;
  std::size_t arenaGarbage_ = 0;

  std::vector<Folder> folders_;
  std::vector<std::uint32_t> freeFolders_;
  QByteArray folderArena_;
  std::size_t folderGarbage_ = 0;
  // Open addressing with linear probing over folders_: a slot holds a folder's number + 1, or
  // 0 when free. Its size is a power of two, at least twice the folders in use.
  std::vector<std::uint32_t> slots_;
  std::size_t foldersInUse_ = 0;
  std::uint32_t lastFolder_ = kNoFolder;  // the folder found or added last

  // Where file name marks are read: the owner's paths, or a copy of them this object owns.
  struct FileNameLink {
    const CompactTexts* source = nullptr;
    std::shared_ptr<const CompactTexts> owned;
    FileNameLink() = default;
    FileNameLink(const FileNameLink& other) { *this = other; }
    FileNameLink& operator=(const FileNameLink& other);
    FileNameLink(FileNameLink&&) noexcept = default;
    FileNameLink& operator=(FileNameLink&&) noexcept = default;
    ~FileNameLink() = default;
  };
  FileNameLink link_;
};

}  // namespace qvt
