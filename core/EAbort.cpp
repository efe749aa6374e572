#include "core/EAbort.h"

EAbort::EAbort()
    : Exception(QStringLiteral("Operação cancelada.")) {}

void Abort() {
    throw EAbort();
}
