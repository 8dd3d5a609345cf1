#include "gameformats/grid_fit.h"

#include "gameformats/texture_rules.h"
#include "slots/parallel_for.h"
#include "slots/pixel_conversions.h"
#include "slots/rescale.h"

namespace orrisbay::gameformats {

std::optional<RescaleQuestion> GridQuestion(const FIBITMAP* texture, bool required,
                                            std::string_view game) {
    const unsigned width = freeimage_base::Width(texture);
    const unsigned height = freeimage_base::Height(texture);
    if (IsWadTextureSize(width, height)) {
        return std::nullopt;
    }
    return RescaleQuestion{
        static_cast<int>(width), static_cast<int>(height), required,
        TextureSizeMessage(static_cast<int>(width), static_cast<int>(height), game)};
}

namespace {

using freeimage_base::Bitmap;

// `plane` rescaled into `copy` and pointed at it; false when the rescale made
// nothing. A missing plane stays missing.
bool RescalePlane(const FIBITMAP*& plane, Bitmap& copy, int width, int height) {
    if (plane == nullptr) {
        return true;
    }
    copy = slots::ResizeBitmap(plane, width, height, FILTER_BICUBIC, slots::MachineThreads());
    plane = copy.get();
    return plane != nullptr;
}

}  // namespace

Result<Bitmap> GreyMaskOfSize(const FIBITMAP* mask, unsigned width, unsigned height) {
    Bitmap scaled;
    if (freeimage_base::Width(mask) != width || freeimage_base::Height(mask) != height) {
        scaled = slots::ResizeBitmap(mask, static_cast<int>(width), static_cast<int>(height),
                                     FILTER_BICUBIC, slots::MachineThreads());
        mask = scaled.get();
    }
    Bitmap grey;
    if (mask != nullptr && !slots::IsGreyscale8(mask)) {
        grey = slots::ToGreyscale8(mask, slots::MachineThreads());
    } else if (mask != nullptr) {
        grey = scaled ? std::move(scaled) : freeimage_base::Clone(mask);
    }
    if (!grey) {
        return Fail(ProblemKind::Failed, "the mask could not be scaled to " +
                                             std::to_string(width) + " x " +
                                             std::to_string(height) + " or made grey");
    }
    return grey;
}

Result<void> FitGlowToTexture(OutgoingTexture& texture) {
    if (texture.glow == nullptr || texture.colour == nullptr) {
        return {};
    }
    Result<Bitmap> grey = GreyMaskOfSize(texture.glow, freeimage_base::Width(texture.colour),
                                         freeimage_base::Height(texture.colour));
    if (!grey) {
        return Fail(grey.problem().kind, "glow mask: " + grey.problem().message);
    }
    texture.rescaledGlow = std::move(*grey);
    texture.glow = texture.rescaledGlow.get();
    return {};
}

Result<void> RescaleTo(OutgoingTexture& texture, int width, int height) {
    // The same size and filter keep the holes and the glow where the texture's are.
    const bool rescaled = RescalePlane(texture.colour, texture.rescaledColour, width, height) &&
                          RescalePlane(texture.coverage, texture.rescaledCoverage, width, height) &&
                          RescalePlane(texture.glow, texture.rescaledGlow, width, height);
    if (!rescaled) {
        return Fail(ProblemKind::Failed, "the texture could not be rescaled");
    }
    return {};
}

Result<void> FitToGrid(OutgoingTexture& texture, bool required, bool rescale,
                       std::string_view game) {
    const std::optional<RescaleQuestion> question = GridQuestion(texture.colour, required, game);
    if (!question) {
        return {};
    }
    if (!rescale) {
        return required ? Result<void>(Fail(ProblemKind::NotOnGrid, question->text))
                        : Result<void>();
    }
    const TextureSize nearest = NearestMultipleOf16Sizes(question->width, question->height);
    return RescaleTo(texture, nearest.width, nearest.height);
}

}  // namespace orrisbay::gameformats
