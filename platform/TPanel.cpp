#include "platform/TPanel.h"

TPanel::TPanel(TComponent* owner, TWinControl* parent)
    : TWinControl(owner, parent) {
    // Tab passes through containers to the controls inside.
    setTabStop(false);
}

void TPanel::setCaption(const QString& caption) {
    if (caption == m_caption)
        return;
    m_caption = caption;
    changed();
}
