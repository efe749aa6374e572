#pragma once

#include <QString>

class TNetConnection;
class TfrmNotasApur;

// Opens the computed-invoice viewer over any connection: the billing screen's launch routine
// and the host's computations screen open it the same way.
class ViewerLaunch {
public:
    struct Company {
        QString sgCia;
        QString nmCia;
    };

    // Lists the invoices of `key` requested from `workingBranch` in a new viewer, shown
    // modally. Without `company` the viewer takes the billing screen's. With no invoice, says
    // so, closes the viewer unshown and ends the caller's step (EAbort).
    static void show(TNetConnection& connection, const QString& workingBranch, const QString& key,
                     const Company* company = nullptr);
    // What the viewer says when it finds no invoice; ends the caller's step (EAbort).
    [[noreturn]] static void reportNone(TfrmNotasApur* viewer);
};
