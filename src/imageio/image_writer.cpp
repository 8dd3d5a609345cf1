#include "imageio/image_writer.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <system_error>

#include "imageio/file_types.h"
#include "imageio/freeimage_base.h"
#include "imageio/quick_png.h"
#include "imageio/replaced_file.h"

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

// True when the format writes the bitmap as it is: JPEG takes 24-bit colour
// or 8-bit greyscale only, the others what the library says they export.
bool FormatTakes(const FIBITMAP* bitmap, FREE_IMAGE_FORMAT format) {
    const unsigned bpp = freeimage_base::Bpp(bitmap);
    const bool fits = freeimage_base::ImageType(bitmap) == FIT_BITMAP &&
                      FreeImage_FIFSupportsExportBPP(format, static_cast<int>(bpp));
    if (format == FIF_JPEG) {
        return fits &&
               (bpp == 24 || (bpp == 8 && freeimage_base::ColorType(bitmap) == FIC_MINISBLACK));
    }
    return fits;
}

// The library's file access on a stream of ours, remembering why a write failed.
struct OutputFile {
    std::FILE* file;
    int error = 0;
};

unsigned DLL_CALLCONV ReadOutput(void*, unsigned, unsigned, fi_handle) {
    return 0;  // encoders only write
}

unsigned DLL_CALLCONV WriteOutput(void* buffer, unsigned size, unsigned count, fi_handle handle) {
    auto* output = static_cast<OutputFile*>(handle);
    const std::size_t written = std::fwrite(buffer, size, count, output->file);
    if (written != count && output->error == 0) {
        output->error = errno != 0 ? errno : EIO;
    }
    return static_cast<unsigned>(written);
}

int DLL_CALLCONV SeekOutput(fi_handle handle, long offset, int origin) {
    return std::fseek(static_cast<OutputFile*>(handle)->file, offset, origin);
}

long DLL_CALLCONV TellOutput(fi_handle handle) {
    return std::ftell(static_cast<OutputFile*>(handle)->file);
}

// Encodes `bitmap` straight into `file`: no copy of it and no encoded copy in
// memory.
Result<void> EncodeInto(std::FILE* file, const FIBITMAP* bitmap, const SaveFormat& format,
                        const std::string& path) {
    FreeImageIO io{ReadOutput, WriteOutput, SeekOutput, TellOutput};
    OutputFile output{file};
    const freeimage_base::LibraryMessages said;
    errno = 0;
    const bool encoded =
        freeimage_base::SaveToHandle(format.format, bitmap, &io, &output, format.saveFlags);
    // An encoder may carry on past a failed write (Targa does): it fails the save.
    if (output.error != 0) {
        return Fail(ProblemKind::CannotWrite, path + ": " + ErrnoText(output.error), path);
    }
    if (!encoded) {
        std::string message = path + ": the image could not be encoded";
        if (const std::string why = said.Text(); !why.empty()) {
            message += " (" + why + ")";
        }
        return Fail(ProblemKind::Failed, message, path);
    }
    return {};
}

Problem CannotWrite(const fs::path& path, const std::string& reason) {
    return Fail(ProblemKind::CannotWrite, path.string() + ": " + reason, path.string());
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
        // Built piece by piece: GCC 12 warns wrongly (-Wrestrict) about "." + name.
        std::string name = ".";
        name += target.filename().string();
        name += suffix;
        temporary = folder / name;
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

Result<void> WriteAtomically(const std::function<Result<void>(std::FILE*)>& write,
                             const fs::path& path) {
    // A link stays a link: the file it points at is the one replaced, from its own folder.
    const ReplacedFile replaced = FindReplacedFile(path);
    if (!replaced.error.empty()) {
        return CannotWrite(path, replaced.error);
    }
    if (const std::string refused = WriteAccessProblem(replaced); !refused.empty()) {
        return CannotWrite(path, refused);
    }
    const fs::path& target = replaced.file;
    fs::path temporary;
    std::FILE* file = CreateTemporaryBeside(target, temporary);
    if (file == nullptr) {
        return CannotWrite(path, ErrnoText(errno));
    }
    Result<void> written = write(file);
    if (written && !KeepOwnerAndMode(fileno(file), replaced)) {
        written = CannotWrite(path, ErrnoText(errno));
    }
    if (written && !FlushToDisk(file)) {
        written = CannotWrite(path, ErrnoText(errno));
    }
    const int closeError = std::fclose(file) == 0 ? 0 : errno;
    if (written && closeError != 0) {
        written = CannotWrite(path, ErrnoText(closeError));
    }
    std::error_code error;
    if (!written) {
        fs::remove(temporary, error);
        return written;
    }
    fs::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return CannotWrite(path, error.message());
    }
    return written;
}

Result<void> WriteAtomically(const BYTE* bytes, std::size_t size, const fs::path& target) {
    const std::span<const BYTE> whole(bytes, size);
    return WriteAtomically(std::span(&whole, 1), target);
}

Result<void> WriteAtomically(std::span<const std::span<const BYTE>> pieces,
                             const fs::path& target) {
    return WriteAtomically(
        [&](std::FILE* file) -> Result<void> {
            for (const std::span<const BYTE> piece : pieces) {
                // An empty piece may have no memory at all, which fwrite must not be given.
                if (!piece.empty() &&
                    std::fwrite(piece.data(), 1, piece.size(), file) != piece.size()) {
                    return CannotWrite(target, ErrnoText(errno));
                }
            }
            return {};
        },
        target);
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

Result<void> SaveImageFile(const FIBITMAP* bitmap, const std::string& path,
                           PngCompression compression) {
    const SaveFormat* found = FindSaveFormat(path);
    if (found == nullptr) {
        return Fail(ProblemKind::UnsupportedType,
                    path + ": " + std::string(kUnsupportedSaveFormatMessage), path);
    }
    if (path.find('\0') != std::string::npos) {
        return CannotWrite(path, "invalid file name");
    }
    if (bitmap == nullptr) {
        return Fail(ProblemKind::Failed, path + ": no image to save", path);
    }
    SaveFormat format = *found;
    if (format.format == FIF_PNG && compression == PngCompression::Fast) {
        format.saveFlags = PNG_Z_BEST_SPEED;
    }
    freeimage_base::InitialiseImageLibrary();
    // A bitmap the format takes is written from its own pixels.
    freeimage_base::Bitmap converted;
    if (!FormatTakes(bitmap, format.format)) {
        converted = freeimage_base::ConvertTo24Bits(bitmap);
        if (!converted) {
            return Fail(ProblemKind::Failed,
                        path + ": the image could not be converted for this format", path);
        }
        bitmap = converted.get();
    }
    if (format.format == FIF_PNG && compression == PngCompression::Fast && QuickPngTakes(bitmap)) {
        return WriteAtomically([&](std::FILE* file) { return WriteQuickPng(file, bitmap, path); },
                               fs::path(path));
    }
    return WriteAtomically([&](std::FILE* file) { return EncodeInto(file, bitmap, format, path); },
                           fs::path(path));
}

}  // namespace orrisbay::imageio
