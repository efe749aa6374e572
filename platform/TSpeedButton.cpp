#include "platform/TSpeedButton.h"

TSpeedButton::TSpeedButton(TComponent* owner, TWinControl* parent)
    : TControl(owner, parent) {}

void TSpeedButton::setCaption(const QString& caption) {
    if (caption == m_caption)
        return;
    m_caption = caption;
    changed();
}

void TSpeedButton::setGlyph(TButtonGlyph glyph) {
    if (glyph == m_glyph)
        return;
    m_glyph = glyph;
    changed();
}
