#pragma once
// The HTTP seam over libcurl's multi interface. A session is one multi handle, so requests of
// a session reuse its connections; a request is one easy handle whose body is gathered from
// curl's write callback and handed out in blocks of exactly IHttp::kBlockSize bytes.
//
// Only http and https addresses are fetched (redirections included; an https address is never
// redirected to http). The proxy settings of the environment apply. A transfer that receives
// nothing for the stall time (60 s unless set), from the request on, is a transfer error; so is
// an address that gives no answer in that time, and a transfer whose rate stays below
// kLowSpeedFloor bytes a second for the stall time (a server that trickles).
//
// Threads: a session and its requests are driven (openSession, openUrl, readBlock, close) by one
// thread at a time, the thread of its transfer; sessions on different threads run side by side.
// cancel may come from any thread at any time, also for a session being closed or gone, and
// wakes a transfer that waits for the network. The tables of handles are shared under one lock,
// held only to look a handle up, add or remove one, never while a transfer waits; the settings
// and openHandles may be called from any thread.

#include <QByteArray>
#include <memory>
#include <mutex>
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
  void setStallSeconds(int seconds);
  // Trusts the certificates in this file instead of the system's (tests with their own https
  // server). Applies to requests opened afterwards.
  void setCertificateFile(const QString& path);
  // Session and request handles not yet closed.
  int openHandles() const;

  HttpHandle openSession(const QString& agent) override;
  Result<HttpOpened> openUrl(HttpHandle session, const QString& url) override;
  Result<qint64> readBlock(HttpHandle request, char* buffer) override;
  void close(HttpHandle handle) override;
  void cancel(HttpHandle session) override;

  struct Session;
  struct Request;

 private:
  Session* findSession(HttpHandle handle);
  Request* findRequest(HttpHandle handle);
  HttpHandle add(std::unique_ptr<Request> request);

  mutable std::mutex mutex_;  // guards the members below
  std::unordered_map<HttpHandle, std::unique_ptr<Session>> sessions_;
  std::unordered_map<HttpHandle, std::unique_ptr<Request>> requests_;
  HttpHandle next_ = 1;
  int stallSeconds_ = kDefaultStallSeconds;
  QByteArray certificateFile_;
};

}  // namespace qvt
