#pragma once

#include "platform/TForm.h"

class TEdit;
class TSpeedButton;

// The modal form the test screen opens: a value and an OK button that keeps it.
class TfrmModalTeste : public TForm {
public:
    explicit TfrmModalTeste(TComponent* owner = nullptr);

    TEdit* edtValor;
    TSpeedButton* sbtOk;
};
