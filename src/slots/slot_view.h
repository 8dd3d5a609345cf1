#pragma once

#include <FreeImage.h>

#include <string>

namespace orrisbay::slots {

// What the slot table shows of itself. The main window implements it with
// widgets; tests and the command-line tool implement it without any.
// Bitmaps passed here are only lent for the duration of the call: a view that
// wants to keep the picture makes its own copy.
class SlotView {
  public:
    virtual ~SlotView() = default;

    // Thumbnail of input slot 0..3; `bitmap` is null to clear it.
    virtual void ShowThumbnail(int index, const FIBITMAP* bitmap) = 0;

    // Caption of the size label of input slot 0..3, e.g. "640 x 480 24 bpp".
    virtual void ShowSizeLabel(int index, const std::string& caption) = 0;

    // Preview of the merged texture; `bitmap` is null to clear it.
    virtual void ShowPreview(const FIBITMAP* bitmap) = 0;

    // A merge was abandoned; `message` says which input or step stopped it.
    virtual void ReportMergeFailure(const std::string& message) = 0;
};

// A view that shows nothing; for headless use.
class NullSlotView : public SlotView {
  public:
    void ShowThumbnail(int, const FIBITMAP*) override {}
    void ShowSizeLabel(int, const std::string&) override {}
    void ShowPreview(const FIBITMAP*) override {}
    void ReportMergeFailure(const std::string&) override {}
};

}  // namespace orrisbay::slots
