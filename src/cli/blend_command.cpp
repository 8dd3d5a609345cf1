#include "cli/blend_command.h"

#include <FreeImage.h>

#include <filesystem>
#include <ostream>
#include <system_error>
#include <vector>

#include "cli/builtin_inputs.h"
#include "imageio/file_types.h"
#include "imageio/image_writer.h"
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

bool IsOption(const std::string& argument) {
    return argument.size() > 1 && argument[0] == '-';
}

// Reads the value of "-o X", "--output X" or "--output=X"; false when missing.
bool TakeOutput(std::span<const std::string> arguments, std::size_t& i, std::string& output) {
    const std::string& argument = arguments[i];
    constexpr std::string_view kLongEquals = "--output=";
    if (argument.starts_with(kLongEquals)) {
        output = argument.substr(kLongEquals.size());
        return !output.empty();
    }
    if (i + 1 >= arguments.size()) {
        return false;
    }
    output = arguments[++i];
    return !output.empty();
}

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

Failure LoadInput(const std::string& path, freeimage_base::Bitmap& bitmap) {
    std::error_code error;
    if (imageio::FindFileType(imageio::FileExtension(path)) != nullptr &&
        !fs::exists(path, error)) {
        return {kExitBadInput, path + ": no such file"};  // spares the library's own complaint
    }
    imageio::LoadResult result = imageio::LoadImageFile(path);
    switch (result.outcome) {
        case imageio::LoadOutcome::Loaded:
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

Failure LoadInputs(const BlendOptions& options, std::array<freeimage_base::Bitmap, 4>& inputs) {
    for (std::size_t slot = 0; slot < inputs.size(); ++slot) {
        if (options.builtin) {
            inputs[slot] = LoadBuiltinInput(static_cast<int>(slot));
            continue;
        }
        if (Failure failure = LoadInput(options.inputs[slot], inputs[slot]);
            failure.code != kExitSuccess) {
            return failure;
        }
    }
    return {};
}

Failure Blend(const BlendOptions& options) {
    std::array<freeimage_base::Bitmap, 4> inputs;
    if (Failure failure = LoadInputs(options, inputs); failure.code != kExitSuccess) {
        return failure;
    }
    return BlendBitmaps(std::move(inputs), options.output);
}

}  // namespace

BlendFailure BlendBitmaps(std::array<freeimage_base::Bitmap, 4> inputs, const std::string& output) {
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
    const imageio::SaveResult saved = imageio::SaveImageFile(result, output);
    if (!saved) {
        return {kExitOutputNotWritten, output + ": not written: " + saved.reason};
    }
    return {};
}

ParsedArguments ParseArguments(std::span<const std::string> arguments) {
    ParsedArguments parsed;
    BlendOptions& options = parsed.options;
    std::vector<std::string> inputs;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || !IsOption(argument)) {
            inputs.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "-h" || argument == "--help") {
            options.help = true;
        } else if (argument == "-V" || argument == "--version") {
            options.version = true;
        } else if (argument == "--builtin") {
            options.builtin = true;
        } else if (argument == "-o" || argument == "--output" ||
                   argument.starts_with("--output=")) {
            if (!TakeOutput(arguments, i, options.output)) {
                parsed.error = "option " + argument + " needs a file name";
                return parsed;
            }
        } else {
            parsed.error = "unknown option " + argument;
            return parsed;
        }
    }
    if (options.help || options.version) {
        return parsed;
    }
    const std::size_t wanted = options.builtin ? 0 : 4;
    if (inputs.size() != wanted) {
        parsed.error = options.builtin
                           ? "--builtin takes no input files"
                           : "expected four input files, got " + std::to_string(inputs.size());
    } else if (options.output.empty()) {
        parsed.error = "no output file given (-o OUTPUT)";
    } else if (imageio::FindSaveFormat(options.output) == nullptr) {
        parsed.error = options.output + ": unsupported output type (use .png, .tga, .bmp or .jpg)";
    }
    for (std::size_t i = 0; i < inputs.size() && i < 4; ++i) {
        options.inputs[i] = inputs[i];
    }
    return parsed;
}

std::string UsageText() {
    const std::string name(kProgramName);
    std::string text = "Usage: " + name + " LAYER1 LAYER2 MASK1 MASK2 -o OUTPUT\n" +  //
                       "       " + name + " --builtin -o OUTPUT\n\n";
    text +=
        "Blends two texture layers through their alpha masks onto black, as the Orrisbay\n"
        "window does: all four pictures are scaled to the larger width and height of the\n"
        "two layers, and layer 2 is laid over layer 1.\n\n"
        "Inputs are BMP, GIF, JPEG, PNG or Targa files, chosen by extension. The output\n"
        "format follows the output's extension: .png, .tga, .bmp, .jpg or .jpeg. The file\n"
        "is written beside its target and then renamed into place.\n\n"
        "Options:\n"
        "  -o, --output FILE   where to write the blended texture\n"
        "      --builtin       blend the window's built-in pictures instead of four files\n"
        "  -h, --help          show this help and exit\n"
        "  -V, --version       show the version and exit\n\n"
        "Exit status:\n"
        "   0  the texture was written\n"
        "  64  the command line is wrong\n"
        "  65  the inputs could not be merged\n"
        "  66  an input is missing, unreadable or of an unsupported type\n"
        "  73  the output file could not be written\n";
    return text;
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
        out << name << ' ' << kVersion << '\n';
        return kExitSuccess;
    }
    const Failure failure = Blend(parsed.options);
    if (failure.code != kExitSuccess) {
        err << name << ": " << failure.message << '\n';
    }
    return failure.code;
}

}  // namespace orrisbay::cli
