#pragma once
// The HTTP seam over libcurl's multi interface. A session is one multi handle, so requests of
// a session reuse its connections; a request is one easy handle whose body is gathered from
// curl's write callback and handed out in blocks of exactly IHttp::kBlockSize bytes.
//
// Only http and https addresses are fetched (redirections included; an https address is never
// redirected to http). The proxy settings of the environment apply. A transfer that receives
// nothing for the stall time (60 s unless set), from the request on, is a transfer error; so is
// an address that gives no answer in that time, and a transfer whose rate stays below
// kLowSpeedFloor bytes a second for the stall time (a server that trickles). While it waits for the
// network, from the connection on, the window events run every few milliseconds (when an event loop
// is installed).

#include <QByteArray>
#include <memory>
#include <unordered_map>

#include "platform/Http.h"

namespace qvt {

class CurlHttp : public IHttp {
 public:
  static constexpr int kDefaultStallSeconds = 60;
  static constexpr long kLowSpeedFloor = 1024;

  CurlHttp();
  ~CurlHttp() override;
  CurlHttp(const CurlHttp&) = delete;
  CurlHttp& operator=(const CurlHttp&) = delete;

  // Applies to requests opened afterwards.
  void setStallSeconds(int seconds) { stallSeconds_ = seconds; }
  // Trusts the certificates in this file instead of the system's (tests with their own https
  // server). Applies to requests opened afterwards.
  void setCertificateFile(const QString& path) { certificateFile_ = path.toLocal8Bit(); }
  // Session and request handles not yet closed.
  int openHandles() const { return static_cast<int>(sessions_.size() + requests_.size()); }

  HttpHandle openSession(const QString& agent) override;
  Result<HttpOpened> openUrl(HttpHandle session, const QString& url) override;
  Result<qint64> readBlock(HttpHandle request, char* buffer) override;
  void close(HttpHandle handle) override;
  void cancel(HttpHandle session) override;

  struct Session;
  struct Request;

 private:
  void closeRequest(HttpHandle handle);

  std::unordered_map<HttpHandle, std::unique_ptr<Session>> sessions_;
  std::unordered_map<HttpHandle, std::unique_ptr<Request>> requests_;
  HttpHandle next_ = 1;
  int stallSeconds_ = kDefaultStallSeconds;
  QByteArray certificateFile_;
};

}  // namespace qvt
