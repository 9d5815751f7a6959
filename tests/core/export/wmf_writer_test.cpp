#include "core/export/wmf_writer.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "common/temp_dir.hpp"
#include "core/draw/recording.hpp"
#include "core/picture/picture.hpp"

namespace kvx {
namespace {

constexpr uint16_t kEof = 0x0000;
constexpr uint16_t kSaveDc = 0x001E;
constexpr uint16_t kRestoreDc = 0x0127;
constexpr uint16_t kSelectObject = 0x012D;
constexpr uint16_t kDeleteObject = 0x01F0;
constexpr uint16_t kSetWindowExt = 0x020C;
constexpr uint16_t kLineTo = 0x0213;
constexpr uint16_t kMoveTo = 0x0214;
constexpr uint16_t kCreatePen = 0x02FA;
constexpr uint16_t kCreateFont = 0x02FB;
constexpr uint16_t kCreateBrush = 0x02FC;
constexpr uint16_t kPolygon = 0x0324;
constexpr uint16_t kPolyline = 0x0325;
constexpr uint16_t kIntersectClip = 0x0416;
constexpr uint16_t kRectangle = 0x041B;
constexpr uint16_t kExtTextOut = 0x0A32;
constexpr uint16_t kStretchDib = 0x0F43;

uint16_t U16(const std::vector<uint8_t>& b, std::size_t at) {
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
uint32_t U32(const std::vector<uint8_t>& b, std::size_t at) {
    return U16(b, at) | (static_cast<uint32_t>(U16(b, at + 2)) << 16);
}

struct Record {
    uint16_t function = 0;
    std::vector<uint8_t> params;
    int16_t Word(std::size_t i) const { return static_cast<int16_t>(U16(params, i * 2)); }
    uint32_t DWord(std::size_t i) const { return U32(params, i * 2); }
};

/// A metafile taken apart, its headers checked on the way.
struct Metafile {
    int16_t bbox[4] = {};
    uint16_t inch = 0;
    uint16_t objects = 0;
    std::vector<Record> records;

    std::vector<const Record*> Of(uint16_t function) const {
        std::vector<const Record*> out;
        for (const Record& r : records) {
            if (r.function == function) out.push_back(&r);
        }
        return out;
    }
};

Metafile Parse(const std::vector<uint8_t>& bytes) {
    Metafile m;
    EXPECT_GE(bytes.size(), 40u);
    EXPECT_EQ(U32(bytes, 0), 0x9AC6CDD7u);
    uint16_t checksum = 0;
    for (std::size_t i = 0; i < 10; ++i) checksum ^= U16(bytes, i * 2);
    EXPECT_EQ(U16(bytes, 20), checksum);
    for (int i = 0; i < 4; ++i) m.bbox[i] = static_cast<int16_t>(U16(bytes, 6 + 2 * i));
    m.inch = U16(bytes, 14);
    EXPECT_EQ(U16(bytes, 22), 1);  // in memory
    EXPECT_EQ(U16(bytes, 24), 9);  // header words
    EXPECT_EQ(U16(bytes, 26), 0x0300);
    EXPECT_EQ(U32(bytes, 28) * 2, bytes.size() - 22) << "size in words";
    m.objects = U16(bytes, 32);
    const uint32_t maxRecord = U32(bytes, 34);
    uint32_t largest = 0;
    std::size_t at = 40;
    while (at + 6 <= bytes.size()) {
        const uint32_t words = U32(bytes, at);
        EXPECT_GE(words, 3u);
        EXPECT_LE(at + words * 2, bytes.size());
        if (words < 3 || at + words * 2 > bytes.size()) break;
        largest = std::max(largest, words);
        Record r;
        r.function = U16(bytes, at + 4);
        r.params.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at + 6),
                        bytes.begin() + static_cast<std::ptrdiff_t>(at + words * 2));
        m.records.push_back(std::move(r));
        at += words * 2;
    }
    EXPECT_EQ(at, bytes.size());
    EXPECT_EQ(largest, maxRecord);
    EXPECT_FALSE(m.records.empty());
    if (!m.records.empty()) {
        EXPECT_EQ(m.records.back().function, kEof);
    }
    return m;
}

/// Plays the object records the way a player fills its object table: each
/// new object takes the lowest free entry, a selection must name a live
/// object, a deletion must not hit an object selected now or in a saved state.
void CheckObjectTable(const Metafile& m) {
    std::vector<int> table;       // kind per entry, 0 = free
    std::map<int, int> selected;  // kind -> entry
    std::vector<std::map<int, int>> saved;
    std::size_t most = 0;
    for (const Record& r : m.records) {
        if (r.function == kCreatePen || r.function == kCreateBrush || r.function == kCreateFont) {
            const int kind = r.function;
            auto free = std::find(table.begin(), table.end(), 0);
            if (free == table.end()) {
                table.push_back(kind);
            } else {
                *free = kind;
            }
            most = std::max(most, table.size());
        } else if (r.function == kSelectObject) {
            const int entry = r.Word(0);
            ASSERT_LT(entry, static_cast<int>(table.size()));
            ASSERT_NE(table[static_cast<std::size_t>(entry)], 0) << "selects a deleted object";
            selected[table[static_cast<std::size_t>(entry)]] = entry;
        } else if (r.function == kDeleteObject) {
            const int entry = r.Word(0);
            ASSERT_LT(entry, static_cast<int>(table.size()));
            for (const auto& [kind, e] : selected) {
                ASSERT_NE(e, entry) << "deletes a selected object";
            }
            for (const auto& level : saved) {
                for (const auto& [kind, e] : level) {
                    ASSERT_NE(e, entry) << "deletes a saved object";
                }
            }
            table[static_cast<std::size_t>(entry)] = 0;
        } else if (r.function == kSaveDc) {
            saved.push_back(selected);
        } else if (r.function == kRestoreDc) {
            ASSERT_FALSE(saved.empty());
            selected = saved.back();
            saved.pop_back();
            for (const auto& [kind, e] : selected) {
                ASSERT_NE(table[static_cast<std::size_t>(e)], 0);
            }
        }
    }
    EXPECT_TRUE(saved.empty()) << "every saved state is restored";
    EXPECT_LE(most, m.objects);
}

std::shared_ptr<Picture> Gradient(int32_t width, int32_t height) {
    auto picture = std::make_shared<Picture>();
    EXPECT_TRUE(picture->pixels.Allocate(width, height));
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = picture->pixels.Row(y) + x * 3;
            p[0] = static_cast<uint8_t>(x);
            p[1] = static_cast<uint8_t>(y);
            p[2] = 200;
        }
    }
    EXPECT_TRUE(picture->BuildReducedCopies());
    return picture;
}

class WmfWriterTest : public ::testing::Test {
protected:
    Metafile Encode() { return Parse(EncodeMetafile(surface, 2000)); }

    ApproxTextMetrics metrics;
    Recording surface{2000, 2000, metrics};
};

TEST_F(WmfWriterTest, HeaderGivesTheSurfaceSizeInHundredthsOfAMillimetre) {
    const Metafile m = Encode();  // an empty surface, as when the view is not valid
    // 2000 hundredths of a millimetre at 1440 units per inch: 2000 × 1440 / 2540 = 1133.9.
    EXPECT_EQ(m.bbox[0], 0);
    EXPECT_EQ(m.bbox[1], 0);
    EXPECT_EQ(m.bbox[2], 1134);
    EXPECT_EQ(m.bbox[3], 1134);
    EXPECT_EQ(m.inch, 1440);
    ASSERT_EQ(m.Of(kSetWindowExt).size(), 1u);
    EXPECT_EQ(m.Of(kSetWindowExt)[0]->Word(0), 2000);
    EXPECT_EQ(m.Of(kSetWindowExt)[0]->Word(1), 2000);
    EXPECT_TRUE(m.Of(kMoveTo).empty());
}

TEST_F(WmfWriterTest, ObjectsAreCreatedOnceAndDeletedOnlyWhenFree) {
    surface.SetClipRect({1, 1, 2000, 2000});
    for (int i = 0; i < 20; ++i) {
        surface.SetPen(i % 3, 1 + i % 2, i % 7);
        surface.SetBrush(i % 4, i % 5 == 0 ? BrushStyle::kClear : BrushStyle::kSolid);
        surface.font().size = 8 + i % 3;
        surface.Rectangle(i, i, i + 50, i + 40);
        surface.TextOut(i * 10, 300, "label");
        if (i % 6 == 0) surface.SetClipRect({i, i, 1500, 1500});
        if (i % 9 == 0) surface.ResetClip();
    }
    surface.SetClipRect({5, 5, 100, 100});
    const Metafile m = Encode();
    CheckObjectTable(m);
    EXPECT_EQ(m.Of(kRectangle).size(), 20u);
    EXPECT_EQ(m.Of(kExtTextOut).size(), 20u);
    // An unchanged pen is not made again: 20 rectangles in 6 pen variants in turn.
    EXPECT_LE(m.Of(kCreatePen).size(), 20u + 4u);
    EXPECT_EQ(m.Of(kSaveDc).size(), m.Of(kRestoreDc).size());
    const auto clips = m.Of(kIntersectClip);
    ASSERT_FALSE(clips.empty());
    // Bottom, right, top, left.
    EXPECT_EQ(clips.back()->Word(0), 100);
    EXPECT_EQ(clips.back()->Word(1), 100);
    EXPECT_EQ(clips.back()->Word(2), 5);
    EXPECT_EQ(clips.back()->Word(3), 5);
}

TEST_F(WmfWriterTest, GeometryBeyondTheFormatIsCutOutsideTheSurface) {
    surface.SetPen(kBlack, 1);
    surface.Line({-100000, 1000}, {1000, 1000});
    surface.Line({-100000, -5}, {-90000, -5});  // nowhere near the surface
    const CanvasPoint far[] = {{-50000, -50000}, {50000, -50000}, {50000, 50000}, {-50000, 50000}};
    surface.Polygon(far);
    const CanvasPoint path[] = {{10, 10}, {100000, 10}, {100000, 20}, {20, 20}};
    surface.Polyline(path);
    surface.Ellipse(-100000, -100000, 100000, 100000);
    surface.Rectangle(-70000, 500, 70000, 600);
    const Metafile m = Encode();
    // Pen width 1: cut 3 units outside the surface.
    ASSERT_EQ(m.Of(kMoveTo).size(), 1u);
    EXPECT_EQ(m.Of(kMoveTo)[0]->Word(0), 1000);
    EXPECT_EQ(m.Of(kMoveTo)[0]->Word(1), -3);
    EXPECT_EQ(m.Of(kLineTo)[0]->Word(1), 1000);
    // The covering polygon becomes the cut box; the huge ellipse a cut polygon.
    const auto polygons = m.Of(kPolygon);
    ASSERT_EQ(polygons.size(), 2u);
    for (std::size_t i = 1; i <= static_cast<std::size_t>(polygons[0]->Word(0)); ++i) {
        EXPECT_TRUE(polygons[0]->Word(2 * i - 1) == -3 || polygons[0]->Word(2 * i - 1) == 2003);
    }
    // The polyline leaves the surface and comes back: two pieces.
    const auto lines = m.Of(kPolyline);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]->Word(0), 2);
    EXPECT_EQ(lines[0]->Word(3), 2003);
    EXPECT_EQ(lines[1]->Word(1), 2003);
    const auto rects = m.Of(kRectangle);
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0]->Word(1), 2003);
    EXPECT_EQ(rects[0]->Word(3), -3);
}

/// The bitmap of a stretch record: width, height and where it goes.
struct Dib {
    int32_t width, height;
    CanvasRect dest;
    std::vector<uint8_t> bits;
};

Dib DibOf(const Record& r) {
    Dib d;
    // Raster operation, colour use, source height, width, y, x, then the
    // destination's height, width, y, x, then the bitmap.
    d.dest = {r.Word(10), r.Word(9), r.Word(10) + r.Word(8), r.Word(9) + r.Word(7)};
    EXPECT_EQ(r.DWord(0), 0x00CC0020u);
    EXPECT_EQ(U32(r.params, 22), 40u);
    d.width = static_cast<int32_t>(U32(r.params, 26));
    d.height = static_cast<int32_t>(U32(r.params, 30));
    EXPECT_EQ(r.Word(4), d.width);  // the whole bitmap is the source
    EXPECT_EQ(r.Word(3), d.height);
    EXPECT_EQ(r.Word(5), 0);
    EXPECT_EQ(r.Word(6), 0);
    EXPECT_EQ(U16(r.params, 36), 24);
    d.bits.assign(r.params.begin() + 62, r.params.end());
    return d;
}

TEST_F(WmfWriterTest, PictureShowsAtNoMorePixelsThanItCovers) {
    // Reduced: 4000 x 3000 into 2000 x 1500 surface pixels.
    surface.StretchPicture({0, 0, 2000, 1500}, Gradient(4000, 3000));
    // Enlarged five times: its own 300 x 200 pixels, stretched by the reader.
    surface.StretchPicture({0, 0, 1500, 1000}, Gradient(300, 200));
    // Deep zoom: 1000 x 800 pixels across 500,000 x 400,000 surface pixels;
    // the surface shows pixels 200 .. 203 in each direction.
    surface.StretchPicture({-100000, -100000, 400000, 300000}, Gradient(1000, 800));
    // Enlarged beyond the format's coordinates: the visible part, one pixel each.
    surface.SetClipRect({0, 0, 1000, 1000});
    surface.StretchPicture({-100000, 0, 1000, 1000}, Gradient(2, 2));
    surface.StretchPicture({3000, 0, 4000, 10}, Gradient(2, 2));  // off the surface
    const Metafile m = Encode();
    const auto stretches = m.Of(kStretchDib);
    ASSERT_EQ(stretches.size(), 4u);
    const Dib reduced = DibOf(*stretches[0]);
    EXPECT_EQ(reduced.width, 2000);
    EXPECT_EQ(reduced.height, 1500);
    EXPECT_EQ(reduced.dest, (CanvasRect{0, 0, 2000, 1500}));
    const Dib enlarged = DibOf(*stretches[1]);
    EXPECT_EQ(enlarged.width, 300);
    EXPECT_EQ(enlarged.height, 200);
    EXPECT_EQ(enlarged.dest, (CanvasRect{0, 0, 1500, 1000}));
    const Dib zoomed = DibOf(*stretches[2]);
    EXPECT_EQ(zoomed.width, 4);
    EXPECT_EQ(zoomed.height, 4);
    EXPECT_EQ(zoomed.dest, (CanvasRect{0, 0, 2000, 2000}));
    // Bottom-up: the first pixel stored is picture pixel (200, 203): blue, green 203, red 200.
    EXPECT_EQ(zoomed.bits[0], 200);
    EXPECT_EQ(zoomed.bits[1], 203);
    EXPECT_EQ(zoomed.bits[2], 200);
    const Dib clipped = DibOf(*stretches[3]);
    EXPECT_EQ(clipped.width, 1000);
    EXPECT_EQ(clipped.height, 1000);
    EXPECT_EQ(clipped.dest, (CanvasRect{0, 0, 1000, 1000}));
}

TEST_F(WmfWriterTest, APictureHeldReducedIsWrittenFromThePixelsItHas) {
    // A first view of a 1200 x 800 picture, held at an eighth, enlarged into
    // 1500 x 1000 surface pixels: its own 150 x 100 pixels are written, not
    // a part of 1200 x 800 pixels it does not have (read past its memory).
    std::shared_ptr<Picture> firstView = Gradient(150, 100);
    firstView->fullWidth = 1200;
    firstView->fullHeight = 800;
    firstView->reduction = 8;
    surface.StretchPicture({0, 0, 1500, 1000}, firstView);
    const Metafile m = Encode();
    const auto stretches = m.Of(kStretchDib);
    ASSERT_EQ(stretches.size(), 1u);
    const Dib enlarged = DibOf(*stretches[0]);
    EXPECT_EQ(enlarged.width, 150);
    EXPECT_EQ(enlarged.height, 100);
    EXPECT_EQ(enlarged.dest, (CanvasRect{0, 0, 1500, 1000}));
}

TEST_F(WmfWriterTest, SavedUnderTheForcedExtension) {
    test::TempDir dir;
    std::string written;
    ASSERT_EQ(SaveMetafile(dir.File("view.emf"), surface, 2000, &written), kOk);
    EXPECT_EQ(written, dir.File("view.WMF"));
    EXPECT_TRUE(std::filesystem::exists(written));
    EXPECT_EQ(SaveMetafile(dir.File("none/view.wmf"), surface, 2000), kErrWmfCreate);
}

// ---- a real reader ----

/// Start tags by name, after checking that the document nests properly.
std::map<std::string, int> ElementCounts(const std::string& xml, bool& wellFormed) {
    std::map<std::string, int> counts;
    std::vector<std::string> open;
    wellFormed = true;
    std::size_t at = 0;
    while ((at = xml.find('<', at)) != std::string::npos) {
        const std::size_t end = xml.find('>', at);
        if (end == std::string::npos) {
            wellFormed = false;
            break;
        }
        const std::string tag = xml.substr(at + 1, end - at - 1);
        at = end + 1;
        if (tag.empty() || tag[0] == '?' || tag[0] == '!') continue;
        if (tag[0] == '/') {
            if (open.empty() || open.back() != tag.substr(1)) wellFormed = false;
            if (!open.empty()) open.pop_back();
            continue;
        }
        const std::string name = tag.substr(0, tag.find_first_of(" \t\r\n/"));
        ++counts[name];
        if (tag.back() != '/') open.push_back(name);
    }
    if (!open.empty()) wellFormed = false;
    return counts;
}

TEST_F(WmfWriterTest, RealReaderDrawsEveryShapeAndText) {
    if (std::system("command -v wmf2svg >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "wmf2svg (libwmf-bin) is not installed; ./test installs it";
    }
    // A redraw in miniature: background, clip, picture, polygons, raster,
    // objects with labels, the splash frame and a pixel.
    surface.SetBrush(kBlack);
    surface.SetPen(kWhite, 1);
    const CanvasPoint background[] = {{0, 0}, {2000, 0}, {2000, 2000}, {0, 2000}};
    surface.Polygon(background);
    surface.SetClipRect({1, 1, 2000, 2000});
    surface.StretchPicture({0, 0, 2000, 1500}, Gradient(640, 480));
    surface.SetPen(kRed, 2);
    surface.SetBrush(kWhite, BrushStyle::kClear);
    for (int i = 0; i < 4; ++i) {
        const CanvasPoint area[] = {
            {100 + i * 300, 100}, {300 + i * 300, 150}, {200 + i * 300, 400}};
        surface.Polygon(area);
    }
    const CanvasPoint offSurface[] = {{5000, 5000}, {6000, 5000}, {6000, 6000}};
    surface.Polygon(offSurface);
    surface.SetPen(kBlack, 1, kPenDot);
    for (int i = 1; i <= 10; ++i) surface.Line({i * 180, 0}, {i * 180, 2000});
    surface.SetPen(0x00FF00, 3);
    for (int i = 0; i < 3; ++i) surface.Line({100, 600 + i * 50}, {700, 650 + i * 50});
    surface.SetBrush(kWhite);
    for (int i = 0; i < 5; ++i) surface.Ellipse(800 + i * 40, 800, 820 + i * 40, 820);
    surface.Rectangle(1000, 1000, 1100, 1050);
    surface.Rectangle(1200, 1000, 1300, 1050);
    const CanvasPoint open[] = {{50, 1700}, {150, 1750}, {250, 1700}};
    surface.Polyline(open);
    surface.font().size = 20;
    surface.font().colour = kRed;
    for (int i = 0; i < 5; ++i) surface.TextOut(820 + i * 40, 830, "P" + std::to_string(i));
    surface.SetBrush(kWhite, BrushStyle::kClear);
    surface.TextOut(-20, 1900, "cut at the edge");
    surface.TextOut(5000, 100, "beyond the surface");
    surface.ResetClip();
    surface.SetPen(kBlack, 5);
    surface.SetBrush(kWhite);
    surface.Rectangle(500, 800, 1500, 1150);
    surface.SetPixel(10, 10, kRed);

    test::TempDir dir;
    ASSERT_EQ(SaveMetafile(dir.File("view.wmf"), surface, 2000), kOk);
    const std::string svg = dir.File("view.svg");
    const std::string command =
        "wmf2svg -o '" + svg + "' '" + dir.File("view.wmf") + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    bool wellFormed = false;
    const std::map<std::string, int> counts = ElementCounts(test::TempDir::Read(svg), wellFormed);
    EXPECT_TRUE(wellFormed);
    auto count = [&](const char* name) {
        const auto it = counts.find(name);
        return it == counts.end() ? 0 : it->second;
    };
    EXPECT_EQ(count("svg"), 1);
    EXPECT_EQ(count("polygon"), 5);  // background and four areas; the one far off is gone
    EXPECT_EQ(count("image"), 1);
    EXPECT_EQ(count("line"), 13);  // ten raster lines, three two-point lines
    EXPECT_EQ(count("ellipse"), 5);
    EXPECT_EQ(count("rect"), 4);  // two rectangles, the splash frame, the pixel
    EXPECT_EQ(count("polyline"), 1);
    EXPECT_EQ(count("text"), 6);  // five labels and the one cut at the edge
}

}  // namespace
}  // namespace kvx
