#include "session/texture_session.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "gameformats/picture_input.h"
#include "gameformats/wal_file.h"

namespace orrisbay::session {

namespace {

using freeimage_base::Bitmap;

bool IsSlot(int input) {
    return input >= 0 && input < kSlotInputs;
}

bool IsInput(int input) {
    return input >= 0 && input < kInputCount;
}

const InputSource kNoSource{};
const std::optional<Problem> kNoProblem;

}  // namespace

void TextureSession::Recorder::ShowThumbnail(int index, const FIBITMAP* bitmap) {
    if (display_ != nullptr) {
        display_->ShowThumbnail(index, bitmap);
    }
}

void TextureSession::Recorder::ShowSizeLabel(int index, const std::string& caption) {
    if (display_ != nullptr) {
        display_->ShowSizeLabel(index, caption);
    }
}

void TextureSession::Recorder::ShowPreview(const FIBITMAP* bitmap) {
    merged = true;
    madeTexture = bitmap != nullptr;
    if (display_ != nullptr) {
        display_->ShowPreview(bitmap);
    }
}

// Told by the caller once the call has returned, never inside the merge.
void TextureSession::Recorder::ReportMergeFailure(const std::string& message) {
    failure = message;
}

TextureSession::TextureSession(slots::SlotView* display) : recorder_(display), table_(recorder_) {}

TextureSession::~TextureSession() {
    table_.ReleaseAllSlots();
}

template <typename Change>
SessionUpdate TextureSession::Updated(Change&& change) {
    recorder_.merged = false;
    recorder_.madeTexture = false;
    recorder_.failure.reset();
    change();
    SessionUpdate update;
    update.merged = recorder_.merged;
    update.mergeFailure = std::move(recorder_.failure);
    recorder_.failure.reset();
    if (recorder_.madeTexture) {
        keptStale_ = true;
        keptCoverage_.reset();
    }
    return update;
}

void TextureSession::NoteSource(int input, InputSource source) {
    const auto at = static_cast<std::size_t>(input);
    readProblems_[at].reset();
    if (source.IsFile()) {
        follower_.Follow(input, source.path);
    } else {
        follower_.Forget(input);
    }
    sources_[at] = std::move(source);
}

SessionUpdate TextureSession::SetInput(int input, Bitmap picture, InputSource source) {
    if (!IsInput(input) || !picture) {
        return {};
    }
    NoteSource(input, std::move(source));
    if (input == kGlowMask) {
        SetGlow(std::move(picture));
        SessionUpdate update;
        update.glowChanged = true;
        return update;
    }
    return Updated([&] {
        if (IsSlot(input)) {
            table_.SetSlotImage(input, std::move(picture));
        } else {
            table_.SetHeightMap(input - kHeightMap1, std::move(picture));
        }
    });
}

void TextureSession::SetSource(int input, InputSource source) {
    if (IsInput(input)) {
        NoteSource(input, std::move(source));
    }
}

const FIBITMAP* TextureSession::InputPicture(int input) const {
    if (IsSlot(input)) {
        return table_.Slot(input);
    }
    if (input == kHeightMap1 || input == kHeightMap2) {
        return table_.HeightMap(input - kHeightMap1);
    }
    return input == kGlowMask ? glow_.get() : nullptr;
}

// A new glow mask (or none) changes every conversion of the texture, so the
// kept output is due again.
void TextureSession::SetGlow(Bitmap glow) {
    glow_ = glow ? slots::NormalisedMask(std::move(glow), table_.MergeThreads()) : Bitmap();
    keptStale_ = true;
}

SessionUpdate TextureSession::ClearGlowMask() {
    NoteSource(kGlowMask, {});
    SessionUpdate update;
    update.glowChanged = static_cast<bool>(glow_);
    SetGlow({});
    return update;
}

SessionUpdate TextureSession::SetMergeOptions(const slots::MergeOptions& options) {
    return Updated([&] { table_.SetMergeOptions(options); });
}

const InputSource& TextureSession::Source(int input) const {
    return IsInput(input) ? sources_[static_cast<std::size_t>(input)] : kNoSource;
}

const std::optional<Problem>& TextureSession::ReadProblem(int input) const {
    return IsInput(input) ? readProblems_[static_cast<std::size_t>(input)] : kNoProblem;
}

std::optional<int> TextureSession::InputReading(const std::string& path) const {
    for (int input = 0; input < kInputCount; ++input) {
        const InputSource& source = Source(input);
        std::error_code error;
        if (source.IsFile() && std::filesystem::equivalent(source.path, path, error)) {
            return input;
        }
    }
    return std::nullopt;
}

std::vector<int> TextureSession::InputsInPalette() const {
    std::vector<int> inputs;
    for (int input = 0; input < kInputCount; ++input) {
        if (Source(input).IsFile() && gameformats::IsWalPath(Source(input).path)) {
            inputs.push_back(input);
        }
    }
    return inputs;
}

std::uint64_t TextureSession::WorkPixels(int input,
                                         std::optional<imageio::PictureSize> incoming) const {
    if (!incoming) {
        return 0;
    }
    // The merge works at the larger width and height of the two layers.
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    for (const int layer : {slots::kLayer1, slots::kLayer2}) {
        const FIBITMAP* bitmap = table_.Slot(layer);
        width = std::max<std::uint64_t>(
            width, layer == input ? incoming->width : freeimage_base::Width(bitmap));
        height = std::max<std::uint64_t>(
            height, layer == input ? incoming->height : freeimage_base::Height(bitmap));
    }
    return std::max(incoming->width * incoming->height, width * height);
}

SessionUpdate TextureSession::ReadAgain(const std::vector<int>& inputs) {
    slots::InputPictures pictures;
    SessionUpdate read;
    for (const int input : inputs) {
        const InputSource& source = Source(input);
        if (!source.IsFile()) {
            continue;
        }
        std::error_code error;
        if (!std::filesystem::exists(source.path, error) && InputPicture(input) != nullptr) {
            continue;  // gone: the picture stays until the file is back
        }
        Result<Bitmap> loaded = gameformats::ReadInputPicture(source.path, palette_);
        for (const std::string& warning : loaded.warnings()) {
            read.warnings.push_back(source.path + ": " + warning);
        }
        auto& problem = readProblems_[static_cast<std::size_t>(input)];
        if (!loaded) {
            problem = loaded.problem();
            read.notRead.emplace_back(input, loaded.problem());
            continue;
        }
        problem.reset();
        follower_.NoteRead(input);
        read.readAgain.push_back(input);
        if (IsSlot(input)) {
            pictures.slots[static_cast<std::size_t>(input)] = std::move(*loaded);
        } else if (input == kGlowMask) {
            SetGlow(std::move(*loaded));
            read.glowChanged = true;
        } else {
            pictures.heightMaps[static_cast<std::size_t>(input - kHeightMap1)] = std::move(*loaded);
        }
    }
    SessionUpdate update = Updated([&] { table_.SetInputs(std::move(pictures)); });
    update.glowChanged = read.glowChanged;
    update.readAgain = std::move(read.readAgain);
    update.notRead = std::move(read.notRead);
    update.warnings = std::move(read.warnings);
    return update;
}

void TextureSession::ReleaseInputs(bool keepCoverage) {
    if (keepCoverage && !keptCoverage_) {
        keptCoverage_ = table_.ResultCoverage();
    }
    for (int slot = slots::kLayer1; slot <= slots::kMask2; ++slot) {
        table_.ClearSlot(slot);
    }
    for (int which = 0; which < 2; ++which) {
        table_.SetHeightMap(which, {});
    }
}

}  // namespace orrisbay::session
