#include "platform/media/MpvMediaFactory.h"

#include "platform/media/MpvMediaPlayer.h"

namespace qvt {

std::unique_ptr<IMediaPlayer> MpvMediaFactory::create() {
  return std::make_unique<MpvMediaPlayer>(MpvAudioConfig::FromEnvironment());
}

}  // namespace qvt
