// The billing screen as data: layout, datasets, messages and event bindings.
#include "screens/billing/TfrmApuracao.h"

#include "external/shared/TADOIBQuery.h"
#include "external/shared/TBtnPesquisa.h"
#include "external/shared/TDateEditPlus.h"
#include "external/shared/TMessages.h"
#include "platform/TButtonFlat.h"
#include "platform/TCheckBox.h"
#include "platform/TClientDataSet.h"
#include "platform/TComboBox.h"
#include "platform/TDataSource.h"
#include "platform/TDBEdit.h"
#include "platform/TEdit.h"
#include "platform/TGroupBox.h"
#include "platform/TLabel.h"
#include "platform/TMaskEdit.h"
#include "platform/TNotebook.h"
#include "platform/TPage.h"
#include "platform/TPanel.h"
#include "platform/TSpeedButton.h"
#include "screens/billing/Cli_Zel00100.h"
#include "screens/common/FormParts.h"
#include "screens/common/ScreenSteps.h"
#include "screens/common/TBranchField.h"

using namespace FormParts;

namespace {

const QStringList kMessages = {
    QStringLiteral("Dt_Err|Data da apuração deve ser menor ou igual à data atual."),
    QStringLiteral("J|&Transp. (C.G.C.)"),
    QStringLiteral("F|&Transp. (C.P.F.)"),
    QStringLiteral("O|&Transp. (Código)"),
    QStringLiteral("I|&Transp. (Jurídica)"),
    QStringLiteral("Trans_Inf|Transportadora deve ser informada."),
    QStringLiteral("Serie_Inf|Série N.F. deve ser informada."),
    QStringLiteral(
        "Data_Fim|Data final de apuração de deliverys maior que a data atual. Confirma?"),
    QStringLiteral("Trans_N_Cad|Transportadora não cadastrada."),
    QStringLiteral("Serie_N_Cad|Série de documentos de saída não cadastrada."),
    QStringLiteral("apu_OK|Apuração concluída."),
    QStringLiteral("Sigla_Inf|Companhia deve ser informada."),
    QStringLiteral("Sigla_Cad|Companhia não cadastrada."),
    QStringLiteral("Voo_Inf|Vôo deve ser informado para apuração."),
    QStringLiteral("DtFim>DtFatu|Data final maior que a data de faturamento. Confirma?"),
    QStringLiteral("DATA_inv|não é uma data válida."),
    QStringLiteral("DtIni>DtFim|Data inicial (delivery) deve ser menor ou igual a data final "
                   "(delivery)."),
    QStringLiteral("DTINI_ni|Data inicial (delivery) deve ser informada."),
    QStringLiteral("DTFIM_ni|Data final (delivery) deve ser informada."),
    QStringLiteral("DTFATU_ni|Data faturamento deve ser informada."),
    QStringLiteral("Deliv_Bloq|Apuração de faturamento bloqueada: Dados selecionados através do "
                   "filtro informado (delivery's, planos de vôo) já estão sendo considerados em "
                   "outra apuração de faturamento ou em alteração em outros sistemas."),
    QStringLiteral("Apur_Irreg|Última apuração realizada %s para a companhia foi interrompida, "
                   "podendo os dados não estarem consistentes. Realize o cancelamento da mesma e "
                   "apure novamente."),
    QStringLiteral("Filial_Inf|Filial deve ser informada."),
    QStringLiteral("Filial_Cad|Filial não cadastrada."),
    QStringLiteral("Data_Inicial|O ano da data inicial digitada é menor do que o ano da data "
                   "atual, deseja confirmar?"),
    QStringLiteral("Data_Faturamento|O ano da data de faturamento digitada é menor do que o ano "
                   "da data atual, deseja confirmar?"),
    QStringLiteral("Regular|Regular"),
    QStringLiteral("Extra|Extra"),
    QStringLiteral("Grupo_Inf|Agrupamento de Produtos deve ser informado."),
    QStringLiteral("Grupo_Cad|Agrupamento de Produtos não cadastrado."),
    QStringLiteral("Grup_Taxa|Agrupamento de produtos corresponde a um agrupamento relativo a "
                   "taxa aeroportuária?"),
    QStringLiteral("Sim|Sim"),
    QStringLiteral("Nao|Não"),
    QStringLiteral("DELVALO_nf|Operação bloqueada! Existe alguma delivery sem Nr. de Faturamento "
                   "no período informado."),
    QStringLiteral("TpFt_N_Cad|Tipo de faturamento não cadastrado para a companhia."),
    QStringLiteral("IndFi_NCad|Índice financeiro não cadastrado para a companhia."),
    QStringLiteral("N_Prod_Tax|Não há Produto para taxa de aeroporto cadastrado no agrupamento "
                   "informado."),
    QStringLiteral("Inf_ProTax|Produto para taxa de aeroporto nacional deve ser informado."),
    QStringLiteral("Local_Inf|Local de faturamento deve ser informado para apuração."),
    QStringLiteral("dir_n_exists|O diretório parametrizado para exportação de delivery está "
                   "incorreto."),
    QStringLiteral("Serie_Div_SerieServ|Série de NF de serviço deve ser diferente de série de NF "
                   "de produto."),
    QStringLiteral("VOO_SEM_DADOS_APURAC|Vôo não possui dados para apuração ou já apurado no "
                   "período."),
};

} // namespace

TfrmApuracao::TfrmApuracao(TComponent* owner)
    : TfrmRotiGeral(owner) {
    setName(QStringLiteral("frmApuracao"));
    setCaption(QStringLiteral("Cálculo da Apuração"));
    setFormStyle(fsMDIChild);
    setBorderStyle(bsSingle);
    setHelpContext(13200100);
    layoutFrame(698, 396);
    lblCodTela->setCaption(QStringLiteral("ZEL00100"));
    sbtConfirma->setEnabled(false);
    msgPadrao->setMessages(kMessages);

    buildQueries();
    buildDataSets();
    buildHeader();
    buildGrids();
    buildPeriod();
    buildBottom();

    TSerieTranspBlock::Config block;
    block.controls = {lblSerie, medSerie,  btpSerie,     edtSerie,
                      sbtCGC,   medTransp, btpTransport, edtTransp};
    block.sources = {qrySerie, qryTransport, qryVd_Transport, dtsSerie, dtsTransport, msgPadrao};
    block.ownMessages = msgPadrao;
    block.kind = &Cli_Zel00100::chIdTipoTransp;
    block.branch = [this] { return medCdFilial->text(); };
    m_serieTransp = std::make_unique<TSerieTranspBlock>(std::move(block));
    m_branch = std::make_unique<TBranchField>(medCdFilial, edtNmFilial, qryFilial, msgPadrao);

    bindEvents();
    setActiveControl(medCdFilial);
    publishShared();
}

TfrmApuracao::~TfrmApuracao() {
    TBillingScreen::withdraw(&m_shared);
    // The other screens reach this one through the unit variable: never leave it dangling.
    if (Cli_Zel00100::frmApuracao == this)
        Cli_Zel00100::frmApuracao = nullptr;
}

void TfrmApuracao::publishShared() {
    m_shared.form = this;
    m_shared.medCdFilial = medCdFilial;
    m_shared.edtNmFilial = edtNmFilial;
    m_shared.medSgCia = medSgCia;
    m_shared.medNmCia = medNmCia;
    m_shared.medSerie = medSerie;
    m_shared.medCdGrupo = medCdGrupo;
    m_shared.qryCompanhia = qryCompanhia;
    m_shared.cdsPerFecham = cdsPerFecham;
    m_shared.msgPadrao = msgPadrao;
    m_shared.netApuracao = &netApuracao;
    m_shared.serieTransp = m_serieTransp.get();
    TBillingScreen::publish(&m_shared);
}

void TfrmApuracao::buildHeader() {
    panData = create<TPanel>(QStringLiteral("panData"), grbDadosRel);
    panData->setBounds(8, 16, 618, 86);
    panData->setTabOrder(0);

    lblFilial = create<TLabel>(QStringLiteral("lblFilial"), panData);
    lblFilial->setCaption(QStringLiteral("Filial"));
    lblFilial->setBounds(8, 10, 70, 14);
    medCdFilial = create<TMaskEdit>(QStringLiteral("medCdFilial"), panData);
    medCdFilial->setEditMask(QStringLiteral(">aaaa;0; "));
    medCdFilial->setMaxLength(4);
    medCdFilial->setBounds(82, 6, 50, kFieldHeight);
    asEntry(medCdFilial);
    lblFilial->setFocusControl(medCdFilial);
    btpFilial = create<TBtnPesquisa>(QStringLiteral("btpFilial"), panData);
    btpFilial->setBounds(134, 6, kButtonSize, kButtonSize);
    setupLookup(btpFilial, medCdFilial, QStringLiteral("Filial"), dtsFilial,
                QStringLiteral("Não há filial cadastrada."));
    edtNmFilial = create<TEdit>(QStringLiteral("edtNmFilial"), panData);
    edtNmFilial->setBounds(158, 6, 220, kFieldHeight);
    asDisplay(edtNmFilial);

    Label2 = create<TLabel>(QStringLiteral("Label2"), panData);
    Label2->setCaption(QStringLiteral("Nº Pedido"));
    Label2->setBounds(430, 10, 70, 14);
    edtNrPedido = create<TEdit>(QStringLiteral("edtNrPedido"), panData);
    edtNrPedido->setMaxLength(10);
    edtNrPedido->setBounds(504, 6, 100, kFieldHeight);
    asEntry(edtNrPedido);
    Label2->setFocusControl(edtNrPedido);

    lblCompanhia = create<TLabel>(QStringLiteral("lblCompanhia"), panData);
    lblCompanhia->setCaption(QStringLiteral("Companhia"));
    lblCompanhia->setBounds(8, 36, 70, 14);
    medSgCia = create<TMaskEdit>(QStringLiteral("medSgCia"), panData);
    medSgCia->setMaxLength(5);
    medSgCia->setCharCase(ecUpperCase);
    medSgCia->setBounds(82, 32, 50, kFieldHeight);
    asEntry(medSgCia);
    lblCompanhia->setFocusControl(medSgCia);
    btpCompanhia = create<TBtnPesquisa>(QStringLiteral("btpCompanhia"), panData);
    btpCompanhia->setBounds(134, 32, kButtonSize, kButtonSize);
    setupLookup(btpCompanhia, medSgCia, QStringLiteral("Companhia"), dtsCompanhia,
                QStringLiteral("Não há companhia cadastrada."));
    medNmCia = create<TMaskEdit>(QStringLiteral("medNmCia"), panData);
    medNmCia->setBounds(158, 32, 220, kFieldHeight);
    asDisplay(medNmCia);
    medTipoApur = create<TMaskEdit>(QStringLiteral("medTipoApur"), panData);
    medTipoApur->setBounds(384, 32, 220, kFieldHeight);
    asDisplay(medTipoApur);

    Label1 = create<TLabel>(QStringLiteral("Label1"), panData);
    Label1->setCaption(QStringLiteral("Tipo do Vôo"));
    Label1->setBounds(8, 62, 70, 14);
    cbbTipoVoo = create<TComboBox>(QStringLiteral("cbbTipoVoo"), panData);
    cbbTipoVoo->setItems(
        {QStringLiteral("Regular"), QStringLiteral("Extra"), QStringLiteral("Todos")});
    cbbTipoVoo->setItemIndex(2);
    cbbTipoVoo->setBounds(82, 58, 90, kFieldHeight);
    asEntry(cbbTipoVoo);
    Label1->setFocusControl(cbbTipoVoo);

    lblGrupo = create<TLabel>(QStringLiteral("lblGrupo"), panData);
    lblGrupo->setCaption(QStringLiteral("Agrupamento de Produtos"));
    lblGrupo->setBounds(184, 62, 140, 14);
    medCdGrupo = create<TMaskEdit>(QStringLiteral("medCdGrupo"), panData);
    medCdGrupo->setMaxLength(10);
    medCdGrupo->setBounds(328, 58, 80, kFieldHeight);
    asEntry(medCdGrupo);
    lblGrupo->setFocusControl(medCdGrupo);
    btpPesqGrupo = create<TBtnPesquisa>(QStringLiteral("btpPesqGrupo"), panData);
    btpPesqGrupo->setBounds(410, 58, kButtonSize, kButtonSize);
    setupLookup(btpPesqGrupo, medCdGrupo, QStringLiteral("Grupo"), dtsGrupo,
                QStringLiteral("Não há agrupamento de produtos cadastrado."));
    edtNmGrupo = create<TEdit>(QStringLiteral("edtNmGrupo"), panData);
    edtNmGrupo->setBounds(434, 58, 170, kFieldHeight);
    asDisplay(edtNmGrupo);

    // Display fields take no focus, so the tab order is that of the entries.
    medCdFilial->setTabOrder(0);
    medSgCia->setTabOrder(1);
    cbbTipoVoo->setTabOrder(2);
    medCdGrupo->setTabOrder(3);
    edtNrPedido->setTabOrder(4);
}

void TfrmApuracao::buildGrids() {
    ntbFaturamento = create<TNotebook>(QStringLiteral("ntbFaturamento"), grbDadosRel);
    ntbFaturamento->setBounds(8, 106, 300, 200);
    ntbFaturamento->setTabOrder(3);
    TPage* pgVoos = ntbFaturamento->addPage(QStringLiteral("pgVoos"));
    TPage* pgLocais = ntbFaturamento->addPage(QStringLiteral("pgLocais"));
    ntbFaturamento->setPageIndex(0);

    grbVoo = create<TGroupBox>(QStringLiteral("grbVoo"), pgVoos);
    grbVoo->setCaption(QStringLiteral("Selecione o Vôo"));
    grbVoo->setBounds(0, 0, 300, 200);
    dbgVooTrecho = create<TDBGrid>(QStringLiteral("dbgVooTrecho"), grbVoo);
    dbgVooTrecho->setBounds(6, 16, 288, 178);
    dbgVooTrecho->setDataSource(dtsVooTrecho);
    setupGrid(dbgVooTrecho);
    setupCheckColumn(dbgVooTrecho->addColumn(QStringLiteral("IDMARCVOO")), 21, true);
    dbgVooTrecho->addColumn(QStringLiteral("NRVOO")).setWidth(43);
    dbgVooTrecho->addColumn(QStringLiteral("SGBASEORI")).setWidth(65);
    dbgVooTrecho->addColumn(QStringLiteral("SGBASEDES")).setWidth(69);
    dbgVooTrecho->addColumn(QStringLiteral("IDTIPVOO")).setWidth(65);

    grbLocal = create<TGroupBox>(QStringLiteral("grbLocal"), pgLocais);
    grbLocal->setCaption(QStringLiteral("Selecione o Local de Faturamento"));
    grbLocal->setBounds(0, 0, 300, 200);
    dbgLocal = create<TDBGrid>(QStringLiteral("dbgLocal"), grbLocal);
    dbgLocal->setBounds(6, 16, 288, 178);
    dbgLocal->setDataSource(dtsLocalFatu);
    setupGrid(dbgLocal);
    setupCheckColumn(dbgLocal->addColumn(QStringLiteral("IDMARCADO")), 18, false,
                     FormParts::kHeavyCheckMark);
    dbgLocal->addColumn(QStringLiteral("CDLOCAFATCIA")).setWidth(77);
    dbgLocal->addColumn(QStringLiteral("NMLOCAFATCIA")).setWidth(161);
}

void TfrmApuracao::buildPeriod() {
    panDados = create<TPanel>(QStringLiteral("panDados"), grbDadosRel);
    panDados->setBounds(316, 106, 310, 200);
    panDados->setTabOrder(1);

    grbFechamento = create<TGroupBox>(QStringLiteral("grbFechamento"), panDados);
    grbFechamento->setCaption(QStringLiteral("Fechamento"));
    grbFechamento->setBounds(4, 0, 302, 62);
    lblUltFech = create<TLabel>(QStringLiteral("lblUltFech"), grbFechamento);
    lblUltFech->setCaption(QStringLiteral("Último Fechamento"));
    lblUltFech->setBounds(8, 16, 130, 14);
    dbeUltFech = create<TDBEdit>(QStringLiteral("dbeUltFech"), grbFechamento);
    dbeUltFech->setBounds(8, 32, 100, kFieldHeight);
    dbeUltFech->setDataSource(dtsCompanhia);
    dbeUltFech->setDataField(QStringLiteral("DTULTFECH"));
    asDisplay(dbeUltFech);
    lblProxFech = create<TLabel>(QStringLiteral("lblProxFech"), grbFechamento);
    lblProxFech->setCaption(QStringLiteral("Próximo Fechamento"));
    lblProxFech->setBounds(150, 16, 130, 14);
    edtProxFech = create<TEdit>(QStringLiteral("edtProxFech"), grbFechamento);
    edtProxFech->setBounds(150, 32, 100, kFieldHeight);
    asDisplay(edtProxFech);

    grbPeriodo = create<TGroupBox>(QStringLiteral("grbPeriodo"), panDados);
    grbPeriodo->setCaption(QStringLiteral("Período"));
    grbPeriodo->setBounds(4, 66, 302, 104);
    lblDataIniDeliv = create<TLabel>(QStringLiteral("lblDataIniDeliv"), grbPeriodo);
    lblDataIniDeliv->setCaption(QStringLiteral("Data Inicial (Delivery)"));
    lblDataIniDeliv->setBounds(8, 16, 135, 14);
    depDataIniDeliv = create<TDateEditPlus>(QStringLiteral("depDataIniDeliv"), grbPeriodo);
    depDataIniDeliv->setBounds(8, 32, 100, kFieldHeight);
    lblDataFimDeliv = create<TLabel>(QStringLiteral("lblDataFimDeliv"), grbPeriodo);
    lblDataFimDeliv->setCaption(QStringLiteral("Data Final (Delivery)"));
    lblDataFimDeliv->setBounds(150, 16, 135, 14);
    depDataFimDeliv = create<TDateEditPlus>(QStringLiteral("depDataFimDeliv"), grbPeriodo);
    depDataFimDeliv->setBounds(150, 32, 100, kFieldHeight);
    lblDataFatur = create<TLabel>(QStringLiteral("lblDataFatur"), grbPeriodo);
    lblDataFatur->setCaption(QStringLiteral("Data Faturamento"));
    lblDataFatur->setBounds(8, 58, 135, 14);
    depDataFatur = create<TDateEditPlus>(QStringLiteral("depDataFatur"), grbPeriodo);
    depDataFatur->setBounds(8, 74, 100, kFieldHeight);
    for (TDateEditPlus* date : {depDataIniDeliv, depDataFimDeliv, depDataFatur})
        setupDate(date);
    lblDataIniDeliv->setFocusControl(depDataIniDeliv);
    lblDataFimDeliv->setFocusControl(depDataFimDeliv);
    lblDataFatur->setFocusControl(depDataFatur);

    chkAgrupServ = create<TCheckBox>(QStringLiteral("chkAgrupServ"), panDados);
    chkAgrupServ->setCaption(QStringLiteral("Agrupar Serviços"));
    chkAgrupServ->setBounds(8, 176, 150, 17);
    chkAgrupServ->setTabStop(true);

    grbFechamento->setTabOrder(0);
    grbPeriodo->setTabOrder(1);
    chkAgrupServ->setTabOrder(2);
}

void TfrmApuracao::buildBottom() {
    panBaixo = create<TPanel>(QStringLiteral("panBaixo"), grbDadosRel);
    panBaixo->setBounds(8, 310, 618, 76);
    panBaixo->setTabOrder(2);

    TSerieTranspBlock::Layout at;
    at.serie = QRect(8, 24, 60, kFieldHeight);
    at.serieNameWidth = 150;
    at.kindButton = QRect(256, 22, 128, 25);
    at.carrier = QRect(388, 24, 130, kFieldHeight);
    at.carrierName = QRect(388, 49, 222, kFieldHeight);
    TSerieTranspBlock::adopt(
        this, TSerieTranspBlock::create(this, panBaixo, at, msgPadrao->Msg(QStringLiteral("J"))));

    medSerie->setTabOrder(0);
    medTransp->setTabOrder(1);
}

void TfrmApuracao::buildQueries() {
    const TQueryDefs& defs = queryDefs();
    qryFilial = newQuery(this, defs, QStringLiteral("qryFilial"));
    qryCompanhia = newQuery(this, defs, QStringLiteral("qryCompanhia"));
    qrySerie = newQuery(this, defs, QStringLiteral("qrySerie"));
    qryTransport = newQuery(this, defs, QStringLiteral("qryTransport"));
    qryVd_Transport = newQuery(this, defs, QStringLiteral("qryVd_Transport"));
    qryGrupo = newQuery(this, defs, QStringLiteral("qryGrupo"));

    dtsFilial = newSource(this, QStringLiteral("dtsFilial"), qryFilial);
    dtsCompanhia = newSource(this, QStringLiteral("dtsCompanhia"), qryCompanhia);
    dtsSerie = newSource(this, QStringLiteral("dtsSerie"), qrySerie);
    dtsTransport = newSource(this, QStringLiteral("dtsTransport"), qryTransport);
    dtsGrupo = newSource(this, QStringLiteral("dtsGrupo"), qryGrupo);
}

void TfrmApuracao::buildDataSets() {
    cdsFormemIsNF = newClientDataSet(this, QStringLiteral("cdsFormemIsNF"));
    cdsFormemIsNF->addField(text(QStringLiteral("CDCIA"), 4));
    cdsFormemIsNF->addField(text(QStringLiteral("CDTIPEMNF"), 4));
    cdsFormemIsNF->addField(text(QStringLiteral("IDTIPEMNF"), 2));

    cdsDiretorios = newClientDataSet(this, QStringLiteral("cdsDiretorios"));
    cdsDiretorios->addField(text(QStringLiteral("CDPROGRAMA"), 8));
    cdsDiretorios->addField(text(QStringLiteral("DSDIRETORIO"), 100));

    cdsPerFecham = newClientDataSet(this, QStringLiteral("cdsPerFecham"));
    cdsPerFecham->addField(text(QStringLiteral("MIN(DIFECHCIA)"), 2));

    cdsCtrlApurFat = newClientDataSet(this, QStringLiteral("cdsCtrlApurFat"));
    cdsCtrlApurFat->addField(text(QStringLiteral("NRAPURACFAT"), 10));
    cdsCtrlApurFat->addField(text(QStringLiteral("IDSTATUS"), 1));

    cdsVooTrecho = newClientDataSet(this, QStringLiteral("cdsVooTrecho"));
    cdsVooTrecho->addField(text(QStringLiteral("IDMARCVOO"), 1, QStringLiteral("3"), false));
    cdsVooTrecho->addField(text(QStringLiteral("NRVOO"), 5, QStringLiteral("Vôo")));
    cdsVooTrecho->addField(text(QStringLiteral("SGBASEORI"), 5, QStringLiteral("Base Origem")));
    cdsVooTrecho->addField(text(QStringLiteral("SGBASEDES"), 5, QStringLiteral("Base Destino")));
    cdsVooTrecho->addField(text(QStringLiteral("IDTIPVOO"), 1, QStringLiteral("Tipo do Vôo")));
    cdsVooTrecho->addField(typed(QStringLiteral("QTDE_SERVICO"), TFieldType::ftFloat));

    cdsLocalFatu = newClientDataSet(this, QStringLiteral("cdsLocalFatu"));
    TFieldDef mark = text(QStringLiteral("IDMARCADO"), 1);
    mark.type = TFieldType::ftFixedChar;
    cdsLocalFatu->addField(mark);
    cdsLocalFatu->addField(text(QStringLiteral("CDLOCAFATCIA"), 20, QStringLiteral("Código")));
    cdsLocalFatu->addField(text(QStringLiteral("NMLOCAFATCIA"), 30, QStringLiteral("Nome")));

    dtsVooTrecho = newSource(this, QStringLiteral("dtsVooTrecho"), cdsVooTrecho);
    dtsLocalFatu = newSource(this, QStringLiteral("dtsLocalFatu"), cdsLocalFatu);
}

void TfrmApuracao::bindEvents() {
    OnCreate = [this](TComponent& s) { FormCreate(s); };
    OnActivate = [this](TComponent& s) { FormActivate(s); };
    OnClose = [this](TComponent& s, TCloseAction& a) { FormClose(s, a); };
    netApuracao.setServerName(QStringLiteral("Zel00100.rdmApuracaoZel"));
    netApuracao.setThrowException(false);
    netApuracao.BeforeConnect = [this](TNetConnection& c) { netApuracaoBeforeConnect(c); };
    ScreenSteps::followProgress(netApuracao);

    medCdFilial->OnChange = [this](TComponent&) { medCdFilialChange(); };
    medCdFilial->OnExit = [this](TComponent&) { medCdFilialExit(); };
    btpFilial->OnBeforePesq = [this](TComponent& s, bool& p) { btpFilialBeforePesq(s, p); };
    btpFilial->OnAfterPesq = [this](TComponent&) { btpFilialAfterPesq(); };
    medSgCia->OnChange = [this](TComponent&) { medSgCiaChange(); };
    medSgCia->OnExit = [this](TComponent&) { medSgCiaExit(); };
    medSgCia->OnKeyPress = [this](TComponent&, QChar& key) { medSgCiaKeyPress(key); };
    btpCompanhia->OnBeforePesq = [this](TComponent& s, bool& p) { btpCompanhiaBeforePesq(s, p); };
    btpCompanhia->OnAfterPesq = [this](TComponent&) { btpCompanhiaAfterPesq(); };
    medCdGrupo->OnChange = [this](TComponent&) { medCdGrupoChange(); };
    medCdGrupo->OnExit = [this](TComponent&) { medCdGrupoExit(); };
    btpPesqGrupo->OnBeforePesq = [this](TComponent& s, bool& p) { btpPesqGrupoBeforePesq(s, p); };
    btpPesqGrupo->OnAfterPesq = [this](TComponent&) { btpPesqGrupoAfterPesq(); };

    panData->OnEnter = [this](TComponent&) { panDataEnter(); };
    panData->OnExit = [this](TComponent&) { panDataExit(); };
    depDataIniDeliv->OnDateChange = [this](TComponent&) { depDataIniDelivDateChange(); };
    depDataFimDeliv->OnDateChange = [this](TComponent&) { depDataFimDelivDateChange(); };
    depDataIniDeliv->OnExit = [this](TComponent&) { depDataIniDelivExit(); };
    depDataFimDeliv->OnExit = [this](TComponent&) { depDataFimDelivExit(); };
    depDataFatur->OnExit = [this](TComponent&) { depDataFaturExit(); };

    m_serieTransp->bind();

    cdsVooTrecho->fieldByName(QStringLiteral("IDTIPVOO")).OnGetText =
        [this](TField& f, QString& t, bool d) { cdsVooTrechoIDTIPVOOGetText(f, t, d); };
    dbgVooTrecho->OnCellClick = [this](TColumn& c) { dbgVooTrechoCellClick(c); };
    dbgVooTrecho->OnTitleClick = [this](TColumn& c) { dbgVooTrechoTitleClick(c); };
    dbgVooTrecho->OnKeyDown = [this](int& k, TShiftState s) { dbgVooTrechoKeyDown(k, s); };
    dbgVooTrecho->OnDrawColumnCell = [this](const QRect& r, int i, TColumn& c, TGridDrawState s) {
        dbgVooTrechoDrawColumnCell(r, i, c, s);
    };
    dbgLocal->OnCellClick = [this](TColumn& c) { dbgLocalCellClick(c); };
    dbgLocal->OnTitleClick = [this](TColumn& c) { dbgLocalTitleClick(c); };
    dbgLocal->OnKeyDown = [this](int& k, TShiftState s) { dbgLocalKeyDown(k, s); };
    dbgLocal->OnDrawColumnCell = [this](const QRect& r, int i, TColumn& c, TGridDrawState s) {
        dbgLocalDrawColumnCell(r, i, c, s);
    };

    sbtConfirma->OnClick = [this](TComponent&) { sbtConfirmaClick(); };
}
