// "Convert to Quake palette" in the preview menu, and saving the game's
// formats through Save As: 8-bit pictures and WAD2 files, on the offscreen platform.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QPushButton>

#include "app/image_box.h"
#include "app/palette_box.h"
#include "gameformats/wad2_reader.h"
#include "gameformats/wal_texture.h"
#include "palette/palette_conversion.h"
#include "slots/slot_table.h"
#include "support/game_palettes.h"
#include "support/image_files.h"
#include "window_fixture.h"

namespace orrisbay::app {
namespace {

using orrisbay::testing::LoadAs;
using orrisbay::testing::Pattern;
using orrisbay::testing::SamePixels;
using orrisbay::testing::TemporaryFolder;

constexpr const char* kUnavailable = "Quake palette conversion is not available.";

// Mip level 0 as a bottom-up FreeImage bitmap would hold it, for comparing rows.
std::vector<std::uint8_t> TopDownPixels(const FIBITMAP* indexed) {
    const unsigned width = freeimage_base::Width(indexed);
    const unsigned height = freeimage_base::Height(indexed);
    std::vector<std::uint8_t> pixels;
    for (unsigned y = height; y-- > 0;) {
        const BYTE* row = freeimage_base::ScanLine(indexed, y);
        pixels.insert(pixels.end(), row, row + width);
    }
    return pixels;
}

std::optional<gameformats::testing::ReadWad> ReadWadFile(const std::string& path) {
    return gameformats::testing::Wad2Reader(gameformats::testing::FileBytes(path)).Read();
}

class QuakeConversionTest : public testing::WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(window->conversionPalette()) << "palette beside the tests";
        window->setSaveFileDialog([this](QWidget*) { return choice; });
        window->setTextureSizeQuestion([this](QWidget*, const std::string& message) {
            sizeQuestions.push_back(message);
            return rescale;
        });
    }
    const FIBITMAP* Result() const { return window->slotTable().Slot(slots::kResult); }
    // The merge converted with the window's palette.
    freeimage_base::Bitmap Converted(quake_palette::ConversionOptions options = {}) const {
        return quake_palette::ConvertToQuakePalette(Result(), *window->conversionPalette(),
                                                    options);
    }
    void SaveAs(const std::string& name, bool indexed = false) {
        choice = SaveChoice(folder.file(name), indexed);
        window->saveAsAction()->trigger();
    }

    TemporaryFolder folder{"orrisbay-quake"};
    SaveChoice choice;
    bool rescale = false;
    std::vector<std::string> sizeQuestions;
};

TEST_F(QuakeConversionTest, ConvertShowsThePalettePictureThatCopyAndSaveAsTake) {
    window->convertAction()->trigger();
    const FIBITMAP* converted = window->convertedTexture();
    ASSERT_NE(converted, nullptr);
    const freeimage_base::Bitmap expected = Converted();
    EXPECT_TRUE(SamePixels(expected.get(), converted));
    const auto& palette = *window->conversionPalette();
    const RGBQUAD* table = freeimage_base::Palette(converted);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(quake_palette::MakeColour(table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue),
                  palette[static_cast<std::size_t>(i)]);
    }
    for (const std::uint8_t index : TopDownPixels(converted)) {
        ASSERT_LT(index, quake_palette::kFirstFullbright) << "fullbrights are off by default";
    }

    const QImage shown = window->Image3()->picture();
    EXPECT_EQ(shown.format(), QImage::Format_Indexed8);
    EXPECT_EQ(shown.size(), QSize(256, 256));
    window->copyAction()->trigger();
    const QImage copied = QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(copied, shown.convertToFormat(QImage::Format_RGB32));

    SaveAs("converted.png");
    SaveAs("converted.bmp");
    EXPECT_TRUE(SamePixels(converted, LoadAs(FIF_PNG, folder.file("converted.png")).get()));
    EXPECT_TRUE(SamePixels(converted, LoadAs(FIF_BMP, folder.file("converted.bmp")).get()));

    window->fullbrightsAction()->setChecked(true);  // converts again with the new option
    const freeimage_base::Bitmap withFullbrights = Converted({.allowFullbrights = true});
    EXPECT_TRUE(SamePixels(withFullbrights.get(), window->convertedTexture()));

    // Any input replaced: a new merge, shown in full colour again.
    window->slotTable().SetSlotImage(0, Pattern(64, 64, 24));
    EXPECT_EQ(window->convertedTexture(), nullptr);
    EXPECT_NE(window->Image3()->picture().format(), QImage::Format_Indexed8);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Image copied to clipboard");
}

// Each choice of the Dithering and Colour Metric submenus converts the shown
// preview again as the engine converts with that choice, and the session
// keeps it for the exports; unchecking Floyd-Steinberg chooses None.
TEST_F(QuakeConversionTest, TheDitheringAndMetricMenusConvertThePreviewAgain) {
    using quake_palette::ColourMetric;
    using quake_palette::DitherMode;
    window->convertAction()->trigger();
    const struct {
        DitherMode mode;
        ColourMetric metric;
    } choices[] = {{DitherMode::Diffusion, ColourMetric::Rgb},
                   {DitherMode::Ordered, ColourMetric::Perceptual},
                   {DitherMode::FloydSteinberg, ColourMetric::Perceptual},
                   {DitherMode::None, ColourMetric::Rgb}};
    std::vector<freeimage_base::Bitmap> shown;
    for (const auto& choice : choices) {
        window->ditheringAction(choice.mode)->setChecked(true);
        window->metricAction(choice.metric)->setChecked(true);
        quake_palette::ConversionOptions options;
        options.dithering = {choice.mode, {}};
        options.metric = choice.metric;
        const freeimage_base::Bitmap expected = Converted(options);
        EXPECT_TRUE(SamePixels(expected.get(), window->convertedTexture()));
        EXPECT_EQ(window->textureSession().ConversionOptions().EffectiveDithering().mode,
                  choice.mode);
        for (const auto& earlier : shown) {
            EXPECT_FALSE(SamePixels(earlier.get(), expected.get()));
        }
        shown.push_back(freeimage_base::Clone(expected.get()));
    }
    window->ditherAction()->setChecked(true);
    window->ditherAction()->setChecked(false);
    EXPECT_TRUE(window->ditheringAction(DitherMode::None)->isChecked());
    EXPECT_TRUE(SamePixels(Converted().get(), window->convertedTexture()));
    EXPECT_TRUE(messages.empty());
}

TEST_F(QuakeConversionTest, WithoutAGoodPaletteNothingIsConvertedOrWritten) {
    const TemporaryFolder noPalette{"orrisbay-no-palette"};
    window->LoadPalette(noPalette.path().string());
    messages.clear();  // the missing file's own report
    const QImage before = window->Image3()->picture();
    window->convertAction()->trigger();
    SaveAs("texture.wad");
    SaveAs("texture.png", true);
    ASSERT_EQ(messages.size(), 3u);
    for (const auto& message : messages) {
        EXPECT_EQ(message.text, kUnavailable);
        EXPECT_EQ(message.buttons, console::MessageButtons::OkCancel);
    }
    EXPECT_EQ(window->convertedTexture(), nullptr);
    EXPECT_EQ(window->Image3()->picture(), before);
    EXPECT_TRUE(folder.entries().empty());
}

TEST_F(QuakeConversionTest, AWadHoldsTheFullColourMergeConvertedWithTheMenuOptions) {
    window->ditherAction()->setChecked(true);
    window->convertAction()->trigger();  // the WAD is still made from slot 19
    SaveAs("Grass_Dirt.wad");
    const auto wad = ReadWadFile(folder.file("Grass_Dirt.wad"));
    ASSERT_TRUE(wad);
    EXPECT_EQ(wad->magic, "WAD2");
    ASSERT_EQ(wad->lumps.size(), 1u);
    EXPECT_EQ(wad->lumps[0].textureName, "grass_dirt");
    EXPECT_EQ(wad->lumps[0].width, 256u);
    const freeimage_base::Bitmap expected = Converted({.dither = true});
    EXPECT_EQ(wad->lumps[0].mips[0], TopDownPixels(expected.get()));

    // "8-bit PNG" converts on the way out, leaving a full-colour preview alone.
    window->slotTable().SetSlotImage(0, Pattern(64, 64, 24));
    SaveAs("forced.png", true);
    const freeimage_base::Bitmap forced = Converted({.dither = true});
    EXPECT_TRUE(SamePixels(forced.get(), LoadAs(FIF_PNG, folder.file("forced.png")).get()));
    EXPECT_EQ(window->convertedTexture(), nullptr);
    EXPECT_TRUE(messages.empty());
}

TEST_F(QuakeConversionTest, ATextureOffTheSixteenGridIsRescaledOnlyWhenTheUserAgrees) {
    window->slotTable().SetSlotImage(0, Pattern(100, 70, 24, 1));
    window->slotTable().SetSlotImage(1, Pattern(100, 70, 24, 2));
    const std::string question =
        "Quake textures must be a multiple of 16 pixels wide and high, and this one is 100 x 70. "
        "Rescale it to the nearest multiples, 96 x 64?";
    rescale = false;
    SaveAs("odd.wad");
    EXPECT_EQ(sizeQuestions, std::vector<std::string>{question});
    EXPECT_TRUE(folder.entries().empty());

    rescale = true;
    SaveAs("odd.wad");
    EXPECT_EQ(sizeQuestions.size(), 2u);
    const auto wad = ReadWadFile(folder.file("odd.wad"));
    ASSERT_TRUE(wad);
    EXPECT_EQ(wad->lumps[0].width, 96u);
    EXPECT_EQ(wad->lumps[0].height, 64u);
    EXPECT_TRUE(messages.empty());
}

TEST_F(QuakeConversionTest, PaletteMakesAFilesPaletteTheWindowsAndAWalOpensInIt) {
    const quake_palette::Palette colours = orrisbay::testing::DistinctColours();
    const std::string lmp = folder.Write("palette.lmp", orrisbay::testing::RgbBytes(colours));
    const std::string wal = folder.file("floor.wal");
    ASSERT_TRUE(gameformats::WriteWalTexture(Result(), wal, {}, colours));
    const auto choose = [this](const std::string& path) {
        window->setOpenFileDialog([path](imageio::OpenFileRequest& request) {
            request.lpstrFile.replace(0, path.size() + 1, path + '\0');
            return 1;
        });
    };
    choose(lmp);
    window->paletteAction()->trigger();
    ASSERT_TRUE(window->conversionPalette());
    EXPECT_EQ(window->conversionPalette()->colours, colours.colours);
    EXPECT_EQ(window->conversionPalette()->fullbrightCount, 0) << "another game's palette";
    const QImage swatches = window->PicPalette()->grab().toImage();
    for (const int i : {0, 17, 255}) {
        const QColor shown = swatches.pixelColor(1 + 8 * (i % 16) + 4, 1 + 8 * (i / 16) + 4);
        EXPECT_EQ(quake_palette::MakeColour(shown.red(), shown.green(), shown.blue()), colours[i]);
    }
    window->convertAction()->trigger();
    EXPECT_TRUE(SamePixels(Converted().get(), window->convertedTexture()));

    // A .wal opens in the window's palette, its indices as stored.
    choose(wal);
    window->btnOpen(0)->click();
    const FIBITMAP* opened = window->slotTable().Slot(0);
    ASSERT_EQ(freeimage_base::Bpp(opened), 8u);
    EXPECT_EQ(freeimage_base::Palette(opened)[17].rgbGreen, 255 - 17);
    const orrisbay::Result<gameformats::WalTexture> stored = gameformats::ReadWalFile(wal);
    ASSERT_TRUE(stored);
    EXPECT_EQ(TopDownPixels(opened), stored->mips[0]);

    // A damaged palette file is refused with its reason and changes nothing.
    choose(folder.Write("short.lmp", "\x01\x02\x03"));
    window->paletteAction()->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text.rfind("Palette: " + folder.file("short.lmp") + ": ", 0), 0u);
    EXPECT_EQ(window->conversionPalette()->colours, colours.colours);
}

}  // namespace
}  // namespace orrisbay::app
