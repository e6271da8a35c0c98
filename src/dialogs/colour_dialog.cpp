#include "dialogs/colour_dialog.h"

#include "core/settings_store.h"
#include "network/network_context.h"
#include "ui/image_surface.h"

#include <QColorDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
struct ColourEntry {
    const char* label;
    Colour Settings::*colour;
};

// In the order of the swatches (and of the keys in the settings file).
const ColourEntry kColourEntries[ColourDialog::kColours] = {
    {"Background Color:", &Settings::BackgroundColor},
    {"Graph Color:", &Settings::GraphColor},
    {"Grid Color:", &Settings::GridColor},
    {"Label Color:", &Settings::LabelColor},
    {"Marker1 Color:", &Settings::Marker1Color},
    {"Marker2 Color:", &Settings::Marker2Color},
    {"Message Color:", &Settings::MessageColor},
};
} // namespace

ColourDialog::ColourDialog(NetworkContext& suite, SettingsStore& store, Hooks hooks, QWidget* parent)
    : QDialog(parent), suite_(suite), store_(store), hooks_(std::move(hooks)) {
    setWindowTitle(QStringLiteral("Settings"));
    pickColour = [this](const QColor& initial) {
        const QColor picked = QColorDialog::getColor(initial, this);
        return picked.isValid() ? picked : initial; // cancelled: nothing chosen
    };

    auto* frame = new QGroupBox(QStringLiteral("Colors"), this);
    auto* grid = new QGridLayout(frame);
    for (int i = 0; i < kColours; ++i) {
        auto* label = new QLabel(QString::fromLatin1(kColourEntries[i].label), frame);
        auto* button = new QPushButton(frame);
        button->setFixedSize(48, 22);
        button->setToolTip(QStringLiteral("Choose the colour"));
        connect(button, &QPushButton::clicked, this, [this, i] { Command4_Click(i); });
        grid->addWidget(label, i, 0);
        grid->addWidget(button, i, 1);
        swatches_[static_cast<std::size_t>(i)] = button;
        colours_[static_cast<std::size_t>(i)] = suite_.settings.*kColourEntries[i].colour;
        showSwatch(i);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
}

void ColourDialog::showSwatch(int index) {
    const QColor colour = ImageSurface::toQColor(colours_[static_cast<std::size_t>(index)]);
    swatches_[static_cast<std::size_t>(index)]->setStyleSheet(
        QStringLiteral("background-color: %1; border: 1px solid palette(dark);")
            .arg(colour.name()));
}

void ColourDialog::Command4_Click(int index) {
    const auto i = static_cast<std::size_t>(index);
    const QColor current = ImageSurface::toQColor(colours_[i]);
    const QColor picked = pickColour ? pickColour(current) : current;
    if (picked.rgb() == current.rgb())
        return;
    colours_[i] = ImageSurface::fromQColor(picked);
    showSwatch(index);

    Settings& settings = suite_.settings;
    for (int k = 0; k < kColours; ++k)
        settings.*kColourEntries[k].colour = colours_[static_cast<std::size_t>(k)];
    SaveColours(settings, store_);
    if (hooks_.repaintSpectrumWindow)
        hooks_.repaintSpectrumWindow();
}
