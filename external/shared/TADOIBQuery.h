#pragma once

#include "db/TDialect.h"
#include "external/shared/TADOIBParam.h"
#include "platform/TDataSet.h"

#include <memory>
#include <QSqlQuery>
#include <QStringList>
#include <vector>

class TDatabase;

// A read-only SQL lookup holding its statement in three dialects. Opening runs the text
// of the connection's dialect (SQL for SQLite and PostgreSQL, SQL_ORACLE for Oracle,
// SQL_IB for an InterBase-family server; SQL whenever that text is blank) with the
// parameters bound by name, and loads every row into the dataset. Values are converted
// to the types of the persistent fields the screen declared (addField); undeclared
// columns take the type the driver reports.
//
// The connection is dtmDBGeral's unless setDatabase() names another one (the server's
// threads, tests). Database failures raise the platform's Exception with the driver's
// text.
class TADOIBQuery : public TDataSet {
public:
    explicit TADOIBQuery(TComponent* owner = nullptr);
    ~TADOIBQuery() override;

    QStringList SQL;
    QStringList SQL_ORACLE;
    QStringList SQL_IB;

    // A parameter any of the three texts names (letter case ignored); raises
    // "Parâmetro 'X' não encontrado." for a name none of them has.
    TADOIBParam& paramByName(const QString& name);

    // nullptr: dtmDBGeral's connection.
    void setDatabase(TDatabase* database) { m_database = database; }
    TDatabase& connection() const;

    // The lines that run on a connection of `dialect`.
    const QStringList& textFor(TDialect dialect) const;
    // The statement as sent to the driver: the chosen text joined by line breaks, with
    // PostgreSQL's placeholders typed by CASTs.
    QString preparedText(TDialect dialect) const;

protected:
    TDataPacket produceData() override;
    void closed() override;

private:
    TADOIBParam* findParam(const QString& name);
    void bindParameters(const QString& text);
    TFieldDefs describeColumns(TDialect dialect) const;
    [[noreturn]] void raiseDatabaseError() const;

    TDatabase* m_database = nullptr;
    std::vector<std::unique_ptr<TADOIBParam>> m_params;
    std::unique_ptr<QSqlQuery> m_query;
};
