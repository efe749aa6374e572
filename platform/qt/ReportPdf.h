#pragma once

#include <QString>

struct TReport;

namespace qtview {

// Lays a report out on A4 landscape pages as a PDF: the title and filters on the first page,
// the column titles on every page, the rows, the totals after the last row, and "Página N de M"
// at the foot of each page.
class ReportPdf {
public:
    // Writes `report` to `fileName`; the reason in Portuguese when it could not, else empty.
    static QString write(const TReport& report, const QString& fileName);
};

} // namespace qtview
