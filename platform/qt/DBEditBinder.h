#pragma once

#include "platform/qt/ControlBinder.h"

class QLineEdit;
class TDBEdit;

namespace qtview {

// A data-aware edit: shows its field's display text on the current row, read-only.
class DBEditBinder : public ControlBinder {
public:
    DBEditBinder(FormView& view, TDBEdit& edit, QWidget* parent);

    void sync() override;

protected:
    QPalette::ColorRole backgroundRole() const override { return QPalette::Base; }

private:
    QLineEdit* lineEdit() const;
};

} // namespace qtview
