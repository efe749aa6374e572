#pragma once

#include "core/TFieldDef.h"
#include "platform/TControl.h"
#include "screens/common/TQueryDef.h"

#include <QString>
#include <QStringList>

class TADOIBQuery;
class TBtnPesquisa;
class TClientDataSet;
class TComponent;
class TControl;
class TDataSet;
class TDataSource;
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

// The branch lookup of both computation screens: every branch when P_CDFILIAL is empty.
TQueryDef branchQuery();

// Named components owned by a form. The query is built from the definition of that name.
TADOIBQuery* newQuery(TComponent* owner, const TQueryDefs& defs, const QString& name);
TClientDataSet* newClientDataSet(TComponent* owner, const QString& name);
TDataSource* newSource(TComponent* owner, const QString& name, TDataSet* data);

// A lookup button: the entry it fills, the list's title and rows, and what it says when the
// list is empty.
void setupLookup(TBtnPesquisa* button, TControl* associate, const QString& title,
                 TDataSource* source, const QString& emptyError);

// An entry the user types into.
void asEntry(TControl* control);
// A field the screen writes and the user only reads.
void asDisplay(TControl* control);
void setupDate(TDateEditPlus* date);
void setupGrid(TDBGrid* grid);
// The check column's title glyphs, in the default font.
inline constexpr char16_t kCheckMark = 0x2713;
inline constexpr char16_t kHeavyCheckMark = 0x2714;
// The check column's title: `glyph` centred.
void setupCheckColumn(TColumn& column, int width, bool bold, char16_t glyph = kCheckMark);

const QStringList& weekdayNames();

// A refused entry: the focus goes to `control`, then `text` is shown as an error and the step
// ends silently.
[[noreturn]] void refuse(TControl* control, const QString& text);

// Runs `step`; when it fails, `control` gets the focus before the failure goes on (and so
// before the dispatch shows its text).
template <class Step>
void focusOnFailure(TControl* control, Step&& step) {
    try {
        step();
    } catch (...) {
        control->setFocus();
        throw;
    }
}

} // namespace FormParts
