#include "shared/FileManager.h"

#include <exception>
#include <string>

#include "platform/base/Check.h"
#include "shared/RecordNotation.h"
#include "shared/Services.h"

namespace qvt {

namespace {

const QString kFileErrorTitle = QStringLiteral("File Error");
const QString kCrLf = QStringLiteral("\r\n");

QString describe(const std::exception& failure) {
  return QString::fromUtf8(failure.what());
}

// ---- INI files -------------------------------------------------------------------------------

// Leading and trailing spaces removed (spaces only, as INI keys are compared).
QString trimSpaces(QStringView text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && text[begin] == QLatin1Char(' '))
    ++begin;
  while (end > begin && text[end - 1] == QLatin1Char(' '))
    --end;
  return text.mid(begin, end - begin).toString();
}

// The key of an entry line: the text before its first "=" (the whole line without one), trimmed.
QString iniKey(const QString& line) {
  const qsizetype equals = line.indexOf(QLatin1Char('='));
  return trimSpaces(equals < 0 ? QStringView(line) : QStringView(line).left(equals));
}

struct IniScan {
  qint64 headerLines = 0;  // lines read looking for the header, the header included
  qint64 keyLines = 0;     // lines read after it looking for the key, the match included
  bool matched = false;
  QString lastKey;
  QString matchedLine;
};

// Looks for the header line, then for the first later line with the key, in a file open for
// reading. The key search runs on past the next section header; an empty key never matches.
IniScan scanIni(detail::LineFile& file, const QString& header, const QString& key) {
  IniScan scan;
  const QString wantedHeader = trimSpaces(header);
  while (const std::optional<QByteArray> raw = file.readLine()) {
    ++scan.headerLines;
    if (trimSpaces(QString::fromUtf8(*raw)) == wantedHeader)
      break;
  }
  const QString wantedKey = trimSpaces(key);
  while (const std::optional<QByteArray> raw = file.readLine()) {
    ++scan.keyLines;
    const QString line = QString::fromUtf8(*raw);
    scan.lastKey = iniKey(line);
    if (!scan.lastKey.isEmpty() && scan.lastKey == wantedKey) {
      scan.matched = true;
      scan.matchedLine = line;
      break;
    }
  }
  (void)file.close();  // read only: there is nothing to write that could fail
  return scan;
}

IniScan scanIni(FileNumbers& numbers, const QString& path, const QString& header,
                const QString& key) {
  detail::LineFile file(numbers);
  file.openForRead(path, true);
  return scanIni(file, header, key);
}

// The value of the line the scan matched: the text between its first "=" and the next, trimmed.
QString iniValue(const IniScan& scan) {
  if (!scan.matched)
    return QString();
  const qsizetype first = scan.matchedLine.indexOf(QLatin1Char('='));
  if (first < 0)
    return QString();
  const qsizetype second = scan.matchedLine.indexOf(QLatin1Char('='), first + 1);
  const qsizetype length = second < 0 ? -1 : second - first - 1;
  return trimSpaces(QStringView(scan.matchedLine).mid(first + 1, length));
}

QString iniHeader(const QString& section) {
  return QLatin1Char('[') + section + QLatin1Char(']');
}

// Copies `from` into a re-created `to` line by line; line `target` is replaced by its key text
// + "=" + value when `replace`, else followed by the new entry line. Lines other than the one
// replaced are copied byte for byte.
void rewriteIni(FileNumbers& numbers, const QString& from, const QString& to, qint64 target,
                bool replace, const QByteArray& newEntry, const QByteArray& value) {
  detail::LineFile source(numbers);
  detail::LineFile out(numbers);
  source.openForRead(from, false);
  out.openForWrite(to, false);
  qint64 number = 0;
  while (const std::optional<QByteArray> raw = source.readLine()) {
    ++number;
    if (number == target && replace) {
      const qsizetype equals = raw->indexOf('=');
      out.write((equals < 0 ? *raw : raw->left(equals)) + '=' + value + "\r\n");
      continue;
    }
    out.write(*raw + "\r\n");
    if (number == target)
      out.write(newEntry + "\r\n");
  }
  (void)source.close();  // read only: there is nothing to write that could fail
  if (const Result<void> closed = out.close(); !closed)
    throw FileManagerError(closed.error().toStdString());
}

}  // namespace

clsFileManager::clsFileManager(const Services& services)
    : services_(&services),
      numbers_(FileNumbersOf(services)),
      file_(std::make_unique<detail::LineFile>(numbers_)) {}

clsFileManager::~clsFileManager() = default;

void clsFileManager::ReportError(const QString& message, bool bVerbose) {
  if (bVerbose)
    return;
  MsgBox(*services_, message, MsgButtons::OkOnly, MsgIcon::None, kFileErrorTitle);
}

// ---- reading ---------------------------------------------------------------------------------

QString clsFileManager::ReadLine(bool bVerbose) {
  if (!IsOpenForRead()) {
    ReportError(QStringLiteral("File not opened in read mode"), bVerbose);
    return QStringLiteral("False");
  }
  try {
    const std::optional<QByteArray> line = file_->readLine();
    if (!line)
      throw FileManagerError("Input past end of file");
    return QString::fromUtf8(*line);
  } catch (const std::exception& failure) {
    ReportError(describe(failure), bVerbose);
    return QStringLiteral("False");
  }
}

Variant clsFileManager::GetVarFromFile(int16_t iVarIndex_Base0, bool bVerbose) {
  if (!IsOpenForRead()) {
    ReportError(QStringLiteral("File not opened in read mode"), bVerbose);
    return {};
  }
  if (!IsFirstLineRead()) {
    ReportError(QStringLiteral("The first line has not been read"), bVerbose);
    return {};
  }
  try {
    return currentLine_.item(iVarIndex_Base0);
  } catch (const std::exception& failure) {
    ReportError(describe(failure), bVerbose);
    return {};
  }
}

bool clsFileManager::ReadNextLine() {
  if (!IsOpenForRead() || isEOF())
    return false;
  const std::optional<QByteArray> line = file_->readLine();
  if (!line)
    return false;
  dLineNumber_ += 1;
  currentLine_ = ValueLine(QString::fromUtf8(*line));
  return true;
}

bool clsFileManager::isEOF() {
  return file_->atEnd();
}

// ---- questions about files -------------------------------------------------------------------

bool clsFileManager::FileExists(const QString& sFilePath) {
  try {
    return PlainFileExists(files(*services_), sFilePath);
  } catch (...) {
    LogDropped(lcFiles());
    return false;
  }
}

QString clsFileManager::GetFileExt(const QString& sFilePath, bool bUCASE) {
  if (!FileExists(sFilePath))
    return QString();
  const QString ext = sFilePath.mid(sFilePath.lastIndexOf(QLatin1Char('.')) + 1);
  return bUCASE ? ext.toUpper() : ext;
}

int32_t clsFileManager::GetAttributes(const QString& sFilePath) {
  if (!FileExists(sFilePath))
    return 0;
  return files(*services_).attributes(sFilePath).value_or(0);
}

// ---- writing ---------------------------------------------------------------------------------

void clsFileManager::resetPending() {
  vPendingValues_.assign(1, Variant());
  bPendingEmpty_ = true;
}

void clsFileManager::writeRawLine(const QString& text) {
  file_->write((text + kCrLf).toUtf8());
}

bool clsFileManager::WriteLineToFile(bool bVerbose) {
  if (!IsOpenForWrite()) {
    ReportError(QStringLiteral("File not opened in write mode"), bVerbose);
    return false;
  }
  QByteArray line;
  QStringEncoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
  for (size_t i = 0; i < vPendingValues_.size(); ++i) {
    if (i > 0)
      line += ',';
    AppendRecordValue(line, vPendingValues_[i], utf8);
  }
  file_->write(line + "\r\n");
  resetPending();
  return true;
}

template <typename Step>
bool clsFileManager::writeStep(bool bVerbose, Step step) {
  if (!IsOpenForWrite()) {
    ReportError(QStringLiteral("File not opened in write mode"), bVerbose);
    return false;
  }
  try {
    step();
    return true;
  } catch (const std::exception& failure) {
    ReportError(describe(failure), bVerbose);
    return false;
  }
}

bool clsFileManager::SaveVariable(const Variant& vVariable, bool bVerbose) {
  return writeStep(bVerbose, [&] {
    if (bPendingEmpty_ && !vPendingValues_.empty()) {
      vPendingValues_.front() = vVariable;
      bPendingEmpty_ = false;
    } else {
      vPendingValues_.push_back(vVariable);
    }
  });
}

bool clsFileManager::PrintToFile(const Variant& vVariable, bool bVerbose) {
  return writeStep(bVerbose, [&] { writeRawLine(vVariable.plainText()); });
}

// ---- opening and closing ---------------------------------------------------------------------

Result<void> clsFileManager::closeHandle() {
  Result<void> closed = file_->close();
  iFileNumber_ = -1;
  bFileOpen_ = false;
  iOpenMode_ = 0;
  return closed;
}

bool clsFileManager::CloseFile(bool bVerbose) {
  if (!bFileOpen_) {
    ReportError(QStringLiteral("File cannot be closed because the file has not been opened"),
                bVerbose);
    return false;
  }
  const Result<void> closed = closeHandle();
  if (closed)
    return true;
  // The file is closed all the same; what could not be written is reported.
  ReportError(closed.error(), bVerbose);
  return false;
}

int16_t clsFileManager::OpenFile(const QString& sFilePath, int16_t i1Input_2Output_3Append,
                                 bool bVerbose) {
  iFileNumber_ = -1;
  dLineNumber_ = -1;
  int16_t result = 0;
  if (bFileOpen_) {
    ReportError(
        QStringLiteral("The file") + kCrLf + sFilePath + kCrLf + QStringLiteral("Is already open"),
        bVerbose);
    result = 3;
    // The earlier file would otherwise stay open with no way to reach it.
    if (const Result<void> closed = closeHandle(); !closed)
      ReportError(closed.error(), bVerbose);
  }
  try {
    return openSteps(sFilePath, i1Input_2Output_3Append, bVerbose, result);
  } catch (const std::exception& failure) {
    ReportError(describe(failure), bVerbose);
    return 99;
  }
}

int16_t clsFileManager::OpenData(const QByteArray& data, qsizetype blockBytes) {
  if (bFileOpen_) {
    const Result<void> closed = closeHandle();
    QVT_CHECK(lcFiles(), closed, closed.error());
  }
  iFileNumber_ = -1;
  dLineNumber_ = -1;
  try {
    file_->openForRead(data, true, blockBytes);
  } catch (const std::exception&) {
    LogDropped(lcFiles());
    return 99;
  }
  return opened(1, 0);
}

int16_t clsFileManager::opened(int16_t mode, int16_t result) {
  if (file_->isOpen()) {
    iFileNumber_ = file_->number();
    bFileOpen_ = true;
  }
  iOpenMode_ = mode;
  dLineNumber_ = 0;
  return result;
}

int16_t clsFileManager::openSteps(const QString& sFilePath, int16_t mode, bool bVerbose,
                                  int16_t result) {
  numbers_.GetFree();  // no number left is a failure of every open
  if (mode == 1) {
    if (!FileExists(sFilePath)) {
      ReportError(
          QStringLiteral("File does not exist at ") + kCrLf + sFilePath + kCrLf +
              QStringLiteral("Please verify that the path is correct and that the file exists"),
          bVerbose);
      return 1;
    }
    file_->openForRead(sFilePath, true);
    result = 0;
  } else if (mode == 2 || mode == 3) {
    if (GetAttributes(sFilePath) == kAttrReadOnly) {
      ReportError(QStringLiteral("File is Read Only"), bVerbose);
      return 2;
    }
    file_->openForWrite(sFilePath, mode == 3);
    resetPending();
    result = 0;
  }
  return opened(mode, result);
}

// ---- system questions ------------------------------------------------------------------------

int32_t clsFileManager::WinVer() {
  return osInfo(*services_).majorVersion();
}

QString clsFileManager::GetWinDir() {
  return osInfo(*services_).environment(QStringLiteral("windir"));
}

QString clsFileManager::GetSystemDir() {
  if (!services_->hasComponentFiles)
    return QString();  // Linux has no system folder of component files
  const QString folder = WinVer() > 4 ? QStringLiteral("/system32") : QStringLiteral("/system");
  return GetWinDir() + folder.toUpper();
}

bool clsFileManager::MakeDIR(const QString& sPath) {
  try {
    return !sPath.isEmpty() && files(*services_).makeDirectory(sPath);
  } catch (...) {
    LogDropped(lcFiles());
    return false;
  }
}

// ---- INI files -------------------------------------------------------------------------------

Variant clsFileManager::ReadINI(const QString& sPath, const QString& sSection,
                                const QString& SValue) {
  const QString header = iniHeader(sSection);
  if (!FileExists(sPath))
    return {};
  return iniValue(scanIni(numbers_, sPath, header, SValue));
}

QString clsFileManager::ReadINIData(const QByteArray& data, const QString& sSection,
                                    const QString& SValue, qsizetype blockBytes) {
  detail::LineFile file(numbers_);
  file.openForRead(data, true, blockBytes);
  return iniValue(scanIni(file, iniHeader(sSection), SValue));
}

void clsFileManager::WriteINI(const QString& sPath, const QString& sSection, const QString& SParm,
                              const Variant& vValue) {
  const QString header = iniHeader(sSection);
  if (!FileExists(sPath))
    return;
  const IniScan scan = scanIni(numbers_, sPath, header, SParm);
  if (scan.keyLines == 0 || scan.lastKey.isEmpty())
    return;
  const QString copy = sPath + QStringLiteral(".tmp");
  if (const Result<void> copied = files(*services_).copyFile(sPath, copy); !copied)
    throw FileManagerError(copied.error().toStdString());
  const QByteArray value = vValue.plainText().toUtf8();
  try {
    rewriteIni(numbers_, copy, sPath, scan.headerLines + scan.keyLines, scan.matched,
               (SParm + QLatin1Char('=')).toUtf8() + value, value);
  } catch (...) {
    // The copy holds the file as it was: put it back rather than leave a half-written file.
    const Result<void> restored = files(*services_).renameFile(copy, sPath);
    QVT_CHECK(lcFiles(), restored,
              restored.error());  // the failure thrown on is what the caller hears
    throw;
  }
  if (const Result<void> removed = files(*services_).removeFile(copy); !removed)
    throw FileManagerError(removed.error().toStdString());
}

}  // namespace qvt
