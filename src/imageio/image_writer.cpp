#include "imageio/image_writer.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#include "imageio/file_types.h"
#include "imageio/freeimage_base.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace orrisbay::imageio {

namespace {

namespace fs = std::filesystem;

constexpr std::array<SaveFormat, 5> kSaveFormats = {{
    {".png", FIF_PNG, PNG_DEFAULT},
    {".tga", FIF_TARGA, TARGA_DEFAULT},
    {".bmp", FIF_BMP, BMP_DEFAULT},
    {".jpg", FIF_JPEG, JPEG_QUALITYSUPERB},
    {".jpeg", FIF_JPEG, JPEG_QUALITYSUPERB},
}};

std::string ErrnoText(int error) {
    return std::error_code(error, std::generic_category()).message();
}

// The bitmap in a depth the format can write: JPEG takes 24-bit colour or
// 8-bit greyscale only, the others take what the library says they export.
freeimage_base::Bitmap ConvertForFormat(const FIBITMAP* source, FREE_IMAGE_FORMAT format) {
    const unsigned bpp = freeimage_base::Bpp(source);
    bool fits = freeimage_base::ImageType(source) == FIT_BITMAP &&
                FreeImage_FIFSupportsExportBPP(format, static_cast<int>(bpp));
    if (format == FIF_JPEG) {
        fits = fits &&
               (bpp == 24 || (bpp == 8 && freeimage_base::ColorType(source) == FIC_MINISBLACK));
    }
    return fits ? freeimage_base::Clone(source) : freeimage_base::ConvertTo24Bits(source);
}

// A file name in `folder` that did not exist, created empty and opened for
// writing; null (with errno set) when none could be made.
std::FILE* CreateTemporaryBeside(const fs::path& target, fs::path& temporary) {
    std::random_device entropy;
    std::mt19937_64 numbers(entropy());
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, ".%016llx.tmp",
                      static_cast<unsigned long long>(numbers()));
        temporary = folder / ("." + target.filename().string() + suffix);
        // "x": fail rather than reuse a name someone else holds.
        if (std::FILE* file = std::fopen(temporary.string().c_str(), "wbx")) {
            return file;
        }
        if (errno != EEXIST) {
            return nullptr;
        }
    }
    return nullptr;
}

bool FlushToDisk(std::FILE* file) {
    if (std::fflush(file) != 0) {
        return false;
    }
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return fsync(fileno(file)) == 0;
#endif
}

}  // namespace

// Writes `bytes` to a temporary file beside `target` and renames it into place.
SaveResult WriteAtomically(const BYTE* bytes, std::size_t size, const fs::path& target) {
    fs::path temporary;
    std::FILE* file = CreateTemporaryBeside(target, temporary);
    if (file == nullptr) {
        return {SaveOutcome::WriteFailed, ErrnoText(errno)};
    }
    const bool written = std::fwrite(bytes, 1, size, file) == size && FlushToDisk(file);
    const int writeError = errno;
    const bool closed = std::fclose(file) == 0;
    std::error_code error;
    if (!written || !closed) {
        fs::remove(temporary, error);
        return {SaveOutcome::WriteFailed, ErrnoText(written ? errno : writeError)};
    }
    fs::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return {SaveOutcome::WriteFailed, error.message()};
    }
    return {SaveOutcome::Saved, {}};
}

const SaveFormat* FindSaveFormat(std::string_view path) {
    const std::string extension = FileExtension(path);
    for (const SaveFormat& row : kSaveFormats) {
        if (row.extension == extension) {
            return &row;
        }
    }
    return nullptr;
}

std::string SaveFileFilter() {
    return "PNG (*.png);;Targa (*.tga);;BMP (*.bmp);;JPEG (*.jpg *.jpeg)";
}

SaveResult SaveImageFile(const FIBITMAP* bitmap, const std::string& path) {
    const SaveFormat* row = FindSaveFormat(path);
    if (row == nullptr) {
        return {SaveOutcome::InvalidFormat, std::string(kUnsupportedSaveFormatMessage)};
    }
    if (path.find('\0') != std::string::npos) {
        return {SaveOutcome::WriteFailed, "invalid file name"};
    }
    if (bitmap == nullptr) {
        return {SaveOutcome::EncodeFailed, "no image to save"};
    }
    freeimage_base::InitialiseImageLibrary();
    freeimage_base::Bitmap converted = ConvertForFormat(bitmap, row->format);
    if (!converted) {
        return {SaveOutcome::EncodeFailed, "the image could not be converted for this format"};
    }
    const freeimage_base::Memory memory;
    BYTE* bytes = nullptr;
    DWORD size = 0;
    if (!memory ||
        !FreeImage_SaveToMemory(row->format, converted.get(), memory.get(), row->saveFlags) ||
        !FreeImage_AcquireMemory(memory.get(), &bytes, &size)) {
        return {SaveOutcome::EncodeFailed, "the image could not be encoded"};
    }
    return WriteAtomically(bytes, size, fs::path(path));
}

}  // namespace orrisbay::imageio
