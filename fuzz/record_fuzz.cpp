// Fuzzes the record reader: the first byte picks the order of the typed reads, the rest is the
// file. Reading must end in a value or a RecordError, consume at least one character per field
// and never touch memory outside the data.
#include <cstdint>
#include <cstdlib>

#include "shared/RecordNotation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0)
    return 0;
  const unsigned seed = data[0];
  const QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
  qvt::RecordReader reader = qvt::RecordReader::fromBytes(bytes);
  for (unsigned i = 0; !reader.atEnd(); ++i) {
    if (i > static_cast<unsigned>(size))
      std::abort();  // a read that consumed nothing
    try {
      switch ((seed + i * 7) % 5) {
        case 0:
          reader.readText();
          break;
        case 1:
          reader.readInt16();
          break;
        case 2:
          reader.readInt32();
          break;
        case 3:
          reader.readDouble();
          break;
        default:
          reader.readBool();
          break;
      }
    } catch (const qvt::RecordError& error) {
      if (error.kind() == qvt::RecordError::PastEnd && !reader.atEnd())
        std::abort();
    }
  }
  return 0;
}
