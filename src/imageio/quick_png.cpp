#include "imageio/quick_png.h"

#include <png.h>
#include <zlib.h>

#include <cerrno>
#include <csetjmp>

#include "imageio/freeimage_base.h"
#include "imageio/replaced_file.h"

namespace orrisbay::imageio {

namespace fib = freeimage_base;

bool QuickPngTakes(const FIBITMAP* bitmap) {
    const unsigned bpp = fib::Bpp(bitmap);
    const FIICCPROFILE* profile = fib::IccProfile(bitmap);
    return fib::ImageType(bitmap) == FIT_BITMAP && (bpp == 24 || bpp == 32) &&
           (profile == nullptr || profile->size == 0) &&
           fib::MetadataCount(FIMD_COMMENTS, bitmap) == 0 &&
           fib::MetadataCount(FIMD_XMP, bitmap) == 0 && !fib::HasBackgroundColor(bitmap);
}

namespace {

// libpng reports errors by jumping back to the setjmp below; nothing between
// the two owns anything, so nothing is skipped.
[[noreturn]] void OnLibraryError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void OnLibraryWarning(png_structp, png_const_charp) {}

// Sets up and writes the whole file; false when libpng or a write failed.
bool Encode(png_structp png, png_infop info, std::FILE* file, const FIBITMAP* bitmap) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    const unsigned width = fib::Width(bitmap);
    const unsigned height = fib::Height(bitmap);
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8,
                 fib::Bpp(bitmap) == 32 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_pHYs(png, info, fib::DotsPerMeterX(bitmap), fib::DotsPerMeterY(bitmap),
                 PNG_RESOLUTION_METER);
    // Texture rows predict well from the row above, and the differences are
    // mostly small or runs of zeros (flat and see-through areas): run-length
    // matching with Huffman codes gets most of what a full search for repeats
    // would, in less than two thirds of zlib's fastest level's time.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_compression_strategy(png, Z_RLE);
    png_set_compression_level(png, Z_BEST_SPEED);
    png_write_info(png, info);
#if FREEIMAGE_COLORORDER == FREEIMAGE_COLORORDER_BGR
    png_set_bgr(png);
#endif
    for (unsigned row = 0; row < height; ++row) {
        // The library keeps rows bottom up; a PNG starts at the top.
        png_write_row(png, fib::ScanLine(bitmap, height - 1 - row));
    }
    png_write_end(png, info);
    return true;
}

}  // namespace

Result<void> WriteQuickPng(std::FILE* file, const FIBITMAP* bitmap, const std::string& path) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnLibraryError, OnLibraryWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    errno = 0;
    const bool encoded = info != nullptr && Encode(png, info, file, bitmap);
    const int error = errno;
    png_destroy_write_struct(&png, &info);
    if (std::ferror(file) != 0) {
        return Fail(ProblemKind::CannotWrite, path + ": " + ErrnoText(error != 0 ? error : EIO),
                    path);
    }
    if (!encoded) {
        return Fail(ProblemKind::Failed, path + ": the image could not be encoded", path);
    }
    return {};
}

}  // namespace orrisbay::imageio
