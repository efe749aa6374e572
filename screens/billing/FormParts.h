#pragma once

#include "platform/TFieldDef.h"

#include <QString>
#include <QStringList>

class TControl;
class TDBGrid;
class TColumn;
class TDateEditPlus;

// Field definitions and control set-ups the computation screens share, so that both look and
// behave alike.
namespace FormParts {

inline constexpr int kFieldHeight = 21;
inline constexpr int kButtonSize = 21;

// A text field; invisible ones stay out of the lookup lists.
TFieldDef text(const QString& name, int size, const QString& label = {}, bool visible = true);
TFieldDef typed(const QString& name, TFieldType type, const QString& label = {},
                bool visible = true);
TFieldDef required(TFieldDef def, int displayWidth = 0);

// An entry the user types into.
void asEntry(TControl* control);
// A field the screen writes and the user only reads.
void asDisplay(TControl* control);
void setupDate(TDateEditPlus* date);
void setupGrid(TDBGrid* grid);
// The check column's title: a check mark in the default font.
void setupCheckColumn(TColumn& column, int width, bool bold);

const QStringList& weekdayNames();

} // namespace FormParts
