#pragma once
// The HTTP seam: the four operations the update client needs to fetch one address, in the
// order it calls them.
//
//   openSession(agent)      a session handle, or 0 when none can be had
//   openUrl(session, url)   sends a GET and answers once the answer has begun: a request
//                           handle with the HTTP status code, or the failure. An error status
//                           (404, 500) is an answer like any other, not a failure here.
//   readBlock(request, buf) the next block of the body: exactly kBlockSize bytes, except the
//                           last block, which may be shorter; 0 bytes at the end of the body;
//                           a failure on a transfer error (a broken or stalled transfer)
//   close(handle)           releases a request or a session handle (requests first)
//   cancel(session)         the user stops the session's transfers: its requests, open or
//                           opened later, fail at once ("Cancelled"), even while a call of
//                           openUrl or readBlock waits for the network
//
// Threads: a session and its requests are driven (the first four) by one thread at a time, the
// thread of the transfer, which is not the window thread; sessions may run on several threads
// side by side. cancel comes from another thread (the window thread, where the user cancels), at
// any time, also for a session that is being closed or is gone (then it does nothing).
//
// Production binds it to libcurl (platform/http/CurlHttp.h); tests use FakeHttp or the real
// binding against a server on 127.0.0.1.

#include <QString>
#include <QtGlobal>

#include "platform/base/Result.h"

namespace qvt {

using HttpHandle = quintptr;  // 0: no handle

// A request whose answer has begun.
struct HttpOpened {
  HttpHandle request = 0;
  long status = 0;  // the HTTP status code of the final answer
};

class IHttp {
 public:
  static constexpr qint64 kBlockSize = 4096;

  virtual ~IHttp() = default;
  virtual HttpHandle openSession(const QString& agent) = 0;
  virtual Result<HttpOpened> openUrl(HttpHandle session, const QString& url) = 0;
  // Fills buffer (kBlockSize bytes); the number of bytes filled, or the transfer error.
  virtual Result<qint64> readBlock(HttpHandle request, char* buffer) = 0;
  virtual void close(HttpHandle handle) = 0;
  virtual void cancel(HttpHandle session) = 0;
};

// A handed table's binding (platform/Platform.h). Aborts when the table has none.
struct Platform;
IHttp& http(const Platform& table);

}  // namespace qvt
