#pragma once
// The windows of the tests, wired as the player's start-up wires them: one set of the player's
// windows and one pair of progress windows for the test process, emptied between tests by
// UnloadAllWindows. Slot<T>() is the slot of window class T.

#include <type_traits>

#include "player/PlayerWindows.h"
#include "player/options/frmOptions.h"
#include "player/playlists/frmChoose.h"
#include "player/playlists/frmList.h"
#include "player/playlists/frmSearch.h"
#include "player/quickplay/frmQMusic.h"
#include "player/window/frmMusic.h"
#include "shared/ui/ProgressWindows.h"

namespace qvt::test {

inline PlayerWindows& Windows() {
  static PlayerWindows windows;
  return windows;
}

inline QtProgressWindows& ProgressWindows() {
  static QtProgressWindows windows;
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
  Windows().forms.UnloadAllWithoutHandlers();
  ProgressWindows().forms().UnloadAllWithoutHandlers();
}

inline int LoadedWindowCount() {
  return Windows().forms.LoadedCount() + ProgressWindows().forms().LoadedCount();
}

}  // namespace qvt::test
