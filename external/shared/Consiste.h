#pragma once

#include <QDate>
#include <QString>

class TDBGrid;

// Utility routines of the shared library that every screen uses.
namespace Consiste {

// Shows `text` as an error; with `abort` it then ends the running step with the
// silent abort (EAbort).
void MensErro(const QString& text, bool abort);

// True for an empty or blank text, and for the text of an untouched date field
// (only blanks and date separators).
bool EmptyString(const QString& text);

// `source` with every occurrence of `oldText` replaced by `newText`. The last
// argument is kept for callers' sake; replacing every occurrence is what lets one
// toggle uncheck a flight that a check-all listed once per leg.
QString Replace(const QString& oldText, const QString& source, const QString& newText, int flags);

// The code brought to its fixed width: an all-digit code is zero-filled on the left,
// any other code is returned trimmed.
QString Ajusta(const QString& code, int width);

// Edit mask for a carrier identification kind: "J" company register, "F" personal
// register, any other kind free text. Literals are not stored.
QString PictPess(const QString& kind);

// `date` moved by `months` months; a day past the end of the target month becomes
// its last day.
QDate SomaMes(const QDate& date, int months);

// Last day of `month` of `year`.
QDate UltDiaMes(int month, int year);

// Index of the grid column that shows `fieldName` (letter case ignored), -1 if none.
int IndiceCol(const TDBGrid& grid, const QString& fieldName);

} // namespace Consiste
