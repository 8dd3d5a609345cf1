#include "app/builtin_pictures.h"

#include <QString>

// The pictures live in a resource file linked from a static library, so they
// are registered by hand before first use.
static void RegisterBuiltinResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(orrisbay);
        return true;
    }();
    (void)registered;
}

namespace orrisbay::app {

namespace {

QImage Resource(const char* name) {
    RegisterBuiltinResources();
    return QImage(QStringLiteral(":/builtin/") + name);
}

}  // namespace

QImage BuiltinThumbnail(int slot) {
    static const char* const names[] = {"grass.bmp", "gravel.bmp", "ramp_down.bmp", "ramp_up.bmp"};
    if (slot < 0 || slot > 3) {
        return {};
    }
    return Resource(names[slot]);
}

QImage BuiltinPreview() {
    return Resource("preview.bmp");
}

QImage BuiltinArrow(int index) {
    static const char* const names[] = {"arrow_right.bmp", "arrow_right.bmp",
                                        "arrow_down_right.bmp"};
    if (index < 0 || index > 2) {
        return {};
    }
    return Resource(names[index]);
}

QIcon PasteGlyph() {
    RegisterBuiltinResources();
    return QIcon(QStringLiteral(":/builtin/paste.png"));
}

QIcon ApplicationIcon() {
    RegisterBuiltinResources();
    return QIcon(QStringLiteral(":/builtin/orrisbay.png"));
}

}  // namespace orrisbay::app
