// The confirm button: the checks, the fee computation request, the translation of the server's
// failure texts and the viewer on the computed fees.
#include "screens/fee/TfrmApurac.h"

#include "core/EAbort.h"
#include "core/EDBEngineError.h"
#include "external/appserver/CheckResultServ.h"
#include "external/shared/Consiste.h"
#include "external/shared/Ostrana.h"
#include "external/shared/Showavi.h"
#include "external/shared/TADOIBQuery.h"
#include "external/shared/TDateEditPlus.h"
#include "external/shared/TMessages.h"
#include "platform/TApplication.h"
#include "platform/TClientDataSet.h"
#include "platform/TClock.h"
#include "platform/TMaskEdit.h"
#include "screens/common/ScreenSteps.h"
#include "screens/common/TBillingScreen.h"
#include "screens/common/TFailureTranslation.h"
#include "screens/common/TRemoteCall.h"
#include "screens/fee/Cli_Zel00102.h"
#include "screens/viewer/Cli_Zel00101.h"

namespace {

const QString kSuccess = QStringLiteral("NSEQ");

TMessages& billingMessages() {
    return *TBillingScreen::current()->msgPadrao;
}

// Runs `step` under the failure translation. A failure that the translation drops gives
// `soFar`; aborts and database failures go on as they are.
template <class Step>
QString underTranslation(Step&& step, const QString& soFar) {
    try {
        return step();
    } catch (const EAbort&) {
        throw;
    } catch (const EDBEngineError&) {
        throw;
    } catch (const Exception& failure) {
        TfrmApurac::translateFailure(failure.message());
        return soFar;
    }
}

// The answer as the screen reads it: text, at most 14 characters.
QString resultText(const protocol::RemoteValue& answer) {
    using Type = protocol::RemoteValue::Type;
    if (answer.type() == Type::Array || answer.type() == Type::DataPacket ||
        answer.type() == Type::ChangePacket)
        throw Exception(QStringLiteral("Resposta inesperada do servidor em CalcApuracTaxa."));
    return answer.toString().left(14);
}

} // namespace

void TfrmApurac::translateFailure(const QString& failure) {
    Showavi::DeactiveShowAvi();
    Application().processMessages();
    TFailureTranslation::translate(failure, billingMessages());
}

bool TfrmApurac::askYesNo(const QString& key) {
    return ScreenSteps::askYesNo(billingMessages(), key);
}

void TfrmApurac::validate() {
    Vd_SgCia(true);
    vd_DataMenor(depDataIni);
    vd_Data(false, depDataIni);
    vd_Data(false, depDataFim);
    vd_Data(true, depDataIni);
    vd_Data(true, depDataFim);
    Vd_Faturamento();
    serieTransp().Vd_SerieNF(true);
    serieTransp().medTranspExit();

    const QDate endDate = depDataFim->GetDate();
    const QDate billingDate = depDataFatur->GetDate();
    if (endDate.isValid() && billingDate.isValid() && billingDate < endDate) {
        depDataFim->setFocus();
        Consiste::MensErro(billingMessages().Msg(QStringLiteral("DtFim>DtFatu")), true);
    }
    const int currentYear = Clock().today().year();
    for (const auto& [date, key] :
         {std::pair{depDataIni->GetDate(), QStringLiteral("Data_Inicial")},
          std::pair{billingDate, QStringLiteral("Data_Faturamento")}}) {
        if (date.year() < currentYear && !askYesNo(key)) {
            depDataFim->setFocus();
            Abort();
        }
    }
}

QString TfrmApurac::checkedInvoices() {
    QString list;
    {
        TDataSet::ControlsGuard guard(*cdsNotasApuradas);
        TField& mark = cdsNotasApuradas->fieldByName(QStringLiteral("IDCHECK"));
        TField& number = cdsNotasApuradas->fieldByName(QStringLiteral("NRLANCTONF"));
        for (cdsNotasApuradas->first(); !cdsNotasApuradas->eof(); cdsNotasApuradas->next()) {
            if (mark.asString() == u"S")
                list += number.asString() + u'_';
        }
    }
    return list.isEmpty() ? QString() : u'_' + list;
}

void TfrmApurac::sbtConfirmaClick() {
    validate();
    repaint();
    QString number;
    try {
        number = requestNumber();
    } catch (const EDBEngineError& failure) {
        throw Exception(rebuildDatabaseError(failure.entries()));
    }
    // No number means the request failed unseen: the billing connection's last computation
    // is no answer to it.
    if (number.isEmpty())
        Cli_Zel00101::ReportNoInvoices();
    Cli_Zel00101::CriaNotasApur(number);
    close();
}

QString TfrmApurac::requestNumber() {
    QString result;
    // An "ORA" text that step 4 passed on comes back here and goes on unchanged again.
    return underTranslation(
        [&] {
            if (!cdsNotasApuradas->active() || cdsNotasApuradas->isEmpty())
                Consiste::MensErro(msgPadrao->Msg(QStringLiteral("NFSel")), true);
            // Sent whole: the server must receive every checked invoice complete.
            const QString invoices = checkedInvoices();
            if (invoices.isEmpty())
                Consiste::MensErro(msgPadrao->Msg(QStringLiteral("NFSel")), true);
            const QString group = TBillingScreen::current()->medCdGrupo->text();
            result = calcApuracTaxa(invoices, group);
            const QString number =
                result.startsWith(kSuccess)
                    ? result.mid(kSuccess.size(), 10)
                    : Consiste::CheckResultServ(protocol::RemoteValue(result), true, 0).toString();
            TBillingScreen::current()->form->repaint();
            return number;
        },
        result);
}

QString TfrmApurac::calcApuracTaxa(const QString& invoices, const QString& group) {
    // The carrier shown in the field, with this screen's kind; none when the field is empty.
    const QString carrier = medTransp->text();
    const QString kind =
        Consiste::EmptyString(carrier) ? QString() : QString(Cli_Zel00102::chIdTipoTransp);
    QList<TRemoteArg> args{TRemoteArg::S(Ostrana::FiliProc()),
                           TRemoteArg::S(companyField(QStringLiteral("CDCLIENTE"))),
                           TRemoteArg::D(depDataIni->GetDate()),
                           TRemoteArg::D(depDataFim->GetDate()),
                           TRemoteArg::S(medCdFilial->text()),
                           TRemoteArg::S(companyField(QStringLiteral("CDCIA"))),
                           TRemoteArg::D(depDataFatur->GetDate()),
                           TRemoteArg::S(medSerie->text()),
                           TRemoteArg::S(kind),
                           TRemoteArg::S(carrier),
                           TRemoteArg::S(group),
                           TRemoteArg::S(invoices)};
    return underTranslation(
        [&] {
            return resultText(
                TRemoteCall::value(netApurac, QStringLiteral("CalcApuracTaxa"), args));
        },
        QString());
}

QString TfrmApurac::rebuildDatabaseError(const QStringList& entries) {
    QString text;
    for (qsizetype i = 1; i < entries.size(); ++i) {
        const qsizetype lineFeed = entries[i].indexOf(u'\n');
        text += u' ' + (lineFeed < 0 ? entries[i] : entries[i].left(lineFeed));
        if (lineFeed >= 0)
            break;
    }
    if (text.startsWith(QStringLiteral(" ORA")))
        text.remove(0, 12);
    return text;
}
