// The text operations of the open-file request: the arguments of the request
// and the buffer the dialog hands back are any bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "console/text.h"
#include "imageio/file_dialog_request.h"
#include "imageio/file_types.h"
#include "imageio/text_ops.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orrisbay::imageio;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // Pieces separated by the byte 0x01; missing pieces are empty.
    std::string_view pieces[4];
    std::string_view rest = input;
    for (std::string_view& piece : pieces) {
        const std::size_t cut = rest.find('\x01');
        piece = rest.substr(0, cut);
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    }
    const std::string_view initialFile = pieces[0];
    const std::string_view pattern = pieces[1];
    const std::string_view marker = pieces[2];
    const std::string_view answer = pieces[3];

    (void)orrisbay::console::LowerCase(input);
    (void)TextAfter(initialFile, marker);
    (void)TextBefore(initialFile, marker);
    (void)StripControlChars(input);
    (void)FolderOfPath(initialFile);
    (void)FindFileType(FileExtension(answer));

    std::string folder(pattern);
    const std::string path = ShowFileDialog(
        [answer, rest](OpenFileRequest& request) {
            // The platform writes its answer over the start of the buffer,
            // sometimes without room for it or without the ending NUL.
            const std::size_t room = std::min<std::size_t>(answer.size(), request.lpstrFile.size());
            request.lpstrFile.replace(0, room, answer.substr(0, room));
            request.nFileOffset = static_cast<std::uint16_t>(rest.size());
            return answer.empty() ? 0 : 1;
        },
        0, initialFile, folder, pattern, ImageFileFilter(), kAllSupportedFormatsIndex, marker);
    if (!path.empty() && folder.size() > path.size()) {
        __builtin_trap();  // the folder is a part of the path
    }
    return 0;
}
