#include "platform/TNotebook.h"

#include "platform/TForm.h"
#include "platform/TPage.h"

#include <algorithm>

TNotebook::TNotebook(TComponent* owner, TWinControl* parent)
    : TWinControl(owner, parent) {
    setTabStop(false);
}

TPage* TNotebook::addPage(const QString& name) {
    auto* added = new TPage(this, this);
    added->setName(name);
    added->setCaption(name);
    m_pages.push_back(added);
    if (m_pageIndex < 0)
        m_pageIndex = 0;
    changed();
    return added;
}

TPage* TNotebook::page(int index) const {
    return index >= 0 && index < pageCount() ? m_pages[std::size_t(index)] : nullptr;
}

void TNotebook::setPageIndex(int index) {
    if (index == m_pageIndex || index < 0 || index >= pageCount())
        return;
    TPage* hidden = page(m_pageIndex);
    m_pageIndex = index;
    if (TForm* owningForm = form(); hidden && owningForm)
        owningForm->controlLeaving(hidden, false);
    changed();
}

QString TNotebook::activePage() const {
    const TPage* active = page(m_pageIndex);
    return active ? active->name() : QString();
}

void TNotebook::setActivePage(const QString& name) {
    auto it = std::find_if(m_pages.begin(), m_pages.end(), [&](const TPage* candidate) {
        return candidate->name().compare(name, Qt::CaseInsensitive) == 0;
    });
    if (it != m_pages.end())
        setPageIndex(int(it - m_pages.begin()));
}

bool TNotebook::showsChild(const TControl& child) const {
    const auto* asPage = dynamic_cast<const TPage*>(&child);
    return !asPage || asPage == page(m_pageIndex);
}
