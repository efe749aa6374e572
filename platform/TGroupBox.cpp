#include "platform/TGroupBox.h"

TGroupBox::TGroupBox(TComponent* owner, TWinControl* parent)
    : TWinControl(owner, parent) {
    // Tab passes through containers to the controls inside.
    setTabStop(false);
}

void TGroupBox::setCaption(const QString& caption) {
    if (caption == m_caption)
        return;
    m_caption = caption;
    changed();
}
