#pragma once

#include "platform/TForm.h"

class TBtnPesquisa;
class TClientDataSet;
class TComboBox;
class TDataSource;
class TDateEditPlus;
class TDBGrid;
class TEdit;
class TLabel;
class TMaskEdit;
class TNotebook;
class TPanel;
class TSpeedButton;

// A small screen for driving the script host: a header panel with a code that refuses
// "ERRO" on exit, an upper-case name, a date, a combo, a notebook, a grid with a lookup
// over the same rows, and a confirm button that asks, logs a call and opens a modal form.
class TfrmTeste : public TForm {
public:
    explicit TfrmTeste(TComponent* owner = nullptr);

    TPanel* panCab;
    TMaskEdit* medCodigo;
    TBtnPesquisa* btpCodigo;
    TEdit* edtNome;
    TDateEditPlus* depData;
    TComboBox* cbbTipo;
    TNotebook* ntbPaginas;
    TDBGrid* dbgLista;
    TClientDataSet* cdsLista;
    TDataSource* dtsLista;
    TLabel* lblMudancas;
    TLabel* lblDatas;
    TSpeedButton* sbtConfirma;
    TSpeedButton* sbtDesab;

private:
    template <class T>
    T* create(const QString& name, TWinControl* parent) {
        T* control = new T(this, parent);
        control->setName(name);
        return control;
    }
    void sbtConfirmaClick();

    int m_changes = 0;
    int m_dateChanges = 0;
};
