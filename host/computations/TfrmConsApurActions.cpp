// What the user does with the current computation: see its invoices, cancel it.
#include "host/computations/TfrmConsApur.h"

#include "external/shared/Consiste.h"
#include "external/shared/TDateEditPlus.h"
#include "external/shared/TMessages.h"
#include "platform/TApplication.h"
#include "platform/TClientDataSet.h"
#include "platform/TField.h"
#include "platform/TPresenter.h"
#include "screens/common/ScreenSteps.h"
#include "screens/common/TRemoteCall.h"
#include "screens/common/WaitAnimation.h"
#include "screens/viewer/ViewerLaunch.h"

namespace {

QString field(const TClientDataSet& data, const char* name) {
    return data.fieldByName(QString::fromLatin1(name)).asString();
}

} // namespace

void TfrmConsApur::sbtNotasClick() {
    requireCurrent();
    // The invoices belong to the working branch that requested the computation.
    const ViewerLaunch::Company company{field(*cdsApuracoes, "SGCIA"),
                                        field(*cdsApuracoes, "NMCIA")};
    ViewerLaunch::show(netConsApur, field(*cdsApuracoes, "CDFILIALTRAB"),
                       field(*cdsApuracoes, "NRAPURACFAT"), &company);
}

void TfrmConsApur::sbtCancelaClick() {
    requireCurrent();
    const QString number = field(*cdsApuracoes, "NRAPURACFAT");
    auto day = [&](const char* name) {
        return TDateEditPlus::formatDate(
            cdsApuracoes->fieldByName(QString::fromLatin1(name)).asDate());
    };
    // The question's two blanks are the computation's period, in order.
    QString question = msgPadrao->Msg(QStringLiteral("Conf"));
    for (const QString& date : {day("DTINIAPURAC"), day("DTFIMAPURAC")})
        question.replace(question.indexOf(QLatin1String("%s")), 2, date);
    if (!Application().presenter().askYesNo(question, QStringLiteral("Sim"), QStringLiteral("Não")))
        return;
    QList<TRemoteArg> args{TRemoteArg::S(number)};
    protocol::RemoteValue answer;
    try {
        WaitAnimation wait(1);
        answer = TRemoteCall::value(netConsApur, QStringLiteral("CancelaApuracao"), args);
    } catch (...) {
        // What the server refused may have changed meanwhile: the list shows it as it is now.
        Consulta();
        throw;
    }
    Consulta();
    Application().presenter().showInformation(answer.toString());
}
