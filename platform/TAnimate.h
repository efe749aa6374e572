#pragma once

#include "platform/TControl.h"

// A running animation (the wait window's); display only. kind names the animation shown.
class TAnimate : public TControl {
public:
    explicit TAnimate(TComponent* owner = nullptr, TWinControl* parent = nullptr);

    bool focusable() const override { return false; }

    bool active() const { return m_active; }
    void setActive(bool active);
    int kind() const { return m_kind; }
    void setKind(int kind);

private:
    bool m_active = false;
    int m_kind = 0;
};
