#include "platform/TCanvas.h"
#include "platform/TCheckImages.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TEST(CheckImages, TickBoxShadowAndTransparentCorners) {
    const TBitmap& check = TCheckImages::imgCheck();
    const TBitmap& uncheck = TCheckImages::imgUncheck();
    ASSERT_EQ(check.width(), 16);
    ASSERT_EQ(check.height(), 16);
    ASSERT_EQ(uncheck.width(), 16);
    ASSERT_EQ(uncheck.height(), 16);
    // Olive corners and margins, drawn transparent.
    for (auto [x, y] : {std::pair{0, 0}, {15, 0}, {0, 15}, {15, 15}, {12, 2}, {0, 13}}) {
        EXPECT_EQ(check.pixel(x, y), clOlive) << x << "," << y;
        EXPECT_EQ(uncheck.pixel(x, y), clOlive) << x << "," << y;
    }
    // Black top and left edge, white inside, silver shadow right and below.
    EXPECT_EQ(check.pixel(2, 2), clBlack);
    EXPECT_EQ(check.pixel(11, 2), clBlack);
    EXPECT_EQ(check.pixel(2, 11), clBlack);
    EXPECT_EQ(check.pixel(3, 3), clWhite);
    EXPECT_EQ(check.pixel(11, 11), clWhite);
    EXPECT_EQ(check.pixel(13, 1), clSilver);
    EXPECT_EQ(check.pixel(13, 13), clSilver);
    EXPECT_EQ(check.pixel(1, 13), clSilver);
    EXPECT_EQ(check.pixel(14, 13), clOlive);
    // The tick: from (4,6) down to (6,10) and up to (10,4).
    for (auto [x, y] : {std::pair{4, 6}, {4, 8}, {5, 9}, {6, 10}, {7, 8}, {8, 7}, {9, 5}, {10, 4}})
        EXPECT_EQ(check.pixel(x, y), clBlack) << x << "," << y;
    EXPECT_EQ(check.pixel(5, 6), clWhite);
    EXPECT_EQ(check.pixel(10, 8), clWhite);

    // The two differ only inside the box.
    int differing = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            if (check.pixel(x, y) != uncheck.pixel(x, y)) {
                ++differing;
                EXPECT_EQ(uncheck.pixel(x, y), clWhite);
                EXPECT_TRUE(x >= 3 && x <= 11 && y >= 3 && y <= 11);
            }
        }
    }
    EXPECT_EQ(differing, 21);
}

TEST(Bitmap, PixelTableAndBounds) {
    const TBitmap b =
        TBitmap::fromPixelTable({"Ko", "oW"}, {{u'K', clBlack}, {u'o', clOlive}, {u'W', clWhite}});
    EXPECT_EQ(b.pixel(0, 0), clBlack);
    EXPECT_EQ(b.pixel(1, 1), clWhite);
    EXPECT_THROW(b.pixel(2, 0), std::out_of_range);
    EXPECT_THROW(TBitmap::fromPixelTable({"Ko", "o"}, {{u'K', clBlack}, {u'o', clOlive}}),
                 std::invalid_argument);
    EXPECT_THROW(TBitmap::fromPixelTable({"Kx"}, {{u'K', clBlack}}), std::invalid_argument);

    // A copy is independent of its source.
    TBitmap copy;
    copy.assign(b);
    copy.setPixel(0, 0, clRed);
    EXPECT_EQ(b.pixel(0, 0), clBlack);
}

TEST(Canvas, RecordsFillsTextAndBrushCopies) {
    TCanvas canvas;
    canvas.brush().color = clInfoBk;
    canvas.fillRect(QRect(0, 0, 20, 18));
    canvas.font().color = clRed;
    canvas.font().bold = true;
    canvas.textOut(4, 3, "1000");
    canvas.brush().color = clHighlight;
    TBitmap image = TCheckImages::imgCheck();
    canvas.brushCopy(QRect(4, 0, 16, 18), image, QRect(0, 0, 16, 18), clOlive);
    image.setPixel(4, 6, clRed); // changing the source later does not change the record

    const auto& ops = canvas.operations();
    ASSERT_EQ(ops.size(), 3u);
    EXPECT_EQ(ops[0].kind, TCanvas::Operation::Kind::FillRect);
    EXPECT_EQ(ops[0].brushColor, clInfoBk);
    EXPECT_EQ(ops[1].kind, TCanvas::Operation::Kind::TextOut);
    EXPECT_EQ(ops[1].position, QPoint(4, 3));
    EXPECT_EQ(ops[1].font.color, clRed);
    EXPECT_TRUE(ops[1].font.bold);
    EXPECT_EQ(ops[2].kind, TCanvas::Operation::Kind::BrushCopy);
    EXPECT_EQ(ops[2].bitmap, TCheckImages::imgCheck());

    // Olive becomes the brush colour; rows below the picture show the brush too.
    const TBitmap shown = ops[2].rendered();
    ASSERT_EQ(shown.height(), 18);
    EXPECT_EQ(shown.pixel(0, 0), clHighlight);
    EXPECT_EQ(shown.pixel(15, 15), clHighlight);
    EXPECT_EQ(shown.pixel(5, 17), clHighlight);
    EXPECT_EQ(shown.pixel(4, 6), clBlack);
    EXPECT_EQ(shown.pixel(13, 13), clSilver);

    canvas.clear();
    EXPECT_TRUE(canvas.operations().empty());
}

} // namespace
