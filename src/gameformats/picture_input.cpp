#include "gameformats/picture_input.h"

#include "gameformats/wal_file.h"
#include "imageio/file_types.h"

namespace orrisbay::gameformats {

bool IsInputPicturePath(std::string_view path) {
    return imageio::FileTypeOfPath(path) != nullptr || IsWalPath(path);
}

Result<freeimage_base::Bitmap> ReadInputPicture(
    const std::string& path, const std::optional<quake_palette::Palette>& palette) {
    if (!IsInputPicturePath(path)) {
        return Fail(ProblemKind::UnsupportedType,
                    path +
                        ": unsupported file type (use .bmp, .gif, .jpg, .jpeg, .png, .tga or "
                        ".wal)",
                    path);
    }
    if (!IsWalPath(path)) {
        return imageio::LoadImageFile(path);
    }
    if (!palette) {
        return Fail(ProblemKind::NoPalette,
                    path +
                        ": a .wal texture holds no colours of its own and is read in the "
                        "game's palette, which is not available",
                    path);
    }
    return ReadWalPicture(path, *palette);
}

}  // namespace orrisbay::gameformats
