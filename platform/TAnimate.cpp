#include "platform/TAnimate.h"

TAnimate::TAnimate(TComponent* owner, TWinControl* parent)
    : TControl(owner, parent) {}

void TAnimate::setActive(bool active) {
    if (active == m_active)
        return;
    m_active = active;
    changed();
}

void TAnimate::setKind(int kind) {
    if (kind == m_kind)
        return;
    m_kind = kind;
    changed();
}
