#pragma once

#include <QIcon>
#include <QImage>

namespace orrisbay::app {

// The pictures the window carries from the start, built into the program.
QImage BuiltinThumbnail(int slot);  // slots 0..3: two textures, two grey ramps
QImage BuiltinPreview();            // a ready-made merge of the four
QImage BuiltinArrow(int index);     // 0 and 1: right arrows; 2: down-right arrow
QIcon PasteGlyph();
QIcon ApplicationIcon();

}  // namespace orrisbay::app
