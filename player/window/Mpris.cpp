#include "player/window/Mpris.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <functional>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

namespace qvt {

namespace {

// A move of the position this close to the one last announced is that same seek, told again
// by the media player once it has taken effect.
constexpr qint64 kSameSeekUs = 100000;
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

QVariantMap Metadata(const MprisState& s) {
  QVariantMap m;
  m[QStringLiteral("mpris:trackid")] =
      QVariant::fromValue(QDBusObjectPath(Mpris::TrackId(s.iTrack)));
  if (s.iTrack < 0)
    return m;
  m[QStringLiteral("xesam:title")] = s.sTitle;
  m[QStringLiteral("xesam:url")] = QUrl::fromLocalFile(s.sPath).toString(QUrl::FullyEncoded);
  if (s.iLengthUs > 0)
    m[QStringLiteral("mpris:length")] = s.iLengthUs;
  return m;
}

// The Player interface's properties that the state decides.
QVariantMap PlayerProperties(const MprisState& s) {
  return {{QStringLiteral("PlaybackStatus"), s.sStatus},
          {QStringLiteral("Metadata"), Metadata(s)},
          {QStringLiteral("Volume"), s.dVolume},
          {QStringLiteral("CanGoNext"), s.bCanGoNext},
          {QStringLiteral("CanGoPrevious"), s.bCanGoPrevious},
          {QStringLiteral("CanPlay"), s.bCanPlay},
          {QStringLiteral("CanPause"), s.bCanPause},
          {QStringLiteral("CanSeek"), s.bCanSeek},
          {QStringLiteral("Shuffle"), s.bShuffle},
          {QStringLiteral("LoopStatus"), s.sLoopStatus}};
}

class MprisPlayerAdaptor;

}  // namespace

// Owns the bus objects and keeps the desktop informed of the served target's state.
class MprisService : public QObject {
 public:
  MprisService(QDBusConnection bus, const MprisHub& hub);

  // Runs the action on the served target from the event loop, as a click would run (never
  // under a modal box), then signals what it changed. The D-Bus call has its answer at once.
  void Run(std::function<void(IMprisTarget&)> action) {
    QTimer::singleShot(0, this, [this, action = std::move(action)] {
      IMprisTarget* target = hub_.Served();
      if (target != nullptr && target->AcceptsInput())
        action(*target);
      Refresh();
    });
  }
  void Refresh();
  // Reads the state once the event loop has run what is already queued (the handlers that
  // follow a change), however many changes are told meanwhile.
  void RefreshSoon();
  void Seeked(qint64 iPositionUs);
  void PositionMoved(const IMprisTarget* target);
  MprisState State() const { return last_; }
  IMprisTarget* Served() const { return hub_.Served(); }

 private:
  const MprisHub& hub_;
  QDBusConnection bus_;
  MprisPlayerAdaptor* player_ = nullptr;
  MprisState last_;
  std::optional<qint64> iLastSeekedUs_;
  bool bRefreshPosted_ = false;
};

namespace {

class MprisRootAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
  Q_PROPERTY(bool CanQuit READ CanQuit)
  Q_PROPERTY(bool CanRaise READ CanRaise)
  Q_PROPERTY(bool HasTrackList READ HasTrackList)
  Q_PROPERTY(QString Identity READ Identity)
  Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
  Q_PROPERTY(QStringList SupportedUriSchemes READ Supported)
  Q_PROPERTY(QStringList SupportedMimeTypes READ Supported)

 public:
  MprisRootAdaptor(QObject* parent, MprisService& service)
      : QDBusAbstractAdaptor(parent), service_(service) {}
  bool CanQuit() const { return true; }
  bool CanRaise() const { return true; }
  bool HasTrackList() const { return false; }
  QString Identity() const { return QStringLiteral("Quavertone"); }
  QString DesktopEntry() const { return QStringLiteral("quavertone"); }
  // Songs come from the play list, never from a URI the desktop hands over.
  QStringList Supported() const { return {}; }

 public Q_SLOTS:
  void Raise() {
    RunOnServed([](IMprisTarget& t) { t.Raise(); });
  }
  void Quit() {
    RunOnServed([](IMprisTarget& t) { t.Quit(); });
  }

 private:
  void RunOnServed(std::function<void(IMprisTarget&)> action) { service_.Run(std::move(action)); }
  MprisService& service_;
};

class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
  Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
  Q_PROPERTY(double Rate READ Rate)
  Q_PROPERTY(double MinimumRate READ Rate)
  Q_PROPERTY(double MaximumRate READ Rate)
  Q_PROPERTY(QVariantMap Metadata READ GetMetadata)
  Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
  Q_PROPERTY(qlonglong Position READ Position)
  Q_PROPERTY(bool CanGoNext READ CanGoNext)
  Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
  Q_PROPERTY(bool CanPlay READ CanPlay)
  Q_PROPERTY(bool CanPause READ CanPause)
  Q_PROPERTY(bool CanSeek READ CanSeek)
  Q_PROPERTY(bool CanControl READ CanControl)
  Q_PROPERTY(bool Shuffle READ Shuffle WRITE SetShuffle)
  Q_PROPERTY(QString LoopStatus READ LoopStatus WRITE SetLoopStatus)

 public:
  MprisPlayerAdaptor(QObject* parent, MprisService& service)
      : QDBusAbstractAdaptor(parent), service_(service) {}

  QString PlaybackStatus() const { return State().sStatus; }
  double Rate() const { return 1.0; }
  QVariantMap GetMetadata() const { return Metadata(State()); }
  double Volume() const { return State().dVolume; }
  void SetVolume(double dVolume) {
    RunOnServed([dVolume](IMprisTarget& t) { t.SetVolume(dVolume); });
  }
  qlonglong Position() const {
    const IMprisTarget* target = service_.Served();
    return target ? target->PositionUs() : 0;
  }
  bool CanGoNext() const { return State().bCanGoNext; }
  bool CanGoPrevious() const { return State().bCanGoPrevious; }
  bool CanPlay() const { return State().bCanPlay; }
  bool CanPause() const { return State().bCanPause; }
  bool CanSeek() const { return State().bCanSeek; }
  bool CanControl() const { return true; }
  bool Shuffle() const { return State().bShuffle; }
  void SetShuffle(bool bShuffle) {
    RunOnServed([bShuffle](IMprisTarget& t) { t.SetShuffle(bShuffle); });
  }
  QString LoopStatus() const { return State().sLoopStatus; }
  void SetLoopStatus(const QString& sLoopStatus) {
    RunOnServed([sLoopStatus](IMprisTarget& t) { t.SetLoopStatus(sLoopStatus); });
  }

 public Q_SLOTS:
  void Play() {
    RunOnServed([](IMprisTarget& t) { t.Play(); });
  }
  void Pause() {
    RunOnServed([](IMprisTarget& t) { t.Pause(); });
  }
  void PlayPause() {
    RunOnServed([](IMprisTarget& t) { t.PlayPause(); });
  }
  void Stop() {
    RunOnServed([](IMprisTarget& t) { t.Stop(); });
  }
  void Next() {
    RunOnServed([](IMprisTarget& t) { t.Next(); });
  }
  void Previous() {
    RunOnServed([](IMprisTarget& t) { t.Previous(); });
  }
  // Past the end of the song is the next song; before its start, its start.
  void Seek(qlonglong Offset) {
    RunOnServed([this, Offset](IMprisTarget& t) {
      const MprisState s = t.State();
      if (!s.bCanSeek)
        return;
      // Saturating: an offset near the ends of the range (a desktop may send INT64_MAX to
      // mean "to the end") must not overflow into a seek back to the start.
      qint64 iSum = 0;
      if (__builtin_add_overflow(t.PositionUs(), static_cast<qint64>(Offset), &iSum))
        iSum = Offset > 0 ? std::numeric_limits<qint64>::max() : 0;
      const qint64 iTo = std::max<qint64>(0, iSum);
      if (s.iLengthUs > 0 && iTo > s.iLengthUs) {
        t.Next();
        return;
      }
      t.SeekTo(iTo);
      service_.Seeked(iTo);
    });
  }
  // Ignored unless it names the current song and a position within it.
  void SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) {
    RunOnServed([this, path = TrackId.path(), Position](IMprisTarget& t) {
      const MprisState s = t.State();
      if (!s.bCanSeek || path != Mpris::TrackId(s.iTrack) || Position < 0 ||
          (s.iLengthUs > 0 && Position > s.iLengthUs)) {
        return;
      }
      t.SeekTo(Position);
      service_.Seeked(Position);
    });
  }
  void OpenUri(const QString& Uri) { (void)Uri; }

 Q_SIGNALS:
  void Seeked(qlonglong Position);

 private:
  void RunOnServed(std::function<void(IMprisTarget&)> action) { service_.Run(std::move(action)); }
  MprisState State() const {
    const IMprisTarget* target = service_.Served();
    return target ? target->State() : MprisState();
  }
  MprisService& service_;
};

}  // namespace

MprisService::MprisService(QDBusConnection bus, const MprisHub& hub) : hub_(hub), bus_(bus) {
  auto* object = new QObject(this);
  new MprisRootAdaptor(object, *this);
  player_ = new MprisPlayerAdaptor(object, *this);
  bus_.registerObject(QString::fromLatin1(Mpris::kObjectPath), object,
                      QDBusConnection::ExportAdaptors);
  const QString name = QString::fromLatin1(Mpris::kBusName);
  if (!bus_.registerService(name))
    bus_.registerService(name + QStringLiteral(".instance") +
                         QString::number(QCoreApplication::applicationPid()));
}

void MprisService::Seeked(qint64 iPositionUs) {
  iLastSeekedUs_ = iPositionUs;
  Q_EMIT player_->Seeked(iPositionUs);
}

// The served window's song moved other than by playing. A stopped song has no position to
// tell; a seek the desktop asked for was told when it was made.
void MprisService::PositionMoved(const IMprisTarget* target) {
  if (target == nullptr || target != hub_.Served())
    return;
  const MprisState now = target->State();
  if (now.sStatus == QLatin1String("Stopped"))
    return;
  const qint64 iPosition = target->PositionUs();
  if (iLastSeekedUs_ && std::abs(iPosition - *iLastSeekedUs_) < kSameSeekUs) {
    iLastSeekedUs_.reset();
    return;
  }
  Seeked(iPosition);
}

void MprisService::RefreshSoon() {
  if (bRefreshPosted_)
    return;
  bRefreshPosted_ = true;
  QTimer::singleShot(0, this, [this] {
    bRefreshPosted_ = false;
    Refresh();
  });
}

void MprisService::Refresh() {
  const IMprisTarget* target = hub_.Served();
  const MprisState now = target ? target->State() : MprisState();
  if (now == last_)
    return;
  const QVariantMap before = PlayerProperties(last_);
  QVariantMap changed = PlayerProperties(now);
  for (auto it = changed.begin(); it != changed.end();) {
    it = it.value() == before.value(it.key()) ? changed.erase(it) : std::next(it);
  }
  last_ = now;
  if (changed.isEmpty())
    return;
  QDBusMessage signal = QDBusMessage::createSignal(
      QString::fromLatin1(Mpris::kObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
      QStringLiteral("PropertiesChanged"));
  signal << kPlayerInterface << changed << QStringList();
  bus_.send(signal);
}

MprisHub::MprisHub() = default;

MprisHub::~MprisHub() = default;

bool MprisHub::Install(const QDBusConnection& bus) {
  if (service_)
    return true;
  if (!bus.isConnected())
    return false;
  service_ = std::make_unique<MprisService>(bus, *this);
  return true;
}

void MprisHub::Attach(IMprisTarget* target, int iRank) {
  targets_.emplace_back(target, iRank);
  Changed();
}

void MprisHub::Detach(IMprisTarget* target) {
  std::erase_if(targets_, [target](const auto& entry) { return entry.first == target; });
  Changed();
}

IMprisTarget* MprisHub::Served() const {
  IMprisTarget* served = nullptr;
  int iBest = 0;
  for (const auto& [target, iRank] : targets_) {
    if (iRank >= iBest) {
      served = target;
      iBest = iRank;
    }
  }
  return served;
}

void MprisHub::Refresh() {
  if (service_)
    service_->Refresh();
}

void MprisHub::Changed() {
  if (service_)
    service_->RefreshSoon();
}

void MprisHub::PositionMoved(const IMprisTarget* target) {
  if (service_)
    service_->PositionMoved(target);
}

namespace Mpris {

QString PlaybackStatus(bool bPlaying, bool bResumeFromPosition) {
  if (bPlaying)
    return QStringLiteral("Playing");
  return bResumeFromPosition ? QStringLiteral("Paused") : QStringLiteral("Stopped");
}

QString TrackId(qint64 iTrack) {
  if (iTrack < 0)
    return QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
  return QStringLiteral("/io/github/quavertone/track/") + QString::number(iTrack);
}

}  // namespace Mpris

}  // namespace qvt

#include "Mpris.moc"
