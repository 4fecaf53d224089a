#include "player/quickplay/MainWindowHook.h"

#include <utility>

namespace qvt {

namespace {

std::function<void()>& Opener() {
  static std::function<void()> opener;
  return opener;
}

}  // namespace

void SetMainPlayerWindowOpener(std::function<void()> opener) {
  Opener() = std::move(opener);
}

void OpenMainPlayerWindow() {
  if (Opener())
    Opener()();
}

}  // namespace qvt
