// Download speed: a 50 MB file from a static server on 127.0.0.1 fetched with DownloadFile while
// the real message window shows its progress, and the same file fetched by the curl program,
// for scale.
#include <QFileInfo>
#include <QProcess>
#include <algorithm>

#include "bench/Bench.h"
#include "platform/fakes/FakePlatform.h"
#include "platform/http/CurlHttp.h"
#include "player/update/downloader.h"
#include "shared/ui/ProgressWindows.h"
#include "tests/net/TestServer.h"
#include "tests/support/InstalledProgress.h"
#include "tests/support/PlayerWindowsFixture.h"

namespace {

constexpr qint64 kBytes = 50LL * 1000 * 1000;
constexpr int kRuns = 3;

QByteArray ServedBody() {
  QByteArray body(kBytes, '\0');
  for (qint64 i = 0; i < kBytes; ++i)
    body[i] = static_cast<char>((i * 131) & 0xff);
  return body;
}

double CurlProgramSeconds(const QString& url, const QString& target) {
  return qvt::bench::BestSeconds(kRuns, [&] {
    QProcess::execute(QStringLiteral("/usr/bin/curl"), {"-s", "-o", target, url});
  });
}

}  // namespace

QVT_BENCH(download) {
  qvt::FakePlatform fake;
  qvt::platform().progressWindows = &qvt::test::ProgressWindows();
  qvt::SetProcessingSuppressed(false);
  qvt::CurlHttp curl;
  qvt::platform().http = &curl;
  // Served from memory in 64 KB writes, so that the server costs little next to the client.
  const QByteArray body = ServedBody();
  qvt::test::TestServer server;
  server.http.Get("/big.bin", [&body](const httplib::Request&, httplib::Response& res) {
    res.set_content_provider(static_cast<size_t>(body.size()), "application/octet-stream",
                             [&body](size_t offset, size_t length, httplib::DataSink& sink) {
                               const size_t n = std::min<size_t>(length, 65536);
                               sink.write(body.constData() + offset, n);
                               return true;
                             });
  });
  server.start();
  const QString url = server.url("/big.bin");
  const QString target = fake.path("big.bin");

  bool ok = true;
  const double seconds = qvt::bench::BestSeconds(kRuns, [&] {
    qvt::ShowProcessing(QStringLiteral("Establishing Connection..."), true, 0);
    ok = qvt::downloader::DownloadFile(qvt::platform(), url, target) && ok;
    qvt::HideProcessing();
  });
  ok = ok && QFileInfo(target).size() == kBytes;
  qvt::bench::Figure("download_50mb_mbps", ok ? kBytes / 1e6 / seconds : 0, "MB/s");
  if (QFileInfo::exists(QStringLiteral("/usr/bin/curl"))) {
    const double curlSeconds = CurlProgramSeconds(url, fake.path("curl.bin"));
    qvt::bench::Figure("download_50mb_curl_program_mbps", kBytes / 1e6 / curlSeconds, "MB/s");
    qvt::bench::Figure("download_50mb_vs_curl_ratio", seconds / curlSeconds, "x");
    // The player's rate as a share of the curl program's: 1 would be as fast.
    qvt::bench::Figure("download_vs_curl", ok ? curlSeconds / seconds : 0, "x");
  }
  server.stop();
}
