// The row fill routines behind rectangle fills and horizontal lines: every variant this CPU runs
// against a plain loop, at every alignment of the row start, with guard pixels all around.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/Raster.h"

namespace {

constexpr uint32_t kGuard = 0xFFABCDEFu;
constexpr uint32_t kInk = 0xFF102030u;

// The first case where Filler differs from a plain loop, or "" when none does.
std::string FirstMismatch(const TRowFiller& filler)
{
    std::vector<int> widths;
    for (int w = 1; w <= 40; ++w)
        widths.push_back(w);
    for (int w : {63, 64, 65, 127, 128, 129, 1000})
        widths.push_back(w);
    for (int width : widths) {
        // Sixteen start offsets cover every position within a 64-byte line, whatever the
        // buffer's own alignment.
        for (int offset = 0; offset < 16; ++offset) {
            for (int height : {1, 2, 5}) {
                const int stride = width + 19; // odd: rows start at varying alignments
                const size_t size = static_cast<size_t>(stride) * (height + 2) + 64;
                std::vector<uint32_t> got(size, kGuard);
                std::vector<uint32_t> want(size, kGuard);
                const size_t first = static_cast<size_t>(stride) + offset;
                filler.Fill(got.data() + first, stride, width, height, kInk);
                for (int y = 0; y < height; ++y)
                    for (int x = 0; x < width; ++x)
                        want[first + static_cast<size_t>(y) * stride + x] = kInk;
                if (got != want) {
                    return "width " + std::to_string(width) + " offset " + std::to_string(offset) +
                           " height " + std::to_string(height);
                }
            }
        }
    }
    return "";
}

TEST(RasterRowFill, EveryVariantMatchesAPlainLoopAtEveryAlignment)
{
    const std::vector<TRowFiller> fillers = RowFillersOfThisCpu();
    ASSERT_FALSE(fillers.empty());
    for (const TRowFiller& filler : fillers)
        EXPECT_EQ(FirstMismatch(filler), "") << filler.Name;
}

TEST(RasterRowFill, ZeroHeightWritesNothing)
{
    for (const TRowFiller& filler : RowFillersOfThisCpu()) {
        SCOPED_TRACE(filler.Name);
        std::vector<uint32_t> px(200, kGuard);
        filler.Fill(px.data() + 8, 50, 100, 0, kInk);
        EXPECT_EQ(px, std::vector<uint32_t>(200, kGuard));
    }
}

// An image whose rows follow each other without padding: fills of whole rows are one run, and
// must still stop at the rectangle's last row.
TEST(RasterRowFill, FullWidthFillsOfAnUnpaddedImageStayInTheirRows)
{
    struct Case
    {
        const char* name;
        int width, height;
        TRect rect;
    };
    const Case cases[] = {
        {"middle band", 37, 10, {0, 3, 37, 7}},
        {"wider than the image", 37, 10, {-5, 2, 100, 4}},
        {"whole image", 64, 9, {0, 0, 64, 9}},
        {"one row", 5, 4, {0, 3, 5, 4}},
        {"narrower than a row", 37, 10, {0, 3, 36, 7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t pixels = static_cast<size_t>(c.width) * c.height;
        std::vector<uint32_t> px(pixels + 64, kGuard);
        TRaster raster(px.data() + 32, c.width, c.height, c.width);
        raster.FillRect(c.rect, kInk, pmCopy);
        for (size_t i = 0; i < px.size(); ++i) {
            const bool inside = i >= 32 && i < 32 + pixels;
            const int x = inside ? static_cast<int>((i - 32) % c.width) : -1;
            const int y = inside ? static_cast<int>((i - 32) / c.width) : -1;
            const uint32_t want = inside && c.rect.Contains(x, y) ? kInk : kGuard;
            if (px[i] != want) {
                FAIL() << "pixel " << x << "," << y << " (index " << i << ")";
            }
        }
    }
}

} // namespace
