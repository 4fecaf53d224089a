#pragma once
// The windows of the tests, wired as the player's start-up wires them: the player's windows
// over the running test's play list object (made on first use, ended with the test), and one
// pair of progress windows for the test process. Slot<T>() is the slot of window class T.
// Made on first use, the windows verify updates under what the tests were built with
// (UpdateManifest::Trust::Compiled()); MakeWindows(trust) makes them under another.

#include <QCoreApplication>
#include <QEvent>
#include <memory>
#include <type_traits>
#include <utility>

#include "platform/fakes/InstalledPlatform.h"
#include "player/PlayerWindows.h"
#include "player/options/frmOptions.h"
#include "player/playlists/frmChoose.h"
#include "player/playlists/frmList.h"
#include "player/playlists/frmSearch.h"
#include "player/quickplay/frmQMusic.h"
#include "player/startup/MusicVariables.h"
#include "player/window/frmMusic.h"
#include "shared/UpdateManifest.h"
#include "shared/ui/ProgressWindows.h"
#include "tests/support/PlayListOfTheTest.h"

namespace qvt::test {

inline std::unique_ptr<PlayerWindows>& WindowsOfTheTest() {
  static std::unique_ptr<PlayerWindows> windows;
  return windows;
}

inline PlayerWindows& Windows() {
  std::unique_ptr<PlayerWindows>& windows = WindowsOfTheTest();
  if (!windows)
    windows = std::make_unique<PlayerWindows>(PlayList(), platform());
  return *windows;
}

inline QtProgressWindows& ProgressWindows() {
  static QtProgressWindows windows(ProcessorStateOf(platform()));
  return windows;
}

template <class T>
FormSlot<T>& Slot() {
  PlayerWindows& w = Windows();
  if constexpr (std::is_same_v<T, frmProcessing>) {
    return ProgressWindows().message();
  } else if constexpr (std::is_same_v<T, frmDeterminedProcessing>) {
    return ProgressWindows().bar();
  } else if constexpr (std::is_same_v<T, frmMusic>) {
    return w.music;
  } else if constexpr (std::is_same_v<T, frmList>) {
    return w.list;
  } else if constexpr (std::is_same_v<T, frmChoose>) {
    return w.editor;
  } else if constexpr (std::is_same_v<T, frmOptions>) {
    return w.options;
  } else if constexpr (std::is_same_v<T, frmSearch>) {
    return w.search;
  } else {
    static_assert(std::is_same_v<T, frmQMusic>);
    return w.quick;
  }
}

inline void UnloadAllWindows() {
  if (WindowsOfTheTest())
    WindowsOfTheTest()->forms.UnloadAllWithoutHandlers();
  ProgressWindows().forms().UnloadAllWithoutHandlers();
}

inline int LoadedWindowCount() {
  return Windows().forms.LoadedCount() + ProgressWindows().forms().LoadedCount();
}

// The end of a test: its windows go before its play list object does.
inline void EndWindowsOfTheTest() {
  if (!WindowsOfTheTest())
    return;
  WindowsOfTheTest()->forms.UnloadAllWithoutHandlers();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  WindowsOfTheTest().reset();
}

// The test's windows made anew, their updates verified under `trust`.
inline PlayerWindows& MakeWindows(UpdateManifest::Trust trust) {
  EndWindowsOfTheTest();
  WindowsOfTheTest() =
      std::make_unique<PlayerWindows>(PlayList(), platform(), nullptr, std::move(trust));
  return *WindowsOfTheTest();
}

}  // namespace qvt::test
