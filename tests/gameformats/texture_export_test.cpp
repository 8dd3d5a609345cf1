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

constexpr std::optional<ProblemKind> kWritten;

// The letter of a question: 'r' replace, 'G' grid needed, 'g' grid optional.
char Letter(const ExportQuestion& question) {
    if (question.about == ExportQuestion::About::RescaleToGrid) {
        return question.rescale.required ? 'G' : 'g';
    }
    return question.about == ExportQuestion::About::ReplaceFile ? 'r' : 't';
}

struct Case {
    const char* name;
    bool toPalette = false;
    bool withPalette = true;
    bool existing = false;               // an older file sits at the path
    bool yes = false;                    // the answer to every question
    std::optional<ProblemKind> outcome;  // what stopped the export; empty when it wrote
    std::string asked;   // the questions, in order: 'r' replace, 'G' grid needed, 'g' grid optional
    unsigned width = 0;  // of what was written; 0 when nothing was
};

const Case kCases[] = {
    {"a.gif", false, true, true, true, ProblemKind::CannotWrite, ""},
    {"a.wad", false, true, true, true, ProblemKind::Unreadable, ""},  // "older" is no WAD
    {"a.wad", false, false, false, true, ProblemKind::NoPalette, ""},
    {"a.png", true, false, false, true, ProblemKind::NoPalette, ""},
    {"a.png", false, true, true, false, ProblemKind::Cancelled, "r"},
    {"a.wad", false, true, false, false, ProblemKind::NotOnGrid, "G"},
    {"a.wad", false, true, false, true, kWritten, "G", 96},
    {"a.png", true, true, false, false, kWritten, "g", 100},
    {"a.bmp", true, true, true, true, kWritten, "rg", 96},
    {"a.tga", false, true, false, false, kWritten, "", 100},
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
        // The questions asked in their order, as the window asks them: a no
        // to one the export cannot go on without asks nothing more.
        const ExportRequest request{.path = path, .toPalette = c.toPalette, .conversion = {}};
        const std::optional<quake_palette::Palette> palette =
            c.withPalette ? std::optional(*read) : std::nullopt;
        const auto questions = ExportQuestionsFor(texture.get(), request, palette);
        std::string asked;
        ExportAnswers answers;
        for (const ExportQuestion& q : questions ? *questions : std::vector<ExportQuestion>{}) {
            asked += Letter(q);
            (q.about == ExportQuestion::About::ReplaceFile      ? answers.replaceFile
             : q.about == ExportQuestion::About::ReplaceTexture ? answers.replaceTexture
                                                                : answers.rescaleToGrid) = c.yes;
            if (!c.yes && (q.about != ExportQuestion::About::RescaleToGrid || q.rescale.required)) {
                break;
            }
        }
        const auto result = ExportTexture(texture.get(), request, palette, answers);
        EXPECT_EQ(result ? kWritten : std::optional(result.problem().kind), c.outcome)
            << (result ? "" : result.problem().message);
        if (!questions) {
            EXPECT_EQ(questions.problem().kind, result.problem().kind) << "the same check fails";
        }
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
    const auto nothing = ExportTexture(nullptr, {.path = "/tmp/none.png"}, std::nullopt, {true});
    EXPECT_EQ(nothing.problem().kind, ProblemKind::NothingToWrite);
}

}  // namespace
}  // namespace orrisbay::gameformats
