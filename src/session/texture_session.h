#pragma once

#include <FreeImage.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "console/result.h"
#include "gameformats/texture_export.h"
#include "imageio/freeimage_base.h"
#include "imageio/image_limits.h"
#include "palette/palette_conversion.h"
#include "session/input_follower.h"
#include "session/input_source.h"
#include "slots/slot_table.h"
#include "slots/slot_view.h"

namespace orrisbay::session {

// What one call of the session did, for its caller to show or tell after the
// call has returned: the session itself never opens a box or prints a line.
struct SessionUpdate {
    bool merged = false;                      // a merge ran: a new texture, or none if it failed
    std::optional<std::string> mergeFailure;  // why the merge made no texture
    std::vector<int> readAgain;               // inputs read again from their changed files
    std::vector<std::pair<int, Problem>> notRead;  // changed files that could not be read
    std::vector<std::string> warnings;             // "PATH: what to know about it"
    bool glowChanged = false;  // the glow mask came, changed or went: conversions change
};

// One texture's editing: the four inputs of the merge, the two height maps
// and the glow mask,
// where each came from, the merge and palette-conversion options, the palette,
// the kept output, and what is followed on disk. The window is its view and
// orrisbay-blend (with and without --watch) drives it too, so both make,
// follow and keep a texture with the same code.
//
// The slot table behind it shows thumbnails, size labels and the preview
// through `display` as the merge goes (the steps the design gives them);
// everything else a call leads to comes back as its result.
class TextureSession {
  public:
    // `display` shows the slots as the merge goes; null shows nothing.
    explicit TextureSession(slots::SlotView* display = nullptr);
    ~TextureSession();
    TextureSession(const TextureSession&) = delete;
    TextureSession& operator=(const TextureSession&) = delete;

    // The game's palette conversions use, and .wal inputs are read in; empty
    // without a good palette file (a WAD3 brings its own). Inputs read in the
    // palette before keep their pixels until read again (InputsInPalette).
    void SetPalette(std::optional<quake_palette::Palette> palette) {
        palette_ = std::move(palette);
    }
    const std::optional<quake_palette::Palette>& GamePalette() const { return palette_; }
    void SetConversionOptions(quake_palette::ConversionOptions options) { conversion_ = options; }
    const quake_palette::ConversionOptions& ConversionOptions() const { return conversion_; }

    // Puts `picture` into an input (a slot, a height map or the glow mask)
    // with where it came from; a file is followed from now on. A slot merges
    // as the design's SetSlotImage does; a height map merges when height
    // blending is on; the glow mask changes what the exports convert.
    SessionUpdate SetInput(int input, freeimage_base::Bitmap picture, InputSource source);
    // Says where an input comes from without a picture yet (the file is
    // followed; ReadAgain reads it).
    void SetSource(int input, InputSource source);
    // The picture an input holds (the glow mask as 8-bit grey), or null.
    const FIBITMAP* InputPicture(int input) const;
    // The glow mask goes, and its file is no longer followed.
    SessionUpdate ClearGlowMask();
    // The glow mask, 8-bit grey of any size (the exports scale it), or null.
    const FIBITMAP* GlowMask() const { return glow_.get(); }
    // How the merge blends; refused options change nothing.
    SessionUpdate SetMergeOptions(const slots::MergeOptions& options);
    const InputSource& Source(int input) const;
    // Why the last change of `input`'s file could not be read in; empty when it was.
    const std::optional<Problem>& ReadProblem(int input) const;
    // Why `input`'s file cannot be followed; empty when it can.
    const std::string& WatchProblem(int input) const { return follower_.WatchProblem(input); }
    // The inputs read from files in the game's palette (.wal textures), which
    // a new palette changes.
    std::vector<int> InputsInPalette() const;
    // The input whose picture follows the file at `path`, if any.
    std::optional<int> InputReading(const std::string& path) const;
    // The pixels of the larger of a picture of `incoming` size for `input`
    // and the merge it would lead to: what makes the work long.
    std::uint64_t WorkPixels(int input, std::optional<imageio::PictureSize> incoming) const;

    // The live link (see InputFollower). TakeSettledInputs gives the inputs
    // whose files have settled; ReadAgain reads them in and merges once:
    // a file that cannot be read (half written, say) keeps the input's
    // picture until its next change, and one that is gone until it is back
    // (an input that has no picture yet is told it is missing).
    void SetFollowing(bool follow) { follower_.SetFollowing(follow); }
    bool Following() const { return follower_.Following(); }
    int WatchDescriptor() const { return follower_.Descriptor(); }
    void TakeWatchEvents() { follower_.TakeEvents(); }
    std::optional<InputFollower::Clock::duration> TimeToNextSettle() const {
        return follower_.TimeToNextSettle();
    }
    std::vector<int> TakeSettledInputs() { return follower_.TakeSettled(); }
    SessionUpdate ReadAgain(const std::vector<int>& inputs);

    // The merged texture, or null; its coverage (see SlotTable::ResultCoverage).
    const FIBITMAP* Texture() const { return table_.Slot(slots::kResult); }
    freeimage_base::Bitmap Coverage() const { return table_.ResultCoverage(); }
    const slots::SlotTable& Table() const { return table_; }
    slots::SlotTable& Table() { return table_; }
    // Frees the inputs of the merge (their files stay followed), keeping the
    // texture, the glow mask and, when asked, the coverage for the exports that follow: a command
    // that only writes the texture needs no more memory than the texture's.
    void ReleaseInputs(bool keepCoverage);

    // The questions an export of the texture (or of `instead`, a picture the
    // caller shows when there is no merge) would ask; then the export itself,
    // with their answers. See gameformats::ExportTexture.
    Result<std::vector<gameformats::ExportQuestion>> QuestionsFor(
        const gameformats::ExportRequest& request, const FIBITMAP* instead = nullptr) const;
    Result<gameformats::ExportWritten> Export(const gameformats::ExportRequest& request,
                                              const gameformats::ExportAnswers& answers,
                                              const FIBITMAP* instead = nullptr);

    // The kept output: an export made again, without questions, after every
    // merge that makes a texture, while it is on. Keeping another file or
    // another texture of a WAD turns the updates off (true when it did).
    bool KeepOutput(gameformats::RepeatedExport output);
    const std::optional<gameformats::RepeatedExport>& KeptOutput() const { return kept_; }
    void SetKeepingOutput(bool keep) { keeping_ = keep && kept_.has_value(); }
    bool KeepingOutput() const { return keeping_; }
    // Writes the kept output for the texture a merge has made since it was
    // last written, while it is on; empty when nothing was due. A write that
    // fails (or would overwrite an input) turns it off and says why.
    std::optional<Result<gameformats::ExportWritten>> WriteKeptOutput();

  private:
    // What the slot table shows goes on to the display; what the merge made
    // is noted for the call's result.
    class Recorder : public slots::SlotView {
      public:
        explicit Recorder(slots::SlotView* display) : display_(display) {}
        void ShowThumbnail(int index, const FIBITMAP* bitmap) override;
        void ShowSizeLabel(int index, const std::string& caption) override;
        void ShowPreview(const FIBITMAP* bitmap) override;
        void ReportMergeFailure(const std::string& message) override;

        bool merged = false;
        bool madeTexture = false;
        std::optional<std::string> failure;

      private:
        slots::SlotView* display_;
    };

    // Runs `change` on the table and gathers what the merge did.
    template <typename Change>
    SessionUpdate Updated(Change&& change);
    void NoteSource(int input, InputSource source);
    void SetGlow(freeimage_base::Bitmap glow);

    Recorder recorder_;
    slots::SlotTable table_;
    std::array<InputSource, kInputCount> sources_{};
    std::array<std::optional<Problem>, kInputCount> readProblems_{};
    InputFollower follower_;
    std::optional<quake_palette::Palette> palette_;
    quake_palette::ConversionOptions conversion_;
    std::optional<gameformats::RepeatedExport> kept_;
    bool keeping_ = false;
    bool keptStale_ = false;
    freeimage_base::Bitmap keptCoverage_;  // the coverage kept by ReleaseInputs
    freeimage_base::Bitmap glow_;          // the glow mask, 8-bit grey
};

}  // namespace orrisbay::session
