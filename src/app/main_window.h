#pragma once

#include "app/acquisition_control.h"
#include "ui/transport_view.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>

class Suite;
struct Settings;
class SettingsStore;
class WindowSurfaces;
class StatusBarText;
class HopBinWindow;
class NetworkWindow;
class SpectrumWindow;
class QAction;
class QComboBox;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QSlider;
class QToolBar;

// The main window, "Veltrane Diagnostics Suite": menus, the transport tool bar with
// the source selector, the display toggles, the playback slider and counter, the
// status bar, and the child windows of the tools inside it.
class MainWindow : public QMainWindow, public TransportView {
    Q_OBJECT
public:
    MainWindow(Suite& suite, SettingsStore& store, WindowSurfaces& surfaces,
               StatusBarText& statusText, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start-up sequence: settings, link. `adjust` may change the loaded settings
    // in memory before the link opens (the bundled emulator is a serial device).
    // False when the link did not open.
    bool Form_Load(const std::function<void(Settings&)>& adjust = {});

    // The activation sequence (also run once right after the window is shown).
    void Form_Activate();

    void TileChildWindows();

    // TransportView
    void setTransportImages(int record, int play, int pause) override;
    void setSliderEnabled(bool enabled) override;
    QString sourceText() const override;

    AcquisitionControl& acquisition() { return acquisition_; }
    NetworkWindow* networkWindow() const;
    HopBinWindow* hopBinWindow() const;
    SpectrumWindow* spectrumWindow() const;
    QAction* playAction() const { return play_; }
    QAction* stopAction() const { return stop_; }
    bool MainWindowActivated = false;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildMenus();
    void buildToolBars();
    void openHopBinWindow();
    void closeHopBinWindow();
    void openSpectrumWindow();
    void closeSpectrumWindow();
    void openNetworkWindow();
    void closeNetworkWindow();
    void keepOnlyLiveSource();
    void tileLater();
    void MDI_Tools_NetworkDiagnostics_Click();
    void onDisplayToggle(int button, bool pressed);
    void onSourceChanged(int index);

    Suite& suite_;
    SettingsStore& store_;
    WindowSurfaces& surfaces_;
    StatusBarText& statusText_;
    AcquisitionControl acquisition_;

    QMdiArea* mdi_ = nullptr;
    QPointer<QMdiSubWindow> hopBinSub_;
    QPointer<QMdiSubWindow> networkSub_;
    QPointer<QMdiSubWindow> spectrumSub_;
    QToolBar* toolbar1_ = nullptr;
    QToolBar* toolbar2_ = nullptr;
    QAction* play_ = nullptr;
    QAction* stop_ = nullptr;
    QAction* record_ = nullptr;
    QAction* pause_ = nullptr;
    QAction* loadFile_ = nullptr;
    QAction* toggles_[3] = {};
    QAction* networkDiagnostics_ = nullptr;
    QComboBox* combo1_ = nullptr;
    QSlider* slider1_ = nullptr;
    QLabel* text1_ = nullptr;
    QLabel* statusPanel1_ = nullptr;
    bool activating_ = false;
    bool closing_ = false;
};
