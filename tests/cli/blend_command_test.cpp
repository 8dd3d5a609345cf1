// The blend command run in-process on real files: what it writes, what it
// says, and what it leaves behind when it fails.
#include "cli/blend_command.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <sstream>
#include <vector>

#include "cli/builtin_inputs.h"
#include "imageio/crafted_images.h"
#include "imageio/file_types.h"
#include "slots/slot_table.h"
#include "support/image_files.h"

namespace orrisbay::cli {
namespace {

using orrisbay::testing::LoadAs;
using orrisbay::testing::ReadFile;
using orrisbay::testing::SamePixels;
using orrisbay::testing::SavePattern;
using orrisbay::testing::TemporaryFolder;
using orrisbay::testing::WriteFile;

struct Outcome {
    int code = -1;
    std::string out;
    std::string err;
};

Outcome Blend(std::vector<std::string> arguments) {
    std::ostringstream out;
    std::ostringstream err;
    Outcome run;
    run.code = RunBlend(arguments, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

class BlendCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        layer1 = SavePattern(folder.file("layer1.png"), FIF_PNG, 48, 32, 24, 1);
        layer2 = SavePattern(folder.file("layer2.tga"), FIF_TARGA, 40, 40, 32, 2);
        mask1 = SavePattern(folder.file("mask1.bmp"), FIF_BMP, 64, 64, 24, 3);
        mask2 = SavePattern(folder.file("mask2.png"), FIF_PNG, 20, 10, 8, 4);
        output = folder.file("out.png");
    }

    // The merge the slot table makes of the same four files, with these
    // options and height maps.
    freeimage_base::Bitmap ExpectedMerge(const slots::MergeOptions& options = {},
                                         const std::array<std::string, 2>& maps = {}) {
        slots::NullSlotView view;
        slots::SlotTable table(view);
        table.SetMergeOptions(options);
        for (int i = 0; i < 2; ++i) {
            if (!maps[i].empty()) {
                table.SetHeightMap(i, std::move(imageio::LoadImageFile(maps[i]).value()));
            }
        }
        const std::string inputs[] = {layer1, layer2, mask1, mask2};
        for (int i = 0; i < 4; ++i) {
            table.SetSlotImage(i, std::move(imageio::LoadImageFile(inputs[i]).value()));
        }
        return freeimage_base::Clone(table.Slot(19));
    }

    // Runs a failing command with a file already at the output path and checks
    // that the file and the folder are exactly as they were.
    Outcome FailsLeavingOutputAlone(std::vector<std::string> arguments) {
        WriteFile(output, "an earlier texture");
        const auto before = folder.entries();
        Outcome run = Blend(std::move(arguments));
        EXPECT_NE(run.code, kExitSuccess);
        EXPECT_TRUE(ReadFile(output) == "an earlier texture");
        EXPECT_EQ(folder.entries(), before);
        EXPECT_TRUE(run.out.empty());
        return run;
    }

    TemporaryFolder folder{"orrisbay-blend"};
    std::string layer1, layer2, mask1, mask2, output;
};

TEST_F(BlendCommandTest, WritesTheSameMergeAsTheSlotTable) {
    const Outcome run = Blend({layer1, layer2, mask1, mask2, "-o", output});
    ASSERT_EQ(run.code, kExitSuccess) << run.err;
    EXPECT_TRUE(run.out.empty());
    EXPECT_TRUE(run.err.empty());
    EXPECT_TRUE(SamePixels(ExpectedMerge().get(), LoadAs(FIF_PNG, output).get()));
    EXPECT_EQ(folder.entries().size(), 5u);  // the four inputs and the output, nothing else
}

TEST_F(BlendCommandTest, AnUnusableColourProfileIsToldOnceAndTheBlendGoesOn) {
    WriteFile(layer1, testing::WithPngChunks(ReadFile(layer1), testing::IccpChunk("no profile")));
    const Outcome run = Blend({layer1, layer2, mask1, mask2, "-o", output});
    EXPECT_EQ(run.code, kExitSuccess);
    EXPECT_EQ(run.err,
              "orrisbay-blend: warning: " + layer1 +
                  ": its colour profile cannot be read, so its colours are used as stored\n");
    EXPECT_TRUE(SamePixels(ExpectedMerge().get(), LoadAs(FIF_PNG, output).get()));
}

TEST_F(BlendCommandTest, OutputFormatFollowsTheExtensionAndReplacesAnOldFile) {
    const freeimage_base::Bitmap expected = ExpectedMerge();
    WriteFile(folder.file("out.TGA"), "old");
    for (const auto& [name, format] :
         {std::pair{"out.TGA", FIF_TARGA}, {"out.bmp", FIF_BMP}, {"--output=out.png", FIF_PNG}}) {
        SCOPED_TRACE(name);
        std::string arg = name;
        std::vector<std::string> args = {layer1, layer2, mask1, mask2};
        if (arg.starts_with("--output=")) {
            args.push_back("--output=" + folder.file(arg.substr(9)));
            arg = arg.substr(9);
        } else {
            args.insert(args.end(), {"--output", folder.file(arg)});
        }
        ASSERT_EQ(Blend(args).code, kExitSuccess);
        EXPECT_EQ(FreeImage_GetFileType(folder.file(arg).c_str(), 0), format);
        EXPECT_TRUE(SamePixels(expected.get(), LoadAs(format, folder.file(arg)).get()));
    }
    ASSERT_EQ(Blend({"-o", folder.file("out.jpeg"), layer1, layer2, mask1, mask2}).code,
              kExitSuccess);
    const freeimage_base::Bitmap jpeg = LoadAs(FIF_JPEG, folder.file("out.jpeg"));
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(FreeImage_GetWidth(jpeg.get()), 48u);
    EXPECT_EQ(FreeImage_GetHeight(jpeg.get()), 40u);
}

TEST_F(BlendCommandTest, AnOutputThatIsALinkReplacesItsTargetAndKeepsItsMode) {
    orrisbay::testing::LinkToOwnerOnlyFile(output, folder.file("game/out.png"));
    ASSERT_EQ(Blend({layer1, layer2, mask1, mask2, "-o", output}).code, kExitSuccess);
    EXPECT_TRUE(std::filesystem::is_symlink(output));
    EXPECT_TRUE(
        SamePixels(ExpectedMerge().get(), LoadAs(FIF_PNG, folder.file("game/out.png")).get()));
    EXPECT_TRUE(orrisbay::testing::OwnerOnly(output));
}

TEST_F(BlendCommandTest, BuiltinMergesTheWindowsPictures) {
    const Outcome run = Blend({"--builtin", "-o", output});
    ASSERT_EQ(run.code, kExitSuccess) << run.err;
    const freeimage_base::Bitmap result = LoadAs(FIF_PNG, output);
    ASSERT_TRUE(result);
    EXPECT_EQ(FreeImage_GetWidth(result.get()), 256u);
    EXPECT_EQ(FreeImage_GetHeight(result.get()), 256u);
    for (int slot = 0; slot < 4; ++slot) {
        const freeimage_base::Bitmap input = LoadBuiltinInput(slot);
        ASSERT_TRUE(input);
        EXPECT_EQ(FreeImage_GetWidth(input.get()), slot < 2 ? 256u : 512u);
    }
    EXPECT_FALSE(LoadBuiltinInput(4));
}

TEST_F(BlendCommandTest, HelpAndVersionGoToStandardOutput) {
    for (const char* flag : {"--help", "-h"}) {
        const Outcome run = Blend({flag});
        EXPECT_EQ(run.code, kExitSuccess);
        EXPECT_NE(run.out.find("Usage: orrisbay-blend LAYER1 LAYER2 MASK1 MASK2 -o OUTPUT"),
                  std::string::npos);
        EXPECT_NE(run.out.find("73  the output file could not be written"), std::string::npos);
        EXPECT_TRUE(run.err.empty());
    }
    EXPECT_EQ(Blend({"--version"}).out, "orrisbay-blend 0.01\n");
    EXPECT_EQ(Blend({"-V"}).out, "orrisbay-blend 0.01\n");
}

TEST_F(BlendCommandTest, CommandLineMistakesAreUsageErrors) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "expected four input files, got 0"},
        {{layer1, layer2, mask1, "-o", output}, "expected four input files, got 3"},
        {{layer1, layer2, mask1, mask2}, "no output file given (-o OUTPUT)"},
        {{layer1, layer2, mask1, mask2, "-o"}, "option -o needs a file name"},
        {{layer1, layer2, mask1, mask2, "--output="}, "option --output= needs a file name"},
        {{layer1, layer2, mask1, mask2, "-x", "-o", output}, "unknown option -x"},
        {{"--builtin", layer1, "-o", output}, "--builtin takes no input files"},
        {{layer1, layer2, mask1, mask2, "-o", folder.file("out.gif")},
         "out.gif: unsupported output type (use .png, .tga, .bmp, .jpg, .wad, .bsp or .wal)"},
        {{"--builtin", "-o", output, "--height-blend", "0.6"},
         "--height-blend takes a depth from 0.01 to 0.5, not '0.6'"},
        {{"--builtin", "-o", output, "--height-blend=0.2", "--height-strength", "0.9"},
         "--height-strength and --height-blend add up to more than 1"},
        {{"--builtin", "-o", output, "--height-blend", "0.2", "--height-strength", "x"},
         "--height-strength takes a strength from 0 to 0.9, not 'x'"},
        {{"--builtin", "-o", output, "--height-strength", "0.2"},
         "--height-strength needs --height-blend"},
        {{"--builtin", "-o", output, "--height2", mask1}, "--height2 needs --height-blend"},
        {{"--builtin", "--height-blend", "-o", output}, "option --height-blend needs a number"},
        {{"--builtin", "--quake", "--dither", "ordered:2", "-o", output},
         "dithering \"ordered:2\" needs a strength from 0 to 1"},
        {{"--builtin", "--quake", "--dither=fs", "-o", output}, "\"fs\" is not a dithering mode"},
        {{"--builtin", "--quake", "-o", output, "--metric", "lab"},
         "colour metric \"lab\" is not known: use rgb or perceptual"},
        {{"--builtin", "--metric", "perceptual", "-o", output},
         "--metric needs --quake, or a .wad, .bsp or .wal output"},
        {{layer1, layer2, "--dither", mask1, mask2, "-o", output},
         "--dither needs --quake, or a .wad, .bsp or .wal output"},
    };
    for (const auto& [arguments, message] : cases) {
        SCOPED_TRACE(message);
        const Outcome run = FailsLeavingOutputAlone(arguments);
        EXPECT_EQ(run.code, kExitUsage);
        EXPECT_NE(run.err.find("orrisbay-blend: "), std::string::npos);
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("Try 'orrisbay-blend --help'."), std::string::npos);
    }
}

TEST_F(BlendCommandTest, HeightBlendingTakesItsOptionsAndHeightMapsAsTheSlotTableDoes) {
    const std::vector<std::string> inputs = {layer1,
                                             layer2,
                                             mask1,
                                             mask2,
                                             "-o",
                                             output,
                                             "--height-blend",
                                             "0.3",
                                             "--height-strength=0.7"};
    std::vector<std::string> withMaps = inputs;
    withMaps.insert(withMaps.end(), {"--height1", mask2, "--height2=" + mask1});
    ASSERT_EQ(Blend(withMaps).code, kExitSuccess);
    const freeimage_base::Bitmap expected =
        ExpectedMerge({slots::HeightBlend{0.3, 0.7}}, {mask2, mask1});
    EXPECT_TRUE(SamePixels(expected.get(), LoadAs(FIF_PNG, output).get()));
    ASSERT_EQ(Blend(inputs).code, kExitSuccess);
    EXPECT_FALSE(SamePixels(expected.get(), LoadAs(FIF_PNG, output).get()));  // the maps counted
}

TEST_F(BlendCommandTest, DoubleDashLetsInputsStartWithADash) {
    const std::string dashed = folder.file("-layer.png");
    std::filesystem::copy_file(layer1, dashed);
    const Outcome run = Blend({"-o", output, "--", dashed, layer2, mask1, mask2});
    EXPECT_EQ(run.code, kExitSuccess) << run.err;
}

TEST_F(BlendCommandTest, BadInputsNameTheFileAndTheReason) {
    const std::string tif = SavePattern(folder.file("mask.tif"), FIF_TIFF, 8, 8, 24);
    const std::string damaged = folder.file("damaged.png");
    WriteFile(damaged, "\x89PNG\r\n\x1a\nnot really");
    std::filesystem::create_directory(folder.file("folder.png"));
    const std::string missing = folder.file("missing.png");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{layer1, layer2, tif, mask2, "-o", output},
         tif + ": unsupported file type (use .bmp, .gif, .jpg, .jpeg, .png, .tga or .wal)"},
        {{layer1, missing, mask1, mask2, "-o", output}, missing + ": no such file"},
        // Inputs load side by side; of two bad ones the first is named.
        {{layer1, missing, mask1, damaged, "-o", output}, missing + ": no such file"},
        {{layer1, layer2, mask1, damaged, "-o", output},
         damaged + ": cannot be read as a PNG image (Read error: invalid or corrupted PNG file)"},
        {{folder.file("folder.png"), layer2, mask1, mask2, "-o", output},
         folder.file("folder.png") + ": is a folder, not an image file"},
    };
    for (const auto& [arguments, message] : cases) {
        SCOPED_TRACE(message);
        const Outcome run = FailsLeavingOutputAlone(arguments);
        EXPECT_EQ(run.code, kExitBadInput);
        EXPECT_EQ(run.err, "orrisbay-blend: " + message + "\n");
    }
}

TEST_F(BlendCommandTest, AFailedMergeIsReportedAndWritesNothing) {
    // None of the six input formats decodes to floating point; such a layer
    // cannot become a 32-bit colour layer, so the merge stops.
    WriteFile(output, "an earlier texture");
    const auto before = folder.entries();
    std::array<freeimage_base::Bitmap, 4> inputs = {
        freeimage_base::Bitmap(FreeImage_AllocateT(FIT_FLOAT, 16, 16)), LoadAs(FIF_TARGA, layer2),
        LoadAs(FIF_BMP, mask1), LoadAs(FIF_PNG, mask2)};
    const Result<void> failure = BlendBitmaps(std::move(inputs), {.path = output});
    EXPECT_EQ(ExitCodeOf(failure), kExitMergeFailed);
    EXPECT_EQ(failure.problem().message,
              "merge failed: Merge stopped: layer 1 could not be converted to 32 bits.");
    EXPECT_TRUE(ReadFile(output) == "an earlier texture");
    EXPECT_EQ(folder.entries(), before);
}

TEST_F(BlendCommandTest, AnOutputThatCannotBeWrittenIsReported) {
    const std::string noFolder = folder.file("no-such-folder/out.png");
    Outcome run = Blend({layer1, layer2, mask1, mask2, "-o", noFolder});
    EXPECT_EQ(run.code, kExitOutputNotWritten);
    EXPECT_EQ(run.err.rfind("orrisbay-blend: " + noFolder + ": not written: ", 0), 0u) << run.err;
    EXPECT_FALSE(std::filesystem::exists(noFolder));

    // A folder in the way is not replaced, and no temporary file stays beside it.
    const std::string occupied = folder.file("occupied.png");
    std::filesystem::create_directory(occupied);
    WriteFile(occupied + "/keep.txt", "keep");
    const auto before = folder.entries();
    run = Blend({layer1, layer2, mask1, mask2, "-o", occupied});
    EXPECT_EQ(run.code, kExitOutputNotWritten);
    EXPECT_EQ(folder.entries(), before);
    EXPECT_EQ(ReadFile(occupied + "/keep.txt"), "keep");
}

#ifdef ORRISBAY_BLEND_PROGRAM
// The installed program is the same function behind main(): exit code and stderr.
TEST_F(BlendCommandTest, TheProgramReportsThroughItsExitStatus) {
    const std::string errors = folder.file("stderr.txt");
    const std::string command = std::string("'") + ORRISBAY_BLEND_PROGRAM + "' '" + layer1 + "' '" +
                                layer2 + "' '" + mask1 + "' '" + folder.file("no.png") + "' -o '" +
                                output + "' 2>'" + errors + "'";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), kExitBadInput);
    EXPECT_EQ(ReadFile(errors), "orrisbay-blend: " + folder.file("no.png") + ": no such file\n");
    EXPECT_FALSE(std::filesystem::exists(output));

    const std::string ok =
        std::string("'") + ORRISBAY_BLEND_PROGRAM + "' --builtin -o '" + output + "'";
    EXPECT_EQ(std::system(ok.c_str()), 0);
    EXPECT_TRUE(LoadAs(FIF_PNG, output));
}
#endif

}  // namespace
}  // namespace orrisbay::cli
