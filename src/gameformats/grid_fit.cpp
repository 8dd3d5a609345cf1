#include "gameformats/grid_fit.h"

#include "gameformats/texture_rules.h"
#include "slots/parallel_for.h"
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
    texture.rescaledColour = RescaleToMultipleOf16(texture.colour);
    const FIBITMAP* rescaled = texture.rescaledColour.get();
    if (rescaled != nullptr && texture.coverage != nullptr) {
        // The same size and filter keep the holes where the texture's edges are.
        texture.rescaledCoverage =
            slots::ResizeBitmap(texture.coverage, static_cast<int>(freeimage_base::Width(rescaled)),
                                static_cast<int>(freeimage_base::Height(rescaled)), FILTER_BICUBIC,
                                slots::MachineThreads());
        rescaled = texture.rescaledCoverage ? rescaled : nullptr;
    }
    if (rescaled == nullptr) {
        return Fail(ProblemKind::Failed, "the texture could not be rescaled");
    }
    texture.colour = texture.rescaledColour.get();
    if (texture.coverage != nullptr) {
        texture.coverage = texture.rescaledCoverage.get();
    }
    return {};
}

}  // namespace orrisbay::gameformats
