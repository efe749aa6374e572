#pragma once

#include "platform/TControl.h"

// A sunken line or frame drawn for layout; display only.
class TBevel : public TControl {
public:
    explicit TBevel(TComponent* owner = nullptr, TWinControl* parent = nullptr);

    bool focusable() const override { return false; }
};
