#include "platform/http/CurlHttp.h"

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

namespace qvt {

struct CurlHttp::Session {
  CURLM* multi = nullptr;
  QByteArray agent;
  std::atomic<bool> cancelled{false};  // the user stopped its transfers, from any thread
};

struct CurlHttp::Request {
  HttpHandle session = 0;
  const Session* owner = nullptr;
  CURLM* multi = nullptr;
  CURL* easy = nullptr;
  QByteArray url;
  QByteArray body;  // received; the bytes from readAt on are not yet handed out
  qsizetype readAt = 0;
  bool headersFinal = false;
  bool hasLocation = false;  // in the header block being read
  bool done = false;
  CURLcode result = CURLE_OK;
  // The transfer fails when nothing arrives for this long.
  std::chrono::steady_clock::duration stall{};
  std::chrono::steady_clock::time_point lastData;
  char errorText[CURL_ERROR_SIZE] = {};
};

namespace {

using Request = CurlHttp::Request;

size_t onBody(char* data, size_t size, size_t count, void* user) {
  auto* request = static_cast<Request*>(user);
  const size_t length = size * count;
  request->lastData = std::chrono::steady_clock::now();
  request->body.append(data, static_cast<qsizetype>(length));
  return length;
}

// A header block ends with an empty line; it is the final answer unless it is an interim one
// (1xx) or a redirection that curl will follow (3xx with a Location header).
size_t onHeader(char* data, size_t size, size_t count, void* user) {
  auto* request = static_cast<Request*>(user);
  const size_t length = size * count;
  request->lastData = std::chrono::steady_clock::now();
  const QByteArray line = QByteArray::fromRawData(data, static_cast<qsizetype>(length));
  if (line.startsWith("HTTP/")) {
    request->headersFinal = false;
    request->hasLocation = false;
  } else if (line.size() >= 9 && line.first(9).compare("location:", Qt::CaseInsensitive) == 0) {
    request->hasLocation = true;
  } else if (line.trimmed().isEmpty()) {
    long code = 0;
    curl_easy_getinfo(request->easy, CURLINFO_RESPONSE_CODE, &code);
    const bool redirect = code >= 300 && code < 400 && request->hasLocation;
    request->headersFinal = code >= 200 && !redirect;
  }
  return length;
}

void drainMessages(CURLM* multi) {
  int left = 0;
  while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
    if (message->msg != CURLMSG_DONE)
      continue;
    void* owner = nullptr;
    curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &owner);
    auto* request = static_cast<Request*>(owner);
    request->done = true;
    request->result = message->data.result;
  }
}

// How long one wait for the network lasts before the stall time is looked at again. A cancel
// wakes the wait at once.
constexpr int kWaitSliceMs = 100;

qsizetype buffered(const Request& request) {
  return request.body.size() - request.readAt;
}

void endAs(Request& request, CURLcode result, const char* text) {
  request.done = true;
  request.result = result;
  std::snprintf(request.errorText, sizeof request.errorText, "%s", text);
}

// Drives the transfer until `ready` holds or the transfer has ended. A cancel from another
// thread may come at any time; the request stays valid, since only this thread closes it.
void pumpUntil(Request& request, const std::function<bool()>& ready) {
  while (!request.done && !ready()) {
    if (request.owner->cancelled) {
      endAs(request, CURLE_ABORTED_BY_CALLBACK, "Cancelled");
      return;
    }
    int running = 0;
    const CURLMcode code = curl_multi_perform(request.multi, &running);
    drainMessages(request.multi);
    if (code != CURLM_OK && !request.done) {
      request.done = true;
      request.result = CURLE_RECV_ERROR;
    }
    if (request.done || ready())
      return;
    if (std::chrono::steady_clock::now() - request.lastData > request.stall) {
      request.done = true;
      request.result = CURLE_OPERATION_TIMEDOUT;
      std::snprintf(request.errorText, sizeof request.errorText, "No data received for %lld s",
                    static_cast<long long>(
                        std::chrono::duration_cast<std::chrono::seconds>(request.stall).count()));
      return;
    }
    curl_multi_poll(request.multi, nullptr, 0, kWaitSliceMs, nullptr);
  }
}

QString describe(const Request& request) {
  if (request.errorText[0] != '\0')
    return QString::fromUtf8(request.errorText);
  return QString::fromUtf8(curl_easy_strerror(request.result));
}

void configure(Request& request, const QByteArray& agent, int stallSeconds,
               const QByteArray& certificateFile) {
  CURL* easy = request.easy;
  if (!certificateFile.isEmpty())
    curl_easy_setopt(easy, CURLOPT_CAINFO, certificateFile.constData());
  curl_easy_setopt(easy, CURLOPT_URL, request.url.constData());
  curl_easy_setopt(easy, CURLOPT_USERAGENT, agent.constData());
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  // An address fetched over https stays on https: a redirection may not drop the encryption.
  const bool secure = request.url.left(6).toLower() == "https:";
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  // A transfer that goes silent is noticed here at once, since curl's low-speed limit averages
  // the speed over its whole time and so notices a stall after a burst of data late; the limit
  // ends a transfer that trickles, under the floor for the stall time.
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, CurlHttp::kLowSpeedFloor);
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, static_cast<long>(stallSeconds));
  request.stall = std::chrono::seconds(stallSeconds);
  request.lastData = std::chrono::steady_clock::now();
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &onBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &request);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &onHeader);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, &request);
  curl_easy_setopt(easy, CURLOPT_PRIVATE, &request);
  curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, request.errorText);
}

void destroy(Request& request) {
  curl_multi_remove_handle(request.multi, request.easy);
  curl_easy_cleanup(request.easy);
}

}  // namespace

// libcurl counts its global set-up: each object takes one and gives it back, and the library
// is set up while any object lives.
CurlHttp::CurlHttp() {
  curl_global_init(CURL_GLOBAL_DEFAULT);
}

CurlHttp::~CurlHttp() {
  for (auto& entry : requests_)
    destroy(*entry.second);
  for (auto& entry : sessions_)
    curl_multi_cleanup(entry.second->multi);
  curl_global_cleanup();
}

void CurlHttp::setStallSeconds(int seconds) {
  const std::lock_guard lock(mutex_);
  stallSeconds_ = seconds;
}

void CurlHttp::setCertificateFile(const QString& path) {
  const QByteArray file = path.toLocal8Bit();
  const std::lock_guard lock(mutex_);
  certificateFile_ = file;
}

int CurlHttp::openHandles() const {
  const std::lock_guard lock(mutex_);
  return static_cast<int>(sessions_.size() + requests_.size());
}

HttpHandle CurlHttp::openSession(const QString& agent) {
  auto session = std::make_unique<Session>();
  session->multi = curl_multi_init();
  if (session->multi == nullptr)
    return 0;
  session->agent = agent.toUtf8();
  const std::lock_guard lock(mutex_);
  const HttpHandle handle = next_++;
  sessions_[handle] = std::move(session);
  return handle;
}

Result<HttpOpened> CurlHttp::openUrl(HttpHandle session, const QString& url) {
  const Session* owner = findSession(session);
  if (owner == nullptr)
    return Unexpected{QStringLiteral("No internet session")};
  if (owner->cancelled)
    return Unexpected{QStringLiteral("Cancelled")};
  auto request = std::make_unique<Request>();
  request->session = session;
  request->owner = owner;
  request->multi = owner->multi;
  request->url = url.toUtf8();
  request->easy = curl_easy_init();
  if (request->easy == nullptr)
    return Unexpected{QStringLiteral("No request handle")};
  int stallSeconds = 0;
  QByteArray certificateFile;
  {
    const std::lock_guard lock(mutex_);
    stallSeconds = stallSeconds_;
    certificateFile = certificateFile_;
  }
  configure(*request, owner->agent, stallSeconds, certificateFile);
  if (curl_multi_add_handle(request->multi, request->easy) != CURLM_OK) {
    curl_easy_cleanup(request->easy);
    return Unexpected{QStringLiteral("The request could not be started")};
  }
  Request& r = *request;
  const HttpHandle handle = add(std::move(request));
  pumpUntil(r, [&r] { return r.headersFinal || !r.body.isEmpty(); });
  if (r.done && r.result != CURLE_OK) {
    const QString error = describe(r);
    close(handle);
    return Unexpected{error};
  }
  long status = 0;
  curl_easy_getinfo(r.easy, CURLINFO_RESPONSE_CODE, &status);
  return HttpOpened{handle, status};
}

Result<qint64> CurlHttp::readBlock(HttpHandle handle, char* buffer) {
  Request* found = findRequest(handle);
  if (found == nullptr)
    return Unexpected{QStringLiteral("No request")};
  Request& r = *found;
  pumpUntil(r, [&r] { return buffered(r) >= kBlockSize; });
  if (r.owner->cancelled || (buffered(r) < kBlockSize && r.result != CURLE_OK))
    return Unexpected{describe(r)};
  const qsizetype n = std::min<qsizetype>(buffered(r), kBlockSize);
  std::memcpy(buffer, r.body.constData() + r.readAt, static_cast<size_t>(n));
  r.readAt += n;
  // What was handed out goes once it is most of the buffer, so that a fast transfer does not
  // move its whole buffer for every block.
  if (r.readAt * 2 >= r.body.size()) {
    r.body.remove(0, r.readAt);
    r.readAt = 0;
  }
  return qint64{n};
}

void CurlHttp::close(HttpHandle handle) {
  std::unique_ptr<Session> session;
  std::vector<std::unique_ptr<Request>> requests;
  {
    const std::lock_guard lock(mutex_);
    if (const auto found = requests_.find(handle); found != requests_.end()) {
      requests.push_back(std::move(found->second));
      requests_.erase(found);
    } else if (const auto mine = sessions_.find(handle); mine != sessions_.end()) {
      session = std::move(mine->second);
      sessions_.erase(mine);
      // Requests left open on the session go with it.
      for (auto it = requests_.begin(); it != requests_.end();) {
        if (it->second->session == handle) {
          requests.push_back(std::move(it->second));
          it = requests_.erase(it);
        } else {
          ++it;
        }
      }
    }
  }
  for (const std::unique_ptr<Request>& request : requests)
    destroy(*request);
  if (session != nullptr)
    curl_multi_cleanup(session->multi);
}

void CurlHttp::cancel(HttpHandle session) {
  const std::lock_guard lock(mutex_);
  const auto found = sessions_.find(session);
  if (found == sessions_.end())
    return;
  found->second->cancelled = true;
  // Under the lock, so that the session cannot be closed meanwhile.
  curl_multi_wakeup(found->second->multi);
}

CurlHttp::Session* CurlHttp::findSession(HttpHandle handle) {
  const std::lock_guard lock(mutex_);
  const auto found = sessions_.find(handle);
  return found == sessions_.end() ? nullptr : found->second.get();
}

CurlHttp::Request* CurlHttp::findRequest(HttpHandle handle) {
  const std::lock_guard lock(mutex_);
  const auto found = requests_.find(handle);
  return found == requests_.end() ? nullptr : found->second.get();
}

HttpHandle CurlHttp::add(std::unique_ptr<Request> request) {
  const std::lock_guard lock(mutex_);
  const HttpHandle handle = next_++;
  requests_[handle] = std::move(request);
  return handle;
}

}  // namespace qvt
