#pragma once

#include <QString>
#include <QStringList>

// One invoice of a billing computation: the values of the selection's key columns, its
// number, and the sums and count of its deliveries.
struct InvoiceSum {
    QStringList key;
    QString number;
    qint64 value = 0;
    qint64 foreign = 0;
    qint64 deliveries = 0;
};
