#pragma once

#include "platform/TMsgDlg.h"

#include <QString>

// A message dialog as a step asks for it: its kind (which decides the icon), its text, the
// captions of a question's two buttons, the button Enter presses and the help topic F1 opens
// (0: the one of the screen it opens over).
struct TMessageDialog {
    TMsgDlgType type = TMsgDlgType::mtInformation;
    QString text;
    QString yesCaption; // questions only
    QString noCaption;
    int defaultButton = 0; // 0 the first (yes, or OK), 1 the second
    int helpContext = 0;
};
