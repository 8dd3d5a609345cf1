#pragma once

#include <FreeImage.h>

#include <memory>
#include <optional>

#include "console/result.h"
#include "imageio/freeimage_base.h"
#include "palette/colour_finder.h"
#include "palette/conversion_options.h"
#include "palette/conversion_regions.h"
#include "palette/quake_palette.h"

namespace orrisbay::quake_palette {

// Converts textures to one palette under one set of allowed indices: the
// finders are built once, so the levels of a WAD texture or the frames of an
// animation share them, and the last few built are kept for the converters
// made after (the window converting again as its options change, each
// export). Immutable once built.
class PaletteConverter {
  public:
    PaletteConverter(const Palette& palette, const RegionIndices& indices,
                     ColourMetric metric = ColourMetric::Rgb);

    // Maps every pixel of `texture` (any standard bitmap; alpha is ignored)
    // to an index of the palette allowed in its region (`regions`, of the
    // texture's size; null when every pixel is ordinary). The result is an
    // 8-bit bitmap whose colour table is the palette, ready for FreeImage_Save
    // as an indexed PNG or BMP.
    Result<freeimage_base::Bitmap> Convert(const FIBITMAP* texture, const RegionMap* regions,
                                           const Dithering& dithering) const;

    const Palette& Colours() const { return palette_; }

  private:
    Palette palette_;
    RegionIndices indices_;
    std::shared_ptr<const NearestColourFinder> ordinary_, glowing_;
};

// Converts a picture to `palette`, whose last `palette.fullbrightCount`
// colours glow: with `glow` (a grey mask of the texture's size; null for
// none) the pixels where it is at least 128 take only those colours and the
// others never do.
Result<freeimage_base::Bitmap> ConvertPicture(const FIBITMAP* texture, const Palette& palette,
                                              const ConversionOptions& options,
                                              const FIBITMAP* glow = nullptr);

// The same conversion to the game's palette without a glow mask. Empty when
// `texture` is missing or cannot be read as RGB.
freeimage_base::Bitmap ConvertToQuakePalette(const FIBITMAP* texture, const Palette& palette,
                                             ConversionOptions options = {});
// Every pixel to `finder`'s nearest colour, with today's Floyd-Steinberg
// when `dither` is set.
freeimage_base::Bitmap ConvertToPalette(const FIBITMAP* texture, const NearestColourFinder& finder,
                                        bool dither);

}  // namespace orrisbay::quake_palette
