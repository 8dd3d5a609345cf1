#include "cli/blend_command.h"

#include <FreeImage.h>

#include <filesystem>
#include <ostream>
#include <system_error>

#include "cli/builtin_inputs.h"
#include "cli/watch_command.h"
#include "console/application.h"
#include "console/console.h"
#include "console/version.h"
#include "gameformats/texture_export.h"
#include "imageio/file_types.h"
#include "palette/quake_palette.h"
#include "slots/slot_table.h"
#include "slots/slot_view.h"

namespace orrisbay::cli {

namespace {

namespace fs = std::filesystem;

// Shows nothing; keeps the reason of a failed merge for the error message.
class MergeFailureView : public slots::NullSlotView {
  public:
    void ReportMergeFailure(const std::string& message) override { failure = message; }
    std::string failure;
};

using Failure = BlendFailure;

// Why a file whose type was accepted could not be read.
std::string UnreadableReason(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) {
        return "no such file";
    }
    if (fs::is_directory(status)) {
        return "is a folder, not an image file";
    }
    const imageio::FileTypeRow* row = imageio::FindFileType(imageio::FileExtension(path));
    const char* format = row ? FreeImage_GetFormatFromFIF(row->format) : nullptr;
    return std::string("cannot be read as a ") + (format ? format : "supported") + " image";
}

// Loads one input; a colour profile that could not be used is told on `err`.
Failure LoadInput(const std::string& path, freeimage_base::Bitmap& bitmap, std::ostream& err) {
    std::error_code error;
    if (imageio::FindFileType(imageio::FileExtension(path)) != nullptr &&
        !fs::exists(path, error)) {
        return {kExitBadInput, path + ": no such file"};  // spares the library's own complaint
    }
    imageio::LoadResult result = imageio::LoadImageFile(path);
    switch (result.outcome) {
        case imageio::LoadOutcome::Loaded:
            if (!result.warning.empty()) {
                err << kProgramName << ": " << path << ": " << result.warning << '\n';
            }
            bitmap = std::move(result.bitmap);
            return {};
        case imageio::LoadOutcome::InvalidFormat:
            return {kExitBadInput,
                    path + ": unsupported file type (use .bmp, .gif, .jpg, .jpeg, .png or .tga)"};
        case imageio::LoadOutcome::TooLarge:
            return {kExitBadInput, path + ": " + result.message};
        case imageio::LoadOutcome::LoadFailed:
            break;
    }
    return {kExitBadInput, path + ": " + UnreadableReason(path)};
}

Failure LoadInputs(const BlendOptions& options, std::array<freeimage_base::Bitmap, 4>& inputs,
                   std::ostream& err) {
    for (std::size_t slot = 0; slot < inputs.size(); ++slot) {
        if (options.builtin) {
            inputs[slot] = LoadBuiltinInput(static_cast<int>(slot));
            continue;
        }
        if (Failure failure = LoadInput(options.inputs[slot], inputs[slot], err);
            failure.code != kExitSuccess) {
            return failure;
        }
    }
    return {};
}

Failure Blend(const BlendOptions& options, std::ostream& err) {
    std::optional<quake_palette::Palette> palette;
    if (options.quake.convert) {
        if (Failure failure = ReadQuakePalette(palette); failure.code != kExitSuccess) {
            return failure;
        }
    }
    return BlendFiles(options, palette, err);
}

// The exit status and message for an export that did not write the texture.
Failure ExportFailure(const gameformats::ExportResult& exported, const std::string& output) {
    using gameformats::ExportOutcome;
    switch (exported.outcome) {
        case ExportOutcome::Written:
            return {};
        case ExportOutcome::NoPalette:
            return {kExitNoPalette, exported.message};
        case ExportOutcome::NotWadSize:
            return {kExitNotWadSize, exported.message + " Use --rescale to do so."};
        case ExportOutcome::NoTexture:
        case ExportOutcome::RescaleFailed:
        case ExportOutcome::ConversionFailed:
            return {kExitMergeFailed, exported.message};
        case ExportOutcome::UnsupportedFormat:
        case ExportOutcome::Cancelled:
        case ExportOutcome::NotWritten:
            break;
    }
    return {kExitOutputNotWritten, output + ": not written: " + exported.message};
}

}  // namespace

BlendFailure BlendBitmaps(std::array<freeimage_base::Bitmap, 4> inputs, const std::string& output,
                          const QuakeOptions& quake,
                          const std::optional<quake_palette::Palette>& palette) {
    MergeFailureView view;
    slots::SlotTable table(view);
    // Slot by slot, as the window fills them: the merge runs when the fourth arrives.
    for (std::size_t slot = 0; slot < inputs.size(); ++slot) {
        table.SetSlotImage(static_cast<int>(slot), std::move(inputs[slot]));
    }
    const FIBITMAP* result = table.Slot(slots::kResult);
    if (!view.failure.empty() || result == nullptr) {
        return {kExitMergeFailed,
                "merge failed: " + (view.failure.empty() ? "no texture was made" : view.failure)};
    }
    // A command replaces its output and rescales as its options say, every time.
    const gameformats::RepeatedExport request{{output, quake.convert, quake.conversion},
                                              quake.rescale};
    return ExportFailure(gameformats::RepeatExport(result, request, palette), output);
}

BlendFailure BlendFiles(const BlendOptions& options,
                        const std::optional<quake_palette::Palette>& palette, std::ostream& err) {
    std::array<freeimage_base::Bitmap, 4> inputs;
    if (Failure failure = LoadInputs(options, inputs, err); failure.code != kExitSuccess) {
        return failure;
    }
    return BlendBitmaps(std::move(inputs), options.output, options.quake, palette);
}

BlendFailure ReadQuakePalette(std::optional<quake_palette::Palette>& palette) {
    const std::string path = quake_palette::PaletteFilePath(console::ApplicationFolder());
    // The reader's own reports would show as boxes; the command says it once, below.
    const bool wasQuiet = console::QuietErrors();
    console::SetQuietErrors(true);
    const quake_palette::PaletteReadResult read = quake_palette::ReadPaletteFile(path);
    console::SetQuietErrors(wasQuiet);
    palette = read.ConversionPalette();
    if (palette) {
        return {};
    }
    return {kExitNoPalette, std::string(quake_palette::kUnavailableMessage) + " " + read.Problem()};
}

int RunBlend(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) {
    const std::string name(kProgramName);
    const ParsedArguments parsed = ParseArguments(arguments);
    if (!parsed.error.empty()) {
        err << name << ": " << parsed.error << "\nTry '" << name << " --help'.\n";
        return kExitUsage;
    }
    if (parsed.options.help) {
        out << UsageText();
        return kExitSuccess;
    }
    if (parsed.options.version) {
        out << name << ' ' << console::kVersion << '\n';
        return kExitSuccess;
    }
    if (parsed.options.watch) {
        return RunWatch(parsed.options, out, err);
    }
    const Failure failure = Blend(parsed.options, err);
    if (failure.code != kExitSuccess) {
        err << name << ": " << failure.message << '\n';
    }
    return failure.code;
}

}  // namespace orrisbay::cli
