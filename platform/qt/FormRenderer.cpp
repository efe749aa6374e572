#include "platform/qt/FormRenderer.h"

#include "platform/qt/ButtonBinder.h"
#include "platform/qt/CheckBoxBinder.h"
#include "platform/qt/ComboBoxBinder.h"
#include "platform/qt/ContainerBinder.h"
#include "platform/qt/DBEditBinder.h"
#include "platform/qt/DecorBinder.h"
#include "platform/qt/EditBinder.h"
#include "platform/qt/FormView.h"
#include "platform/qt/GridBinder.h"
#include "platform/qt/LabelBinder.h"
#include "platform/qt/NotebookBinder.h"
#include "platform/TCheckBox.h"
#include "platform/TComboBox.h"
#include "platform/TCustomEdit.h"
#include "platform/TDBEdit.h"
#include "platform/TDBGrid.h"
#include "platform/TForm.h"
#include "platform/TLabel.h"
#include "platform/TNotebook.h"
#include "platform/TPage.h"
#include "platform/TSpeedButton.h"

#include <QWidget>

#include <vector>

namespace qtview {

void FormRenderer::build(FormView& view) {
    buildChildren(view, *view.form(), nullptr);
}

std::unique_ptr<ControlBinder> FormRenderer::createBinder(FormView& view, TControl& control,
                                                          QWidget* parent) {
    if (auto* edit = dynamic_cast<TCustomEdit*>(&control))
        return std::make_unique<EditBinder>(view, *edit, parent);
    if (auto* grid = dynamic_cast<TDBGrid*>(&control))
        return std::make_unique<GridBinder>(view, *grid, parent);
    if (auto* combo = dynamic_cast<TComboBox*>(&control))
        return std::make_unique<ComboBoxBinder>(view, *combo, parent);
    if (auto* box = dynamic_cast<TCheckBox*>(&control))
        return std::make_unique<CheckBoxBinder>(view, *box, parent);
    if (auto* notebook = dynamic_cast<TNotebook*>(&control))
        return std::make_unique<NotebookBinder>(view, *notebook, parent);
    if (auto* container = dynamic_cast<TWinControl*>(&control))
        return std::make_unique<ContainerBinder>(view, *container, parent);
    if (auto* dbEdit = dynamic_cast<TDBEdit*>(&control))
        return std::make_unique<DBEditBinder>(view, *dbEdit, parent);
    if (auto* label = dynamic_cast<TLabel*>(&control))
        return std::make_unique<LabelBinder>(view, *label, parent);
    if (auto* button = dynamic_cast<TSpeedButton*>(&control))
        return std::make_unique<ButtonBinder>(view, *button, parent);
    return std::make_unique<DecorBinder>(view, control, parent);
}

void FormRenderer::buildChildren(FormView& view, const TWinControl& container,
                                 ControlBinder* containerBinder) {
    std::vector<ControlBinder*> graphics;
    for (TControl* child : container.controls()) {
        QWidget* parent = containerBinder ? containerBinder->childParent(*child) : &view;
        if (!parent)
            continue;
        std::unique_ptr<ControlBinder> created = createBinder(view, *child, parent);
        ControlBinder* binder = created.get();
        if (auto* notebook = dynamic_cast<NotebookBinder*>(containerBinder)) {
            notebook->addPage(binder->widget());
            if (auto* page = dynamic_cast<ContainerBinder*>(binder))
                page->setPlacedByParent(true);
        }
        if (binder->isGraphic())
            graphics.push_back(binder);
        view.registerBinder(std::move(created));
        if (auto* inner = dynamic_cast<TWinControl*>(child))
            buildChildren(view, *inner, binder);
    }
    // Labels, buttons and pictures lie under the windowed controls of the same parent.
    for (auto it = graphics.rbegin(); it != graphics.rend(); ++it)
        (*it)->widget()->lower();
}

} // namespace qtview
