#pragma once

#include "platform/TAlignment.h"
#include "platform/TFont.h"

#include <optional>
#include <QString>

class TDBGrid;
class TField;

// One column of a data grid: which field it shows and how its title looks.
class TColumn {
public:
    struct Title {
        QString caption; // empty: the field's display label
        TFont font;
        TAlignment alignment = taLeftJustify;
    };

    TColumn(TDBGrid& grid, const QString& fieldName);
    TColumn(const TColumn&) = delete;
    TColumn& operator=(const TColumn&) = delete;

    TDBGrid& grid() const { return m_grid; }
    int index() const;

    const QString& fieldName() const { return m_fieldName; }
    // The field of the grid's dataset this column shows, or nullptr (closed, unknown name).
    TField* field() const;

    Title& title() { return m_title; }
    const Title& title() const { return m_title; }
    // The caption shown: the title's own, else the field's display label, else the name.
    QString titleCaption() const;

    // Defaults to the field's display width in characters (at 7 pixels each), else 64.
    int width() const;
    void setWidth(int width);
    // Defaults to right for numbers, left for the rest.
    TAlignment alignment() const;
    void setAlignment(TAlignment alignment);
    bool visible() const { return m_visible; }
    void setVisible(bool visible);

private:
    TDBGrid& m_grid;
    QString m_fieldName;
    Title m_title;
    std::optional<int> m_width;
    std::optional<TAlignment> m_alignment;
    bool m_visible = true;
};
