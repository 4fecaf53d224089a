#include "platform/fakes/FakeHttp.h"

#include <algorithm>
#include <cstring>

namespace qvt {

int FakeHttp::openHandles() const {
  const std::lock_guard lock(mutex_);
  return static_cast<int>(sessions_.size() + requests_.size());
}

void FakeHttp::resume() {
  const std::lock_guard lock(mutex_);
  resumed_ = true;
  changed_.notify_all();
}

HttpHandle FakeHttp::openSession(const QString& agent) {
  const std::lock_guard lock(mutex_);
  agents << agent;
  if (sessionFails)
    return 0;
  const HttpHandle handle = next_++;
  sessions_.insert(handle);
  return handle;
}

Result<HttpOpened> FakeHttp::openUrl(HttpHandle session, const QString& url) {
  {
    const std::lock_guard lock(mutex_);
    requested << url;
  }
  if (onOpen)
    onOpen(url);
  const std::lock_guard lock(mutex_);
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
  std::unique_lock lock(mutex_);
  if (!requests_.contains(request))
    return Unexpected{QStringLiteral("No request")};
  Transfer& transfer = requests_[request];
  const auto cancelled = [&] { return cancelled_.count(transfer.session) != 0; };
  if (transfer.position == transfer.response.holdAfter)
    changed_.wait(lock, [&] { return resumed_ || cancelled(); });
  if (cancelled())
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
  const std::lock_guard lock(mutex_);
  requests_.remove(handle);
  sessions_.erase(handle);
  cancelled_.erase(handle);
}

void FakeHttp::cancel(HttpHandle session) {
  const std::lock_guard lock(mutex_);
  if (sessions_.count(session) != 0)
    cancelled_.insert(session);
  changed_.notify_all();
}

}  // namespace qvt
