#pragma once
// How the quick play window opens the main player window ("&Load QVT"): through a function
// that the program's start-up installs, so that quick play does not depend on the player
// window's class.

#include <functional>

namespace qvt {

// Installs the function that loads and shows the main player window (an empty one removes it).
void SetMainPlayerWindowOpener(std::function<void()> opener);
// Loads and shows the main player window; does nothing when no opener is installed.
void OpenMainPlayerWindow();

}  // namespace qvt
