#include "host/PackageLoader.h"
#include "host/ScriptFailure.h"
#include "host/ScriptPresenter.h"
#include "host/ScriptRunner.h"

#include "host/computations/TfrmConsApur.h"
#include "platform/TApplication.h"
#include "platform/TDataSet.h"
#include "platform/TField.h"
#include "platform/TForm.h"
#include "platform/TNotebook.h"

void ScriptRunner::expect(const ScriptLine& line) {
    const QString kind = line.args.first().toLower();
    const QStringList args = line.args.mid(1);
    if (kind == QLatin1String("message"))
        expectMessage(args);
    else if (kind == QLatin1String("focus"))
        expectFocus(args);
    else if (kind == QLatin1String("text"))
        expectText(args);
    else if (kind == QLatin1String("page"))
        expectPage(args);
    else if (kind == QLatin1String("rows"))
        expectRows(args);
    else if (kind == QLatin1String("field"))
        expectField(args);
    else if (kind == QLatin1String("var"))
        expectVar(args);
    else if (kind == QLatin1String("call"))
        expectCall(args);
    else if (kind == QLatin1String("form"))
        expectForm(args);
    else
        expectState(kind, args);
}

void ScriptRunner::expectEqual(const QString& what, const QString& expected,
                               const QString& actual) const {
    if (expected != actual)
        fail(QStringLiteral("%1: esperado \"%2\", encontrado \"%3\"").arg(what, expected, actual));
}

void ScriptRunner::expectMessage(const QStringList& args) {
    const auto dialog = m_presenter.takeDialog();
    if (!dialog)
        fail(QStringLiteral("nenhuma mensagem exibida; esperada \"%1\"").arg(args.at(0)));
    expectEqual(QStringLiteral("mensagem (%1, da linha %2)").arg(dialog->kind).arg(dialog->line),
                args.at(0), dialog->text);
}

void ScriptRunner::expectFocus(const QStringList& args) {
    TForm& form = activeForm();
    TControl& wanted = control(args.at(0));
    const TControl* position = form.focusPosition();
    if (position != &wanted)
        fail(QStringLiteral("foco: esperado em \"%1\", está em \"%2\"")
                 .arg(wanted.name(),
                      position == &form ? QStringLiteral("(janela)") : position->name()));
}

void ScriptRunner::expectText(const QStringList& args) {
    const TControl& target = control(args.at(0));
    expectEqual(QStringLiteral("texto de %1").arg(target.name()), args.at(1), controlText(target));
}

void ScriptRunner::expectState(const QString& state, const QStringList& args) {
    const TControl& target = control(args.at(0));
    bool holds = false;
    if (state == QLatin1String("enabled"))
        holds = target.enabled();
    else if (state == QLatin1String("disabled"))
        holds = !target.enabled();
    else if (state == QLatin1String("visible"))
        holds = target.showing();
    else
        holds = !target.showing();
    static const QHash<QString, QString> names = {
        {QStringLiteral("enabled"), QStringLiteral("habilitado")},
        {QStringLiteral("disabled"), QStringLiteral("desabilitado")},
        {QStringLiteral("visible"), QStringLiteral("visível")},
        {QStringLiteral("hidden"), QStringLiteral("oculto")},
    };
    if (!holds)
        fail(QStringLiteral("\"%1\" deveria estar %2").arg(target.name(), names.value(state)));
}

void ScriptRunner::expectPage(const QStringList& args) {
    const auto& notebook = controlAs<TNotebook>(args.at(0), "um caderno de páginas");
    expectEqual(QStringLiteral("página de %1").arg(notebook.name()), args.at(1),
                QString::number(notebook.pageIndex()));
}

void ScriptRunner::expectRows(const QStringList& args) {
    const TDataSet& data = dataSet(args.at(0));
    expectEqual(QStringLiteral("linhas de %1").arg(data.name()), args.at(1),
                QString::number(data.active() ? data.recordCount() : 0));
}

void ScriptRunner::expectField(const QStringList& args) {
    TDataSet& data = dataSet(args.at(0));
    const int row = number(args.at(1), "a linha");
    const int count = data.active() ? data.recordCount() : 0;
    if (row < 1 || row > count)
        fail(QStringLiteral("%1 não tem a linha %2 (tem %3)").arg(data.name()).arg(row).arg(count));
    TField* field = data.findField(args.at(2));
    if (!field)
        fail(QStringLiteral("%1 não tem o campo %2").arg(data.name(), args.at(2)));
    // Read the row as a grid draws it: the cursor does not move and nobody is told.
    QString text;
    {
        TDataSet::DisplayRow display(data, row - 1);
        text = field->displayText();
    }
    expectEqual(
        QStringLiteral("%1 linha %2 campo %3").arg(data.name()).arg(row).arg(field->fieldName()),
        args.at(3), text);
}

void ScriptRunner::expectVar(const QStringList& args) {
    auto read = m_package.resolveAs<ZelReadUnitVariableFn>("ZelReadUnitVariable");
    if (!read)
        fail(QStringLiteral("o pacote não exporta ZelReadUnitVariable"));
    QString value;
    if (!read(args.at(0).toUtf8().constData(), &value))
        fail(QStringLiteral("variável de unidade desconhecida: %1").arg(args.at(0)));
    expectEqual(QStringLiteral("variável %1").arg(args.at(0)), args.at(1), value);
}

void ScriptRunner::expectCall(const QStringList& args) {
    auto read = m_package.resolveAs<ZelLastCallArgFn>("ZelLastCallArg");
    if (!read)
        fail(QStringLiteral("o pacote não exporta ZelLastCallArg"));
    const int argNo = number(args.at(1), "o argumento");
    QString value;
    if (!read(args.at(0).toUtf8().constData(), argNo, &value))
        fail(QStringLiteral("nenhuma chamada de %1 com o argumento %2").arg(args.at(0)).arg(argNo));
    expectEqual(QStringLiteral("%1 argumento %2").arg(args.at(0)).arg(argNo), args.at(2), value);
}

void ScriptRunner::expectForm(const QStringList& args) {
    const QString wanted = args.at(0).toLower();
    TForm* form = Application().activeForm();
    QString actual = QStringLiteral("none");
    if (dynamic_cast<const TfrmConsApur*>(form)) {
        // The host's own screen; the package knows only its three.
        actual = QStringLiteral("computations");
    } else if (form) {
        auto role = m_package.resolveAs<ZelFormRoleFn>("ZelFormRole");
        const char* name = role ? role(form) : nullptr;
        actual = name ? QString::fromLatin1(name) : form->caption();
    }
    expectEqual(QStringLiteral("janela ativa"), wanted, actual);
}
