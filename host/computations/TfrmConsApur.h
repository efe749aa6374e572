#pragma once

#include "external/appserver/TNetConnection.h"
#include "external/shared/TfrmRotiGeral.h"
#include "screens/common/TQueryDef.h"

#include <memory>
#include <QDate>
#include <QString>

class TADOIBQuery;
class TBranchField;
class TBtnPesquisa;
class TButtonFlat;
class TClientDataSet;
class TComboBox;
class TDataSource;
class TDateEditPlus;
class TDBGrid;
class TEdit;
class TMaskEdit;
struct TReport;

// The computations screen (ZEL00103), a screen of the host: the billing and airport-fee
// computations of a branch, filtered by company, period, status and kind, newest first; from
// it the user opens a computation's invoices, cancels a computation, and exports or prints
// the list. Methods by concern: TfrmConsApurForm.cpp (layout, datasets, messages, bindings),
// TfrmConsApurQueries.cpp (SQL lookups), TfrmConsApurHeader.cpp (filters and the query),
// TfrmConsApurActions.cpp (invoices, cancel), TfrmConsApurExport.cpp (CSV and the report).
class TfrmConsApur : public TfrmRotiGeral {
public:
    explicit TfrmConsApur(TComponent* owner = nullptr);
    ~TfrmConsApur() override;

    static const TQueryDefs& queryDefs();
    // The status codes of the status filter, by item, and the kind codes of the kind filter.
    static const QStringList& statusCodes();
    static const QStringList& kindCodes();
    // A computation's status and kind in words.
    static QString statusText(const QString& code);
    static QString kindText(const QString& code);

    // Filters (panData).
    TPanel* panData;
    TLabel* lblFilial;
    TMaskEdit* medCdFilial;
    TBtnPesquisa* btpFilial;
    TEdit* edtNmFilial;
    TLabel* lblCompanhia;
    TMaskEdit* medSgCia;
    TBtnPesquisa* btpCompanhia;
    TMaskEdit* medNmCia;
    TLabel* lblPeriodo;
    TDateEditPlus* depDataIni;
    TLabel* lblA;
    TDateEditPlus* depDataFim;
    TLabel* lblSituacao;
    TComboBox* cbbSituacao;
    TLabel* lblTipo;
    TComboBox* cbbTipo;

    // The computations and what sums them up.
    TDBGrid* dbgApuracoes;
    TLabel* lblResumo;

    // Commands beside the confirm button, which runs the query.
    TButtonFlat* sbtNotas;
    TButtonFlat* sbtCancela;
    TButtonFlat* sbtExporta;
    TButtonFlat* sbtImprime;

    TADOIBQuery* qryFilial;
    TADOIBQuery* qryCompanhia;
    TDataSource* dtsFilial;
    TDataSource* dtsCompanhia;
    TClientDataSet* cdsApuracoes;
    TDataSource* dtsApuracoes;

    TNetConnection netConsApur;

    // Handlers.
    void FormCreate(TComponent& sender);
    void FormClose(TComponent& sender, TCloseAction& action);
    void netConsApurBeforeConnect(TNetConnection& sender);
    void medCdFilialChange();
    void medCdFilialExit();
    void btpFilialBeforePesq(TComponent& sender, bool& proceed);
    void btpFilialAfterPesq();
    void medSgCiaKeyPress(QChar& key);
    void medSgCiaChange();
    void medSgCiaExit();
    void btpCompanhiaBeforePesq(TComponent& sender, bool& proceed);
    void btpCompanhiaAfterPesq();
    void sbtConfirmaClick();
    void sbtNotasClick();
    void sbtCancelaClick();
    void sbtExportaClick();
    void sbtImprimeClick();

    // Checks.
    void Vd_Filial(bool confirm);
    void Vd_SgCia();
    void Vd_Periodo();

    // Reloads the list with the filters on show; the current computation stays current when it
    // is still listed.
    void Consulta();
    // The list as CSV (";" separated, decimal comma) and as a report.
    QString csvText() const;
    TReport report() const;

private:
    void buildQueries();
    void buildDataSets();
    void buildHeader();
    void buildGrid();
    void buildButtons();
    void bindEvents();
    void refreshSummary();
    // The current computation; refuses when the list is empty.
    void requireCurrent() const;
    QString summaryText() const;
    QStringList filterTexts() const;
    QString saveFileName(const QString& title, const QString& suggested, const QString& filter);

    std::unique_ptr<TBranchField> m_branch;
    QString m_cdCia;
};
