#include "Pkg_Zel00100/ScriptAccess.h"

#include "Pkg_Zel00100/CallArgText.h"
#include "screens/billing/Cli_Zel00100.h"
#include "screens/billing/TfrmApuracao.h"
#include "screens/fee/Cli_Zel00102.h"
#include "screens/fee/TfrmApurac.h"
#include "screens/viewer/Cli_Zel00101.h"
#include "screens/viewer/TfrmNotasApur.h"

#include <functional>
#include <QHash>

namespace ScriptAccess {
namespace {

QString text(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}
QString text(QChar value) {
    return value.isNull() ? QString() : QString(value);
}
QString text(const QString& value) {
    return value;
}
QString screenText(const void* screen, const char* className) {
    return screen ? QString::fromLatin1(className) : QString();
}

const QHash<QString, std::function<QString()>>& variables() {
    static const QHash<QString, std::function<QString()>> table = {
        {QStringLiteral("Cli_Zel00100.frmApuracao"),
         [] { return screenText(Cli_Zel00100::frmApuracao, "TfrmApuracao"); }},
        {QStringLiteral("Cli_Zel00100.boIdCriado"), [] { return text(Cli_Zel00100::boIdCriado); }},
        {QStringLiteral("Cli_Zel00100.chIdTipoTransp"),
         [] { return text(Cli_Zel00100::chIdTipoTransp); }},
        {QStringLiteral("Cli_Zel00100.stVooTrecho"),
         [] { return text(Cli_Zel00100::stVooTrecho); }},
        {QStringLiteral("Cli_Zel00100.stGrupTaxa"), [] { return text(Cli_Zel00100::stGrupTaxa); }},
        {QStringLiteral("Cli_Zel00100.stLocalFat"), [] { return text(Cli_Zel00100::stLocalFat); }},
        {QStringLiteral("Cli_Zel00102.frmApurac"),
         [] { return screenText(Cli_Zel00102::frmApurac, "TfrmApurac"); }},
        {QStringLiteral("Cli_Zel00102.boIdCriado"), [] { return text(Cli_Zel00102::boIdCriado); }},
        {QStringLiteral("Cli_Zel00102.chIdTipoTransp"),
         [] { return text(Cli_Zel00102::chIdTipoTransp); }},
        {QStringLiteral("Cli_Zel00101.frmNotasApur"),
         [] { return screenText(Cli_Zel00101::frmNotasApur, "TfrmNotasApur"); }},
    };
    return table;
}

} // namespace

bool readUnitVariable(const QString& name, QString& value) {
    const auto& table = variables();
    auto it = table.constFind(name);
    if (it == table.constEnd() && !name.contains(QLatin1Char('.'))) {
        // Unqualified: the billing unit first, then the only other unit declaring it.
        for (const char* unit : {"Cli_Zel00100.", "Cli_Zel00102.", "Cli_Zel00101."}) {
            it = table.constFind(QLatin1String(unit) + name);
            if (it != table.constEnd())
                break;
        }
    }
    if (it == table.constEnd())
        return false;
    value = it.value()();
    return true;
}

bool lastCallArg(const QString& method, int argNo, QString& value) {
    return CallArgText::lastCallArg(method, argNo, value);
}

const char* formRole(const TForm* form) {
    if (!form)
        return nullptr;
    if (dynamic_cast<const TfrmApuracao*>(form))
        return "billing";
    if (dynamic_cast<const TfrmNotasApur*>(form))
        return "viewer";
    if (dynamic_cast<const TfrmApurac*>(form))
        return "fee";
    return nullptr;
}

} // namespace ScriptAccess
