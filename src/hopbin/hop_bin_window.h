#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>

struct HopBinContext;
class WindowSurfaces;
class SurfaceWidget;

// The hop bin window ("Hop Bin Analyzer"): its whole client area is the hop bin
// display. A 100 ms timer repaints it when the link status has changed without
// being shown, so "Status: Finding Sync" appears even while no report arrives.
class HopBinWindow : public QWidget {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void()> resetTestData;    // the main window's reset of the selected test
        std::function<void()> tileChildWindows; // re-tile after this window closed
        std::function<void()> userClosed;       // the window's owner decides what a close ends
    };

    HopBinWindow(HopBinContext& suite, WindowSurfaces& surfaces, Hooks hooks, QWidget* parent = nullptr);
    ~HopBinWindow() override;

    // The window became the active child window.
    void Form_Activate();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Resize();
    void Timer1_Timer();

    HopBinContext& suite_;
    WindowSurfaces& surfaces_;
    Hooks hooks_;
    bool closed_ = false;
    SurfaceWidget* picture_;
    QTimer timer1_;
};
