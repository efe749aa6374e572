#pragma once

#include "platform/TSpeedButton.h"

// The base form's flat command button; behaves as a speed button.
class TButtonFlat : public TSpeedButton {
public:
    explicit TButtonFlat(TComponent* owner = nullptr, TWinControl* parent = nullptr);
};
