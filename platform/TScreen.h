#pragma once

enum TCursor : int { crDefault = 0, crHourGlass = -11 };

// The application-wide mouse pointer shape.
class TScreen {
public:
    TCursor cursor() const { return m_cursor; }
    // Tells the presenter when the shape changes.
    void setCursor(TCursor cursor);

private:
    TCursor m_cursor = crDefault;
};

TScreen& Screen();
