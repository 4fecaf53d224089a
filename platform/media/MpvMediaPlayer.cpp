#include "platform/media/MpvMediaPlayer.h"

#include <dlfcn.h>
#include <mpv/client.h>

#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <algorithm>
#include <cmath>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/base/Check.h"
#include "platform/base/Log.h"

namespace qvt {

namespace {

constexpr int32_t kQuietestHundredths = -10000;

// libmpv is opened when the first player starts, not when the program starts: it brings in
// some two hundred libraries (codecs, filters, outputs) that an idle player holding a large
// play list has no use for.
struct MpvLibrary {
  bool loaded = false;
  decltype(&::mpv_command_node) command_node = nullptr;
  decltype(&::mpv_command_string) command_string = nullptr;
  decltype(&::mpv_command) command = nullptr;
  decltype(&::mpv_create) create = nullptr;
  decltype(&::mpv_error_string) error_string = nullptr;
  decltype(&::mpv_free_node_contents) free_node_contents = nullptr;
  decltype(&::mpv_free) free = nullptr;
  decltype(&::mpv_get_property_string) get_property_string = nullptr;
  decltype(&::mpv_get_property) get_property = nullptr;
  decltype(&::mpv_initialize) initialize = nullptr;
  decltype(&::mpv_observe_property) observe_property = nullptr;
  decltype(&::mpv_set_option_string) set_option_string = nullptr;
  decltype(&::mpv_set_property) set_property = nullptr;
  decltype(&::mpv_set_wakeup_callback) set_wakeup_callback = nullptr;
  decltype(&::mpv_terminate_destroy) terminate_destroy = nullptr;
  decltype(&::mpv_wait_event) wait_event = nullptr;
};

MpvLibrary OpenMpvLibrary() {
  MpvLibrary lib;
  void* so = ::dlopen("libmpv.so.2", RTLD_NOW | RTLD_LOCAL);
  if (so == nullptr)
    so = ::dlopen("libmpv.so", RTLD_NOW | RTLD_LOCAL);
  if (so == nullptr)
    return lib;
  bool all = true;
  const auto bind = [&](auto& fn, const char* name) {
    fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(::dlsym(so, name));
    all = all && fn != nullptr;
  };
  bind(lib.command_node, "mpv_command_node");
  bind(lib.command_string, "mpv_command_string");
  bind(lib.command, "mpv_command");
  bind(lib.create, "mpv_create");
  bind(lib.error_string, "mpv_error_string");
  bind(lib.free_node_contents, "mpv_free_node_contents");
  bind(lib.free, "mpv_free");
  bind(lib.get_property_string, "mpv_get_property_string");
  bind(lib.get_property, "mpv_get_property");
  bind(lib.initialize, "mpv_initialize");
  bind(lib.observe_property, "mpv_observe_property");
  bind(lib.set_option_string, "mpv_set_option_string");
  bind(lib.set_property, "mpv_set_property");
  bind(lib.set_wakeup_callback, "mpv_set_wakeup_callback");
  bind(lib.terminate_destroy, "mpv_terminate_destroy");
  bind(lib.wait_event, "mpv_wait_event");
  lib.loaded = all;
  return lib;
}

const MpvLibrary& Mpv() {
  static const MpvLibrary lib = OpenMpvLibrary();
  return lib;
}

struct Option {
  const char* name;
  const char* value;
};

// Audio only, nothing read from the user's mpv setup, no terminal, no input handling, no
// scripts; stay idle without a file and keep a played-out file loaded.
constexpr Option kRequiredOptions[] = {
    {"config", "no"},
    {"terminal", "no"},
    {"vid", "no"},
    {"vo", "null"},
    {"audio-display", "no"},
    {"idle", "yes"},
    {"keep-open", "yes"},
    {"gapless-audio", "yes"},
    {"prefetch-playlist", "yes"},
    {"pause", "yes"},
    {"input-default-bindings", "no"},
    {"input-vo-keyboard", "no"},
    {"load-scripts", "no"},
    {"hr-seek", "yes"},
    {"audio-client-name", "Quavertone"},
};

// Options that some libmpv versions or builds lack (the built-in scripts need Lua); a failure
// to set them is harmless.
constexpr Option kOptionalOptions[] = {
    {"osc", "no"},
    {"ytdl", "no"},
    {"cover-art-auto", "no"},
    {"audio-file-auto", "no"},
    {"sub-auto", "no"},
    {"load-stats-overlay", "no"},
    {"load-auto-profiles", "no"},
    {"load-osd-console", "no"},
};

// The properties whose changes mpv reports as events; the player keeps their last values.
struct ObservedProperty {
  const char* name;
  mpv_format format;
};
constexpr ObservedProperty kObservedProperties[] = {
    {"time-pos", MPV_FORMAT_DOUBLE},
    {"duration", MPV_FORMAT_DOUBLE},
    {"eof-reached", MPV_FORMAT_FLAG},
    {"pause", MPV_FORMAT_FLAG},
};

QByteArray FormatSeconds(double seconds) {
  return QByteArray::number(seconds, 'g', 17);
}

bool Configure(mpv_handle* handle, const MpvAudioConfig& config) {
  for (const Option& option : kRequiredOptions) {
    if (Mpv().set_option_string(handle, option.name, option.value) < 0)
      return false;
  }
  for (const Option& option : kOptionalOptions) {
    Mpv().set_option_string(handle, option.name, option.value);
  }
  if (!config.audioOutput.isEmpty() &&
      Mpv().set_option_string(handle, "ao", config.audioOutput.toUtf8().constData()) < 0) {
    return false;
  }
  if (!config.pcmFile.isEmpty() &&
      (Mpv().set_option_string(handle, "ao-pcm-file", QFile::encodeName(config.pcmFile)) < 0 ||
       Mpv().set_option_string(handle, "ao-pcm-waveheader", "no") < 0)) {
    return false;
  }
  // Must be set before mpv_initialize: the null output reads it when it is created.
  return !config.untimed || Mpv().set_option_string(handle, "ao-null-untimed", "yes") >= 0;
}

// Opens libmpv and makes a configured, initialised handle that observes the player's
// properties; null when libmpv is missing or refuses the configuration. Runs on the starter
// thread: nothing here touches the player.
mpv_handle* StartBackend(const MpvAudioConfig& config) {
  if (!Mpv().loaded)
    return nullptr;
  mpv_handle* handle = Mpv().create();
  if (handle == nullptr)
    return nullptr;
  if (!Configure(handle, config) || Mpv().initialize(handle) < 0) {
    Mpv().terminate_destroy(handle);
    return nullptr;
  }
  for (const ObservedProperty& property : kObservedProperties)
    Mpv().observe_property(handle, 0, property.name, property.format);
  return handle;
}

}  // namespace

double MpvVolumeFromHundredthsDb(int32_t hundredthsDb) {
  const int32_t clamped = std::clamp(hundredthsDb, kQuietestHundredths, int32_t{0});
  return 100.0 * std::pow(10.0, clamped / 100.0 / 60.0);
}

int32_t HundredthsDbFromMpvVolume(double volume) {
  if (!(volume > 0.0))
    return kQuietestHundredths;
  const double hundredths = std::round(6000.0 * std::log10(volume / 100.0));
  return static_cast<int32_t>(std::clamp(hundredths, double{kQuietestHundredths}, 0.0));
}

MpvAudioConfig MpvAudioConfig::FromEnvironment() {
  MpvAudioConfig config;
  const QByteArray mode = qgetenv("QUAVERTONE_AUDIO");
  if (mode == "null" || mode == "null-fast")
    config.audioOutput = QStringLiteral("null");
  config.untimed = mode == "null-fast";
  if (mode.startsWith("pcm:") && mode.size() > 4) {
    config.audioOutput = QStringLiteral("pcm");
    config.pcmFile = QFile::decodeName(mode.mid(4));
  }
  return config;
}

MpvMediaPlayer::MpvMediaPlayer(const MpvAudioConfig& config) : config_(config) {}

// Starts the backend on first use (loading a file or playing). Until then the player is idle
// and ready. Opening libmpv and initialising it take a few tenths of a second, so they run on
// a thread of their own; the handle is taken over on the player's thread once it is ready.
// Meanwhile a written file name waits as a load, and play, seek and pause are kept for it.
void MpvMediaPlayer::ensureStarted() {
  if (backend_ != Backend::Unstarted)
    return;
  backend_ = Backend::Starting;
  try {
    starter_ = std::thread([this, config = config_] {
      startedHandle_ = StartBackend(config);
      QMetaObject::invokeMethod(
          &receiver_, [this] { adoptBackend(); }, Qt::QueuedConnection);
    });
  } catch (const std::system_error& failure) {
    qCWarning(lcMedia, "The audio system's starter thread could not be made: %s", failure.what());
    backend_ = Backend::Failed;
  }
}

void MpvMediaPlayer::adoptBackend() {
  if (backend_ != Backend::Starting)
    return;
  starter_.join();
  handle_ = std::exchange(startedHandle_, nullptr);
  if (handle_ == nullptr) {
    backend_ = Backend::Failed;
    if (std::exchange(deferredLoad_, std::nullopt))
      fail(kMediaOutputError, QStringLiteral("The audio system could not be started."));
    return;
  }
  backend_ = Backend::Running;
  Mpv().set_wakeup_callback(handle_, &MpvMediaPlayer::OnWakeup, this);
  if (volumeSet_)
    setVolume(volume_);
  if (deferredLoad_) {
    const DeferredLoad load = *std::exchange(deferredLoad_, std::nullopt);
    beginLoad(load.path, load.start, !observed_.paused);
  }
}

MpvMediaPlayer::~MpvMediaPlayer() {
  // No wakeup callback runs once this returns; receiver_ then drops any drain still queued.
  if (starter_.joinable())
    starter_.join();
  if (startedHandle_ != nullptr)
    Mpv().terminate_destroy(startedHandle_);
  if (handle_ != nullptr)
    Mpv().terminate_destroy(handle_);
}

void MpvMediaPlayer::setEventObserver(std::function<void(int)> observer) {
  observer_ = std::move(observer);
}

// ---- events ------------------------------------------------------------------------------

void MpvMediaPlayer::OnWakeup(void* self) {
  static_cast<MpvMediaPlayer*>(self)->postDrain();
}

// Runs on mpv's thread: only queue one drain on the player's thread (coalesced).
void MpvMediaPlayer::postDrain() {
  if (drainPosted_.exchange(true))
    return;
  QMetaObject::invokeMethod(
      &receiver_,
      [this] {
        drainPosted_ = false;
        drainPending();
      },
      Qt::QueuedConnection);
}

void MpvMediaPlayer::drainPending() {
  if (handle_ == nullptr)
    return;
  for (;;) {
    const mpv_event* event = Mpv().wait_event(handle_, 0);
    if (event->event_id == MPV_EVENT_NONE)
      return;
    handleEvent(*event);
  }
}

void MpvMediaPlayer::handleEvent(const mpv_event& event) {
  switch (event.event_id) {
    case MPV_EVENT_START_FILE: {
      const auto* start = static_cast<const mpv_event_start_file*>(event.data);
      if (start->playlist_entry_id == track_.entryId) {
        // What was observed of the previous file no longer holds.
        track_.started = true;
        observed_ = Observed{std::nullopt, 0.0, false, observed_.paused};
      }
      break;
    }
    case MPV_EVENT_FILE_LOADED:
      // Events come in order: after the start of this load, a loaded file is this one.
      if (track_.load == Load::Loading && track_.started)
        track_.fileLoaded = true;
      break;
    case MPV_EVENT_PLAYBACK_RESTART:
      handleRestart();
      break;
    case MPV_EVENT_PROPERTY_CHANGE:
      handleProperty(event);
      break;
    case MPV_EVENT_END_FILE:
      handleEndFile(event);
      break;
    default:
      break;
  }
  if (observer_)
    observer_(event.event_id);
}

// Until mpv has begun the current load, the observed values still describe the file before.
bool MpvMediaPlayer::currentFileEvent() const {
  return track_.started || track_.load == Load::Idle;
}

void MpvMediaPlayer::handleProperty(const mpv_event& event) {
  const auto* property = static_cast<const mpv_event_property*>(event.data);
  const QByteArray name(property->name);
  const bool isDouble = property->format == MPV_FORMAT_DOUBLE;
  const bool isFlag = property->format == MPV_FORMAT_FLAG;
  if (name == "pause") {
    observed_.paused = !isFlag || *static_cast<int*>(property->data) != 0;
  } else if (!currentFileEvent()) {
    return;
  } else if (name == "time-pos") {
    // Until mpv restarts playback at a seek's target, the position reads that target: a report
    // still on its way from before the seek would otherwise move it back.
    if (observed_.seeking || observed_.halted)
      return;
    observed_.timePos =
        isDouble ? std::optional(*static_cast<double*>(property->data)) : std::nullopt;
  } else if (name == "duration") {
    const double duration = isDouble ? *static_cast<double*>(property->data) : 0.0;
    if (duration != observed_.duration && track_.load == Load::Loaded)
      post([this, duration] { Q_EMIT durationChanged(duration); });
    observed_.duration = duration;
  } else if (name == "eof-reached") {
    observed_.eofReached = isFlag && *static_cast<int*>(property->data) != 0;
  }
  noteEnd();
}

// A song that was playing has played out: it reads stopped at its end from now on.
void MpvMediaPlayer::noteEnd() {
  if (playState_ != kPlayPlaying || track_.load != Load::Loaded || !playedOut())
    return;
  playState_ = kPlayStopped;
  post([this] { Q_EMIT ended(); });
}

// A restart after the file is loaded means the audio chain is set up: the load is complete,
// unless no audio output could be opened (the file then ends with an error right after).
void MpvMediaPlayer::handleRestart() {
  if (track_.load == Load::Loaded && observed_.seeking) {
    observed_.seeking = false;
    observed_.eofReached = flagProperty("eof-reached");
    const double at = observed_.timePos.value_or(0.0);
    post([this, at] { Q_EMIT positionChanged(at); });
    noteEnd();
  }
  if (track_.load != Load::Loading || !track_.fileLoaded)
    return;
  char* output = Mpv().get_property_string(handle_, "current-ao");
  const bool haveOutput = output != nullptr;
  Mpv().free(output);
  if (!haveOutput) {
    fail(kMediaOutputError, QStringLiteral("The audio output could not be opened."));
    Mpv().command_string(handle_, "stop");
    return;
  }
  completeLoad();
}

void MpvMediaPlayer::completeLoad() {
  track_.load = Load::Loaded;
  // The first values of a new file may follow the restart; read them once now.
  if (!observed_.timePos)
    observed_.timePos = doubleProperty("time-pos");
  if (observed_.duration <= 0.0)
    observed_.duration = doubleProperty("duration").value_or(0.0);
  if (track_.seekWhenLoaded) {
    observed_.seeking = seekTo(*track_.seekWhenLoaded);
    observed_.timePos = *track_.seekWhenLoaded;
    track_.seekWhenLoaded.reset();
  }
  const double duration = observed_.duration;
  post([this, duration] {
    Q_EMIT durationChanged(duration);
    Q_EMIT loaded();
  });
}

void MpvMediaPlayer::handleEndFile(const mpv_event& event) {
  const auto* end = static_cast<const mpv_event_end_file*>(event.data);
  if (end->playlist_entry_id != track_.entryId)
    return;
  if (track_.load != Load::Loading && track_.load != Load::Loaded)
    return;
  if (end->reason != MPV_END_FILE_REASON_EOF && nextEntryId_ >= 0) {
    // mpv would go on with the next song by itself; what follows a failure is not its choice.
    Mpv().command_string(handle_, "stop");
    nextEntryId_ = -1;
  }
  switch (end->reason) {
    case MPV_END_FILE_REASON_ERROR:
      fail(end->error == MPV_ERROR_AO_INIT_FAILED ? kMediaOutputError : kMediaFormatError,
           QString::fromUtf8(Mpv().error_string(end->error)));
      break;
    case MPV_END_FILE_REASON_REDIRECT:
      // A playlist: its entries are not this file. Do not let mpv go on to play them.
      fail(kMediaFormatError, QStringLiteral("The file is a play list, not a song."));
      Mpv().command_string(handle_, "stop");
      break;
    case MPV_END_FILE_REASON_EOF:
      if (track_.load == Load::Loaded && nextEntryId_ >= 0) {
        handOver();
        break;
      }
      [[fallthrough]];
    default:
      if (track_.load == Load::Loading) {
        fail(kMediaFormatError, QStringLiteral("The file could not be loaded."));
      } else {
        track_.load = Load::Idle;
      }
      break;
  }
}

// The song played out and mpv goes on with the next one: the end is told now, and the player
// follows the next load from here while it reads as the old song at its end.
void MpvMediaPlayer::handOver() {
  const bool wasPlaying = playState_ == kPlayPlaying;
  playState_ = kPlayStopped;
  if (wasPlaying)
    post([this] { Q_EMIT ended(); });
  handover_ = Handover{nextPath_, observed_.duration};
  track_ = Track{};
  track_.load = Load::Loading;
  track_.entryId = std::exchange(nextEntryId_, -1);
  nextPath_.clear();
}

// The file name of the song mpv went on with: the player takes it as its load, without
// loading it again, and tells what is known of it so far.
bool MpvMediaPlayer::goOnWithNext(const QString& path) {
  const std::optional<Handover> handover = std::exchange(handover_, std::nullopt);
  if (!handover || path.isEmpty() || handover->path != path)
    return false;
  playState_ = observed_.paused ? kPlayStopped : kPlayPlaying;
  if (track_.load == Load::Loaded) {
    const double duration = observed_.duration;
    post([this, duration] {
      Q_EMIT durationChanged(duration);
      Q_EMIT loaded();
    });
  } else if (track_.load == Load::Failed) {
    tellFailure();
  }
  return true;
}

// The load failed: the player reads stopped from now on, and the failure is told once. A play
// of the file meanwhile or later tells nothing more. A song that does not play is part of
// normal use: an info line.
void MpvMediaPlayer::fail(MediaErrorKind kind, const QString& reason) {
  qCInfo(lcMedia, "Cannot play \"%s\": %s", qUtf8Printable(fileName_), qUtf8Printable(reason));
  track_.load = Load::Failed;
  track_.failureKind = kind;
  track_.failure = reason;
  playState_ = kPlayStopped;
  tellFailure();
}

void MpvMediaPlayer::tellFailure() {
  post([this, kind = track_.failureKind, reason = track_.failure] {
    Q_EMIT errorOccurred(kind, reason);
  });
}

void MpvMediaPlayer::post(std::function<void()> notify) {
  if (handover_)
    return;  // told once its file name is written (goOnWithNext)
  QMetaObject::invokeMethod(
      &receiver_,
      [this, notify = std::move(notify), load = loadNumber_] {
        if (load == loadNumber_)
          notify();
      },
      Qt::QueuedConnection);
}

// ---- loading -----------------------------------------------------------------------------

void MpvMediaPlayer::setFileName(const QString& path) {
  ensureStarted();
  fileName_ = path;
  ++loadNumber_;
  std::optional<double> start;
  if (pendingStart_ && pendingStart_->path == path)
    start = pendingStart_->seconds;
  pendingStart_.reset();
  nextPath_.clear();
  if (goOnWithNext(path))
    return;
  nextEntryId_ = -1;  // a new load replaces mpv's whole play list
  playState_ = kPlayStopped;
  switch (backend_) {
    case Backend::Unstarted:  // not after ensureStarted()
    case Backend::Failed:
      track_ = Track{};
      if (!path.isEmpty())
        fail(kMediaOutputError, QStringLiteral("The audio system could not be started."));
      return;
    case Backend::Starting:
      track_ = Track{};
      observed_.paused = true;
      track_.load = path.isEmpty() ? Load::Idle : Load::Loading;
      deferredLoad_.reset();
      if (!path.isEmpty())
        deferredLoad_ = DeferredLoad{path, start};
      return;
    case Backend::Running:
      track_ = Track{};
      observed_ = Observed{std::nullopt, 0.0, false, observed_.paused};
      beginLoad(path, start, false);
      return;
  }
}

// Hands the file to mpv. The track may already hold a play or a seek asked for while the
// backend was starting; resume unpauses the player once the load has begun.
void MpvMediaPlayer::beginLoad(const QString& path, std::optional<double> start, bool resume) {
  const QFileInfo info(path);
  if (path.isEmpty() || !info.isFile()) {
    // Directories would be opened as play lists, and devices or pipes could block for ever.
    Mpv().command_string(handle_, "stop");
    track_.load = Load::Idle;
    if (!path.isEmpty()) {
      fail(kMediaResourceError, info.exists() ? QStringLiteral("The path is not a file.")
                                              : QStringLiteral("The file does not exist."));
    }
    return;
  }
  setPaused(true);
  const int64_t entry = startLoad(info.absoluteFilePath(), start);
  if (entry < 0) {
    fail(kMediaResourceError, QStringLiteral("The file could not be loaded."));
    return;
  }
  track_.load = Load::Loading;
  track_.entryId = entry;
  if (resume)
    setPaused(false);
  queueNext();
}

void MpvMediaPlayer::setNextFileName(const QString& path) {
  if (path == nextPath_ && (path.isEmpty() || nextEntryId_ >= 0))
    return;
  nextPath_ = path;
  queueNext();
}

// Puts the next song behind the loaded one in mpv's play list, in place of any other. A next
// song that is no file is not handed over: the loaded one then ends as if there were none.
void MpvMediaPlayer::queueNext() {
  if (backend_ != Backend::Running || handover_ ||
      (track_.load != Load::Loading && track_.load != Load::Loaded)) {
    return;
  }
  if (nextEntryId_ >= 0) {
    Mpv().command_string(handle_, "playlist-clear");
    nextEntryId_ = -1;
  }
  const QFileInfo info(nextPath_);
  if (!nextPath_.isEmpty() && info.isFile())
    nextEntryId_ = startLoad(info.absoluteFilePath(), std::nullopt, "append");
}

// Starts loading the file in place of the current one ("replace"), or puts it at the end of
// mpv's play list ("append"); answers mpv's playlist entry id.
int64_t MpvMediaPlayer::startLoad(const QString& absolutePath, std::optional<double> start,
                                  const char* flags) {
  const QByteArray url = QFile::encodeName(absolutePath);
  const QByteArray options = start ? "start=" + FormatSeconds(*start) : QByteArray();
  std::vector<const char*> keys = {"name", "url", "flags"};
  std::vector<const char*> values = {"loadfile", url.constData(), flags};
  if (start) {
    keys.push_back("options");
    values.push_back(options.constData());
  }
  std::vector<mpv_node> nodes(values.size());
  for (size_t i = 0; i < values.size(); ++i) {
    nodes[i].format = MPV_FORMAT_STRING;
    nodes[i].u.string = const_cast<char*>(values[i]);
  }
  mpv_node_list list{static_cast<int>(nodes.size()), nodes.data(), const_cast<char**>(keys.data())};
  mpv_node command;
  command.format = MPV_FORMAT_NODE_MAP;
  command.u.list = &list;
  mpv_node result;
  if (Mpv().command_node(handle_, &command, &result) < 0)
    return -1;
  int64_t entry = -1;
  if (result.format == MPV_FORMAT_NODE_MAP) {
    for (int i = 0; i < result.u.list->num; ++i) {
      const mpv_node& value = result.u.list->values[i];
      if (qstrcmp(result.u.list->keys[i], "playlist_entry_id") == 0 &&
          value.format == MPV_FORMAT_INT64) {
        entry = value.u.int64;
      }
    }
  }
  Mpv().free_node_contents(&result);
  return entry;
}

// ---- transport ---------------------------------------------------------------------------

// A play of a file whose load failed does nothing: the failure was told when the load ended.
bool MpvMediaPlayer::play() {
  ensureStarted();
  if (handover_)
    setFileName(fileName_);  // the song that played out, again, in place of the next one
  switch (track_.load) {
    case Load::Idle:
      // Nothing to play: the play fails, and the player reads as after a failed load.
      if (backend_ == Backend::Failed) {
        fail(kMediaOutputError, QStringLiteral("The audio system could not be started."));
      } else {
        fail(kMediaResourceError, QStringLiteral("No file is loaded."));
      }
      return false;
    case Load::Failed:
      return false;
    case Load::Loading:
      // Unpaused, mpv starts the song once it is loaded.
      break;
    case Load::Loaded:
      // A song that has played out starts again from its beginning.
      if (playedOut() && seekTo(0.0)) {
        observed_.timePos = 0.0;
        observed_.seeking = true;
      }
      break;
  }
  setPaused(false);
  playState_ = kPlayPlaying;
  return track_.load == Load::Loaded;
}

void MpvMediaPlayer::stop() {
  setPaused(true);
  playState_ = kPlayStopped;
}

void MpvMediaPlayer::pause() {
  setPaused(true);
  const bool haveFile = track_.load == Load::Loaded || track_.load == Load::Loading;
  playState_ = haveFile ? kPlayPaused : kPlayStopped;
}

// Without a handle yet, the flag is kept for the load that waits for the backend. Paused,
// mpv's clock stops and so do its reports of the position: keep where it halted.
void MpvMediaPlayer::setPaused(bool paused) {
  observed_.paused = paused;
  if (handle_ == nullptr)
    return;
  int flag = paused ? 1 : 0;
  Mpv().set_property(handle_, "pause", MPV_FORMAT_FLAG, &flag);
  observed_.halted = false;
  if (paused && track_.load == Load::Loaded && !observed_.seeking) {
    observed_.timePos = doubleProperty("time-pos");
    // mpv tells the halted position again a while later, refined by well under a millisecond:
    // the position stays where it was read, as a halted song's should.
    observed_.halted = observed_.timePos.has_value();
  }
}

// ---- positions ---------------------------------------------------------------------------

// At the end the position is the duration itself, so that the two compare equal.
double MpvMediaPlayer::currentPosition() const {
  if (handover_)
    return handover_->duration;
  if (!isLoaded())
    return 0.0;
  if (observed_.eofReached && !observed_.seeking)
    return duration();
  return std::max(0.0, observed_.timePos.value_or(0.0));
}

void MpvMediaPlayer::setCurrentPosition(double seconds) {
  if (!QVT_CHECK(lcMedia(), std::isfinite(seconds), seconds))
    return;
  seconds = std::max(0.0, seconds);
  if (backend_ == Backend::Unstarted || backend_ == Backend::Failed)
    return;
  if (handover_) {
    pendingStart_ = PendingStart{fileName_, seconds};
    return;
  }
  switch (track_.load) {
    case Load::Loaded:
      if (playedOut())
        playState_ = kPlayStopped;
      // The position reads the target at once; mpv's events follow the seek from there.
      if (seekTo(seconds)) {
        observed_.timePos = seconds;
        observed_.seeking = true;
      }
      break;
    case Load::Loading:
      track_.seekWhenLoaded = seconds;
      break;
    case Load::Idle:
    case Load::Failed:
      // Nothing to seek in: the position goes with the next load of this file.
      pendingStart_ = PendingStart{fileName_, seconds};
      break;
  }
}

double MpvMediaPlayer::duration() const {
  if (handover_)
    return handover_->duration;
  return isLoaded() ? std::max(0.0, observed_.duration) : 0.0;
}

bool MpvMediaPlayer::seekTo(double seconds) {
  const QByteArray target = FormatSeconds(seconds);
  const char* args[] = {"seek", target.constData(), "absolute+exact", nullptr};
  return Mpv().command(handle_, args) >= 0;
}

// True when a song has played to its end and its sound has finished. mpv reports the end of
// the file when the last audio is handed to the output, which still plays what it holds (a
// few tenths of a second); keep-open pauses the player once the output has played it all.
bool MpvMediaPlayer::playedOut() const {
  return observed_.eofReached && observed_.paused && !observed_.seeking;
}

bool MpvMediaPlayer::flagProperty(const char* name) const {
  int value = 0;
  return Mpv().get_property(handle_, name, MPV_FORMAT_FLAG, &value) >= 0 && value != 0;
}

std::optional<double> MpvMediaPlayer::doubleProperty(const char* name) const {
  double value = 0.0;
  if (Mpv().get_property(handle_, name, MPV_FORMAT_DOUBLE, &value) < 0)
    return std::nullopt;
  return value;
}

// ---- states and volume -------------------------------------------------------------------

int32_t MpvMediaPlayer::readyState() const {
  if (backend_ == Backend::Unstarted)
    return kReadyComplete;
  if (backend_ == Backend::Failed)
    return kReadyUninitialized;
  return track_.load == Load::Loading && !handover_ ? kReadyLoading : kReadyComplete;
}

int32_t MpvMediaPlayer::playState() const {
  if (backend_ == Backend::Unstarted || backend_ == Backend::Failed)
    return kPlayStopped;
  return playState_;
}

int32_t MpvMediaPlayer::mediaStatus() const {
  if (handover_)
    return kMediaLoaded;  // the song that played out, until the next one's name is written
  switch (track_.load) {
    case Load::Idle:
      return kMediaNoMedia;
    case Load::Loading:
      return kMediaLoading;
    case Load::Loaded:
      return kMediaLoaded;
    case Load::Failed:
      return kMediaInvalid;
  }
  return kMediaNoMedia;
}

int32_t MpvMediaPlayer::volume() const {
  return volume_;
}

void MpvMediaPlayer::setVolume(int32_t hundredthsDb) {
  volume_ = std::clamp(hundredthsDb, kQuietestHundredths, int32_t{0});
  volumeSet_ = true;
  if (handle_ == nullptr)
    return;
  double value = MpvVolumeFromHundredthsDb(volume_);
  Mpv().set_property(handle_, "volume", MPV_FORMAT_DOUBLE, &value);
}

}  // namespace qvt
