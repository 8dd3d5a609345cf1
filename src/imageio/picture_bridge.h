#pragma once

#include <FreeImage.h>

#include <QImage>

#include "imageio/freeimage_base.h"

namespace orrisbay::imageio {

// A Picture is a QImage that owns its pixels; a null QImage is "no picture".
using Picture = QImage;

// A bitmap of the picture's width, height and depth (8-bit pictures keep their
// colour table as palette; no alpha gives 24 bits, alpha 32). Empty for no
// picture or an empty one.
freeimage_base::Bitmap PictureToBitmap(const Picture& picture);

// An independent picture of the bitmap's pixels; null for no bitmap. Bitmaps
// Qt cannot show as they are (1, 4 or 16 bits per channel ...) are shown
// through a converted copy.
Picture BitmapToPicture(const FIBITMAP* bitmap);

// As above, and unloads `bitmap` afterwards when `releaseSource` is set,
// whether or not a picture was made.
Picture BitmapToPicture(freeimage_base::Bitmap& bitmap, bool releaseSource);

}  // namespace orrisbay::imageio
