#include "platform/TEdit.h"

TEdit::TEdit(TComponent* owner, TWinControl* parent)
    : TCustomEdit(owner, parent) {}
