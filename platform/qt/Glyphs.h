#pragma once

#include "platform/TButtonGlyph.h"

#include <QIcon>

namespace qtview {

// The pictures of the buttons, drawn here so that the view needs no image files: a
// magnifier for lookups, a tick for confirmations, a cross for cancelling. Which one a button
// shows is the model's choice; bgNone is no picture (a null icon).
class Glyphs {
public:
    static QIcon icon(TButtonGlyph glyph);
};

} // namespace qtview
