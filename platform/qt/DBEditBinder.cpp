#include "platform/qt/DBEditBinder.h"

#include "platform/TDBEdit.h"
#include "platform/TField.h"

#include <QLineEdit>

namespace qtview {

DBEditBinder::DBEditBinder(FormView& view, TDBEdit& edit, QWidget* parent)
    : ControlBinder(view, edit, new QLineEdit(parent)) {
    lineEdit()->setReadOnly(true);
    lineEdit()->setContextMenuPolicy(Qt::NoContextMenu);
    lineEdit()->setTextMargins(1, 0, 1, 0);
}

QLineEdit* DBEditBinder::lineEdit() const {
    return static_cast<QLineEdit*>(widget());
}

void DBEditBinder::sync() {
    ControlBinder::sync();
    if (detached())
        return;
    const auto& model = static_cast<const TDBEdit&>(control());
    const QString text = model.text();
    if (lineEdit()->text() != text) {
        lineEdit()->setText(text);
        lineEdit()->setCursorPosition(0);
    }
    // Amounts line up on the right, as the grids show them.
    const TField* field = model.field();
    const bool numeric = field && (field->dataType() == TFieldType::ftFloat ||
                                   field->dataType() == TFieldType::ftInteger);
    const Qt::Alignment alignment = (numeric ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
    if (lineEdit()->alignment() != alignment)
        lineEdit()->setAlignment(alignment);
}

} // namespace qtview
