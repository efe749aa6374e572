#include "screens/viewer/TfrmNotasApur.h"

#include "external/shared/TMessages.h"
#include "platform/TBevel.h"
#include "platform/TButtonFlat.h"
#include "platform/TClientDataSet.h"
#include "platform/TDataSource.h"
#include "platform/TDBEdit.h"
#include "platform/TDBGrid.h"
#include "platform/TGroupBox.h"
#include "platform/TLabel.h"
#include "platform/TMaskEdit.h"
#include "platform/TPanel.h"
#include "screens/common/TBillingScreen.h"
#include "screens/viewer/Cli_Zel00101.h"

namespace {

TFieldDef amount(const QString& name, const QString& label) {
    TFieldDef def;
    def.name = name;
    def.type = TFieldType::ftFloat;
    def.displayLabel = label;
    def.displayFormat = QStringLiteral("#,##0.00");
    return def;
}

TLabel* boldLabel(TLabel* label, const QString& caption) {
    label->setCaption(caption);
    TFont font = label->font();
    font.bold = true;
    label->setFont(font);
    return label;
}

void asDisplay(TControl* control) {
    control->setEnabled(false);
    control->setTabStop(false);
    control->setColor(clBtnFace);
}

} // namespace

TfrmNotasApur::TfrmNotasApur(TComponent* owner)
    : TfrmRotiGeral(owner) {
    setName(QStringLiteral("frmNotasApur"));
    setCaption(QStringLiteral("Visualização de Notas Apuradas"));
    layoutFrame(396, 272, 43);
    setHelpContext(13200400);
    lblCodTela->setCaption(QStringLiteral("ZEL00101"));
    msgPadrao->setMessages(
        {QStringLiteral("Gera_Nota|Não foram geradas notas fiscais no período informado.")});

    cdsNotaFiscal = new TClientDataSet(this);
    cdsNotaFiscal->setName(QStringLiteral("cdsNotaFiscal"));
    TFieldDef entry;
    entry.name = QStringLiteral("NRLANCTONF");
    entry.size = 10;
    entry.displayLabel = QStringLiteral("Nº do Lançamento");
    cdsNotaFiscal->addField(entry);
    cdsNotaFiscal->addField(
        amount(QStringLiteral("VRNOTAFISC"), QStringLiteral("Valor Nota Fiscal")));
    cdsNotaFiscal->addField(
        amount(QStringLiteral("VRTTMOEDESTR"), QStringLiteral("Valor Moeda Estrangeira")));
    cdsNotaFiscal->addField(amount(QStringLiteral("VRTOTAAPUR"), QString()));
    cdsNotaFiscal->addField(amount(QStringLiteral("VRTOTAAPURESTR"), QString()));
    dtsNotaFiscal = new TDataSource(cdsNotaFiscal, this);
    dtsNotaFiscal->setName(QStringLiteral("dtsNotaFiscal"));

    panData = create<TPanel>(QStringLiteral("panData"), grbDadosRel);
    panData->setBounds(8, 14, 325, 33);
    Bevel1 = create<TBevel>(QStringLiteral("Bevel1"), panData);
    Bevel1->setBounds(0, 31, 325, 2);
    lblCompanhia = boldLabel(create<TLabel>(QStringLiteral("lblCompanhia"), panData),
                             QStringLiteral("Companhia"));
    lblCompanhia->setBounds(4, 9, 68, 14);
    medSgCia = create<TMaskEdit>(QStringLiteral("medSgCia"), panData);
    medSgCia->setCharCase(ecUpperCase);
    medSgCia->setMaxLength(5);
    medSgCia->setBounds(76, 5, 50, 21);
    asDisplay(medSgCia);
    medNmCia = create<TMaskEdit>(QStringLiteral("medNmCia"), panData);
    medNmCia->setBounds(130, 5, 191, 21);
    asDisplay(medNmCia);

    dbgCompanhia = create<TDBGrid>(QStringLiteral("dbgCompanhia"), grbDadosRel);
    dbgCompanhia->setBounds(8, 47, 325, 164);
    dbgCompanhia->setColor(clInfoBk);
    dbgCompanhia->setTabStop(true);
    dbgCompanhia->setTabOrder(0);
    dbgCompanhia->setDataSource(dtsNotaFiscal);
    dbgCompanhia->setOptions(
        {dgTitles, dgColumnResize, dgColLines, dgRowLines, dgTabs, dgAlwaysShowSelection});
    dbgCompanhia->addColumn(QStringLiteral("NRLANCTONF")).setWidth(100);
    dbgCompanhia->addColumn(QStringLiteral("VRNOTAFISC")).setWidth(101);
    dbgCompanhia->addColumn(QStringLiteral("VRTTMOEDESTR")).setWidth(118);

    Bevel2 = create<TBevel>(QStringLiteral("Bevel2"), grbDadosRel);
    Bevel2->setBounds(8, 211, 325, 2);
    Label1 = boldLabel(create<TLabel>(QStringLiteral("Label1"), grbDadosRel),
                       QStringLiteral("Valor Total das Notas Fiscais"));
    Label1->setBounds(12, 221, 190, 14);
    dbeVrTotal = create<TDBEdit>(QStringLiteral("dbeVrTotal"), grbDadosRel);
    dbeVrTotal->setBounds(208, 217, 121, 21);
    dbeVrTotal->setDataSource(dtsNotaFiscal);
    dbeVrTotal->setDataField(QStringLiteral("VRTOTAAPUR"));
    asDisplay(dbeVrTotal);
    Label2 = boldLabel(create<TLabel>(QStringLiteral("Label2"), grbDadosRel),
                       QStringLiteral("Valor Total Moeda Estrangeira"));
    Label2->setBounds(12, 245, 190, 14);
    dbeVrMoedEstr = create<TDBEdit>(QStringLiteral("dbeVrMoedEstr"), grbDadosRel);
    dbeVrMoedEstr->setBounds(208, 241, 121, 21);
    dbeVrMoedEstr->setDataSource(dtsNotaFiscal);
    dbeVrMoedEstr->setDataField(QStringLiteral("VRTOTAAPURESTR"));
    asDisplay(dbeVrMoedEstr);

    OnCreate = [this](TComponent& s) { FormCreate(s); };
    OnActivate = [this](TComponent& s) { FormActivate(s); };
    sbtConfirma->OnClick = [this](TComponent&) { sbtConfirmaClick(); };
    setActiveControl(dbgCompanhia);
}

TfrmNotasApur::~TfrmNotasApur() {
    if (Cli_Zel00101::frmNotasApur == this)
        Cli_Zel00101::frmNotasApur = nullptr;
}

void TfrmNotasApur::FormCreate(TComponent& sender) {
    TfrmRotiGeral::FormCreate(sender);
    // Opened over the billing screen it shows that screen's company; opened from elsewhere,
    // the opener fills the company in.
    if (const TBillingScreen* billing = TBillingScreen::current()) {
        medSgCia->setText(billing->medSgCia->text());
        medNmCia->setText(billing->medNmCia->text());
    }
}

void TfrmNotasApur::FormActivate(TComponent&) {
    repaint();
}

void TfrmNotasApur::sbtConfirmaClick() {
    close();
}
