#pragma once

#include "platform/TCustomEdit.h"

// A plain single-line edit.
class TEdit : public TCustomEdit {
public:
    explicit TEdit(TComponent* owner = nullptr, TWinControl* parent = nullptr);
};
