#include "screens/common/TSerieTranspBlock.h"

#include "core/EAbort.h"
#include "external/shared/Consiste.h"
#include "external/shared/TADOIBQuery.h"
#include "external/shared/TBtnPesquisa.h"
#include "external/shared/TMessages.h"
#include "platform/EditMask.h"
#include "platform/TEdit.h"
#include "platform/TField.h"
#include "platform/TLabel.h"
#include "platform/TMaskEdit.h"
#include "platform/TSpeedButton.h"
#include "screens/common/FormParts.h"

#include <utility>

namespace {
// The block whose kind the shared carrier queries filter by at the moment.
TSerieTranspBlock* g_claimant = nullptr;
} // namespace

namespace {
template <class T>
T* make(TComponent* owner, TWinControl* parent, const QString& name, const QRect& bounds) {
    T* control = new T(owner, parent);
    control->setName(name);
    control->setBounds(bounds.x(), bounds.y(), bounds.width(), bounds.height());
    return control;
}

// The lookup button right of `edit`.
QRect besides(const QRect& edit) {
    return QRect(edit.right() + 3, edit.top(), FormParts::kButtonSize, FormParts::kButtonSize);
}
} // namespace

TSerieTranspBlock::Controls TSerieTranspBlock::create(TComponent* owner, TWinControl* parent,
                                                      const Layout& at,
                                                      const QString& kindCaption) {
    using namespace FormParts;
    Controls c;
    c.lblSerie = make<TLabel>(owner, parent, QStringLiteral("lblSerie"),
                              QRect(at.serie.left(), at.serie.top() - 16, 80, 14));
    c.lblSerie->setCaption(QStringLiteral("Série N.F."));
    c.medSerie = make<TMaskEdit>(owner, parent, QStringLiteral("medSerie"), at.serie);
    c.medSerie->setMaxLength(5);
    c.medSerie->setCharCase(ecUpperCase);
    asEntry(c.medSerie);
    c.lblSerie->setFocusControl(c.medSerie);
    const QRect serieButton = besides(at.serie);
    c.btpSerie = make<TBtnPesquisa>(owner, parent, QStringLiteral("btpSerie"), serieButton);
    c.btpSerie->setAssociate(c.medSerie);
    c.btpSerie->setTitle(QStringLiteral("Séries de Documentos de Saída"));
    c.btpSerie->setEmptyError(QStringLiteral("Não há séries de notas fiscais cadastradas."));
    c.btpSerie->setPesqChave(true);
    c.edtSerie = make<TEdit>(
        owner, parent, QStringLiteral("edtSerie"),
        QRect(serieButton.right() + 4, at.serie.top(), at.serieNameWidth, kFieldHeight));
    asDisplay(c.edtSerie);

    c.sbtCGC = make<TSpeedButton>(owner, parent, QStringLiteral("sbtCGC"), at.kindButton);
    c.sbtCGC->setCaption(kindCaption);
    TFont bold = c.sbtCGC->font();
    bold.bold = true;
    c.sbtCGC->setFont(bold);
    c.medTransp = make<TMaskEdit>(owner, parent, QStringLiteral("medTransp"), at.carrier);
    c.medTransp->setMaxLength(20);
    asEntry(c.medTransp);
    c.btpTransport =
        make<TBtnPesquisa>(owner, parent, QStringLiteral("btpTransport"), besides(at.carrier));
    c.btpTransport->setAssociate(c.medTransp);
    c.btpTransport->setTitle(QStringLiteral("Transportadora"));
    c.btpTransport->setEmptyError(QStringLiteral("Não há transportadora cadastrada."));
    c.edtTransp = make<TEdit>(owner, parent, QStringLiteral("edtTransp"), at.carrierName);
    asDisplay(c.edtTransp);
    return c;
}

TSerieTranspBlock::TSerieTranspBlock(Config config)
    : m_config(std::move(config)) {}

TSerieTranspBlock::~TSerieTranspBlock() {
    if (g_claimant != this)
        return;
    g_claimant = nullptr;
    const Sources& s = m_config.sources;
    s.qryTransport->BeforeOpen = nullptr;
    s.qryVd_Transport->BeforeOpen = nullptr;
    if (TField* number = s.qryTransport->findField(QStringLiteral("NRINSJURTRAN")))
        number->OnGetText = nullptr;
}

void TSerieTranspBlock::bind() {
    const Controls& c = m_config.controls;
    c.medSerie->OnExit = [this](TComponent&) { medSerieExit(); };
    c.medSerie->OnChange = [this](TComponent&) { medSerieChange(); };
    c.btpSerie->setDataSource(m_config.sources.dtsSerie);
    c.btpSerie->OnBeforePesq = [this](TComponent& s, bool& p) { btpSerieBeforePesq(s, p); };
    c.btpSerie->OnAfterPesq = [this](TComponent&) { btpSerieAfterPesq(); };
    c.sbtCGC->OnClick = [this](TComponent&) { sbtCGCClick(); };
    c.medTransp->OnChange = [this](TComponent&) { medTranspChange(); };
    c.medTransp->OnExit = [this](TComponent&) { medTranspExit(); };
    c.btpTransport->setDataSource(m_config.sources.dtsTransport);
    c.btpTransport->OnBeforePesq = [this](TComponent& s, bool& p) { btpTransportBeforePesq(s, p); };
    c.btpTransport->OnAfterPesq = [this](TComponent&) { btpTransportAfterPesq(); };
    claimQueries();
}

void TSerieTranspBlock::claimQueries() {
    g_claimant = this;
    const Sources& s = m_config.sources;
    s.qryTransport->BeforeOpen = [this](TDataSet& d) { qryTransportBeforeOpen(d); };
    s.qryVd_Transport->BeforeOpen = [this](TDataSet& d) { qryVd_TransportBeforeOpen(d); };
    s.qryTransport->fieldByName(QStringLiteral("NRINSJURTRAN")).OnGetText =
        [this](TField& f, QString& text, bool display) {
            qryTransportNRINSJURTRANGetText(f, text, display);
        };
}

void TSerieTranspBlock::abandonClaim() {
    if (g_claimant == this)
        g_claimant = nullptr;
}

void TSerieTranspBlock::applyKind(QChar kind, const TMessages& captions) {
    *m_config.kind = kind;
    m_config.controls.sbtCGC->setCaption(captions.Msg(QString(kind)));
    m_config.controls.medTransp->setEditMask(Consiste::PictPess(QString(kind)));
}

QChar TSerieTranspBlock::nextKind(QChar kind) {
    switch (kind.unicode()) {
    case u'J':
        return u'F';
    case u'F':
        return u'O';
    case u'O':
        return u'I';
    default:
        return u'J';
    }
}

void TSerieTranspBlock::fail(TMaskEdit* focus, const QString& key) const {
    focus->setFocus();
    Consiste::MensErro(m_config.sources.messages->Msg(key), true);
    Abort(); // not reached: MensErro with true ends the step
}

void TSerieTranspBlock::Vd_SerieNF(bool required) {
    const Controls& c = m_config.controls;
    const QString serie = c.medSerie->text();
    try {
        if (Consiste::EmptyString(serie)) {
            if (required)
                fail(c.medSerie, QStringLiteral("Serie_Inf"));
            return;
        }
        TADOIBQuery* qrySerie = m_config.sources.qrySerie;
        if (!qrySerie->active())
            qrySerie->open();
        if (!qrySerie->locate(QStringLiteral("CDSERIE"), serie.trimmed(), true))
            fail(c.medSerie, QStringLiteral("Serie_N_Cad"));
        c.edtSerie->setText(qrySerie->fieldByName(QStringLiteral("DSSERIE")).asString());
    } catch (...) {
        c.medSerie->setFocus();
        throw;
    }
}

void TSerieTranspBlock::medSerieExit() {
    Vd_SerieNF(false);
}

void TSerieTranspBlock::medSerieChange() {
    m_config.controls.edtSerie->clear();
}

void TSerieTranspBlock::btpSerieBeforePesq(TComponent&, bool&) {
    TADOIBQuery* qrySerie = m_config.sources.qrySerie;
    qrySerie->close();
    qrySerie->paramByName(QStringLiteral("P_FILIAL")).setAsString(m_config.branch());
    qrySerie->open();
}

void TSerieTranspBlock::btpSerieAfterPesq() {
    TADOIBQuery* qrySerie = m_config.sources.qrySerie;
    m_config.controls.medSerie->setText(
        qrySerie->fieldByName(QStringLiteral("CDSERIE")).asString());
    m_config.controls.edtSerie->setText(
        qrySerie->fieldByName(QStringLiteral("DSSERIE")).asString());
}

void TSerieTranspBlock::sbtCGCClick() {
    const Controls& c = m_config.controls;
    c.medTransp->clear();
    c.medTransp->setFocus();
    applyKind(nextKind(kind()), *m_config.ownMessages);
}

void TSerieTranspBlock::medTranspChange() {
    m_config.controls.edtTransp->clear();
}

void TSerieTranspBlock::medTranspExit() {
    const Controls& c = m_config.controls;
    if (Consiste::EmptyString(c.medTransp->text())) {
        c.edtTransp->clear();
        return;
    }
    claimQueries();
    TADOIBQuery* query = m_config.sources.qryVd_Transport;
    query->close();
    query->paramByName(QStringLiteral("P_NRINSJURTRAN")).setAsString(c.medTransp->text());
    query->open();
    if (query->isEmpty())
        fail(c.medTransp, QStringLiteral("Trans_N_Cad"));
    c.edtTransp->setText(query->fieldByName(QStringLiteral("NMRAZSOCTRAN")).asString());
}

void TSerieTranspBlock::btpTransportBeforePesq(TComponent&, bool&) {
    claimQueries();
    m_config.sources.qryTransport->close();
}

void TSerieTranspBlock::qryTransportBeforeOpen(TDataSet& dataSet) {
    static_cast<TADOIBQuery&>(dataSet)
        .paramByName(QStringLiteral("P_IDTPIJURTRAN"))
        .setAsString(QString(kind()));
}

void TSerieTranspBlock::qryVd_TransportBeforeOpen(TDataSet& dataSet) {
    qryTransportBeforeOpen(dataSet);
}

void TSerieTranspBlock::qryTransportNRINSJURTRANGetText(TField& sender, QString& text, bool) {
    if (sender.isNull())
        return;
    text = EditMask::formatMaskText(Consiste::PictPess(QString(kind())), sender.asString());
}

void TSerieTranspBlock::btpTransportAfterPesq() {
    TADOIBQuery* query = m_config.sources.qryTransport;
    const QString kindText = query->fieldByName(QStringLiteral("IDTPIJURTRAN")).asString();
    applyKind(kindText.isEmpty() ? QChar(u'J') : kindText.at(0), *m_config.sources.messages);
    const Controls& c = m_config.controls;
    c.medTransp->setText(query->fieldByName(QStringLiteral("NRINSJURTRAN")).asString());
    c.edtTransp->setText(query->fieldByName(QStringLiteral("NMFANTTRAN")).asString());
}
