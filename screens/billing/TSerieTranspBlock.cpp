#include "screens/billing/TSerieTranspBlock.h"

#include "external/shared/Consiste.h"
#include "external/shared/TADOIBQuery.h"
#include "external/shared/TBtnPesquisa.h"
#include "external/shared/TMessages.h"
#include "platform/EAbort.h"
#include "platform/EditMask.h"
#include "platform/TEdit.h"
#include "platform/TField.h"
#include "platform/TMaskEdit.h"
#include "platform/TSpeedButton.h"

#include <utility>

namespace {
// The block whose kind the shared carrier queries filter by at the moment.
TSerieTranspBlock* g_claimant = nullptr;
} // namespace

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
