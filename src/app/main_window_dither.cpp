// The main window's conversion options: the preview menu's "Dithering" and
// "Colour Metric" submenus beside "Allow Fullbrights". What they choose is
// kept in the texture session, which every conversion of the window reads
// (the converted preview, the texture view, Save As and Add to WAD).
#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QSignalBlocker>
#include <algorithm>
#include <utility>

#include "app/main_window.h"

namespace orrisbay::app {

namespace {

using quake_palette::ColourMetric;
using quake_palette::DitherMode;

std::size_t ModeIndex(DitherMode mode) {
    return static_cast<std::size_t>(mode);
}

}  // namespace

void FrmOrrisbay::createConversionMenus() {
    ditheringMenu_ = new QMenu(tr("Dithering"), this);
    auto* modes = new QActionGroup(ditheringMenu_);
    // Floyd-Steinberg may be unchecked like the one "Dither" option it
    // replaces; then None is chosen again.
    modes->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    const std::pair<DitherMode, QString> modeCaptions[] = {
        {DitherMode::None, tr("None")},
        {DitherMode::FloydSteinberg, tr("Floyd-Steinberg")},
        {DitherMode::Diffusion, tr("Diffusion (Tileable)")},
        {DitherMode::Ordered, tr("Ordered (Tileable)")},
    };
    for (const auto& [mode, caption] : modeCaptions) {
        QAction* action = ditheringMenu_->addAction(caption);
        action->setCheckable(true);
        modes->addAction(action);
        ditheringActions_.at(ModeIndex(mode)) = action;
    }
    ditheringActions_.at(ModeIndex(DitherMode::Diffusion))
        ->setToolTip(tr("Error diffusion that wraps around the edges, so the texture tiles"));
    ditheringActions_.at(ModeIndex(DitherMode::Ordered))
        ->setToolTip(tr("A blue-noise pattern that tiles with the texture and is the same in "
                        "every frame of an animation"));
    ditherAction_ = ditheringActions_.at(ModeIndex(DitherMode::FloydSteinberg));
    ditheringActions_.at(ModeIndex(DitherMode::None))->setChecked(true);

    metricMenu_ = new QMenu(tr("Colour Metric"), this);
    auto* metrics = new QActionGroup(metricMenu_);
    const std::pair<ColourMetric, QString> metricCaptions[] = {
        {ColourMetric::Rgb, tr("RGB")},
        {ColourMetric::Perceptual, tr("Perceptual")},
    };
    for (std::size_t i = 0; i < std::size(metricCaptions); ++i) {
        QAction* action = metricMenu_->addAction(metricCaptions[i].second);
        action->setCheckable(true);
        metrics->addAction(action);
        metricActions_.at(i) = action;
    }
    metricActions_.at(1)->setToolTip(
        tr("Colours chosen as the eye tells them apart; converting takes longer"));
    metricActions_.at(0)->setChecked(true);
}

void FrmOrrisbay::connectConversionSignals() {
    for (QAction* mode : ditheringActions_) {
        connect(mode, &QAction::toggled, this, [this](bool on) {
            // Unchecking the chosen mode chooses None; switching from one mode
            // to another leaves a mode chosen, and the new one is told.
            if (!on && std::ranges::none_of(ditheringActions_, &QAction::isChecked)) {
                ditheringActions_.at(ModeIndex(DitherMode::None))->setChecked(true);
            } else if (on) {
                conversionMenusChanged();
            }
        });
    }
    for (QAction* metric : metricActions_) {
        connect(metric, &QAction::toggled, this, [this](bool on) {
            if (on) {
                conversionMenusChanged();
            }
        });
    }
    connect(fullbrightsAction_, &QAction::toggled, this, [this] { conversionMenusChanged(); });
}

QAction* FrmOrrisbay::ditheringAction(DitherMode mode) const {
    return ditheringActions_.at(ModeIndex(mode));
}

QAction* FrmOrrisbay::metricAction(ColourMetric metric) const {
    return metric == ColourMetric::Perceptual ? metricActions_.at(1) : metricActions_.at(0);
}

quake_palette::ConversionOptions FrmOrrisbay::conversionOptions() const {
    return session_->ConversionOptions();
}

quake_palette::ConversionOptions FrmOrrisbay::conversionOptionsOfMenus() const {
    quake_palette::ConversionOptions options;
    options.allowFullbrights = fullbrightsAction_->isChecked();
    options.metric =
        metricActions_.at(1)->isChecked() ? ColourMetric::Perceptual : ColourMetric::Rgb;
    if (ditherAction_->isChecked()) {
        options.dither = true;  // today's Floyd-Steinberg, as the commands' plain --dither
    }
    for (const DitherMode mode : {DitherMode::Diffusion, DitherMode::Ordered}) {
        if (ditheringAction(mode)->isChecked()) {
            options.dithering = {mode, {}};
        }
    }
    return options;
}

void FrmOrrisbay::setConversionOptions(const quake_palette::ConversionOptions& options) {
    {
        const QSignalBlocker fullbrights(fullbrightsAction_);
        fullbrightsAction_->setChecked(options.allowFullbrights);
        const DitherMode mode = options.EffectiveDithering().mode;
        for (QAction* action : ditheringActions_) {
            const QSignalBlocker blocker(action);
            action->setChecked(action == ditheringAction(mode));
        }
        for (QAction* action : metricActions_) {
            const QSignalBlocker blocker(action);
            action->setChecked(action == metricAction(options.metric));
        }
    }
    // A strength or metric the menus do not offer is kept as given.
    session_->SetConversionOptions(options);
    if (converted_) {
        convertPreview();
    }
}

void FrmOrrisbay::conversionMenusChanged() {
    session_->SetConversionOptions(conversionOptionsOfMenus());
    // A converted preview (and the texture view with it) follows the options.
    if (converted_) {
        convertPreview();
    }
}

}  // namespace orrisbay::app
