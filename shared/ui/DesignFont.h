#pragma once

class QWidget;

namespace qvt {

// The windows are laid out in twips for an 8-point sans serif with Arial's metrics; this makes
// that font (Liberation Sans where installed) the application's default so captions fit.
void ApplyDesignFont();

// Shrinks the font of a control whose caption does not fit its designed width (down to 7
// points), so that captions are never clipped.
void FitCaption(QWidget* control);

}  // namespace qvt
