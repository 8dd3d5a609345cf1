// The one export path: which checks come before which question, and what
// reaches the disk, read back by the library and by the test's own WAD reader.
#include "gameformats/texture_export.h"

#include <gtest/gtest.h>

#include "support/image_files.h"
#include "wad2_reader.h"

namespace orrisbay::gameformats {
namespace {

using orrisbay::testing::LoadAs;
using orrisbay::testing::RandomTexture;
using orrisbay::testing::ReadFile;
using orrisbay::testing::SamePixels;

struct Case {
    const char* name;
    bool toPalette = false;
    bool withPalette = true;
    bool existing = false;  // an older file sits at the path
    bool yes = false;       // the answer to every question
    ExportOutcome outcome = ExportOutcome::Written;
    std::string asked;   // the questions, in order: 'r' replace, 'G' grid needed, 'g' grid optional
    unsigned width = 0;  // of what was written; 0 when nothing was
};

const Case kCases[] = {
    {"a.gif", false, true, true, true, ExportOutcome::UnsupportedFormat, ""},
    {"a.wad", false, true, true, true, ExportOutcome::WadUnreadable, ""},  // "older" is no WAD
    {"a.wad", false, false, false, true, ExportOutcome::NoPalette, ""},
    {"a.png", true, false, false, true, ExportOutcome::NoPalette, ""},
    {"a.png", false, true, true, false, ExportOutcome::Cancelled, "r"},
    {"a.wad", false, true, false, false, ExportOutcome::NotWadSize, "G"},
    {"a.wad", false, true, false, true, ExportOutcome::Written, "G", 96},
    {"a.png", true, true, false, false, ExportOutcome::Written, "g", 100},
    {"a.bmp", true, true, true, true, ExportOutcome::Written, "rg", 96},
    {"a.tga", false, true, false, false, ExportOutcome::Written, "", 100},
};

TEST(TextureExport, ChecksComeFirstThenQuestionsThenTheFile) {
    const auto read = quake_palette::ReadPaletteFile(ORRISBAY_SOURCE_PALETTE);
    const freeimage_base::Bitmap texture = RandomTexture(100, 70, 3);
    for (const Case& c : kCases) {
        SCOPED_TRACE(::testing::Message() << c.name << " palette " << c.toPalette);
        const orrisbay::testing::TemporaryFolder folder("orrisbay-export");
        const std::string path = folder.file(c.name);
        if (c.existing) {
            orrisbay::testing::WriteFile(path, "older");
        }
        std::string asked;
        const ExportQuestions questions{
            [&](const std::string&) { return asked += 'r', c.yes; },
            [&](const std::string&, const std::string&) { return asked += 't', c.yes; },
            [&](const RescaleQuestion& q) { return asked += q.required ? 'G' : 'g', c.yes; }};
        const ExportResult result =
            ExportTexture(texture.get(), {.path = path, .toPalette = c.toPalette, .conversion = {}},
                          c.withPalette ? read.ConversionPalette() : std::nullopt, questions);
        EXPECT_EQ(result.outcome, c.outcome) << result.message;
        EXPECT_EQ(asked, c.asked);
        if (c.width == 0) {
            EXPECT_EQ(ReadFile(path), c.existing ? "older" : "");
        } else if (OutputKindOf(path) == OutputKind::Wad) {
            const auto wad = testing::Wad2Reader(testing::FileBytes(path)).Read();
            ASSERT_TRUE(wad);
            EXPECT_EQ(wad->lumps[0].width, c.width);
        } else {
            const freeimage_base::Bitmap back = LoadAs(FreeImage_GetFileType(path.c_str()), path);
            EXPECT_EQ(freeimage_base::Width(back.get()), c.width);
            EXPECT_EQ(freeimage_base::Bpp(back.get()), c.toPalette ? 8u : 24u);
            if (!c.toPalette) {
                EXPECT_TRUE(SamePixels(texture.get(), back.get()));
            }
        }
        EXPECT_EQ(folder.entries().size(), c.existing || c.width ? 1u : 0u) << "no temporary files";
    }
    const ExportResult nothing = ExportTexture(nullptr, {.path = "/tmp/none.png"}, std::nullopt,
                                               {[](auto&) { return true; }, nullptr, nullptr});
    EXPECT_EQ(nothing.outcome, ExportOutcome::NoTexture);
}

}  // namespace
}  // namespace orrisbay::gameformats
