#include "platform/EUnexpectedDialog.h"

EUnexpectedDialog::EUnexpectedDialog(const QString& description)
    : std::runtime_error(description.toStdString()) {}
