#include "platform/fakes/FakeHttp.h"

#include <algorithm>
#include <cstring>

namespace qvt {

HttpHandle FakeHttp::openSession(const QString& agent) {
  agents << agent;
  if (sessionFails)
    return 0;
  const HttpHandle handle = next_++;
  sessions_.insert(handle);
  return handle;
}

Result<HttpOpened> FakeHttp::openUrl(HttpHandle session, const QString& url) {
  requested << url;
  if (onOpen)
    onOpen(url);
  if (sessions_.count(session) == 0)
    return Unexpected{QStringLiteral("No internet session")};
  if (cancelled_.count(session) != 0)
    return Unexpected{QStringLiteral("Cancelled")};
  if (!responses.contains(url))
    return Unexpected{QStringLiteral("Could not connect to server")};
  const HttpHandle handle = next_++;
  requests_.insert(handle, Transfer{responses.value(url), 0, session});
  return HttpOpened{handle, responses.value(url).status};
}

Result<qint64> FakeHttp::readBlock(HttpHandle request, char* buffer) {
  if (!requests_.contains(request))
    return Unexpected{QStringLiteral("No request")};
  Transfer& transfer = requests_[request];
  if (cancelled_.count(transfer.session) != 0)
    return Unexpected{QStringLiteral("Cancelled")};
  const QByteArray& body = transfer.response.body;
  qint64 end = body.size();
  if (transfer.response.breakAfter >= 0)
    end = std::min<qint64>(end, transfer.response.breakAfter);
  const qint64 n = std::min<qint64>(kBlockSize, end - transfer.position);
  if (n <= 0 && end < body.size())
    return Unexpected{QStringLiteral("Connection reset")};
  if (n <= 0)
    return qint64{0};
  std::memcpy(buffer, body.constData() + transfer.position, static_cast<size_t>(n));
  transfer.position += n;
  return n;
}

void FakeHttp::close(HttpHandle handle) {
  requests_.remove(handle);
  sessions_.erase(handle);
  cancelled_.erase(handle);
}

void FakeHttp::cancel(HttpHandle session) {
  if (sessions_.count(session) != 0)
    cancelled_.insert(session);
}

}  // namespace qvt
