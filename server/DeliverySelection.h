#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <utility>

// The deliveries a billing computation takes, as SQL over DELIVERY: branch and company,
// dated in the period, not yet computed, of the product group when one is given, and by
// issue-form type the listed flights or billing locations. Also which columns make one
// invoice for that type. The work stays in the database, so a computation of a million
// deliveries holds none of them in memory.
class DeliverySelection {
public:
    using Binds = QList<std::pair<QString, QVariant>>;

    struct Criteria {
        QString filial;
        QString cdcia;
        QDate start;
        QDate end;
        QString grupo;   // empty: every group
        QString type;    // issue-form type
        QString flights; // "_A_B_"
        bool allFlights = false;
        QString locations; // "_A_B_", empty: every location
    };

    // A list longer than this is no screen's selection: the caller refuses the call.
    static constexpr qsizetype kMaxListed = 5000;

    explicit DeliverySelection(const Criteria& criteria);

    // A condition on DELIVERY's own columns (no alias) and the values it binds.
    const QString& where() const { return m_where; }
    const Binds& binds() const { return m_binds; }
    // The same selection narrowed to days `from` to `to` of the period. The narrower days
    // take the place of the period's, so that the index range is the narrow one.
    Binds bindsFor(const QDate& from, const QDate& to) const;
    bool listTooLong() const { return m_listTooLong; }

    // The columns whose values make one invoice: the flight ("02"), the leg ("03"), the
    // billing location ("10"), none for one invoice of everything.
    const QStringList& keyColumns() const { return m_keyColumns; }

    // "_A_B" or "_A_B_" → {A, B}, each once, in their order.
    static QStringList entries(const QString& list);

private:
    void addList(const QString& column, const QStringList& values, const QString& prefix);

    QString m_where;
    Binds m_binds;
    QStringList m_keyColumns;
    bool m_listTooLong = false;
};
