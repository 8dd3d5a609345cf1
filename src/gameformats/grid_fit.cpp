#include "gameformats/grid_fit.h"

#include "gameformats/texture_rules.h"
#include "slots/parallel_for.h"
#include "slots/rescale.h"

namespace orrisbay::gameformats {

std::optional<ExportResult> FitToGrid(OutgoingTexture& texture, bool required,
                                      const ExportQuestions& questions, std::string_view game) {
    const unsigned width = freeimage_base::Width(texture.colour);
    const unsigned height = freeimage_base::Height(texture.colour);
    if (IsWadTextureSize(width, height)) {
        return std::nullopt;
    }
    const RescaleQuestion question{
        static_cast<int>(width), static_cast<int>(height), required,
        TextureSizeMessage(static_cast<int>(width), static_cast<int>(height), game)};
    if (!questions.rescaleToGrid(question)) {
        return required ? std::optional(ExportResult{ExportOutcome::NotWadSize, question.text})
                        : std::nullopt;
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
        return ExportResult{ExportOutcome::RescaleFailed, "the texture could not be rescaled"};
    }
    texture.colour = texture.rescaledColour.get();
    if (texture.coverage != nullptr) {
        texture.coverage = texture.rescaledCoverage.get();
    }
    return std::nullopt;
}

}  // namespace orrisbay::gameformats
