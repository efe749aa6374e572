#include "screens/common/FormParts.h"

#include "core/EAbort.h"
#include "external/shared/Consiste.h"
#include "external/shared/TADOIBQuery.h"
#include "external/shared/TBtnPesquisa.h"
#include "external/shared/TDateEditPlus.h"
#include "platform/TClientDataSet.h"
#include "platform/TColumn.h"
#include "platform/TDataSource.h"
#include "platform/TDBGrid.h"

#include <algorithm>

namespace FormParts {

TFieldDef text(const QString& name, int size, const QString& label, bool visible) {
    TFieldDef def;
    def.name = name;
    def.type = TFieldType::ftString;
    def.size = size;
    def.displayLabel = label;
    def.visible = visible;
    return def;
}

TFieldDef typed(const QString& name, TFieldType type, const QString& label, bool visible) {
    TFieldDef def;
    def.name = name;
    def.type = type;
    def.displayLabel = label;
    def.visible = visible;
    return def;
}

TFieldDef required(TFieldDef def, int displayWidth) {
    def.required = true;
    def.displayWidth = displayWidth;
    return def;
}

TQueryDef branchQuery() {
    TQueryDef q;
    q.name = QStringLiteral("qryFilial");
    q.params = {QStringLiteral("P_CDFILIAL")};
    q.SQL = {QStringLiteral("SELECT CDFILIAL, NMFILIAL"),
             QStringLiteral("FROM FILIAL, PARAM(:P_CDFILIAL) P_CDFILIAL"),
             QStringLiteral("WHERE CDFILIAL = NVLSTR(P_CDFILIAL.PARAM, CDFILIAL)"),
             QStringLiteral("ORDER BY CDFILIAL")};
    q.SQL_IB = q.SQL;
    q.SQL_ORACLE = {QStringLiteral("SELECT CDFILIAL, NMFILIAL"), QStringLiteral("FROM FILIAL"),
                    QStringLiteral("WHERE CDFILIAL = NVL(:P_CDFILIAL, CDFILIAL)"),
                    QStringLiteral("ORDER BY CDFILIAL")};
    q.fields = {required(text(QStringLiteral("CDFILIAL"), 4, QStringLiteral("Código")), 10),
                text(QStringLiteral("NMFILIAL"), 30, QStringLiteral("Nome"))};
    return q;
}

TADOIBQuery* newQuery(TComponent* owner, const TQueryDefs& defs, const QString& name) {
    const auto def =
        std::find_if(defs.begin(), defs.end(), [&](const TQueryDef& d) { return d.name == name; });
    Q_ASSERT(def != defs.end());
    auto* query = new TADOIBQuery(owner);
    query->setName(def->name);
    query->SQL = def->SQL;
    query->SQL_IB = def->SQL_IB;
    query->SQL_ORACLE = def->SQL_ORACLE;
    for (const TFieldDef& field : def->fields)
        query->addField(field);
    return query;
}

TClientDataSet* newClientDataSet(TComponent* owner, const QString& name) {
    auto* data = new TClientDataSet(owner);
    data->setName(name);
    return data;
}

TDataSource* newSource(TComponent* owner, const QString& name, TDataSet* data) {
    auto* source = new TDataSource(data, owner);
    source->setName(name);
    return source;
}

void refuse(TControl* control, const QString& text) {
    control->setFocus();
    Consiste::MensErro(text, true);
    Abort(); // not reached: MensErro with true ends the step
}

void asEntry(TControl* control) {
    control->setColor(clInfoBk);
    control->setTabStop(true);
}

void asDisplay(TControl* control) {
    control->setEnabled(false);
    control->setTabStop(false);
    control->setColor(clBtnFace);
}

const QStringList& weekdayNames() {
    static const QStringList names = {QStringLiteral("Domingo"), QStringLiteral("Segunda"),
                                      QStringLiteral("Terça"),   QStringLiteral("Quarta"),
                                      QStringLiteral("Quinta"),  QStringLiteral("Sexta"),
                                      QStringLiteral("Sábado")};
    return names;
}

void setupDate(TDateEditPlus* date) {
    asEntry(date);
    date->setValidDateColor(clBlue);
    date->setSaveTime(false);
    date->setWeekdayNames(weekdayNames());
}

void setupLookup(TBtnPesquisa* button, TControl* associate, const QString& title,
                 TDataSource* source, const QString& emptyError) {
    button->setAssociate(associate);
    button->setTitle(title);
    button->setDataSource(source);
    button->setEmptyError(emptyError);
}

void setupGrid(TDBGrid* grid) {
    grid->setColor(clInfoBk);
    grid->setTabStop(true);
    grid->setOptions({dgTitles, dgColumnResize, dgColLines, dgRowLines, dgTabs,
                      dgAlwaysShowSelection, dgConfirmDelete, dgCancelOnExit});
}

void setupCheckColumn(TColumn& column, int width, bool bold, char16_t glyph) {
    column.setWidth(width);
    column.title().caption = QString(QChar(glyph));
    column.title().alignment = taCenter;
    column.title().font.bold = bold;
}

} // namespace FormParts
