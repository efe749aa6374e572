#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A printable list as data: the screen fills it, the view lays it out on pages (title,
// filters, column titles repeated on every page, the rows, the totals, page numbers) and
// sizes the columns to their texts.
struct TReport {
    struct Column {
        QString caption;
        bool alignRight = false;
    };

    QString title;
    QStringList filters;
    QList<Column> columns;
    QList<QStringList> rows; // one text per column
    QStringList totals;      // one line each, under the rows
};
