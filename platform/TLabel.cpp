#include "platform/TLabel.h"

TLabel::TLabel(TComponent* owner, TWinControl* parent)
    : TControl(owner, parent) {}

void TLabel::setCaption(const QString& caption) {
    if (caption == m_caption)
        return;
    m_caption = caption;
    changed();
}
