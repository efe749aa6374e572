#include "screens/common/ScreenSteps.h"

#include "external/appserver/TNetConnection.h"
#include "external/shared/Ostrana.h"
#include "external/shared/Showavi.h"
#include "external/shared/TMessages.h"
#include "platform/TForm.h"
#include "screens/common/WaitAnimation.h"

namespace ScreenSteps {

void upperCaseKey(QChar& key) {
    key = key.toUpper();
}

void pointAtServer(TNetConnection& connection) {
    connection.setHost(Ostrana::WebURL());
    connection.setPort(Ostrana::WebPort());
}

void followProgress(TNetConnection& connection) {
    connection.OnProgress = [](qint64 done, qint64 total, const QString& text) {
        Showavi::ShowProgress(done, total, text);
    };
}

void connectUnderWait(TNetConnection& connection) {
    WaitAnimation wait(0);
    connection.connect();
}

bool askYesNo(const TMessages& messages, const QString& key) {
    return messages.ShowMsg(key, TMsgDlgType::mtConfirmation, mbYes | mbNo, 0) == mrYes;
}

} // namespace ScreenSteps
