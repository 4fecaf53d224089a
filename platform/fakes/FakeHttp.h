#pragma once
// A scripted HTTP binding for tests. It installs itself for its lifetime and puts back the
// table as it was before.
//
//   qvt::FakeHttp net;
//   net.responses["http://u/list"] = {200, "\"Updater\",\"http://u/up\"\r\n"};
//   ... code under test ...
//   EXPECT_EQ(net.requested, QStringList({"http://u/list", "http://u/up"}));
//   EXPECT_EQ(net.openHandles(), 0);
//
// An address without a response cannot be reached (openUrl fails).
//
// Threads: as the real binding, a session is driven by one thread (the download's worker) while
// cancel may come from another; every call holds one lock, and onOpen runs on the driving
// thread. The scripted members are set before a download starts and read after it has returned.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <set>

#include "platform/Http.h"
#include "platform/fakes/ScopedPlatform.h"

namespace qvt {

class FakeHttp : public IHttp {
 public:
  struct Response {
    long status = 200;
    QByteArray body;
    // The transfer breaks once this many bytes of the body were delivered (-1: never).
    qint64 breakAfter = -1;
    // Once this many bytes were delivered the transfer waits, as for a slow network, until its
    // session is cancelled or resume() is called (-1: never).
    qint64 holdAfter = -1;
  };

  QMap<QString, Response> responses;
  bool sessionFails = false;
  QStringList agents;     // agents of the sessions opened
  QStringList requested;  // addresses opened, in order (reachable or not)
  // Called when an address is opened, before it is answered.
  std::function<void(const QString&)> onOpen;

  // Handles obtained and not yet closed.
  int openHandles() const;
  // Lets every held transfer go on, and those held later.
  void resume();

  HttpHandle openSession(const QString& agent) override;
  Result<HttpOpened> openUrl(HttpHandle session, const QString& url) override;
  Result<qint64> readBlock(HttpHandle request, char* buffer) override;
  void close(HttpHandle handle) override;
  void cancel(HttpHandle session) override;

 private:
  struct Transfer {
    Response response;
    qint64 position = 0;
    HttpHandle session = 0;
  };
  mutable std::mutex mutex_;  // guards everything, the scripted members included
  std::condition_variable changed_;
  bool resumed_ = false;
  std::set<HttpHandle> sessions_;
  std::set<HttpHandle> cancelled_;
  QMap<HttpHandle, Transfer> requests_;
  HttpHandle next_ = 1;
  ScopedPlatform scope_{&Platform::http, this};
};

}  // namespace qvt
