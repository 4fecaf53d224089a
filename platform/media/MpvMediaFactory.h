#pragma once
// Hands out libmpv-backed media players.

#include "platform/Media.h"

namespace qvt {

class MpvMediaFactory : public IMediaFactory {
 public:
  // Each player takes its audio output from QUAVERTONE_AUDIO as it is created.
  std::unique_ptr<IMediaPlayer> create() override;
};

}  // namespace qvt
