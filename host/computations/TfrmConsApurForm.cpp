// The computations screen as data: layout, datasets, messages, event bindings, and its
// creation and close.
#include "host/computations/TfrmConsApur.h"

#include "external/shared/Ostrana.h"
#include "external/shared/TADOIBQuery.h"
#include "external/shared/TBtnPesquisa.h"
#include "external/shared/TDateEditPlus.h"
#include "external/shared/TMessages.h"
#include "host/computations/Cli_Zel00103.h"
#include "platform/TButtonFlat.h"
#include "platform/TClientDataSet.h"
#include "platform/TColumn.h"
#include "platform/TComboBox.h"
#include "platform/TDataSource.h"
#include "platform/TDBGrid.h"
#include "platform/TEdit.h"
#include "platform/TField.h"
#include "platform/TGroupBox.h"
#include "platform/TLabel.h"
#include "platform/TMaskEdit.h"
#include "platform/TPanel.h"
#include "screens/common/FormParts.h"
#include "screens/common/ScreenSteps.h"
#include "screens/common/TBranchField.h"

using namespace FormParts;

namespace {

const QStringList kMessages = {
    QStringLiteral("Conf|Deseja cancelar a apuração e conseqüentemente apagar todas as Notas "
                   "Fiscais apuradas e não emitidas entre %s e %s?"),
    QStringLiteral("Filial_Inf|Filial deve ser informada."),
    QStringLiteral("Filial_Cad|Filial não cadastrada."),
    QStringLiteral("Sigla_Cad|Companhia não cadastrada."),
    QStringLiteral("Data_inva|  não é uma data válida."),
    QStringLiteral("Ini_dvmenor_Fim|Período inicial deve ser menor ou igual ao  período final."),
    QStringLiteral("Apur_Sel|Nenhuma apuração selecionada."),
    QStringLiteral("Arq_Grav|Arquivo gravado: %s"),
    QStringLiteral("Arq_Erro|Não foi possível gravar o arquivo %s"),
    QStringLiteral("Rel_Grav|Relatório gravado: %s"),
};

constexpr int kClientWidth = 1000;
constexpr int kClientHeight = 440;
constexpr int kMenuWidth = 64;

TLabel* labelFor(TControl* control, TLabel* label, const QString& caption, int x, int y, int w) {
    label->setCaption(caption);
    label->setBounds(x, y, w, 14);
    label->setFocusControl(control);
    return label;
}

TFieldDef amount(const QString& name, const QString& label) {
    TFieldDef def = typed(name, TFieldType::ftFloat, label);
    def.displayFormat = QStringLiteral("#,##0.00");
    return def;
}

} // namespace

TfrmConsApur::TfrmConsApur(TComponent* owner)
    : TfrmRotiGeral(owner) {
    setName(QStringLiteral("frmConsApur"));
    setCaption(QStringLiteral("Consulta de Apurações"));
    setFormStyle(fsMDIChild);
    setBorderStyle(bsSingle);
    setHelpContext(13200300);
    setHelpFile(QStringLiteral("Vevivez.idi"));
    layoutFrame(kClientWidth, kClientHeight, kMenuWidth);
    lblCodTela->setCaption(QStringLiteral("ZEL00103"));
    msgPadrao->setMessages(kMessages);

    buildQueries();
    buildDataSets();
    buildHeader();
    buildGrid();
    buildButtons();
    m_branch = std::make_unique<TBranchField>(medCdFilial, edtNmFilial, qryFilial, msgPadrao);
    bindEvents();
    setActiveControl(medCdFilial);
}

TfrmConsApur::~TfrmConsApur() {
    if (Cli_Zel00103::frmConsApur == this) {
        Cli_Zel00103::frmConsApur = nullptr;
        Cli_Zel00103::boIdCriado = false;
    }
}

void TfrmConsApur::buildQueries() {
    qryFilial = newQuery(this, queryDefs(), QStringLiteral("qryFilial"));
    qryCompanhia = newQuery(this, queryDefs(), QStringLiteral("qryCompanhia"));
    dtsFilial = newSource(this, QStringLiteral("dtsFilial"), qryFilial);
    dtsCompanhia = newSource(this, QStringLiteral("dtsCompanhia"), qryCompanhia);
}

void TfrmConsApur::buildDataSets() {
    cdsApuracoes = newClientDataSet(this, QStringLiteral("cdsApuracoes"));
    auto date = [](const QString& name, const QString& label) {
        return typed(name, TFieldType::ftDateTime, label);
    };
    cdsApuracoes->addField(text(QStringLiteral("NRAPURACFAT"), 10, QStringLiteral("Apuração")));
    cdsApuracoes->addField(text(QStringLiteral("IDTIPAPUR"), 1, QStringLiteral("Tipo")));
    cdsApuracoes->addField(text(QStringLiteral("CDCIA"), 4, {}, false));
    cdsApuracoes->addField(text(QStringLiteral("SGCIA"), 5, QStringLiteral("Companhia")));
    cdsApuracoes->addField(date(QStringLiteral("DTINIAPURAC"), QStringLiteral("Início")));
    cdsApuracoes->addField(date(QStringLiteral("DTFIMAPURAC"), QStringLiteral("Fim")));
    cdsApuracoes->addField(date(QStringLiteral("DTFATURA"), QStringLiteral("Faturamento")));
    cdsApuracoes->addField(text(QStringLiteral("IDSTATUS"), 1, QStringLiteral("Situação")));
    cdsApuracoes->addField(date(QStringLiteral("DTHRINICIO"), QStringLiteral("Iniciada em")));
    cdsApuracoes->addField(text(QStringLiteral("CDUSUARIO"), 30, QStringLiteral("Usuário")));
    cdsApuracoes->addField(
        typed(QStringLiteral("QTNOTAS"), TFieldType::ftInteger, QStringLiteral("Notas")));
    cdsApuracoes->addField(amount(QStringLiteral("VRTOTAL"), QStringLiteral("Total")));
    cdsApuracoes->addField(
        amount(QStringLiteral("VRTOTALESTR"), QStringLiteral("Total Moeda Estrangeira")));
    cdsApuracoes->addField(text(QStringLiteral("DSERRO"), 500, QStringLiteral("Erro")));
    cdsApuracoes->addField(date(QStringLiteral("DTHRCANCEL"), QStringLiteral("Cancelada em")));
    cdsApuracoes->addField(text(QStringLiteral("CDUSUCANC"), 30, QStringLiteral("Cancelada por")));
    cdsApuracoes->addField(text(QStringLiteral("NMCIA"), 50, {}, false));
    cdsApuracoes->addField(text(QStringLiteral("CDFILIALTRAB"), 4, {}, false));

    // Codes are shown in words; the error reason only where the computation failed.
    cdsApuracoes->fieldByName(QStringLiteral("IDSTATUS")).OnGetText =
        [](TField& field, QString& shown, bool) { shown = statusText(field.asString()); };
    cdsApuracoes->fieldByName(QStringLiteral("IDTIPAPUR")).OnGetText =
        [](TField& field, QString& shown, bool) { shown = kindText(field.asString()); };
    cdsApuracoes->fieldByName(QStringLiteral("DSERRO")).OnGetText = [this](TField& field,
                                                                           QString& shown, bool) {
        const bool failed =
            cdsApuracoes->fieldByName(QStringLiteral("IDSTATUS")).asString() == QLatin1String("E");
        shown = failed ? field.asString() : QString();
    };
    dtsApuracoes = newSource(this, QStringLiteral("dtsApuracoes"), cdsApuracoes);
}

void TfrmConsApur::buildHeader() {
    panData = create<TPanel>(QStringLiteral("panData"), grbDadosRel);
    panData->setBounds(8, 16, 904, 60);
    panData->setTabOrder(0);

    medCdFilial = create<TMaskEdit>(QStringLiteral("medCdFilial"), panData);
    medCdFilial->setEditMask(QStringLiteral(">aaaa;0; "));
    medCdFilial->setMaxLength(4);
    medCdFilial->setBounds(72, 6, 44, kFieldHeight);
    asEntry(medCdFilial);
    lblFilial = labelFor(medCdFilial, create<TLabel>(QStringLiteral("lblFilial"), panData),
                         QStringLiteral("Filial"), 8, 10, 60);
    btpFilial = create<TBtnPesquisa>(QStringLiteral("btpFilial"), panData);
    btpFilial->setBounds(118, 6, kButtonSize, kButtonSize);
    setupLookup(btpFilial, medCdFilial, QStringLiteral("Filial"), dtsFilial,
                QStringLiteral("Não há filial cadastrada."));
    btpFilial->setHint(QStringLiteral("Pesquisar"));
    edtNmFilial = create<TEdit>(QStringLiteral("edtNmFilial"), panData);
    edtNmFilial->setBounds(142, 6, 220, kFieldHeight);
    asDisplay(edtNmFilial);

    medSgCia = create<TMaskEdit>(QStringLiteral("medSgCia"), panData);
    medSgCia->setMaxLength(5);
    medSgCia->setCharCase(ecUpperCase);
    medSgCia->setBounds(446, 6, 50, kFieldHeight);
    asEntry(medSgCia);
    lblCompanhia = labelFor(medSgCia, create<TLabel>(QStringLiteral("lblCompanhia"), panData),
                            QStringLiteral("Companhia"), 376, 10, 66);
    btpCompanhia = create<TBtnPesquisa>(QStringLiteral("btpCompanhia"), panData);
    btpCompanhia->setBounds(498, 6, kButtonSize, kButtonSize);
    setupLookup(btpCompanhia, medSgCia, QStringLiteral("Companhia"), dtsCompanhia,
                QStringLiteral("Não há companhia cadastrada."));
    btpCompanhia->setHint(QStringLiteral("Pesquisar"));
    medNmCia = create<TMaskEdit>(QStringLiteral("medNmCia"), panData);
    medNmCia->setBounds(522, 6, 234, kFieldHeight);
    asDisplay(medNmCia);

    depDataIni = create<TDateEditPlus>(QStringLiteral("depDataIni"), panData);
    depDataIni->setBounds(72, 32, 82, kFieldHeight);
    lblPeriodo = labelFor(depDataIni, create<TLabel>(QStringLiteral("lblPeriodo"), panData),
                          QStringLiteral("Período"), 8, 36, 60);
    depDataFim = create<TDateEditPlus>(QStringLiteral("depDataFim"), panData);
    depDataFim->setBounds(172, 32, 82, kFieldHeight);
    lblA = labelFor(depDataFim, create<TLabel>(QStringLiteral("lblA"), panData),
                    QStringLiteral("a"), 160, 36, 10);
    setupDate(depDataIni);
    setupDate(depDataFim);

    cbbSituacao = create<TComboBox>(QStringLiteral("cbbSituacao"), panData);
    cbbSituacao->setBounds(330, 32, 120, kFieldHeight);
    cbbSituacao->setItems({QStringLiteral("Todas"), QStringLiteral("Em andamento"),
                           QStringLiteral("Interrompida"), QStringLiteral("Com erro"),
                           QStringLiteral("Concluída"), QStringLiteral("Cancelada")});
    cbbSituacao->setItemIndex(0);
    lblSituacao = labelFor(cbbSituacao, create<TLabel>(QStringLiteral("lblSituacao"), panData),
                           QStringLiteral("Situação"), 272, 36, 54);
    cbbTipo = create<TComboBox>(QStringLiteral("cbbTipo"), panData);
    cbbTipo->setBounds(522, 32, 150, kFieldHeight);
    cbbTipo->setItems({QStringLiteral("Todos"), QStringLiteral("Faturamento"),
                       QStringLiteral("Taxa aeroportuária")});
    cbbTipo->setItemIndex(0);
    lblTipo = labelFor(cbbTipo, create<TLabel>(QStringLiteral("lblTipo"), panData),
                       QStringLiteral("Tipo"), 472, 36, 40);

    medCdFilial->setTabOrder(0);
    medSgCia->setTabOrder(1);
    depDataIni->setTabOrder(2);
    depDataFim->setTabOrder(3);
    cbbSituacao->setTabOrder(4);
    cbbTipo->setTabOrder(5);
}

void TfrmConsApur::buildGrid() {
    dbgApuracoes = create<TDBGrid>(QStringLiteral("dbgApuracoes"), grbDadosRel);
    dbgApuracoes->setBounds(8, 80, 904, 326);
    dbgApuracoes->setDataSource(dtsApuracoes);
    dbgApuracoes->setTabOrder(1);
    setupGrid(dbgApuracoes);
    dbgApuracoes->setOption(dgRowSelect, true);
    const std::pair<const char*, int> columns[] = {
        {"NRAPURACFAT", 78}, {"IDTIPAPUR", 108},  {"SGCIA", 66},    {"DTINIAPURAC", 70},
        {"DTFIMAPURAC", 70}, {"DTFATURA", 74},    {"IDSTATUS", 86}, {"DTHRINICIO", 112},
        {"CDUSUARIO", 80},   {"QTNOTAS", 44},     {"VRTOTAL", 96},  {"VRTOTALESTR", 130},
        {"DSERRO", 220},     {"DTHRCANCEL", 112}, {"CDUSUCANC", 86}};
    for (const auto& [field, width] : columns)
        dbgApuracoes->addColumn(QString::fromLatin1(field)).setWidth(width);

    lblResumo = create<TLabel>(QStringLiteral("lblResumo"), grbDadosRel);
    lblResumo->setBounds(8, 412, 904, 14);
}

void TfrmConsApur::buildButtons() {
    // The confirm button runs the query; the commands on the current computation follow it.
    sbtConfirma->setCaption(QStringLiteral("&Consultar"));
    sbtConfirma->setHint(QStringLiteral("Consultar as apurações"));
    panBotoes->setBounds(2, 24, kMenuWidth - 4, 5 * 52);
    auto command = [this](const char* name, const QString& caption, const QString& hint, int row) {
        TButtonFlat* button = create<TButtonFlat>(QString::fromLatin1(name), panBotoes);
        button->setBounds(2, 2 + row * 52, kMenuWidth - 8, 48);
        button->setCaption(caption);
        button->setHint(hint);
        return button;
    };
    sbtNotas = command("sbtNotas", QStringLiteral("&Notas"),
                       QStringLiteral("Notas fiscais da apuração"), 1);
    sbtCancela = command("sbtCancela", QStringLiteral("C&ancelar"),
                         QStringLiteral("Cancelar a apuração"), 2);
    sbtExporta = command("sbtExporta", QStringLiteral("C&SV"),
                         QStringLiteral("Exportar a lista para CSV"), 3);
    sbtImprime =
        command("sbtImprime", QStringLiteral("&PDF"), QStringLiteral("Imprimir a lista em PDF"), 4);
}

void TfrmConsApur::bindEvents() {
    OnCreate = [this](TComponent& s) { FormCreate(s); };
    OnClose = [this](TComponent& s, TCloseAction& a) { FormClose(s, a); };
    netConsApur.setServerName(QStringLiteral("Zel00100.rdmApuracaoZel"));
    netConsApur.setThrowException(false);
    netConsApur.BeforeConnect = [this](TNetConnection& c) { netConsApurBeforeConnect(c); };
    ScreenSteps::followProgress(netConsApur);

    medCdFilial->OnChange = [this](TComponent&) { medCdFilialChange(); };
    medCdFilial->OnExit = [this](TComponent&) { medCdFilialExit(); };
    btpFilial->OnBeforePesq = [this](TComponent& s, bool& p) { btpFilialBeforePesq(s, p); };
    btpFilial->OnAfterPesq = [this](TComponent&) { btpFilialAfterPesq(); };
    medSgCia->OnKeyPress = [this](TComponent&, QChar& key) { medSgCiaKeyPress(key); };
    medSgCia->OnChange = [this](TComponent&) { medSgCiaChange(); };
    medSgCia->OnExit = [this](TComponent&) { medSgCiaExit(); };
    btpCompanhia->OnBeforePesq = [this](TComponent& s, bool& p) { btpCompanhiaBeforePesq(s, p); };
    btpCompanhia->OnAfterPesq = [this](TComponent&) { btpCompanhiaAfterPesq(); };
    // A new filter runs the query at once, as the user expects of a list.
    cbbSituacao->OnChange = [this](TComponent&) { Consulta(); };
    cbbTipo->OnChange = [this](TComponent&) { Consulta(); };

    sbtConfirma->OnClick = [this](TComponent&) { sbtConfirmaClick(); };
    sbtNotas->OnClick = [this](TComponent&) { sbtNotasClick(); };
    sbtCancela->OnClick = [this](TComponent&) { sbtCancelaClick(); };
    sbtExporta->OnClick = [this](TComponent&) { sbtExportaClick(); };
    sbtImprime->OnClick = [this](TComponent&) { sbtImprimeClick(); };
}

void TfrmConsApur::FormCreate(TComponent& sender) {
    TfrmRotiGeral::FormCreate(sender);
    ScreenSteps::connectUnderWait(netConsApur);
    repaint();

    medCdFilial->setText(Ostrana::FiliProc());
    Vd_Filial(false);
    m_branch->applyHostMode({lblFilial, btpFilial});
    Consulta();
}

void TfrmConsApur::FormClose(TComponent& sender, TCloseAction& action) {
    netConsApur.disconnect();
    Cli_Zel00103::boIdCriado = false;
    TfrmRotiGeral::FormClose(sender, action);
}

void TfrmConsApur::netConsApurBeforeConnect(TNetConnection& sender) {
    ScreenSteps::pointAtServer(sender);
}
