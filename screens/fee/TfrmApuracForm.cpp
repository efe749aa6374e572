// The fee screen as data: layout, datasets, messages, event bindings, and its
// creation, show and close.
#include "screens/fee/TfrmApurac.h"

#include "external/shared/Consiste.h"
#include "external/shared/TADOIBQuery.h"
#include "external/shared/TBtnPesquisa.h"
#include "external/shared/TDateEditPlus.h"
#include "external/shared/TMessages.h"
#include "platform/TAnimate.h"
#include "platform/TButtonFlat.h"
#include "platform/TClientDataSet.h"
#include "platform/TDataSource.h"
#include "platform/TEdit.h"
#include "platform/TGroupBox.h"
#include "platform/TLabel.h"
#include "platform/TMaskEdit.h"
#include "platform/TPanel.h"
#include "platform/TSpeedButton.h"
#include "screens/common/FormParts.h"
#include "screens/common/ScreenSteps.h"
#include "screens/common/TBillingScreen.h"
#include "screens/common/TBranchField.h"
#include "screens/fee/Cli_Zel00102.h"

using namespace FormParts;

namespace {

const QStringList kMessages = {
    QStringLiteral("Conf|Deseja cancelar a apuração e conseqüentemente apagar todas as Notas "
                   "Fiscais apuradas e não emitidas entre %s e %s?"),
    QStringLiteral("Sigla_Inf|Companhia deve ser informada."),
    QStringLiteral("Sigla_Cad|Companhia não cadastrada."),
    QStringLiteral("Apurac_Cad|Apuração não cadastrada."),
    QStringLiteral("Data_inva|  não é uma data válida."),
    QStringLiteral("DataIni_deve|Período inicial deve ser informado."),
    QStringLiteral("DataFim_deve|Período final deve ser informado."),
    QStringLiteral("Ini_dvmenor_Fim|Período inicial deve ser menor ou igual ao  período final."),
    QStringLiteral("Filial_Inf|Filial deve ser informada."),
    QStringLiteral("Filial_Cad|Filial não cadastrada."),
    QStringLiteral("NFSel|Não existe Nota Fiscal selecionada."),
    QStringLiteral("J|&Transp. (C.G.C.)"),
    QStringLiteral("F|&Transp. (C.P.F.)"),
    QStringLiteral("O|&Transp. (Código)"),
    QStringLiteral("I|&Transp. (Jurídica)"),
    QStringLiteral("TpFt_N_Cad|Tipo de faturamento não cadastrado para a companhia."),
    QStringLiteral("IndFi_NCad|Índice financeiro não cadastrado para a companhia."),
    QStringLiteral("N_Prod_Tax|Não há Produto para taxa de aeroporto cadastrado no agrupamento "
                   "informado."),
    QStringLiteral("Inf_ProTax|Produto para taxa de aeroporto nacional deve ser informado."),
};

TLabel* labelFor(TControl* control, TLabel* label, const QString& caption, int x, int y, int w) {
    label->setCaption(caption);
    label->setBounds(x, y, w, 14);
    label->setFocusControl(control);
    return label;
}

} // namespace

TfrmApurac::TfrmApurac(TComponent* owner)
    : TfrmRotiGeral(owner) {
    setName(QStringLiteral("frmApurac"));
    setCaption(QStringLiteral(" Apuração"));
    setBorderStyle(bsSingle);
    setHelpContext(13200200);
    setHelpFile(QStringLiteral("Vevivez.idi"));
    layoutFrame(507, 385);
    lblCodTela->setCaption(QStringLiteral("ZEL00102"));
    msgPadrao->setMessages(kMessages);

    buildQueries();
    buildDataSets();
    buildHeader();
    buildGrid();
    buildBottom();
    buildWaitPanel();

    TSerieTranspBlock::Config block;
    block.controls = {lblSerie, medSerie,  btpSerie,     edtSerie,
                      sbtCGC,   medTransp, btpTransport, edtTransp};
    block.sources = TBillingScreen::current()->serieTransp->sources();
    block.ownMessages = msgPadrao;
    block.kind = &Cli_Zel00102::chIdTipoTransp;
    block.branch = [this] { return medCdFilial->text(); };
    m_serieTransp = std::make_unique<TSerieTranspBlock>(std::move(block));
    m_branch = std::make_unique<TBranchField>(medCdFilial, edtNmFilial, qryFilial, msgPadrao);

    bindEvents();
    setActiveControl(medNrApuracao);
}

TfrmApurac::~TfrmApurac() {
    // The carrier queries are the billing screen's: they go back to its kind, or, when it is
    // gone already, are left alone.
    if (TBillingScreen* billing = TBillingScreen::current())
        billing->serieTransp->claimQueries();
    else
        m_serieTransp->abandonClaim();
    if (Cli_Zel00102::frmApurac == this)
        Cli_Zel00102::frmApurac = nullptr;
}

void TfrmApurac::buildHeader() {
    panData = create<TPanel>(QStringLiteral("panData"), grbDadosRel);
    panData->setBounds(8, 16, 427, 86);
    panData->setTabOrder(0);

    medCdFilial = create<TMaskEdit>(QStringLiteral("medCdFilial"), panData);
    medCdFilial->setEditMask(QStringLiteral("9999;0; "));
    medCdFilial->setMaxLength(4);
    medCdFilial->setBounds(72, 6, 44, kFieldHeight);
    asDisplay(medCdFilial);
    lblFilial = labelFor(medCdFilial, create<TLabel>(QStringLiteral("lblFilial"), panData),
                         QStringLiteral("Filial"), 8, 10, 60);
    lblFilial->setEnabled(false);
    btpFilial = create<TBtnPesquisa>(QStringLiteral("btpFilial"), panData);
    btpFilial->setBounds(118, 6, kButtonSize, kButtonSize);
    setupLookup(btpFilial, medCdFilial, QStringLiteral("Filial"), dtsFilial,
                QStringLiteral("Não há filial cadastrada."));
    btpFilial->setEnabled(false);
    edtNmFilial = create<TEdit>(QStringLiteral("edtNmFilial"), panData);
    edtNmFilial->setBounds(142, 6, 277, kFieldHeight);
    asDisplay(edtNmFilial);

    medSgCia = create<TMaskEdit>(QStringLiteral("medSgCia"), panData);
    medSgCia->setMaxLength(5);
    medSgCia->setCharCase(ecUpperCase);
    medSgCia->setBounds(72, 32, 44, kFieldHeight);
    asDisplay(medSgCia);
    lblCompanhia = labelFor(medSgCia, create<TLabel>(QStringLiteral("lblCompanhia"), panData),
                            QStringLiteral("Companhia"), 8, 36, 60);
    lblCompanhia->setEnabled(false);
    btpCompanhia = create<TBtnPesquisa>(QStringLiteral("btpCompanhia"), panData);
    btpCompanhia->setBounds(118, 32, kButtonSize, kButtonSize);
    setupLookup(btpCompanhia, medSgCia, QStringLiteral("Companhia"), dtsCia,
                QStringLiteral("Não há companhia cadastrada."));
    btpCompanhia->setEnabled(false);
    medNmCia = create<TMaskEdit>(QStringLiteral("medNmCia"), panData);
    medNmCia->setMaxLength(2);
    medNmCia->setBounds(142, 32, 277, kFieldHeight);
    asDisplay(medNmCia);

    medNrApuracao = create<TMaskEdit>(QStringLiteral("medNrApuracao"), panData);
    medNrApuracao->setMaxLength(10);
    medNrApuracao->setCharCase(ecUpperCase);
    medNrApuracao->setBounds(72, 58, 84, kFieldHeight);
    asEntry(medNrApuracao);
    Label1 = labelFor(medNrApuracao, create<TLabel>(QStringLiteral("Label1"), panData),
                      QStringLiteral("Apuração"), 8, 62, 60);
    btnCtrlApurFat = create<TBtnPesquisa>(QStringLiteral("btnCtrlApurFat"), panData);
    btnCtrlApurFat->setBounds(158, 58, kButtonSize, kButtonSize);
    setupLookup(btnCtrlApurFat, medNrApuracao, QStringLiteral("Apuração"), dtsCtrlApurFat,
                QStringLiteral("Não há apuração cadastrada para o cliente informado."));

    depDataIni = create<TDateEditPlus>(QStringLiteral("depDataIni"), panData);
    depDataIni->setBounds(238, 58, 82, kFieldHeight);
    lblPeriodo = labelFor(depDataIni, create<TLabel>(QStringLiteral("lblPeriodo"), panData),
                          QStringLiteral("Período"), 188, 62, 48);
    depDataFim = create<TDateEditPlus>(QStringLiteral("depDataFim"), panData);
    depDataFim->setBounds(337, 58, 82, kFieldHeight);
    lblA = labelFor(depDataFim, create<TLabel>(QStringLiteral("lblA"), panData),
                    QStringLiteral("a"), 325, 62, 10);
    setupDate(depDataIni);
    setupDate(depDataFim);

    medNrApuracao->setTabOrder(0);
    depDataIni->setTabOrder(2);
    depDataFim->setTabOrder(3);
}

void TfrmApurac::buildGrid() {
    lblNotas = create<TLabel>(QStringLiteral("lblNotas"), grbDadosRel);
    lblNotas->setCaption(QStringLiteral("Notas Fiscais Apuradas"));
    lblNotas->setBounds(8, 106, 200, 14);
    TFont bold = lblNotas->font();
    bold.bold = true;
    lblNotas->setFont(bold);

    dbgNotas = create<TDBGrid>(QStringLiteral("dbgNotas"), grbDadosRel);
    dbgNotas->setBounds(8, 122, 427, 164);
    dbgNotas->setDataSource(dtsNotas);
    dbgNotas->setTabOrder(1);
    setupGrid(dbgNotas);
    dbgNotas->setOption(dgRowSelect, true);
    setupCheckColumn(dbgNotas->addColumn(QStringLiteral("IDCHECK")), 22, false);
    dbgNotas->addColumn(QStringLiteral("NRLANCTONF")).setWidth(88);
    dbgNotas->addColumn(QStringLiteral("DTENTRSAID")).setWidth(73);
    dbgNotas->addColumn(QStringLiteral("VRNOTAFISC")).setWidth(134);
}

void TfrmApurac::buildBottom() {
    panBaixo = create<TPanel>(QStringLiteral("panBaixo"), grbDadosRel);
    panBaixo->setBounds(8, 290, 427, 84);
    panBaixo->setTabOrder(2);

    depDataFatur = create<TDateEditPlus>(QStringLiteral("depDataFatur"), panBaixo);
    depDataFatur->setBounds(8, 22, 90, kFieldHeight);
    setupDate(depDataFatur);
    lblDataFatur = labelFor(depDataFatur, create<TLabel>(QStringLiteral("lblDataFatur"), panBaixo),
                            QStringLiteral("Data Faturamento"), 8, 6, 100);

    TSerieTranspBlock::Layout at;
    at.serie = QRect(112, 22, 50, kFieldHeight);
    at.serieNameWidth = 231;
    at.kindButton = QRect(8, 50, 128, 25);
    at.carrier = QRect(140, 52, 130, kFieldHeight);
    at.carrierName = QRect(296, 52, 123, kFieldHeight);
    TSerieTranspBlock::adopt(
        this, TSerieTranspBlock::create(this, panBaixo, at, msgPadrao->Msg(QStringLiteral("J"))));

    depDataFatur->setTabOrder(0);
    medSerie->setTabOrder(1);
    medTransp->setTabOrder(4);
}

void TfrmApurac::buildWaitPanel() {
    panEspera = create<TPanel>(QStringLiteral("panEspera"), this);
    panEspera->setBounds(110, 140, 286, 104);
    panEspera->setVisible(false);
    grbEspera = create<TGroupBox>(QStringLiteral("grbEspera"), panEspera);
    grbEspera->setBounds(4, 4, 278, 96);
    lblEspera = create<TLabel>(QStringLiteral("lblEspera"), grbEspera);
    lblEspera->setCaption(QStringLiteral("Calculando apuração ..."));
    lblEspera->setBounds(12, 16, 250, 14);
    anmEspera = create<TAnimate>(QStringLiteral("anmEspera"), grbEspera);
    anmEspera->setBounds(12, 36, 254, 50);
    anmEspera->setKind(0);
    anmEspera->setActive(false);
}

void TfrmApurac::buildQueries() {
    qryCia = newQuery(this, queryDefs(), QStringLiteral("qryCia"));
    qryFilial = newQuery(this, queryDefs(), QStringLiteral("qryFilial"));

    dtsFilial = newSource(this, QStringLiteral("dtsFilial"), qryFilial);
    dtsCia = newSource(this, QStringLiteral("dtsCia"), qryCia);
}

void TfrmApurac::buildDataSets() {
    cdsCtrlApurFat = newClientDataSet(this, QStringLiteral("cdsCtrlApurFat"));
    cdsCtrlApurFat->addField(
        text(QStringLiteral("NRAPURACFAT"), 10, QStringLiteral("Nº Apuração")));
    cdsCtrlApurFat->addField(text(QStringLiteral("CDFILIAL"), 4, QStringLiteral("Filial")));
    cdsCtrlApurFat->addField(typed(QStringLiteral("DTINIAPURAC"), TFieldType::ftDateTime,
                                   QStringLiteral("Data Inicial")));
    cdsCtrlApurFat->addField(
        typed(QStringLiteral("DTFIMAPURAC"), TFieldType::ftDateTime, QStringLiteral("Data Final")));

    cdsNotasApuradas = newClientDataSet(this, QStringLiteral("cdsNotasApuradas"));
    TFieldDef mark = text(QStringLiteral("IDCHECK"), 1);
    mark.type = TFieldType::ftFixedChar;
    cdsNotasApuradas->addField(mark);
    cdsNotasApuradas->addField(text(QStringLiteral("CDFILIAL"), 4, {}, false));
    cdsNotasApuradas->addField(
        text(QStringLiteral("NRLANCTONF"), 10, QStringLiteral("No. Lançamento")));
    // Amounts read as money: "1.234,56".
    TFieldDef total =
        typed(QStringLiteral("VRNOTAFISC"), TFieldType::ftFloat, QStringLiteral("Total da Nota"));
    total.displayFormat = QStringLiteral("#,##0.00");
    cdsNotasApuradas->addField(total);
    cdsNotasApuradas->addField(
        typed(QStringLiteral("DTENTRSAID"), TFieldType::ftDateTime, QStringLiteral("Data Saída")));

    dtsCtrlApurFat = newSource(this, QStringLiteral("dtsCtrlApurFat"), cdsCtrlApurFat);
    dtsNotas = newSource(this, QStringLiteral("dtsNotas"), cdsNotasApuradas);
}

void TfrmApurac::bindEvents() {
    OnCreate = [this](TComponent& s) { FormCreate(s); };
    OnShow = [this](TComponent& s) { FormShow(s); };
    OnActivate = [this](TComponent& s) { FormActivate(s); };
    OnClose = [this](TComponent& s, TCloseAction& a) { FormClose(s, a); };
    netApurac.setServerName(QStringLiteral("Zel00100.rdmApuracaoZel"));
    netApurac.setThrowException(false);
    netApurac.BeforeConnect = [this](TNetConnection& c) { netApuracBeforeConnect(c); };
    ScreenSteps::followProgress(netApurac);
    qryCia->BeforeOpen = [this](TDataSet& d) { qryCiaBeforeOpen(d); };

    medCdFilial->OnChange = [this](TComponent&) { medCdFilialChange(); };
    medCdFilial->OnExit = [this](TComponent&) { medCdFilialExit(); };
    btpFilial->OnBeforePesq = [this](TComponent& s, bool& p) { btpFilialBeforePesq(s, p); };
    btpFilial->OnAfterPesq = [this](TComponent&) { btpFilialAfterPesq(); };
    medSgCia->OnKeyPress = [this](TComponent&, QChar& key) { medSgCiaKeyPress(key); };
    medSgCia->OnChange = [this](TComponent&) { medSgCiaChange(); };
    medSgCia->OnExit = [this](TComponent&) { medSgCiaExit(); };
    btpCompanhia->OnBeforePesq = [this](TComponent& s, bool& p) { btpCompanhiaBeforePesq(s, p); };
    btpCompanhia->OnAfterPesq = [this](TComponent&) { btpCompanhiaAfterPesq(); };
    btnCtrlApurFat->OnBeforePesq = [this](TComponent& s, bool& p) {
        btnCtrlApurFatBeforePesq(s, p);
    };
    btnCtrlApurFat->OnAfterPesq = [this](TComponent&) { btnCtrlApurFatAfterPesq(); };
    medNrApuracao->OnExit = [this](TComponent&) { medNrApuracaoExit(); };
    depDataIni->OnExit = [this](TComponent&) { depDataIniExit(); };
    depDataFim->OnExit = [this](TComponent&) { depDataFimExit(); };
    panData->OnEnter = [this](TComponent&) { panDataEnter(); };
    panData->OnExit = [this](TComponent&) { panDataExit(); };
    depDataFatur->OnExit = [this](TComponent&) { depDataFaturExit(); };

    m_serieTransp->bind();

    dbgNotas->OnEnter = [this](TComponent&) { dbgNotasEnter(); };
    dbgNotas->OnCellClick = [this](TColumn& c) { dbgNotasCellClick(c); };
    dbgNotas->OnKeyDown = [this](int& k, TShiftState s) { dbgNotasKeyDown(k, s); };
    dbgNotas->OnTitleClick = [this](TColumn& c) { dbgNotasTitleClick(c); };
    dbgNotas->OnDrawColumnCell = [this](const QRect& r, int i, TColumn& c, TGridDrawState s) {
        dbgNotasDrawColumnCell(r, i, c, s);
    };

    sbtConfirma->OnClick = [this](TComponent&) { sbtConfirmaClick(); };
}

void TfrmApurac::FormCreate(TComponent& sender) {
    TfrmRotiGeral::FormCreate(sender);
    ScreenSteps::connectUnderWait(netApurac);
    serieTransp().applyKind(u'J', *msgPadrao);
}

void TfrmApurac::netApuracBeforeConnect(TNetConnection& sender) {
    ScreenSteps::pointAtServer(sender);
}

void TfrmApurac::qryCiaBeforeOpen(TDataSet&) {
    qryCia->paramByName(QStringLiteral("P_CDFILIAL")).setAsString(medCdFilial->text());
}

void TfrmApurac::FormShow(TComponent&) {
    const TBillingScreen& billing = *TBillingScreen::current();
    medCdFilial->setText(billing.medCdFilial->text());
    edtNmFilial->setText(billing.edtNmFilial->text());
    medSgCia->setText(billing.medSgCia->text());
    medNmCia->setText(billing.medNmCia->text());
    medSerie->setText(billing.medSerie->text());
    openCompany(QString());
    medNrApuracao->setFocus();
}

void TfrmApurac::FormActivate(TComponent&) {
    repaint();
}

void TfrmApurac::FormClose(TComponent& sender, TCloseAction& action) {
    TfrmRotiGeral::FormClose(sender, action);
    netApurac.disconnect();
    Cli_Zel00102::boIdCriado = false;
}

QString TfrmApurac::companyField(const QString& name) const {
    if (!qryCia->active() || qryCia->isEmpty())
        return QString();
    return qryCia->fieldByName(name).asString();
}

void TfrmApurac::openCompany(const QString& todos) {
    qryCia->close();
    qryCia->paramByName(QStringLiteral("P_SGCIA")).setAsString(medSgCia->text());
    qryCia->paramByName(QStringLiteral("P_TODOS")).setAsString(todos);
    qryCia->open();
}
