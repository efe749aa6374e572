#pragma once

#include "external/appserver/TNetConnection.h"
#include "external/shared/TfrmRotiGeral.h"
#include "platform/TDBGrid.h"
#include "screens/common/TBillingScreen.h"
#include "screens/common/TQueryDef.h"
#include "screens/common/TSerieTranspBlock.h"

#include <memory>
#include <QDate>
#include <QString>

class TADOIBQuery;
class TBranchField;
class TBtnPesquisa;
class TCheckBox;
class TClientDataSet;
class TComboBox;
class TDataSource;
class TDateEditPlus;
class TDBEdit;
class TEdit;
class TField;
class TGroupBox;
class TMaskEdit;
class TNotebook;
class TSpeedButton;

// The billing computation screen (ZEL00100): branch, company and product group in the header,
// the period and the flight legs or billing locations to compute, the series and carrier, and
// the request to the application server. Its methods are spread over files by concern:
// TfrmApuracaoForm.cpp (layout, datasets, messages, bindings), TfrmApuracaoQueries.cpp (SQL
// lookups), TfrmApuracaoHeader.cpp (branch, company, group),
// TfrmApuracaoPeriod.cpp (panel gate, dates, loading), TfrmApuracaoGrids.cpp (selection
// grids), TfrmApuracaoConfirmation.cpp (the computation request).
class TfrmApuracao : public TfrmRotiGeral {
public:
    explicit TfrmApuracao(TComponent* owner = nullptr);
    ~TfrmApuracao() override;

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
    TMaskEdit* medTipoApur;
    TLabel* Label1;
    TComboBox* cbbTipoVoo;
    TLabel* lblGrupo;
    TMaskEdit* medCdGrupo;
    TBtnPesquisa* btpPesqGrupo;
    TEdit* edtNmGrupo;
    TLabel* Label2;
    TEdit* edtNrPedido;

    // Period (panDados).
    TPanel* panDados;
    TGroupBox* grbFechamento;
    TLabel* lblUltFech;
    TDBEdit* dbeUltFech;
    TLabel* lblProxFech;
    TEdit* edtProxFech;
    TGroupBox* grbPeriodo;
    TLabel* lblDataIniDeliv;
    TDateEditPlus* depDataIniDeliv;
    TLabel* lblDataFimDeliv;
    TDateEditPlus* depDataFimDeliv;
    TLabel* lblDataFatur;
    TDateEditPlus* depDataFatur;
    TCheckBox* chkAgrupServ;

    // Series and carrier (panBaixo).
    TPanel* panBaixo;
    TLabel* lblSerie;
    TMaskEdit* medSerie;
    TBtnPesquisa* btpSerie;
    TEdit* edtSerie;
    TSpeedButton* sbtCGC;
    TMaskEdit* medTransp;
    TBtnPesquisa* btpTransport;
    TEdit* edtTransp;

    // Selection lists.
    TNotebook* ntbFaturamento;
    TGroupBox* grbVoo;
    TDBGrid* dbgVooTrecho;
    TGroupBox* grbLocal;
    TDBGrid* dbgLocal;

    // SQL lookups and their data sources.
    TADOIBQuery* qryFilial;
    TADOIBQuery* qryCompanhia;
    TADOIBQuery* qrySerie;
    TADOIBQuery* qryTransport;
    TADOIBQuery* qryVd_Transport;
    TADOIBQuery* qryGrupo;
    TDataSource* dtsFilial;
    TDataSource* dtsCompanhia;
    TDataSource* dtsSerie;
    TDataSource* dtsTransport;
    TDataSource* dtsGrupo;

    // Server data.
    TClientDataSet* cdsFormemIsNF;
    TClientDataSet* cdsDiretorios;
    TClientDataSet* cdsPerFecham;
    TClientDataSet* cdsCtrlApurFat;
    TClientDataSet* cdsVooTrecho;
    TClientDataSet* cdsLocalFatu;
    TDataSource* dtsVooTrecho;
    TDataSource* dtsLocalFatu;

    TNetConnection netApuracao;

    // The series and carrier block over this screen's controls.
    TSerieTranspBlock& serieTransp() { return *m_serieTransp; }

    // Form events.
    void FormCreate(TComponent& sender);
    void FormActivate(TComponent& sender);
    void FormClose(TComponent& sender, TCloseAction& action);
    void netApuracaoBeforeConnect(TNetConnection& sender);

    // Branch, company and product group.
    void Vd_Filial(bool reportEmpty);
    void Vd_SgCia(bool reportEmpty);
    void Vd_Grupo(bool reportEmpty);
    void medCdFilialChange();
    void medCdFilialExit();
    void btpFilialBeforePesq(TComponent& sender, bool& proceed);
    void btpFilialAfterPesq();
    void medSgCiaKeyPress(QChar& key);
    void medSgCiaChange();
    void medSgCiaExit();
    void btpCompanhiaBeforePesq(TComponent& sender, bool& proceed);
    void btpCompanhiaAfterPesq();
    void medCdGrupoChange();
    void medCdGrupoExit();
    void btpPesqGrupoBeforePesq(TComponent& sender, bool& proceed);
    void btpPesqGrupoAfterPesq();
    void getNrPedido();

    // Panel gate, dates and loading.
    void panDataEnter();
    void panDataExit();
    void depDataIniDelivExit();
    void depDataFimDelivExit();
    void depDataFaturExit();
    void depDataIniDelivDateChange();
    void depDataFimDelivDateChange();
    void atualizaVooTrecho();
    void Vd_DataInicial();
    void Vd_DataFinal();
    void Vd_Faturamento();

    // Selection grids.
    void cdsVooTrechoIDTIPVOOGetText(TField& sender, QString& text, bool displayText);
    void dbgVooTrechoDrawColumnCell(const QRect& rect, int dataCol, TColumn& column,
                                    TGridDrawState state);
    void dbgVooTrechoCellClick(TColumn& column);
    void dbgVooTrechoKeyDown(int& key, TShiftState shift);
    void dbgVooTrechoTitleClick(TColumn& column);
    void dbgLocalDrawColumnCell(const QRect& rect, int dataCol, TColumn& column,
                                TGridDrawState state);
    void dbgLocalCellClick(TColumn& column);
    void dbgLocalKeyDown(int& key, TShiftState shift);
    void dbgLocalTitleClick(TColumn& column);
    // Membership of a key in a selection text ("_A_B").
    static bool isSelected(const QString& selection, const QString& key);

    // Confirmation.
    void sbtConfirmaClick();
    // The viewer key when the failure text is dropped; raises the translated failure otherwise.
    QString translateFailure(const QString& failure);

private:
    void buildHeader();
    void buildPeriod();
    void buildBottom();
    void buildGrids();
    void buildQueries();
    void buildDataSets();
    void bindEvents();
    void publishShared();

    // Reads the current company row; empty when the lookup has none.
    QString companyField(const QString& name) const;
    // "1", "2" or empty, from cbbTipoVoo.
    QString flightTypeCode() const;
    void loadVooTrecho();
    void defaultPeriod();
    void checkDate(TDateEditPlus* field, const QString& key);
    void checkEntries();
    bool askYesNo(const QString& key);
    void calculaApuracao(const QString& workingBranch);

    void toggleVoo();
    void checkAllVoos();
    void toggleLocal();
    void checkAllLocais();

    std::unique_ptr<TSerieTranspBlock> m_serieTransp;
    std::unique_ptr<TBranchField> m_branch;
    // What the fee screen and the viewer see of this screen.
    TBillingScreen m_shared;
};
