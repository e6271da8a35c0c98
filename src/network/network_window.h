#pragma once

#include "network/network_query.h"

#include <QWidget>
#include <functional>

struct NetworkContext;
class FileDialogs;
class WindowSurfaces;
class SurfaceWidget;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QueryGrid;

// The Network Query window. Its lower half, "Link Quality Test", chooses the test
// that Play runs (hop bin analyzer or spectrum analyzer) and how the link quality
// meter shows the result, holds the radio selector and the retries box, and draws
// the meter. Its upper half, "Network Query", lists the radios that the attached
// radio hears, with the user's description of each.
class NetworkWindow : public QWidget, public NetworkQueryView {
    Q_OBJECT
public:
    // What choosing a test does to the other windows of the main window.
    struct Hooks {
        std::function<void()> openHopBinWindow;
        std::function<void()> closeHopBinWindow;
        std::function<void()> openSpectrumWindow;
        std::function<void()> closeSpectrumWindow;
        std::function<void()> keepOnlyLiveSource; // the source selector back to "Real-Time"
        std::function<void()> tileChildWindows;
        std::function<void()> resetTestData;
        std::function<void()> repaintSpectrumWindow; // cleared and drawn anew
        // The descriptions of the radios, kept by address.
        std::function<QString(const QString& address)> readDescription;
        std::function<void(const QString& address, const QString& text)> writeDescription;
        // The dialogs that choose a query file to save or load.
        std::function<FileDialogs*()> fileDialogs;
    };

    NetworkWindow(NetworkContext& suite, WindowSurfaces& surfaces, Hooks hooks, QWidget* parent = nullptr);
    ~NetworkWindow() override;

    // The selected test: 0 "Bin Analyzer", 1 "Spectrum", -1 none.
    int selectedTest() const;

    // Event handlers, named after their controls.
    void TestSelection_Option_Click(int index);
    void MeterSelection_Option_Click(int index);
    void Button_ClearLinkTest_Click();
    void Text1_LostFocus();
    void ButtonRunQuery_Click();
    void ButtonStopQuery_Click();
    void ButtonLoadQuery_Click();
    void ButtonSaveQuery_Click();

    // NetworkQueryView
    void clearResults() override;
    int resultRows() const override;
    void appendResultRow() override;
    QString cell(int row, int column) const override;
    void setCell(int row, int column, const QString& text) override;
    void scrollToFirstColumn() override;
    void setCurrentRow(int row) override;
    int selectorCount() const override;
    void selectSelectorEntry(int index) override;
    void appendSelectorEntry(const QString& text) override;
    QString selectorText() const override;

    QLineEdit* retriesBox() const { return text1_; }
    QueryGrid* grid() const { return grid_; }
    QComboBox* radioSelector() const { return combo1_; }
    QPushButton* runQueryButton() const { return runQuery_; }
    QPushButton* stopQueryButton() const { return stopQuery_; }
    QPushButton* saveQueryButton() const { return saveQuery_; }
    QPushButton* loadQueryButton() const { return loadQuery_; }
    // "Past query of ..." over the grid while it shows a loaded query, else hidden.
    QLabel* pastQueryLabel() const { return pastQuery_; }
    QRadioButton* testOption(int index) const;
    QRadioButton* meterOption(int index) const;
    // The totals under the meter (hop bin test only).
    QLabel* totalLabel() const { return total_; }
    QLabel* missedBinsLabel() const { return missedBins_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void selectMeterOption(int test);
    void retriesBoxChanged();
    void showTotals();
    QWidget* buildQueryFrame();
    QWidget* buildLinkTestFrame();

    NetworkContext& suite_;
    WindowSurfaces& surfaces_;
    Hooks hooks_;
    QueryGrid* grid_ = nullptr;
    QRadioButton* testOptions_[2] = {};
    QRadioButton* meterOptions_[2] = {};
    QComboBox* combo1_ = nullptr;
    QLineEdit* text1_ = nullptr;
    SurfaceWidget* meter_ = nullptr;
    QPushButton* clearButton_ = nullptr;
    QLabel* total_ = nullptr;
    QLabel* missedBins_ = nullptr;
    QPushButton* runQuery_ = nullptr;
    QPushButton* stopQuery_ = nullptr;
    QPushButton* saveQuery_ = nullptr;
    QPushButton* loadQuery_ = nullptr;
    QLabel* pastQuery_ = nullptr;
};
