#include "slots/derived_pictures.h"

namespace orrisbay::slots {

using freeimage_base::Bitmap;

void DerivedPictures::KeepOnlyAt(unsigned width, unsigned height) {
    if (width != width_ || height != height_) {
        Clear();
        width_ = width;
        height_ = height;
    }
}

Bitmap DerivedPictures::Take(int input) {
    if (!Holds(input)) {
        return {};
    }
    held_[Index(input)] = false;
    return std::move(pictures_[Index(input)]);
}

void DerivedPictures::Keep(int input, Bitmap picture) {
    if (Valid(input)) {
        pictures_[Index(input)] = std::move(picture);
        held_[Index(input)] = true;
    }
}

void DerivedPictures::Forget(int input) {
    if (Valid(input)) {
        pictures_[Index(input)].reset();
        held_[Index(input)] = false;
    }
}

void DerivedPictures::Clear() {
    for (int input = 0; input < kDerivedInputs; ++input) {
        Forget(input);
    }
}

std::uint64_t DerivedPictures::Bytes() const {
    std::uint64_t bytes = 0;
    for (const Bitmap& picture : pictures_) {
        if (picture) {
            bytes += std::uint64_t{freeimage_base::Pitch(picture.get())} *
                     freeimage_base::Height(picture.get());
        }
    }
    return bytes;
}

}  // namespace orrisbay::slots
