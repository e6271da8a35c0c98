#pragma once

#include "core/settings.h"

#include <QColor>
#include <QDialog>
#include <array>
#include <functional>

struct NetworkContext;
class SettingsStore;
class QPushButton;

// "Settings": the seven display colours, one swatch each. Clicking a swatch opens
// the colour picker; a changed colour is applied, stored and shown at once (there
// is no OK or Cancel).
class ColourDialog : public QDialog {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void()> repaintSpectrumWindow; // cleared and drawn anew
    };

    ColourDialog(NetworkContext& suite, SettingsStore& store, Hooks hooks, QWidget* parent = nullptr);

    // The picker: the colour chosen, or the initial one when cancelled (replaced in
    // tests).
    std::function<QColor(const QColor& initial)> pickColour;

    static constexpr int kColours = 7;
    void Command4_Click(int index);
    QPushButton* swatch(int index) const { return swatches_[static_cast<std::size_t>(index)]; }
    Colour swatchColour(int index) const { return colours_[static_cast<std::size_t>(index)]; }

private:
    void showSwatch(int index);

    NetworkContext& suite_;
    SettingsStore& store_;
    Hooks hooks_;
    std::array<QPushButton*, kColours> swatches_{};
    std::array<Colour, kColours> colours_{};
};
