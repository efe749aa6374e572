#pragma once

#include "external/shared/TfrmRotiGeral.h"

class TBevel;
class TClientDataSet;
class TDataSource;
class TDBEdit;
class TDBGrid;
class TMaskEdit;

// The computed-invoice viewer (ZEL00101): the invoices of one computation with the
// computation's totals, read-only.
class TfrmNotasApur : public TfrmRotiGeral {
public:
    explicit TfrmNotasApur(TComponent* owner = nullptr);
    ~TfrmNotasApur() override;

    TPanel* panData;
    TBevel* Bevel1;
    TLabel* lblCompanhia;
    TMaskEdit* medSgCia;
    TMaskEdit* medNmCia;
    TDBGrid* dbgCompanhia;
    TBevel* Bevel2;
    TLabel* Label1;
    TDBEdit* dbeVrTotal;
    TLabel* Label2;
    TDBEdit* dbeVrMoedEstr;
    TClientDataSet* cdsNotaFiscal;
    TDataSource* dtsNotaFiscal;

    void FormCreate(TComponent& sender);
    void FormActivate(TComponent& sender);
    void sbtConfirmaClick();
};
