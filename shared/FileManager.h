#pragma once
// clsFileManager: the one class through which both programs read and write their small text
// files. An instance holds at most one open file, read or written line by line.
//
// Value lines: values gathered with SaveVariable are written together by WriteLineToFile as one
// line in record notation (RecordNotation.h), ended by CR LF. ReadNextLine reads a line (ended by
// CR, CR LF or LF) and GetVarFromFile picks an item of it by 0-based position, by the rules of
// ValueLine.
//
// Failures are reported through results and, when bVerbose is false, a box titled "File Error";
// the operations that let a failure reach the caller throw FileManagerError. Text is UTF-8.

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/base/Result.h"
#include "shared/FileNumbers.h"
#include "shared/RecordNotation.h"
#include "shared/Variant.h"

namespace qvt {

struct Services;

namespace detail {
class LineFile;
}

class clsFileManager {
 public:
  // Over the table its owner hands it.
  explicit clsFileManager(const Services& services);
  // Closes a file left open, without a message. (Not copyable: it owns its open file.)
  ~clsFileManager();

  // The next raw line of a file open for reading (not counted; the current line is kept).
  // "False" when the file is not open for reading or the read fails.
  QString ReadLine(bool bVerbose = false);
  // Item iVarIndex_Base0 of the current line, converted; Empty on any failure.
  Variant GetVarFromFile(int16_t iVarIndex_Base0, bool bVerbose = false);
  // Reads the next line into the current line; false at the end or when not open for reading.
  bool ReadNextLine();
  // True for an existing ordinary file (read-only included); folders, hidden and system
  // entries do not count. Never fails.
  bool FileExists(const QString& sFilePath);
  // The text after the last "." of an existing file's path (the whole path when it has none);
  // empty for a missing file.
  QString GetFileExt(const QString& sFilePath, bool bUCASE = false);
  // End of the open file. Throws FileManagerError when no file is open.
  bool isEOF();
  // Attribute bits of an existing file, else 0.
  int32_t GetAttributes(const QString& sFilePath);
  // Writes the pending values as one value line. Write failures throw FileManagerError.
  bool WriteLineToFile(bool bVerbose = false);
  // Adds a value to the pending value line.
  bool SaveVariable(const Variant& vVariable, bool bVerbose);
  // Writes the value's plain text as a line of its own.
  bool PrintToFile(const Variant& vVariable, bool bVerbose);
  bool CloseFile(bool bVerbose);
  // 0 opened; 1 file to read missing; 2 file to write read-only; 3 a file was already open
  // (it is closed first; the code stays only for modes other than 1, 2, 3); 99 other failure.
  int16_t OpenFile(const QString& sFilePath, int16_t i1Input_2Output_3Append, bool bVerbose);
  // Opens data already in memory for reading, as OpenFile opens a file in mode 1 (a file left
  // open is closed first, without a message; a failure to write it out is logged), taking it in
  // blocks of `blockBytes` as a file is taken. 0 opened; 99 no file number free.
  int16_t OpenData(const QByteArray& data, qsizetype blockBytes = detail::LineFile::kBlockBytes);
  int32_t WinVer();
  QString GetWinDir();
  // Windows only: the system folder the component checks copy their files into,
  // "$windir/SYSTEM32" ("/SYSTEM" before version 5). Empty without component files (Linux).
  QString GetSystemDir();
  // Creates one folder whose parent exists; false on any failure.
  bool MakeDIR(const QString& sPath);
  // The value of key SValue after the header "[sSection]"; Empty when the file is missing,
  // the empty String when no key matches.
  Variant ReadINI(const QString& sPath, const QString& sSection, const QString& SValue);
  // Replaces the line of key SParm after the section header, or adds "SParm=value" after the
  // last line searched.
  void WriteINI(const QString& sPath, const QString& sSection, const QString& SParm,
                const Variant& vValue);
  // ReadINI's reading of an existing file, over its contents already in memory (taken in blocks
  // of `blockBytes`): the value, or the empty String when no key matches.
  QString ReadINIData(const QByteArray& data, const QString& sSection, const QString& SValue,
                      qsizetype blockBytes = detail::LineFile::kBlockBytes);

  // Read-only views of the state, for tests.
  bool bFileOpen() const { return bFileOpen_; }
  int16_t iOpenMode() const { return iOpenMode_; }
  int16_t iFileNumber() const { return iFileNumber_; }
  double dLineNumber() const { return dLineNumber_; }
  const QString& currentLine() const { return currentLine_.text(); }

 private:
  bool IsOpenForWrite() const { return iOpenMode_ == 2 || iOpenMode_ == 3; }
  bool IsOpenForRead() const { return iOpenMode_ == 1; }
  bool IsFirstLineRead() const { return dLineNumber_ != 0 && dLineNumber_ != -1; }
  void ReportError(const QString& message, bool bVerbose);

  int16_t openSteps(const QString& sFilePath, int16_t mode, bool bVerbose, int16_t result);
  // The state of a file just opened in `mode`; answers `result`.
  int16_t opened(int16_t mode, int16_t result);
  // Closes the file and resets the open state; fails when buffered data could not be written.
  Result<void> closeHandle();
  void resetPending();
  void writeRawLine(const QString& text);
  // The write-mode check and failure report shared by the operations that add to the file.
  template <typename Step>
  bool writeStep(bool bVerbose, Step step);

  const Services* services_;
  FileNumbers& numbers_;
  std::unique_ptr<detail::LineFile> file_;
  bool bFileOpen_ = false;
  int16_t iFileNumber_ = -1;
  int16_t iOpenMode_ = 0;
  double dLineNumber_ = 0;
  ValueLine currentLine_;
  std::vector<Variant> vPendingValues_;
  bool bPendingEmpty_ = false;
};

}  // namespace qvt
