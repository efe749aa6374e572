#include "platform/TButtonFlat.h"

TButtonFlat::TButtonFlat(TComponent* owner, TWinControl* parent)
    : TSpeedButton(owner, parent) {}
