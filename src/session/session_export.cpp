// The session's exports: Save As, Add to WAD and the command's output, with
// the questions asked before them, and the kept output made again after
// every merge.
#include "session/texture_session.h"

namespace orrisbay::session {

namespace {

using freeimage_base::Bitmap;

}  // namespace

Result<std::vector<gameformats::ExportQuestion>> TextureSession::QuestionsFor(
    const gameformats::ExportRequest& request, const FIBITMAP* instead) const {
    return gameformats::ExportQuestionsFor(instead != nullptr ? instead : Texture(), request,
                                           palette_);
}

Result<gameformats::ExportWritten> TextureSession::Export(const gameformats::ExportRequest& request,
                                                          const gameformats::ExportAnswers& answers,
                                                          const FIBITMAP* instead) {
    // Where the layers leave the canvas black decides a see-through texture's
    // holes; a picture shown in place of a merge has no such thing.
    Bitmap coverage;
    const FIBITMAP* mask = nullptr;
    if (instead == nullptr && gameformats::TakesCoverage(request)) {
        if (!keptCoverage_) {
            coverage = Coverage();
        }
        mask = keptCoverage_ ? keptCoverage_.get() : coverage.get();
    }
    return gameformats::ExportTexture(instead != nullptr ? instead : Texture(), request, palette_,
                                      answers, mask, glow_.get());
}

bool TextureSession::KeepOutput(gameformats::RepeatedExport output) {
    const bool another =
        kept_ && !gameformats::WritesSameOutput(kept_->request, output.request) && keeping_;
    if (another) {
        keeping_ = false;
    }
    kept_ = std::move(output);
    keptStale_ = false;  // written just now
    return another;
}

std::optional<Result<gameformats::ExportWritten>> TextureSession::WriteKeptOutput() {
    if (!kept_ || !keeping_ || !keptStale_ || Texture() == nullptr) {
        return std::nullopt;
    }
    keptStale_ = false;
    const std::string& path = kept_->request.path;
    if (InputReading(path)) {
        keeping_ = false;
        return Result<gameformats::ExportWritten>(Fail(
            ProblemKind::CannotWrite,
            path + ": it is also one of the inputs, and would be read back in after every write",
            path));
    }
    gameformats::ExportAnswers answers{true, true, kept_->rescaleToGrid};
    Result<gameformats::ExportWritten> written = Export(kept_->request, answers);
    if (!written) {
        keeping_ = false;
    }
    return written;
}

}  // namespace orrisbay::session
