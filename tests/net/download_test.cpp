// The downloader over libcurl against a server on 127.0.0.1: the exact progress texts of a
// body, and every kind of failure (error status, broken or stalled transfer, no server) leaving
// an older file exactly as it was, with every handle released.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <atomic>
#include <functional>
#include <stdexcept>
#include <thread>

#include "platform/fakes/FakePlatform.h"
#include "platform/http/CurlHttp.h"
#include "player/update/downloader.h"
#include "tests/net/TestServer.h"
#include "tests/support/InstalledProgress.h"
#include "tests/support/ProgressRecorder.h"
#include "tests/support/TestFiles.h"

using namespace qvt;

namespace {

QByteArray Body(int size) {
  QByteArray bytes(size, '\0');
  for (int i = 0; i < size; ++i)
    bytes[i] = static_cast<char>(
        (static_cast<unsigned>(i) * 7919u + static_cast<unsigned>(i) / 251u) & 0xffu);
  return bytes;
}

// The texts a download shows are those of every block, in order, with any of them between the
// first ("Downloading...") and the last (the exact size) left out: the window shows the newest
// total once a frame.
void ExpectShownOutOf(const QStringList& shown, const QStringList& everyBlock) {
  ASSERT_FALSE(shown.isEmpty());
  EXPECT_EQ(shown.front(), everyBlock.front());
  EXPECT_EQ(shown.back(), everyBlock.back());
  qsizetype next = 0;
  for (const QString& text : shown) {
    next = everyBlock.indexOf(text, next);
    ASSERT_NE(next, -1) << text.toStdString() << " is not a block's text, or not in order";
    ++next;
  }
}

class Download : public ::testing::Test {
 protected:
  void SetUp() override {
    SetProcessingSuppressed(false);
    curl.setStallSeconds(1);
    platform().http = &curl;
    server.http.Get(R"(/body/(\d+))", [this](const httplib::Request& req, httplib::Response& res) {
      agent = req.get_header_value("User-Agent");
      const QByteArray body = Body(std::stoi(req.matches[1]));
      res.set_content(body.toStdString(), "application/octet-stream");
    });
    server.http.Get(R"(/status/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
      res.status = std::stoi(req.matches[1]);
      res.set_content("an error page", "text/plain");
    });
    server.http.Get("/moved", [](const httplib::Request&, httplib::Response& res) {
      res.set_redirect("/body/5000");
    });
    server.http.Get("/broken", [](const httplib::Request&, httplib::Response& res) {
      res.set_content_provider(100000, "application/octet-stream",
                               [](size_t offset, size_t, httplib::DataSink& sink) {
                                 if (offset >= 50000)
                                   return false;  // closes the connection mid-body
                                 const std::string chunk(10000, 'x');
                                 sink.write(chunk.data(), chunk.size());
                                 return true;
                               });
    });
    // Sends part of the body, then nothing for longer than the stall time, then the rest: only
    // a stall that is noticed makes the download fail.
    server.http.Get("/stall-body", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content_provider(20000, "application/octet-stream",
                               [this](size_t offset, size_t, httplib::DataSink& sink) {
                                 const std::string part(offset == 0 ? 1000 : 19000, 'y');
                                 if (offset != 0)
                                   server.pause(5000);
                                 sink.write(part.data(), part.size());
                                 return true;
                               });
    });
    // Sends part of the body, then nothing until the server stops.
    server.http.Get("/hold", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content_provider(20000, "application/octet-stream",
                               [this](size_t offset, size_t, httplib::DataSink& sink) {
                                 if (offset != 0) {
                                   server.pause(600000);
                                   return false;
                                 }
                                 const std::string part(10000, 'h');
                                 sink.write(part.data(), part.size());
                                 return true;
                               });
    });
    // A body that streams as fast as it can until the client goes.
    server.http.Get("/endless", [](const httplib::Request&, httplib::Response& res) {
      res.set_chunked_content_provider("application/octet-stream",
                                       [](size_t, httplib::DataSink& sink) {
                                         static const std::string block(65536, 'e');
                                         return sink.write(block.data(), block.size());
                                       });
    });
    server.http.Get("/stall-head", [this](const httplib::Request&, httplib::Response& res) {
      server.pause(5000);
      res.set_content("late", "text/plain");
    });
    // Answers only once the client has let its window events run, or fails after a while.
    server.http.Get("/after-events", [this](const httplib::Request&, httplib::Response& res) {
      for (int waited = 0; !eventsRan && waited < 3000 && server.pause(10); waited += 10) {
      }
      res.status = eventsRan ? 200 : 503;
      res.set_content("answered", "text/plain");
    });
    server.start();
  }
  void TearDown() override { server.stop(); }

  QString target() const { return fake.path("Song.bin"); }

  FakePlatform fake;
  ProgressRecorder progress;
  CurlHttp curl;
  std::string agent;
  std::atomic<bool> eventsRan{false};
  test::TestServer server;

 private:
};

TEST_F(Download, BodyArrivesWithTheTextsOfItsBlocks) {
  struct Row {
    int size;
    QStringList texts;
  };
  const QString d = QStringLiteral(" Bytes Downloaded...");
  const std::vector<Row> rows = {
      {10000, {"Downloading...", "4096" + d, "8192" + d, "10000" + d}},
      {8192, {"Downloading...", "4096" + d, "8192" + d}},
      {1, {"Downloading...", "1" + d}},
      {0, {"Downloading..."}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.size);
    // A longer file of the same name is replaced, not overwritten in place.
    ASSERT_TRUE(test::WriteAll(target(), QByteArray(30000, 'o')));
    progress.clear();
    ShowProcessing(QStringLiteral("Establishing Connection..."));
    EXPECT_TRUE(downloader::DownloadFile(
        qvt::platform(), server.url(QStringLiteral("/body/%1").arg(row.size)), target()));
    HideProcessing();
    ExpectShownOutOf(progress.texts(ProgressWindow::Message),
                     QStringList{"Establishing Connection..."} + row.texts);
    EXPECT_EQ(test::ReadAll(target()), Body(row.size));
    EXPECT_EQ(QDir(fake.folder()).entryList(QDir::Files | QDir::Hidden), QStringList{"Song.bin"});
    EXPECT_EQ(curl.openHandles(), 0);
  }
  EXPECT_EQ(agent, "Quavertone");
  EXPECT_TRUE(fake.dialogs.shown.empty());
}

TEST_F(Download, LargeBodyAndRedirectArriveWhole) {
  ShowProcessing(QStringLiteral("Establishing Connection..."));
  ASSERT_TRUE(downloader::DownloadFile(qvt::platform(), server.url("/body/1000000"), target()));
  HideProcessing();
  EXPECT_EQ(test::ReadAll(target()), Body(1000000));
  QStringList everyBlock = {"Establishing Connection...", "Downloading..."};
  for (int total = 4096; total < 1000000; total += 4096)
    everyBlock << QString::number(total) + " Bytes Downloaded...";
  everyBlock << "1000000 Bytes Downloaded...";
  ExpectShownOutOf(progress.texts(ProgressWindow::Message), everyBlock);

  ASSERT_TRUE(downloader::DownloadFile(qvt::platform(), server.url("/moved"), target()));
  EXPECT_EQ(test::ReadAll(target()), Body(5000));
  EXPECT_TRUE(fake.dialogs.shown.empty());
  EXPECT_EQ(curl.openHandles(), 0);
}

TEST_F(Download, FailureShowsTheMessageAndKeepsTheOlderFile) {
  int downPort = 0;
  {
    test::TestServer gone;  // a port that nothing listens on once it is closed
    downPort = gone.port();
  }
  const std::vector<std::pair<const char*, QString>> rows = {
      {"404", server.url("/status/404")},
      {"500", server.url("/status/500")},
      {"connection closed mid-body", server.url("/broken")},
      {"stalled after part of the body", server.url("/stall-body")},
      {"stalled before the answer", server.url("/stall-head")},
      {"no server", QStringLiteral("http://127.0.0.1:%1/body/10").arg(downPort)},
      {"not http", QStringLiteral("file:///etc/hostname")},
      {"empty address", QString()},
  };
  const QByteArray old = "an older download\r\n";
  for (const auto& [what, url] : rows) {
    SCOPED_TRACE(what);
    ASSERT_TRUE(test::WriteAll(target(), old));
    fake.dialogs.shown.clear();
    EXPECT_FALSE(downloader::DownloadFile(qvt::platform(), url, target()));
    EXPECT_EQ(fake.dialogs.texts(), QStringList{downloader::kDownloadFailed});
    EXPECT_EQ(test::ReadAll(target()), old);
    EXPECT_EQ(QDir(fake.folder()).entryList(QDir::Files | QDir::Hidden), QStringList{"Song.bin"});
    EXPECT_EQ(curl.openHandles(), 0);
  }
}

// A server that accepts and is slow to answer freezes no window: the events run while the
// download waits for the answer.
TEST_F(Download, WindowEventsRunWhileTheAnswerIsAwaited) {
  curl.setStallSeconds(10);
  fake.eventLoop.onPass = [this] { eventsRan = true; };
  EXPECT_TRUE(downloader::DownloadFile(qvt::platform(), server.url("/after-events"), target()));
  EXPECT_EQ(test::ReadAll(target()), "answered");
}

// While a transfer streams or waits for the network, the user may stop it, start another
// download or throw out of a pass of the window events: the transfer stops at once (long before
// the stall time), the older file stays and nothing is left open.
TEST_F(Download, WaitThatEndsEarlyLeavesNothingBehind) {
  struct Row {
    const char* what;
    const char* path;
    std::function<void()> act;  // at the first byte count shown
    bool bThrows;
  };
  const QString inner = fake.path("Inner.bin");
  const std::vector<Row> rows = {
      {"cancelled while it waits", "/hold", [] { CancelProcessing(); }, false},
      {"cancelled while it streams", "/endless", [] { CancelProcessing(); }, false},
      {"another download, then cancelled", "/hold",
       [&] {
         EXPECT_TRUE(downloader::DownloadFile(qvt::platform(), server.url("/body/5000"), inner));
         EXPECT_EQ(test::ReadAll(inner), Body(5000));
         CancelProcessing();
       },
       false},
      {"an exception out of a pass", "/endless",
       [] { throw std::runtime_error("a window closed"); }, true},
  };
  curl.setStallSeconds(CurlHttp::kDefaultStallSeconds);
  const QByteArray old = "an older download\r\n";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ASSERT_TRUE(test::WriteAll(target(), old));
    bool bActed = false;
    progress.onText = [&](const QString& text) {
      if (!bActed && text.endsWith(" Bytes Downloaded...")) {
        bActed = true;
        row.act();
      }
    };
    bool bThrew = false;
    ShowProcessing(QStringLiteral("Establishing Connection..."));
    try {
      EXPECT_FALSE(downloader::DownloadFile(qvt::platform(), server.url(row.path), target()));
    } catch (const std::runtime_error&) {
      bThrew = true;
    }
    HideProcessing();
    progress.onText = nullptr;
    EXPECT_EQ(bThrew, row.bThrows);
    EXPECT_TRUE(fake.dialogs.shown.empty());
    EXPECT_EQ(test::ReadAll(target()), old);
    EXPECT_EQ(curl.openHandles(), 0);
    QFile::remove(inner);
    EXPECT_EQ(QDir(fake.folder()).entryList(QDir::Files | QDir::Hidden), QStringList{"Song.bin"});
  }
  EXPECT_FALSE(IsProcessingCancellable());
}

// An https address may be redirected to another https address, never down to plain http.
TEST_F(Download, HttpsIsNeverRedirectedToHttp) {
  QTemporaryDir dir;
  const QString key = dir.filePath("key.pem"), certificate = dir.filePath("certificate.pem");
  QProcess openssl;
  openssl.start("openssl",
                {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                 "-nodes", "-keyout", key, "-out", certificate, "-days", "1", "-subj",
                 "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"});
  ASSERT_TRUE(openssl.waitForFinished(30000));
  ASSERT_EQ(openssl.exitCode(), 0) << openssl.readAllStandardError().toStdString();
  httplib::SSLServer tls(certificate.toLocal8Bit().constData(), key.toLocal8Bit().constData());
  const std::string https =
      "https://127.0.0.1:" + std::to_string(tls.bind_to_any_port("127.0.0.1"));
  tls.Get("/body", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("secure", "text/plain");
  });
  tls.Get("/to-https", [&](const httplib::Request&, httplib::Response& res) {
    res.set_redirect(https + "/body");
  });
  tls.Get("/to-http", [&](const httplib::Request&, httplib::Response& res) {
    res.set_redirect(server.url("/body/10").toStdString());
  });
  std::thread thread([&] { tls.listen_after_bind(); });
  while (!tls.is_running())
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  curl.setCertificateFile(certificate);

  EXPECT_TRUE(downloader::DownloadFile(qvt::platform(), QString::fromStdString(https + "/to-https"),
                                       target()));
  EXPECT_EQ(test::ReadAll(target()), "secure");
  EXPECT_FALSE(downloader::DownloadFile(qvt::platform(), QString::fromStdString(https + "/to-http"),
                                        target()));
  EXPECT_EQ(fake.dialogs.texts(), QStringList{downloader::kDownloadFailed});
  EXPECT_EQ(test::ReadAll(target()), "secure");
  tls.stop();
  thread.join();
}

TEST_F(Download, FileThatCannotBeCreatedIsAFailure) {
  ASSERT_TRUE(test::WriteAll(target(), "a file, not a folder"));
  EXPECT_FALSE(
      downloader::DownloadFile(qvt::platform(), server.url("/body/10"), target() + "/below.bin"));
  EXPECT_EQ(fake.dialogs.texts(), QStringList{downloader::kDownloadFailed});
  EXPECT_EQ(curl.openHandles(), 0);
}

}  // namespace
