#include "platform/TBitmap.h"

#include <stdexcept>

TBitmap::TBitmap(int width, int height, TColor fill)
    : m_width(width < 0 ? 0 : width)
    , m_height(height < 0 ? 0 : height)
    , m_pixels(std::size_t(m_width) * std::size_t(m_height), fill) {}

TBitmap TBitmap::fromPixelTable(const QStringList& rows, const QHash<QChar, TColor>& legend) {
    const int width = rows.isEmpty() ? 0 : int(rows.first().size());
    TBitmap bitmap(width, int(rows.size()));
    for (int y = 0; y < bitmap.height(); ++y) {
        const QString& row = rows[y];
        if (row.size() != width)
            throw std::invalid_argument("pixel table rows differ in length");
        for (int x = 0; x < width; ++x) {
            const auto it = legend.find(row[x]);
            if (it == legend.end())
                throw std::invalid_argument("pixel table character not in the legend");
            bitmap.setPixel(x, y, *it);
        }
    }
    return bitmap;
}

TColor TBitmap::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        throw std::out_of_range("pixel outside the bitmap");
    return m_pixels[std::size_t(y) * std::size_t(m_width) + std::size_t(x)];
}

void TBitmap::setPixel(int x, int y, TColor color) {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        throw std::out_of_range("pixel outside the bitmap");
    m_pixels[std::size_t(y) * std::size_t(m_width) + std::size_t(x)] = color;
}

TBitmap TBitmap::region(const QRect& source, TColor replaced, TColor by) const {
    TBitmap out(source.width(), source.height(), by);
    for (int y = 0; y < out.height(); ++y) {
        const int sy = source.top() + y;
        if (sy < 0 || sy >= m_height)
            continue;
        for (int x = 0; x < out.width(); ++x) {
            const int sx = source.left() + x;
            if (sx < 0 || sx >= m_width)
                continue;
            const TColor c = pixel(sx, sy);
            out.setPixel(x, y, c == replaced ? by : c);
        }
    }
    return out;
}
