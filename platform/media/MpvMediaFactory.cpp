#include "platform/media/MpvMediaFactory.h"

#include "platform/Platform.h"
#include "platform/media/MpvMediaPlayer.h"

namespace qvt {

std::unique_ptr<IMediaPlayer> MpvMediaFactory::create() {
  return std::make_unique<MpvMediaPlayer>(MpvAudioConfig::FromEnvironment());
}

void InstallMpvMediaFactory() {
  static MpvMediaFactory factory;
  platform().media = &factory;
}

}  // namespace qvt
