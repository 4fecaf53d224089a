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

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>
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
  };

  QMap<QString, Response> responses;
  bool sessionFails = false;
  QStringList agents;     // agents of the sessions opened
  QStringList requested;  // addresses opened, in order (reachable or not)
  // Called when an address is opened, before it is answered.
  std::function<void(const QString&)> onOpen;

  // Handles obtained and not yet closed.
  int openHandles() const { return static_cast<int>(sessions_.size() + requests_.size()); }

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
  std::set<HttpHandle> sessions_;
  std::set<HttpHandle> cancelled_;
  QMap<HttpHandle, Transfer> requests_;
  HttpHandle next_ = 1;
  ScopedPlatform scope_{&Platform::http, this};
};

}  // namespace qvt
