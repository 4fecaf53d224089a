// Responsiveness: the longest gap between two passes of the event loop while the player starts
// a song that takes 2 s to load (a fake player; and libmpv loading a real file), and while a
// download waits 3 s for a server that has accepted the connection and stays silent. Every
// pass runs the watchdog's zero-interval timer, so a gap is a time the windows were frozen.
#include <QTimer>
#include <chrono>
#include <thread>
#include <vector>

#include "bench/Bench.h"
#include "bench/BenchPlatform.h"
#include "bench/Watchdog.h"
#include "platform/fakes/FakeMediaPlayer.h"
#include "platform/fakes/FakePlatform.h"
#include "platform/http/CurlHttp.h"
#include "platform/media/MpvMediaPlayer.h"
#include "player/startup/MusicVariables.h"
#include "player/update/downloader.h"
#include "player/window/PlaybackController.h"
#include "shared/Processor.h"
#include "tests/net/TestServer.h"
#include "tests/support/AudioFixtures.h"
#include "tests/support/EventPump.h"
#include "tests/support/PlayListOfTheTest.h"

namespace {

// Presses Play on a one-song list from the event loop and runs the loop until the song plays.
double StallWhileStarting(qvt::IMediaPlayer& player, const QString& path) {
  qvt::test::PlayList().resetAll();
  qvt::test::PlayList().replaceAll({path}, {QStringLiteral("song")});
  qvt::bench::NullView view;
  qvt::PlaybackController controller(qvt::test::PlayList(), qvt::platform(), view, player);
  qvt::bench::Watchdog watchdog;
  QTimer::singleShot(20, [&] { controller.cmdPlay_Click(); });
  qvt::test::PumpUntil([&] { return player.playState() == qvt::kPlayPlaying && view.timerOn; },
                       10000);
  qvt::test::PumpUntil([] { return false; }, 20);
  const double stall = watchdog.longestMs();
  player.stop();
  return stall;
}

}  // namespace

QVT_BENCH(ui_stall) {
  qvt::FakePlatform fake;
  {
    qvt::FakeMediaPlayer slow;
    slow.loadDelayMs = 2000;
    qvt::bench::Figure("ui_stall_media_load_ms", StallWhileStarting(slow, fake.path("slow.mp3")),
                       "ms");
  }
  {
    qvt::MpvMediaPlayer mpv(qvt::MpvAudioConfig{QStringLiteral("null"), false});
    const QString song =
        qvt::test::MakeWav(fake.programFolder.path, QStringLiteral("long.wav"), 60);
    // The first song starts the backend: libmpv is opened and initialised on a thread of its
    // own, while the load waits for it. Measured apart from a load of a running backend.
    qvt::bench::Figure("ui_stall_media_backend_start_ms", StallWhileStarting(mpv, song), "ms");
    qvt::bench::Figure("ui_stall_media_load_mpv_ms", StallWhileStarting(mpv, song), "ms");
  }
  {
    qvt::CurlHttp curl;
    qvt::ScopedPlatform scope(&qvt::Platform::http, &curl);
    qvt::test::TestServer server;
    server.http.Get("/silent", [](const httplib::Request&, httplib::Response& res) {
      std::this_thread::sleep_for(std::chrono::seconds(3));
      res.set_content("late", "text/plain");
    });
    server.start();
    qvt::bench::Watchdog watchdog;
    qvt::downloader::DownloadFile(qvt::platform(), server.url("/silent"), fake.path("late.txt"));
    qvt::bench::Figure("ui_stall_http_connect_ms", watchdog.longestMs(), "ms");
    server.stop();
  }
}
