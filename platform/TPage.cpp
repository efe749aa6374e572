#include "platform/TPage.h"

TPage::TPage(TComponent* owner, TWinControl* parent)
    : TWinControl(owner, parent) {
    // Tab passes through containers to the controls inside.
    setTabStop(false);
}

void TPage::setCaption(const QString& caption) {
    if (caption == m_caption)
        return;
    m_caption = caption;
    changed();
}
