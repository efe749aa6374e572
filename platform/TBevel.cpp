#include "platform/TBevel.h"

TBevel::TBevel(TComponent* owner, TWinControl* parent)
    : TControl(owner, parent) {}
