#pragma once

#include "imageio/file_dialog_request.h"

namespace orrisbay::imageio {

// The open-file dialog of this platform, driven by `request`: a Qt file dialog
// off Windows, GetOpenFileNameA on Windows. Non-zero when a file was chosen.
int GetOpenFileNameDialog(OpenFileRequest& request);

}  // namespace orrisbay::imageio
