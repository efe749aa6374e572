#pragma once

#include <QIcon>
#include <QString>

namespace qtview {

// The pictures of the buttons, drawn here so that the view needs no image files: a
// magnifier for lookups, a tick for confirmations, a cross for cancelling.
class Glyphs {
public:
    static QIcon icon(const QString& name);
};

} // namespace qtview
