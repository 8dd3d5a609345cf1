#pragma once

#include <FreeImage.h>

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace orrisbay::freeimage_base {

// Sole owner of one image-library bitmap. Move-only; the bitmap is unloaded
// exactly once, when the last owner lets go of it. An empty handle stands for
// "no bitmap".
class Bitmap {
  public:
    Bitmap() noexcept = default;
    explicit Bitmap(FIBITMAP* dib) noexcept : dib_(dib) {}
    ~Bitmap() { reset(); }

    Bitmap(Bitmap&& other) noexcept : dib_(other.release()) {}
    Bitmap& operator=(Bitmap&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    FIBITMAP* get() const noexcept { return dib_; }
    explicit operator bool() const noexcept { return dib_ != nullptr; }

    // Gives up ownership without unloading.
    [[nodiscard]] FIBITMAP* release() noexcept { return std::exchange(dib_, nullptr); }

    // Unloads the bitmap held now (if any) and takes `dib` in its place.
    void reset(FIBITMAP* dib = nullptr) noexcept;

  private:
    FIBITMAP* dib_ = nullptr;
};

// Read-only queries on a bitmap the caller does not own or change. The library
// declares its queries on non-const handles although they only read; these
// wrappers keep that cast in one place. Each gives 0 (or null) for no bitmap.
unsigned Width(const FIBITMAP* dib);
unsigned Height(const FIBITMAP* dib);
unsigned Bpp(const FIBITMAP* dib);
unsigned Pitch(const FIBITMAP* dib);
FREE_IMAGE_TYPE ImageType(const FIBITMAP* dib);
FREE_IMAGE_COLOR_TYPE ColorType(const FIBITMAP* dib);
const BYTE* Bits(const FIBITMAP* dib);
// Row `y` counted from the bottom, as the library stores rows.
const BYTE* ScanLine(const FIBITMAP* dib, unsigned y);
const RGBQUAD* Palette(const FIBITMAP* dib);
unsigned Line(const FIBITMAP* dib);  // bytes of pixel data in one row, without padding
bool HasPixels(const FIBITMAP* dib);
unsigned DotsPerMeterX(const FIBITMAP* dib);
unsigned DotsPerMeterY(const FIBITMAP* dib);
unsigned ColorsUsed(const FIBITMAP* dib);
bool IsTransparent(const FIBITMAP* dib);
const BYTE* TransparencyTable(const FIBITMAP* dib);
unsigned TransparencyCount(const FIBITMAP* dib);
// The colour profile the library attached while loading (size 0 for none).
const FIICCPROFILE* IccProfile(const FIBITMAP* dib);
// True when the bitmap's colour profile marks its samples as CMYK.
bool HasCmykProfile(const FIBITMAP* dib);
// How many tags of `model` the bitmap carries.
unsigned MetadataCount(FREE_IMAGE_MDMODEL model, const FIBITMAP* dib);
bool HasBackgroundColor(const FIBITMAP* dib);

// New bitmaps made by the library from a source it only reads; empty when it
// cannot make one (or for no source).
Bitmap Clone(const FIBITMAP* dib);
Bitmap ConvertTo8Bits(const FIBITMAP* dib);
Bitmap ConvertTo24Bits(const FIBITMAP* dib);
Bitmap ConvertTo32Bits(const FIBITMAP* dib);
Bitmap ConvertToGreyscale(const FIBITMAP* dib);
Bitmap ConvertToType(const FIBITMAP* dib, FREE_IMAGE_TYPE type, bool scaleLinear);
Bitmap ConvertToStandardType(const FIBITMAP* dib, bool scaleLinear);
Bitmap ToneMapping(const FIBITMAP* dib, FREE_IMAGE_TMO operation);
// One channel of a 24- or 32-bit bitmap as 8-bit grey (FICC_ALPHA: its alpha).
Bitmap GetChannel(const FIBITMAP* dib, FREE_IMAGE_COLOR_CHANNEL channel);
// Exactly `width` x `height` through `filter`; the source keeps its size.
Bitmap Rescale(const FIBITMAP* dib, int width, int height, FREE_IMAGE_FILTER filter);
// Encodes `dib` in `format` with the library's save `flags`, writing through
// `io`; the library's encoders only read the bitmap. False when it could not.
bool SaveToHandle(FREE_IMAGE_FORMAT format, const FIBITMAP* dib, FreeImageIO* io, fi_handle handle,
                  int flags);
// Gives `target` copies of `source`'s metadata, as the library's own
// conversions do.
void CopyMetadata(FIBITMAP* target, const FIBITMAP* source);

// Sole owner of one image-library memory stream, closed exactly once.
class Memory {
  public:
    // An empty stream for the library to write into.
    Memory() noexcept;
    // A stream over `size` bytes at `bytes`, which the library only reads;
    // the bytes must outlive the stream.
    Memory(const BYTE* bytes, std::size_t size) noexcept;
    ~Memory();

    Memory(const Memory&) = delete;
    Memory& operator=(const Memory&) = delete;

    FIMEMORY* get() const noexcept { return memory_; }
    explicit operator bool() const noexcept { return memory_ != nullptr; }

  private:
    FIMEMORY* memory_ = nullptr;
};

// While one is alive on a thread, what the image library says on that thread
// (a decoder's complaint about a damaged file, say) is kept here instead of
// being printed, each text once, so that the caller can tell it with the
// file's name. Outside of one, the library's texts go to standard error.
class LibraryMessages {
  public:
    LibraryMessages();
    ~LibraryMessages();
    LibraryMessages(const LibraryMessages&) = delete;
    LibraryMessages& operator=(const LibraryMessages&) = delete;

    // The texts so far, joined with "; "; empty when the library said nothing.
    std::string Text() const;
    void Add(const std::string& text);

  private:
    std::vector<std::string> texts_;
    LibraryMessages* outer_;
};

// Initialises the image library once per process; safe to call from anywhere,
// any number of times.
void InitialiseImageLibrary();

}  // namespace orrisbay::freeimage_base
