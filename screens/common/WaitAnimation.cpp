#include "screens/common/WaitAnimation.h"

#include "external/shared/Showavi.h"
#include "platform/TApplication.h"

WaitAnimation::WaitAnimation(int kind)
    : m_kind(kind) {
    Showavi::ActiveShowAvi(Application().mainForm(), kind);
}

WaitAnimation::~WaitAnimation() {
    hide();
}

void WaitAnimation::hide() {
    if (!m_shown)
        return;
    m_shown = false;
    Showavi::DeactiveShowAvi();
}

void WaitAnimation::show() {
    if (m_shown)
        return;
    m_shown = true;
    Showavi::ActiveShowAvi(Application().mainForm(), m_kind);
}
