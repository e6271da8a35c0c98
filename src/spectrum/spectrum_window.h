#pragma once

#include <QWidget>
#include <functional>

struct SpectrumContext;
class WindowSurfaces;
class SurfaceWidget;

// The "Spectrum Analyzer" window: no controls, its whole area is the spectrum
// display, operated from the keyboard (F1 to F7 and the arrows).
class SpectrumWindow : public QWidget {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void()> resetTestData;    // the main window's reset of the selected test
        std::function<void()> tileChildWindows; // re-tile after this window closed
        std::function<void()> userClosed;       // the window's owner decides what a close ends
    };

    SpectrumWindow(SpectrumContext& suite, WindowSurfaces& surfaces, Hooks hooks, QWidget* parent = nullptr);
    ~SpectrumWindow() override;

    void Form_Activate();

    // The key's code as the spectrum keys know it (F1 0x70 ... F7 0x76, Left 0x25,
    // Right 0x27); 0 for keys without a meaning here.
    static int virtualKeyCode(int qtKey);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Resize();

    SpectrumContext& suite_;
    WindowSurfaces& surfaces_;
    Hooks hooks_;
    bool closed_ = false;
    SurfaceWidget* picture_;
};
