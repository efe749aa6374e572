#pragma once

#include "platform/TWinControl.h"

#include <QString>
#include <vector>

class TPage;

// A stack of pages of which only the active one is shown; controls on the other pages can
// neither be seen nor focused.
class TNotebook : public TWinControl {
public:
    explicit TNotebook(TComponent* owner = nullptr, TWinControl* parent = nullptr);

    // Appends a page, owned by the notebook; the first page added becomes active.
    TPage* addPage(const QString& name);
    const std::vector<TPage*>& pages() const { return m_pages; }
    int pageCount() const { return int(m_pages.size()); }
    TPage* page(int index) const;

    int pageIndex() const { return m_pageIndex; }
    // Shows another page. The focus, when on the page being hidden, moves to the notebook
    // without events. An index out of range is ignored.
    void setPageIndex(int index);
    QString activePage() const;
    // Shows the page with this name (letter case ignored); unknown names are ignored.
    void setActivePage(const QString& name);

    bool showsChild(const TControl& child) const override;

private:
    std::vector<TPage*> m_pages;
    int m_pageIndex = -1;
};
