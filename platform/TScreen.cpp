#include "platform/TScreen.h"

#include "platform/TApplication.h"
#include "platform/TPresenter.h"

void TScreen::setCursor(TCursor cursor) {
    if (cursor == m_cursor)
        return;
    m_cursor = cursor;
    Application().presenter().cursorChanged(cursor);
}

TScreen& Screen() {
    return Application().screen();
}
