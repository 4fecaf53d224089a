#pragma once
// An HTTP server on 127.0.0.1 on a free port, serving from its own thread, for tests and
// benchmarks of the downloader. Register the routes, then start():
//
//   qvt::test::TestServer server;
//   server.http.Get("/x", [](const httplib::Request&, httplib::Response& res) { ... });
//   server.start();
//   DownloadFile(services, server.url("/x"), path);
//
// Handlers that wait should watch `stopping`, which turns true when the server is going.

#include <QString>
#include <atomic>
#include <chrono>
#include <thread>

// The library is built with these; its declarations must match.
#ifndef CPPHTTPLIB_OPENSSL_SUPPORT
#define CPPHTTPLIB_OPENSSL_SUPPORT 1
#endif
#ifndef CPPHTTPLIB_ZLIB_SUPPORT
#define CPPHTTPLIB_ZLIB_SUPPORT 1
#endif
#ifndef CPPHTTPLIB_BROTLI_SUPPORT
#define CPPHTTPLIB_BROTLI_SUPPORT 1
#endif
#include <httplib.h>

namespace qvt::test {

class TestServer {
 public:
  TestServer() { port_ = http.bind_to_any_port("127.0.0.1"); }
  ~TestServer() { stop(); }
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  void start() {
    thread_ = std::thread([this] { http.listen_after_bind(); });
    while (!http.is_running())
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  void stop() {
    stopping = true;
    if (thread_.joinable()) {
      http.stop();
      thread_.join();
    }
  }
  int port() const { return port_; }
  QString url(const QString& path) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path);
  }
  // Sleeps up to `ms` milliseconds, less when the server is stopping. False when stopping.
  bool pause(int ms) {
    for (int waited = 0; waited < ms && !stopping; waited += 10)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return !stopping;
  }

  httplib::Server http;
  std::atomic<bool> stopping{false};

 private:
  int port_ = 0;
  std::thread thread_;
};

}  // namespace qvt::test
