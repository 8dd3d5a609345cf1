#pragma once

#include <FreeImage.h>

#include <utility>

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

// Initialises the image library once per process; safe to call from anywhere,
// any number of times.
void InitialiseImageLibrary();

}  // namespace orrisbay::freeimage_base
