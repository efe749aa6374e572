#include "platform/TPresenter.h"

void TPresenter::showError(const QString& text) {
    TMessageDialog dialog;
    dialog.type = TMsgDlgType::mtError;
    dialog.text = text;
    showMessage(dialog);
}

void TPresenter::showInformation(const QString& text, int helpContext) {
    TMessageDialog dialog;
    dialog.type = TMsgDlgType::mtInformation;
    dialog.text = text;
    dialog.helpContext = helpContext;
    showMessage(dialog);
}

bool TPresenter::askYesNo(const QString& text, const QString& yesCaption,
                          const QString& noCaption) {
    TMessageDialog dialog;
    dialog.type = TMsgDlgType::mtConfirmation;
    dialog.text = text;
    dialog.yesCaption = yesCaption;
    dialog.noCaption = noCaption;
    return askQuestion(dialog);
}
