#pragma once

#include "external/appserver/TNetConnection.h"
#include "external/shared/TfrmRotiGeral.h"
#include "platform/TDBGrid.h"
#include "screens/common/TQueryDef.h"
#include "screens/common/TSerieTranspBlock.h"

#include <memory>
#include <QDate>
#include <QString>
#include <QStringList>

class TADOIBQuery;
class TBranchField;
class TAnimate;
class TBtnPesquisa;
class TClientDataSet;
class TDataSource;
class TDateEditPlus;
class TEdit;
class TGroupBox;
class TMaskEdit;
class TSpeedButton;

// The airport-fee computation screen (ZEL00102), opened modally from the billing screen when
// its product group is an airport-fee group. It takes the invoices of an earlier billing
// computation, lets the user check some and asks the server to compute their fees. It reads
// the billing screen through TBillingScreen (branch, company, series, carrier lookups,
// messages). Methods by
// concern: TfrmApuracForm.cpp (layout, datasets, messages, bindings), TfrmApuracQueries.cpp
// (SQL lookups), TfrmApuracHeader.cpp (header checks and
// the billing date), TfrmApuracGrid.cpp (invoice grid), TfrmApuracConfirmation.cpp (request).
class TfrmApurac : public TfrmRotiGeral {
public:
    explicit TfrmApurac(TComponent* owner = nullptr);
    ~TfrmApurac() override;

    // The screen's SQL lookups, every dialect text, parameter and field.
    static const TQueryDefs& queryDefs();

    // Header (panData).
    TPanel* panData;
    TLabel* lblFilial;
    TMaskEdit* medCdFilial;
    TBtnPesquisa* btpFilial;
    TEdit* edtNmFilial;
    TLabel* lblCompanhia;
    TMaskEdit* medSgCia;
    TBtnPesquisa* btpCompanhia;
    TMaskEdit* medNmCia;
    TLabel* Label1;
    TMaskEdit* medNrApuracao;
    TBtnPesquisa* btnCtrlApurFat;
    TLabel* lblPeriodo;
    TDateEditPlus* depDataIni;
    TLabel* lblA;
    TDateEditPlus* depDataFim;

    // Invoice grid.
    TLabel* lblNotas;
    TDBGrid* dbgNotas;

    // Billing date, series and carrier (panBaixo).
    TPanel* panBaixo;
    TLabel* lblDataFatur;
    TDateEditPlus* depDataFatur;
    TLabel* lblSerie;
    TMaskEdit* medSerie;
    TBtnPesquisa* btpSerie;
    TEdit* edtSerie;
    TSpeedButton* sbtCGC;
    TMaskEdit* medTransp;
    TBtnPesquisa* btpTransport;
    TEdit* edtTransp;

    // Never shown: the screen waits under the shared wait animation instead.
    TPanel* panEspera;
    TGroupBox* grbEspera;
    TLabel* lblEspera;
    TAnimate* anmEspera;

    TADOIBQuery* qryCia;
    TADOIBQuery* qryFilial;
    TDataSource* dtsFilial;
    TDataSource* dtsCia;
    TClientDataSet* cdsCtrlApurFat;
    TClientDataSet* cdsNotasApuradas;
    TDataSource* dtsCtrlApurFat;
    TDataSource* dtsNotas;

    TNetConnection netApurac;

    TSerieTranspBlock& serieTransp() { return *m_serieTransp; }

    // Form events.
    void FormCreate(TComponent& sender);
    void FormShow(TComponent& sender);
    void FormActivate(TComponent& sender);
    void FormClose(TComponent& sender, TCloseAction& action);
    void netApuracBeforeConnect(TNetConnection& sender);
    void qryCiaBeforeOpen(TDataSet& dataSet);

    // Header checks; `confirm` is true from the confirmation and the grid's entry.
    void Vd_Filial(bool confirm);
    void Vd_SgCia(bool confirm);
    void Vd_NrApuracao();
    void vd_Data(bool confirm, TDateEditPlus* field);
    void vd_DataMenor(TDateEditPlus* field);
    void Vd_Faturamento();

    // Header events.
    void medCdFilialChange();
    void medCdFilialExit();
    void btpFilialBeforePesq(TComponent& sender, bool& proceed);
    void btpFilialAfterPesq();
    void medSgCiaKeyPress(QChar& key);
    void medSgCiaChange();
    void medSgCiaExit();
    void btpCompanhiaBeforePesq(TComponent& sender, bool& proceed);
    void btpCompanhiaAfterPesq();
    void btnCtrlApurFatBeforePesq(TComponent& sender, bool& proceed);
    void btnCtrlApurFatAfterPesq();
    void medNrApuracaoExit();
    void depDataIniExit();
    void depDataFimExit();
    void panDataEnter();
    void panDataExit();
    void depDataFaturExit();
    // The billing date proposed from the company's last closing, the closing day the server
    // gave (empty: none) and the company's billing days (text; not a whole number: none). Null
    // when the company has no last closing.
    static QDate proposedBillingDate(const QDate& lastClosing, const QString& closingDay,
                                     const QString& billingDays);

    // Invoice grid.
    void dbgNotasEnter();
    void AlteraCheck();
    void dbgNotasCellClick(TColumn& column);
    void dbgNotasKeyDown(int& key, TShiftState shift);
    void dbgNotasTitleClick(TColumn& column);
    void dbgNotasDrawColumnCell(const QRect& rect, int dataCol, TColumn& column,
                                TGridDrawState state);

    // Confirmation.
    void sbtConfirmaClick();
    // Hides the wait animation, lets the windows catch up and raises what a failure of the
    // request becomes in the billing screen's messages; returns when it is to be dropped.
    static void translateFailure(const QString& failure);
    // "_A_B_" from the checked rows in dataset order; empty when none is checked.
    QString checkedInvoices();
    // The text of a database failure from its entries: from the second on, each after a blank,
    // up to the first holding a line feed (cut there), without a leading " ORA-nnnnn: ".
    static QString rebuildDatabaseError(const QStringList& entries);

private:
    void buildHeader();
    void buildGrid();
    void buildBottom();
    void buildWaitPanel();
    void buildQueries();
    void buildDataSets();
    void bindEvents();

    // A field of the current company row; empty when the lookup has none.
    QString companyField(const QString& name) const;
    void openCompany(const QString& todos);
    void loadNotasApuradas();
    void validate();
    bool askYesNo(const QString& key);
    // The request's steps under the failure translation; the viewer key, empty when a failure
    // was dropped.
    QString requestNumber();
    // The result text of CalcApuracTaxa; empty when its failure was dropped.
    QString calcApuracTaxa(const QString& invoices, const QString& group);

    std::unique_ptr<TSerieTranspBlock> m_serieTransp;
    std::unique_ptr<TBranchField> m_branch;
};
