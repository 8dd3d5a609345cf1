#pragma once

// One random session of the real window for the soak run: the operations a
// user performs, chosen by a seeded generator, with every dialog and question
// answered at once.
#include <array>
#include <filesystem>
#include <random>
#include <string>

#include "app/add_to_wad_dialog.h"
#include "app/main_window.h"
#include "app/save_dialog.h"

namespace orrisbay::soak {

class Session {
  public:
    // Works in `folder`, which must exist and hold a folder "in".
    Session(app::FrmOrrisbay& window, unsigned seed, std::filesystem::path folder);

    // One operation, then the events it caused.
    void RunOne();

    // The same state at every checkpoint, so that what the random operations
    // left behind (larger pictures, open windows, the clipboard) is not taken
    // for growth: no extra windows, the plain blend, one 256 x 256 picture
    // pasted into each input.
    void Settle();

    // The first slot that should be empty (any but the inputs and the merge)
    // and is not, or -1.
    int StraySlot() const;

    // How often each operation ran, and how many rewritten linked files were
    // reported back.
    std::string Tally() const;

  private:
    struct Operation {
        const char* name;
        double weight;
        void (Session::*run)();
    };
    static const std::array<Operation, 14> kOperations;

    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random_); }
    bool chance(int oneIn) { return pick(oneIn) == 0; }
    int pickSlot() { return pick(4); }
    template <typename List>
    auto pickFrom(const List& list) {
        return list.at(static_cast<std::size_t>(pick(static_cast<int>(list.size()))));
    }
    std::string file(const std::string& name) const { return (folder_ / name).string(); }

    void answerDialogs();
    void countReportedChanges();
    std::string writeInput();

    void open();
    void drop();
    void pastePicture();
    void pasteText();
    void refusedMerge();
    void heightBlend();
    void convert();
    void copy();
    void saveAs();
    void addToWad();
    void openWad();
    void rewriteLinked();
    void textureView();
    void toggle();

    app::FrmOrrisbay& window_;
    std::mt19937 random_;
    std::filesystem::path folder_;
    std::discrete_distribution<std::size_t> pickOperation_;
    std::array<long, kOperations.size()> counts_{};
    long changesReported_ = 0;  // settled changes the live link reported
    long rewritesAwaited_ = 0;
    long rewritesReported_ = 0;
    // What the dialogs answer next.
    std::string openAnswer_;
    app::SaveChoice saveAnswer_;
    app::WadTarget wadAnswer_;
    std::string openWadAnswer_;
};

// What an event loop does between two user actions, deleting the windows
// closed meanwhile (no loop runs here to handle deleteLater).
void DeliverEvents();

}  // namespace orrisbay::soak
