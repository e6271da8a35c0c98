#pragma once

#include "app/acquisition_control.h"
#include "app/recording_control.h"
#include "ui/qt_file_dialogs.h"
#include "ui/transport_view.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <array>
#include <functional>
#include <optional>

class Suite;
struct Settings;
class SettingsStore;
class WindowSurfaces;
class StatusBarText;
class HopBinWindow;
class NetworkWindow;
class SpectrumWindow;
class ConnectionDialog;
class PingTestWindow;
class ColourDialog;
class AboutBox;
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
    // The images the Record, Play and Pause buttons show now.
    std::array<int, 3> transportImages() const { return images_; }
    void setSliderEnabled(bool enabled) override;
    QString sourceText() const override;
    void setPositionText(const QString& text) override;
    void setSliderMaximum(qint64 maximum) override;
    void setSliderValue(qint64 value) override;
    qint64 sliderValue() const override;
    void insertSource(int index, const QString& text, const QString& path) override;
    void selectSource(int index) override;

    AcquisitionControl& acquisition() { return acquisition_; }
    NetworkWindow* networkWindow() const;
    HopBinWindow* hopBinWindow() const;
    SpectrumWindow* spectrumWindow() const;
    QAction* playAction() const { return play_; }
    QAction* stopAction() const { return stop_; }
    QAction* recordAction() const { return record_; }
    QAction* pauseAction() const { return pause_; }
    QAction* loadFileAction() const { return loadFile_; }
    QComboBox* sourceSelector() const { return combo1_; }
    QSlider* positionSlider() const { return slider1_; }
    // The counter beside the slider, as it will be shown at the next refresh.
    QString positionText() const;
    // The counter as it is on the screen now.
    QLabel* positionCounter() const { return text1_; }
    // Settings > Settings: the connection dialog, in front and with the focus (also
    // opened by itself at start-up when the link does not open).
    ConnectionDialog* openConnectionDialog();
    // Settings > Colors.
    ColourDialog* openColourDialog();
    // Window > Ping Test: the transmit packet of a ping test.
    PingTestWindow* openPingTestWindow();
    PingTestWindow* pingTestWindow() const;
    // Help > About: the box, or the one already open brought to the front.
    AboutBox* openAboutBox();
    // Help > Help: the user guide in the desktop's browser. Replaced in tests.
    std::function<bool(const QString& path)> openDocument;
    // Where the user guide is: installed beside the program, or in the source tree.
    static QString userGuidePath();
    void showUserGuide();

    // Replaces the file dialogs (tests answer them from a script).
    void setFileDialogs(FileDialogs& dialogs) {
        recording_.setFileDialogs(dialogs);
        fileDialogs_ = &dialogs;
    }
    bool MainWindowActivated = false;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Opens where the window was last time if that is still on a screen, else on
    // most of the primary screen; always within the screen's available area.
    void placeOnScreen();
    void keepOnScreen();
    void arrangeToolBars();
    void buildMenus();
    void buildToolBars();
    void openHopBinWindow();
    void closeHopBinWindow();
    void openSpectrumWindow();
    void closeSpectrumWindow();
    void openNetworkWindow();
    void closeNetworkWindow();
    void keepOnlyLiveSource();
    // Closed windows and dialogs are hidden and destroyed later, when no wait runs.
    void watchForClose(QWidget* window);
    // A child window in the MDI area, watched for its close.
    QMdiSubWindow* addChild(QWidget* window);
    // The contents of a child window that is open (not closed and waiting to go).
    static QWidget* shownChild(const QMdiSubWindow* sub);
    void destroyClosedWindows();
    void closeByProgram(QWidget* window);
    void analyzerWindowClosedByUser();
    // What an analyzer window asks of the main window (both take the same hooks).
    template <class Hooks> Hooks analyzerHooks();
    void tileLater();
    void MDI_Tools_NetworkDiagnostics_Click();
    void onDisplayToggle(int button, bool pressed);
    void onSourceChanged(int index);
    void connectSlider();
    // The counter and slider follow the recording at most this often: records may
    // come thousands of times a second.
    void refreshPosition();

    Suite& suite_;
    SettingsStore& store_;
    WindowSurfaces& surfaces_;
    StatusBarText& statusText_;
    AcquisitionControl acquisition_;
    QtFileDialogs qtDialogs_;
    RecordingControl recording_;
    FileDialogs* fileDialogs_ = &qtDialogs_; // of query files and statistics

    QMdiArea* mdi_ = nullptr;
    QPointer<QMdiSubWindow> hopBinSub_;
    QPointer<QMdiSubWindow> networkSub_;
    QPointer<QMdiSubWindow> spectrumSub_;
    QPointer<QMdiSubWindow> pingSub_;
    QPointer<ConnectionDialog> connectionDialog_;
    QPointer<ColourDialog> colourDialog_;
    QPointer<AboutBox> aboutBox_;
    QToolBar* toolbar1_ = nullptr;
    QToolBar* toolbar2_ = nullptr;
    QToolBar* toolbar3_ = nullptr; // the position slider and counter
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
    QTimer positionTimer_;
    QString pendingText_;
    std::optional<int> pendingMaximum_;
    std::optional<int> pendingValue_;
    bool settingSlider_ = false;     // the program, not the user, moves the slider
    bool linkFailedAtStart_ = false; // the connection dialog opens once the window shows
    bool activating_ = false;
    bool closing_ = false;
    bool closingByProgram_ = false;
    std::array<int, 3> images_{RecordNormal, PlayNormal, PauseNormal};
    // The window of the suite that has the focus, as last announced. While an
    // activation is handled it still names the one before: none when the user
    // comes back from another program.
    QPointer<QWindow> previousFocusWindow_;
    static constexpr int kDestroyRetryMs = 50;
    // The source selector's tool tip while "Real-Time" is chosen.
    static constexpr const char* kSourceToolTip = "Source: live from the radio, or a recording";
};
