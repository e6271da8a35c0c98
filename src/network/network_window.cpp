#include "network/network_window.h"

#include "core/number_text.h"
#include "network/network_context.h"
#include "network/button_row.h"
#include "network/query_file_commands.h"
#include "network/query_grid.h"
#include "network/retries_box.h"
#include "ui/message_boxes.h"
#include "ui/square_box.h"
#include "ui/surface_widget.h"
#include "ui/window_surfaces.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

// Twips at the window's resolution.
int pixels(const QWidget* widget, double twips) {
    return static_cast<int>(twips * widget->logicalDpiX() / 1440.0 + 0.5);
}

struct GridColumn {
    const char* header;
    int widthTwips;
    Qt::Alignment alignment;
};

const GridColumn kGridColumns[] = {
    {"", 500, Qt::AlignCenter},
    {"MAC Address", 750, Qt::AlignCenter},
    {"Type", 500, Qt::AlignCenter},
    {"RF Channel", 750, Qt::AlignCenter},
    {"Number of Responses", 1000, Qt::AlignCenter},
    {"Description", 2000, Qt::AlignLeft | Qt::AlignVCenter},
};

} // namespace

NetworkWindow::NetworkWindow(NetworkContext& suite, WindowSurfaces& surfaces, Hooks hooks, QWidget* parent)
    : QWidget(parent), suite_(suite), surfaces_(surfaces), hooks_(std::move(hooks)) {
    setWindowTitle(QStringLiteral("Network Query"));
    // No fixed least size: the layout's own keeps every control whole.
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildQueryFrame(), 1);
    layout->addWidget(buildLinkTestFrame(), 1);
    surfaces_.meter = &meter_->surface();
    NetworkQuery& query = suite_.query;
    query.view = this;
    query.readDescription = hooks_.readDescription;
    Form_Load();
}

NetworkWindow::~NetworkWindow() {
    if (surfaces_.meter == &meter_->surface())
        surfaces_.meter = nullptr;
    NetworkQuery& query = suite_.query;
    if (query.view == this) {
        query.view = nullptr;
        query.readDescription = nullptr;
    }
}

QWidget* NetworkWindow::buildQueryFrame() {
    auto* frame = new QGroupBox(QStringLiteral("Network Query"), this);
    grid_ = new QueryGrid(frame);
    connect(grid_, &QueryGrid::descriptionCommitted, this, [this](int row, const QString& text) {
        // Kept by address, so that the radio is known again in a later query.
        const NetworkQuery& query = suite_.query;
        if (query.MacAddressCount != 0 && row >= 1 && row <= query.MacAddressList.size() &&
            hooks_.writeDescription)
            hooks_.writeDescription(query.MacAddressList.at(row - 1), text);
    });
    connect(grid_, &QueryGrid::userMovedToRow, this, [this](int row) {
        if (combo1_->count() == 0 || row - 1 >= combo1_->count())
            return;
        if (combo1_->currentIndex() == row - 1)
            suite_.query.Combo1_Click(); // the same radio again: address it again
        else
            combo1_->setCurrentIndex(row - 1);
    });

    // Marks the grid while it shows a query loaded from a file, not one run now.
    pastQuery_ = new QLabel(frame);
    pastQuery_->setStyleSheet(QStringLiteral("font-weight: bold"));
    pastQuery_->hide();

    auto* saveQuery = saveQuery_ = new QPushButton(QStringLiteral("Save Query"), frame);
    auto* loadQuery = loadQuery_ = new QPushButton(QStringLiteral("Load Query"), frame);
    saveQuery->setToolTip(QStringLiteral("Write the listed radios to a CSV file"));
    loadQuery->setToolTip(QStringLiteral("Show a saved query; nothing is sent to the radio"));
    stopQuery_ = new QPushButton(QStringLiteral("Stop Query"), frame);
    runQuery_ = new QPushButton(QStringLiteral("Run Query"), frame);
    connect(saveQuery, &QPushButton::clicked, this, &NetworkWindow::ButtonSaveQuery_Click);
    connect(loadQuery, &QPushButton::clicked, this, &NetworkWindow::ButtonLoadQuery_Click);
    connect(stopQuery_, &QPushButton::clicked, this, &NetworkWindow::ButtonStopQuery_Click);
    connect(runQuery_, &QPushButton::clicked, this, &NetworkWindow::ButtonRunQuery_Click);
    runQuery_->setToolTip(QStringLiteral("List the radios that the attached radio hears"));
    stopQuery_->setToolTip(QStringLiteral("End the query and return the radio to normal mode"));

    // Save and Load at the left, Stop and Run at the right, 100 twips apart; in a
    // narrow window Stop and Run move to a second row.
    auto* buttons =
        new ButtonRow({saveQuery, loadQuery}, {stopQuery_, runQuery_}, pixels(this, 100), frame);
    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(pastQuery_);
    layout->addWidget(grid_, 1);
    layout->addWidget(buttons);
    return frame;
}

QWidget* NetworkWindow::buildLinkTestFrame() {
    auto* frame = new QGroupBox(QStringLiteral("Link Quality Test"), this);

    meter_ = new SurfaceWidget();
    meter_->surface().setBackColor(0xFFFFFF);
    auto* meterBox = new SquareBox(meter_, frame);
    connect(meter_, &SurfaceWidget::resized, this,
            [this] { suite_.meter.RedrawLinkQualityMeter(); });
    total_ = new QLabel(frame);
    missedBins_ = new QLabel(frame);
    showTotals();
    // A closed window waits for its deletion while a new one may already be open:
    // the hook belongs to the newest and does nothing once its window is gone.
    suite_.meter.onDraw = [window = QPointer<NetworkWindow>(this)] {
        if (window)
            window->showTotals();
    };

    auto* testBox = new QWidget(frame);
    auto* testLayout = new QVBoxLayout(testBox);
    testLayout->setContentsMargins(0, 0, 0, 0);
    testLayout->addWidget(new QLabel(QStringLiteral("Test:"), testBox));
    auto* testGroup = new QButtonGroup(this);
    const char* const testNames[] = {"Bin Analyzer", "Spectrum"};
    for (int i = 0; i < 2; ++i) {
        testOptions_[i] = new QRadioButton(QString::fromLatin1(testNames[i]), testBox);
        testOptions_[i]->setSizePolicy(QSizePolicy::Preferred,
                                       QSizePolicy::Fixed); // never squeezed
        testGroup->addButton(testOptions_[i], i);
        testLayout->addWidget(testOptions_[i]);
        connect(testOptions_[i], &QRadioButton::clicked, this,
                [this, i] { TestSelection_Option_Click(i); });
    }

    auto* frame3 = new QWidget(frame);
    auto* meterLayout = new QVBoxLayout(frame3);
    meterLayout->setContentsMargins(0, 0, 0, 0);
    meterLayout->addWidget(new QLabel(QStringLiteral("Meter Display:"), frame3));
    auto* meterGroup = new QButtonGroup(this);
    const char* const meterNames[] = {"Average RSSI", "Percent Good"};
    for (int i = 0; i < 2; ++i) {
        meterOptions_[i] = new QRadioButton(QString::fromLatin1(meterNames[i]), frame3);
        meterOptions_[i]->setSizePolicy(QSizePolicy::Preferred,
                                        QSizePolicy::Fixed); // never squeezed
        meterGroup->addButton(meterOptions_[i], i);
        meterLayout->addWidget(meterOptions_[i]);
        connect(meterOptions_[i], &QRadioButton::clicked, this,
                [this, i] { MeterSelection_Option_Click(i); });
    }

    combo1_ = new QComboBox(frame);
    combo1_->setMinimumContentsLength(4);
    connect(combo1_, &QComboBox::currentIndexChanged, this,
            [this] { suite_.query.Combo1_Click(); });
    text1_ = new QLineEdit(frame);
    text1_->setMaxLength(6);
    text1_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.]*")), text1_));
    text1_->installEventFilter(this);
    connect(text1_, &QLineEdit::textChanged, this, &NetworkWindow::retriesBoxChanged);
    clearButton_ = new QPushButton(QStringLiteral("Clear Results"), frame);
    connect(clearButton_, &QPushButton::clicked, this, &NetworkWindow::Button_ClearLinkTest_Click);

    // Three columns: the meter, the test and meter options between it and the
    // right column (placed from the meter's bottom edge upward), and the right
    // column with the selector, the retries and Clear Results.
    auto* options = new QVBoxLayout();
    options->addStretch(1);
    options->addWidget(testBox);
    options->addWidget(frame3);

    auto* right = new QVBoxLayout();
    right->addWidget(new QLabel(QStringLiteral("Select a Radio to Test:"), frame));
    right->addWidget(combo1_);
    right->addWidget(new QLabel(QStringLiteral("Number of Retries:"), frame));
    right->addWidget(text1_);
    right->addStretch(1);
    right->addWidget(clearButton_);

    auto* layout = new QGridLayout(frame);
    layout->addWidget(meterBox, 0, 0);
    // One above the other: side by side the live figures would not fit under a
    // small dial.
    auto* totals = new QVBoxLayout();
    totals->setSpacing(0);
    totals->addWidget(total_);
    totals->addWidget(missedBins_);
    layout->addLayout(totals, 1, 0);
    layout->addLayout(options, 0, 1, 2, 1);
    layout->addLayout(right, 0, 2, 2, 1);
    layout->setColumnStretch(0, 1);
    return frame;
}

void NetworkWindow::showTotals() {
    // The reports and missed bins of the hop bin test, as the meter's captions give
    // them; the spectrum test has no such counts.
    const bool hopBinTest = suite_.settings.MeterTest == 0;
    total_->setVisible(hopBinTest);
    missedBins_->setVisible(hopBinTest);
    if (!hopBinTest)
        return;
    const HopBinData& data = suite_.hopBinData;
    total_->setText(QStringLiteral("Total: ") + shortestText(data.TotalReports));
    missedBins_->setText(QStringLiteral("Missed Bins: ") + shortestText(data.MissedBins));
}

void NetworkWindow::Form_Load() {
    const Settings& settings = suite_.settings;
    if (settings.MeterTest == 0 || settings.MeterTest == 1)
        selectMeterOption(settings.MeterTest);

    QStringList headers;
    QList<int> widths;
    QList<Qt::Alignment> alignments;
    for (const GridColumn& column : kGridColumns) {
        headers << QString::fromLatin1(column.header);
        widths << pixels(this, column.widthTwips);
        alignments << column.alignment;
    }
    grid_->setColumnLayout(headers, widths, alignments);

    text1_->setText(QString::number(settings.Retries));

    if (settings.MeterTest == 0 || settings.MeterTest == 1) {
        testOptions_[settings.MeterTest]->setChecked(true);
        TestSelection_Option_Click(settings.MeterTest);
    }
}

int NetworkWindow::selectedTest() const {
    if (testOptions_[0]->isChecked())
        return 0;
    if (testOptions_[1]->isChecked())
        return 1;
    return -1;
}

QRadioButton* NetworkWindow::testOption(int index) const {
    return testOptions_[index];
}
QRadioButton* NetworkWindow::meterOption(int index) const {
    return meterOptions_[index];
}

void NetworkWindow::selectMeterOption(int test) {
    meterOptions_[suite_.settings.MeterType[test] != 0 ? 1 : 0]->setChecked(true);
}

void NetworkWindow::TestSelection_Option_Click(int index) {
    if (index != 0 && index != 1) {
        suite_.meter.RedrawLinkQualityMeter();
        return;
    }
    Settings& settings = suite_.settings;
    StopFlags& flags = suite_.flags;
    auto call = [](const std::function<void()>& hook) {
        if (hook)
            hook();
    };

    if (testOptions_[1]->isChecked()) {
        settings.MeterTest = 1;
        flags.HopBinStopped = true;
        suite_.wait.yieldOnce();
        call(hooks_.closeHopBinWindow);
        call(hooks_.keepOnlyLiveSource);
        call(hooks_.openSpectrumWindow);
        // A fresh start of the spectrum picture: no texts, new layout, no trace yet.
        suite_.spectrumData.SweepTimeText.clear();
        suite_.spectrumMarkers.FrequencyReadout.clear();
        suite_.spectrumMarkers.AmplitudeReadout.clear();
        suite_.spectrumDisplay.LayoutSpectrumLegend();
        suite_.spectrumDisplay.ComputeCellGeometry();
        for (SweepPoint& point : suite_.spectrumData.SweepPoints)
            point.TraceY = 0;
        selectMeterOption(1);
        call(hooks_.tileChildWindows);
    } else {
        flags.SpectrumStopped = true;
        suite_.wait.yieldOnce();
        call(hooks_.closeSpectrumWindow);
        call(hooks_.tileChildWindows);
    }

    if (testOptions_[0]->isChecked()) {
        settings.MeterTest = 0;
        flags.SpectrumStopped = true;
        suite_.wait.yieldOnce();
        call(hooks_.closeSpectrumWindow);
        call(hooks_.keepOnlyLiveSource);
        call(hooks_.openHopBinWindow);
        call(hooks_.resetTestData);
        selectMeterOption(0);
        call(hooks_.tileChildWindows);
        suite_.hopBinDisplay.PaintHopBinDisplay(false);
    } else {
        flags.HopBinStopped = true;
        suite_.wait.yieldOnce();
        call(hooks_.closeHopBinWindow);
        call(hooks_.tileChildWindows);
        suite_.hopBinDisplay.PaintHopBinDisplay(false);
    }
    suite_.meter.RedrawLinkQualityMeter();
}

void NetworkWindow::MeterSelection_Option_Click(int index) {
    Settings& settings = suite_.settings;
    if (settings.MeterTest == 0 || settings.MeterTest == 1)
        settings.MeterType[settings.MeterTest] = index;
    suite_.meter.RedrawLinkQualityMeter();
}

void NetworkWindow::Button_ClearLinkTest_Click() {
    if (hooks_.resetTestData)
        hooks_.resetTestData();
    if (suite_.settings.MeterTest == 1 && hooks_.repaintSpectrumWindow)
        hooks_.repaintSpectrumWindow();
    suite_.meter.RedrawLinkQualityMeter();
}

void NetworkWindow::retriesBoxChanged() {
    suite_.hopBins.RetriesInBox = MissRunLengthFromBox(text1_->text(), suite_.settings.Retries);
}

void NetworkWindow::Text1_LostFocus() {
    const auto valid = ValidRetries(text1_->text());
    if (!valid) {
        suite_.messages().showMessage(QString::fromLatin1(kRetriesRangeMessage));
        text1_->setText(QStringLiteral("1"));
    }
    suite_.settings.Retries = static_cast<std::int16_t>(valid.value_or(1));
    retriesBoxChanged();
}

bool NetworkWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == text1_ && event->type() == QEvent::FocusOut)
        Text1_LostFocus();
    return QWidget::eventFilter(watched, event);
}

void NetworkWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    suite_.meter.RedrawLinkQualityMeter();
}

void NetworkWindow::closeEvent(QCloseEvent* event) {
    // A query without its window has nowhere to list what it finds: it ends too.
    suite_.flags.QueryStopRequested = true;
    suite_.flags.StopRequested = true;
    surfaces_.meter = nullptr;
    suite_.wait.yieldOnce();
    event->accept();
}

void NetworkWindow::ButtonRunQuery_Click() {
    suite_.query.ButtonRunQuery_Click();
}

void NetworkWindow::ButtonStopQuery_Click() {
    suite_.query.ButtonStopQuery_Click();
}

void NetworkWindow::ButtonLoadQuery_Click() {
    FileDialogs* dialogs = hooks_.fileDialogs ? hooks_.fileDialogs() : nullptr;
    if (!dialogs)
        return;
    // The dialog runs its own event loop: this window may be closed meanwhile.
    const QPointer<NetworkWindow> self(this);
    const std::optional<QString> past = LoadQuery(suite_.query, *dialogs, suite_.messages());
    if (self && past) {
        pastQuery_->setText(*past);
        pastQuery_->show();
    }
}

void NetworkWindow::ButtonSaveQuery_Click() {
    if (FileDialogs* dialogs = hooks_.fileDialogs ? hooks_.fileDialogs() : nullptr)
        SaveQuery(suite_.query, *dialogs, suite_.messages());
}

// ---------------------------------------------------------------------------
// The grid and the selector as the query sees them

void NetworkWindow::clearResults() {
    pastQuery_->hide(); // a query runs now, or a past one replaces the shown one
    grid_->clearResults();
    const QSignalBlocker quiet(combo1_); // emptying the list selects no radio
    combo1_->clear();
}

int NetworkWindow::resultRows() const {
    return grid_->resultRows();
}

void NetworkWindow::appendResultRow() {
    grid_->appendResultRow();
}

QString NetworkWindow::cell(int row, int column) const {
    return grid_->cell(row, column);
}

void NetworkWindow::setCell(int row, int column, const QString& text) {
    grid_->setCell(row, column, text);
}

void NetworkWindow::scrollToFirstColumn() {
    grid_->scrollToFirstColumn();
}

void NetworkWindow::setCurrentRow(int row) {
    grid_->setCurrentResultRow(row);
}

int NetworkWindow::selectorCount() const {
    return combo1_->count();
}

void NetworkWindow::selectSelectorEntry(int index) {
    combo1_->setCurrentIndex(index);
}

void NetworkWindow::appendSelectorEntry(const QString& text) {
    // Adding an entry selects nothing, not even the first one.
    const QSignalBlocker quiet(combo1_);
    const int selected = combo1_->currentIndex();
    combo1_->addItem(text);
    combo1_->setCurrentIndex(selected);
}

QString NetworkWindow::selectorText() const {
    return combo1_->currentText();
}
