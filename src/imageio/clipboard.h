#pragma once

#include "imageio/picture_bridge.h"

namespace orrisbay::imageio {

inline constexpr const char* kNoImageMessage = "No image on clipboard";
inline constexpr const char* kCouldNotReadMessage = "Couldn't read image";
inline constexpr const char* kCopiedMessage = "Image copied to clipboard";

// True when the desktop clipboard offers an image.
bool ClipboardHasImage();

// The clipboard's image, or a null picture.
Picture ClipboardPicture();

// Empties the clipboard and puts `picture` on it as an image.
void CopyPictureToClipboard(const Picture& picture);

}  // namespace orrisbay::imageio
