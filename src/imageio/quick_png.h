#pragma once

#include <FreeImage.h>

#include <cstdio>
#include <string>

#include "console/result.h"

namespace orrisbay::imageio {

// True for the bitmaps `WriteQuickPng` encodes: 24- and 32-bit colour with no
// colour profile, text, XMP or background colour to carry along. Indexed and
// grey pictures are left to the image library, which writes them as quickly.
bool QuickPngTakes(const FIBITMAP* bitmap);

// Writes `bitmap` (one `QuickPngTakes`) to `file` as a PNG with the same
// chunks the image library writes for it, but each row filtered by the row
// above and compressed by runs only: the same pixels, written in less than two
// thirds of the time of the library's fastest level (a tenth of its default's),
// in a file about as large as the default's. Failures say "PATH: reason" (CannotWrite, Failed).
Result<void> WriteQuickPng(std::FILE* file, const FIBITMAP* bitmap, const std::string& path);

}  // namespace orrisbay::imageio
