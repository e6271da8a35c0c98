#include "dialogs/connection_dialog.h"

#include "core/number_text.h"
#include "core/settings_store.h"
#include "core/stop_flags.h"
#include "network/network_context.h"
#include "ui/message_boxes.h"
#include "ui/typed_key.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {
const QString kPortOpenText = QStringLiteral("Select a COM port and baud rate.");
const QString kInvalidPortTail =
    QStringLiteral("invalid or in use by another program.  Please select another port.");
const QString kRadioBusyText =
    QStringLiteral("Stop the running test before changing the connection.");
constexpr int kThresholdMaxLength = 4;
constexpr int kIpPartLength = 3;

int currentTest(const Settings& settings) {
    return settings.MeterTest == 1 ? 1 : 0;
}
int currentMeter(const Settings& settings) {
    return settings.MeterType[currentTest(settings)] != 0 ? 1 : 0;
}

// Opens the link with `chosen`. It is a radio operation of its own: the old link is
// closed first and a TCP connect waits. When the link does not open, the connection
// settings go back to what they were, and only they: the user may have changed the
// test, the meter or the colours meanwhile; the link that was open opens again.
bool reopenLink(NetworkContext& suite, const ConnectionChoice& chosen) {
    const RadioOperation operation(suite.flags);
    const ConnectionChoice before = ConnectionChoice::of(suite.settings);
    const bool wasOpen = suite.link.PortIsOpen;
    chosen.applyTo(suite.settings);
    suite.link.FillPortSettings();
    if (suite.link.OpenPort(0))
        return true;
    before.applyTo(suite.settings);
    suite.link.FillPortSettings();
    // Only one transport is open at a time, so the attempt closed the link that
    // worked: it comes back.
    if (wasOpen && !suite.flags.ApplicationClosing)
        suite.link.OpenPort(0);
    return false;
}
} // namespace

ConnectionDialog::ConnectionDialog(NetworkContext& suite, SettingsStore& store, QWidget* parent)
    : QDialog(parent), suite_(suite), store_(store) {
    setWindowTitle(QStringLiteral("Port Select"));
    buildControls();
    Form_Load();
}

void ConnectionDialog::buildControls() {
    auto* frame1 = new QGroupBox(QStringLiteral("COM Port Setting"), this);
    linkChoice_[0] = new QRadioButton(QStringLiteral("USB / COM Port"), frame1);
    linkChoice_[1] = new QRadioButton(QStringLiteral("TCP/ IP Port"), frame1);
    for (int i = 0; i < 2; ++i)
        connect(linkChoice_[i], &QRadioButton::clicked, this, [this, i] { USBCOMSelect_Click(i); });

    label1_ = new QLabel(QStringLiteral("&Port:"), frame1);
    label3_ = new QLabel(QStringLiteral("&Baud Rate:"), frame1);
    portBox_ = new QComboBox(frame1);
    portBox_->setMinimumContentsLength(24);
    baudBox_ = new QComboBox(frame1);
    for (const char* rate : kBaudRates)
        baudBox_->addItem(QString::fromLatin1(rate));

    // The IP address: four boxes with the dots between them.
    ipFrame_ = new QFrame(frame1);
    ipFrame_->setFrameShape(QFrame::StyledPanel);
    auto* ipLayout = new QHBoxLayout(ipFrame_);
    ipLayout->setContentsMargins(2, 2, 2, 2);
    ipLayout->setSpacing(0);
    for (int i = 0; i < 4; ++i) {
        ip_[i] = new QLineEdit(ipFrame_);
        ip_[i]->setMaxLength(kIpPartLength);
        ip_[i]->setAlignment(Qt::AlignCenter);
        ip_[i]->setFrame(false);
        ip_[i]->setFixedWidth(ip_[i]->fontMetrics().horizontalAdvance(QStringLiteral("0000")));
        ip_[i]->installEventFilter(this);
        connect(ip_[i], &QLineEdit::textEdited, this, [this, i] { ipPartChanged(i); });
        ipLayout->addWidget(ip_[i]);
        if (i < 3)
            ipLayout->addWidget(new QLabel(QStringLiteral("."), ipFrame_));
    }
    addressList_ = new QComboBox(frame1);
    connect(addressList_, &QComboBox::textActivated, this, &ConnectionDialog::addressPicked);
    tcpPort_ = new QLineEdit(frame1);
    tcpPort_->installEventFilter(this);

    status_ = new QLabel(frame1);
    status_->setWordWrap(true);

    auto* connection = new QGridLayout(frame1);
    connection->addWidget(linkChoice_[0], 0, 0);
    connection->addWidget(linkChoice_[1], 0, 1);
    connection->addWidget(label1_, 1, 0);
    connection->addWidget(portBox_, 1, 1);
    connection->addWidget(ipFrame_, 1, 1, Qt::AlignLeft);
    connection->addWidget(addressList_, 1, 2);
    connection->addWidget(label3_, 2, 0);
    connection->addWidget(baudBox_, 2, 1);
    connection->addWidget(tcpPort_, 2, 1, Qt::AlignLeft);
    connection->addWidget(status_, 3, 0, 1, 3);
    label1_->setBuddy(portBox_);
    label3_->setBuddy(baudBox_);

    auto* frame2 = new QGroupBox(QStringLiteral("Hop Bin Threshold Settings"), this);
    auto* thresholdLayout = new QGridLayout(frame2);
    const char* const thresholdLabels[] = {"Good to Marginal Threshold:",
                                           "Marginal to Bad Threshold:"};
    for (int i = 0; i < 2; ++i) {
        thresholds_[i] = new QLineEdit(frame2);
        thresholds_[i]->setMaxLength(kThresholdMaxLength);
        thresholds_[i]->installEventFilter(this);
        thresholdLayout->addWidget(new QLabel(QString::fromLatin1(thresholdLabels[i]), frame2), i,
                                   0);
        thresholdLayout->addWidget(thresholds_[i], i, 1);
    }
    const char* const rangeNames[] = {"Good:", "Marginal:", "Bad:"};
    for (int i = 0; i < 3; ++i) {
        ranges_[i] = new QLabel(frame2);
        thresholdLayout->addWidget(new QLabel(QString::fromLatin1(rangeNames[i]), frame2), i, 2);
        thresholdLayout->addWidget(ranges_[i], i, 3);
    }

    auto* defaults = new QPushButton(QStringLiteral("Default"), this);
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    ok_->setDefault(true);
    connect(defaults, &QPushButton::clicked, this, &ConnectionDialog::Command3_Click);
    connect(ok_, &QPushButton::clicked, this, &ConnectionDialog::Command2_Click);
    connect(cancel, &QPushButton::clicked, this, &ConnectionDialog::Command1_Click);
    auto* buttons = new QHBoxLayout();
    buttons->addWidget(defaults);
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame1);
    layout->addWidget(frame2);
    layout->addLayout(buttons);
}

void ConnectionDialog::Form_Load() {
    const Settings& settings = suite_.settings;
    const int choice = settings.ConnectionType != 0 ? 1 : 0;
    linkChoice_[choice]->setChecked(true);
    USBCOMSelect_Click(choice);

    Form_Activate(); // the list holds its sixteen entries before one is selected
    portBox_->setCurrentIndex(settings.Port >= 0 && settings.Port < kComPorts ? settings.Port : 0);
    baudBox_->setCurrentIndex(
        settings.Baud >= 0 && settings.Baud < baudBox_->count() ? settings.Baud : 0);

    addressPicked(settings.TcpAddress);
    addressList_->clear();
    addressList_->addItem(settings.TcpAddress);
    if (settings.TcpAddress != QLatin1String("127.0.0.1"))
        addressList_->addItem(QStringLiteral("127.0.0.1"));
    tcpPort_->setText(QString::number(settings.TcpPort));

    shownTest_ = currentTest(settings);
    shownMeter_ = currentMeter(settings);
    thresholds_[0]->setText(shortestText(settings.MarginalThreshold[shownTest_][shownMeter_]));
    thresholds_[1]->setText(shortestText(settings.BadThreshold[shownTest_][shownMeter_]));
    showRanges();

    // Until a box gets the focus, its check on OK falls back to what it was filled with.
    for (int i = 0; i < 2; ++i)
        rememberedThreshold_[i] = static_cast<int>(BoxNumber(thresholds_[i]->text()));
    for (int i = 0; i < 4; ++i)
        rememberedIp_[i] = ip_[i]->text();
    rememberedTcpPort_ = tcpPort_->text();

    status_->setText(suite_.link.PortIsOpen
                         ? kPortOpenText
                         : QStringLiteral("The Communications Port you have selected is either ") +
                               kInvalidPortTail);
}

QString ConnectionDialog::statusText() const {
    return status_->text();
}

QString ConnectionDialog::firstLabelText() const {
    return label1_->text();
}

void ConnectionDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (reloadOnShow_ && !event->spontaneous()) {
        reloadOnShow_ = false;
        Form_Load();
    }
}

void ConnectionDialog::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (!event->spontaneous()) // minimised is not closed
        reloadOnShow_ = true;
}

void ConnectionDialog::closeEvent(QCloseEvent* event) {
    if (connecting_) {
        closeRequested_ = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void ConnectionDialog::done(int result) {
    if (connecting_) {
        closeRequested_ = true;
        return;
    }
    QDialog::done(result);
}

void ConnectionDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Form_Activate();
}

void ConnectionDialog::Form_Activate() {
    ports_ = DiscoverSerialPorts(presentDevices ? presentDevices() : std::vector<SerialDevice>{},
                                 suite_.settings.ComPortDevices);
    const int selected = portBox_->currentIndex();
    if (portBox_->count() != kComPorts) {
        portBox_->clear();
        for (const QString& entry : ports_.entries)
            portBox_->addItem(entry);
    } else {
        for (int n = 0; n < kComPorts; ++n)
            portBox_->setItemText(n, ports_.entries[static_cast<std::size_t>(n)]);
    }
    if (selected >= 0)
        portBox_->setCurrentIndex(selected);
}

void ConnectionDialog::USBCOMSelect_Click(int index) {
    const bool tcp = index == 1;
    label1_->setText(tcp ? QStringLiteral("&IP Address:") : QStringLiteral("&Port:"));
    label3_->setText(tcp ? QStringLiteral("&Port:") : QStringLiteral("&Baud Rate:"));
    label1_->setBuddy(tcp ? static_cast<QWidget*>(ip_[0]) : portBox_);
    label3_->setBuddy(tcp ? static_cast<QWidget*>(tcpPort_) : baudBox_);
    portBox_->setVisible(!tcp);
    baudBox_->setVisible(!tcp);
    ipFrame_->setVisible(tcp);
    addressList_->setVisible(tcp);
    tcpPort_->setVisible(tcp);
}

ScaleEnds ConnectionDialog::shownScale() const {
    return MeterScaleEnds(shownTest_, shownMeter_);
}

void ConnectionDialog::showRanges() {
    const ThresholdRanges ranges =
        RangeTexts(thresholds_[0]->text(), thresholds_[1]->text(), shownScale());
    ranges_[0]->setText(ranges.good);
    ranges_[1]->setText(ranges.marginal);
    ranges_[2]->setText(ranges.bad);
}

void ConnectionDialog::Command3_Click() {
    const ThresholdPair pair = DefaultThresholds(shownTest_, shownMeter_);
    thresholds_[0]->setText(QString::number(pair.marginal));
    thresholds_[1]->setText(QString::number(pair.bad));
    showRanges();
}

void ConnectionDialog::thresholdLeft(int box) {
    const QString kept =
        ValidatedThreshold(box, thresholds_[box]->text(), thresholds_[1 - box]->text(),
                           rememberedThreshold_[box], shownScale());
    if (kept != thresholds_[box]->text())
        thresholds_[box]->setText(kept);
    showRanges();
}

void ConnectionDialog::ipPartChanged(int box) {
    QLineEdit* part = ip_[box];
    if (part->text().size() < kIpPartLength)
        return;
    if (!IpPartValue(part->text())) {
        part->setText(rememberedIp_[box]);
        suite_.messages().showMessage(QString::fromLatin1(kIpPartMessage));
        return;
    }
    if (box < 3 && ip_[box + 1]->isVisible())
        ip_[box + 1]->setFocus();
}

void ConnectionDialog::addressPicked(const QString& address) {
    const QStringList parts = address.split(QLatin1Char('.'));
    for (int i = 0; i < 4; ++i)
        ip_[i]->setText(i < 3 ? parts.value(i) : parts.mid(3).join(QLatin1Char('.')));
}

void ConnectionDialog::tcpPortLeft() {
    const TcpPortCheck check = CheckTcpPort(tcpPort_->text());
    if (check.text) {
        tcpPort_->setText(*check.text);
        return;
    }
    tcpPort_->setText(rememberedTcpPort_);
    if (check.outOfRange)
        suite_.messages().showMessage(QString::fromLatin1(kTcpPortMessage));
}

bool ConnectionDialog::filterKey(QObject* box, QKeyEvent* key) {
    // Escape puts back what an address box held when it got the focus.
    if (key->key() == Qt::Key_Escape) {
        for (int i = 0; i < 4; ++i)
            if (box == ip_[i]) {
                ip_[i]->setText(rememberedIp_[i]);
                return true;
            }
        if (box == tcpPort_) {
            tcpPort_->setText(rememberedTcpPort_);
            return true;
        }
    }
    const QChar c = TypedCharacter(*key);
    if (c.isNull())
        return false; // Tab, Delete, Backspace, arrows, Home, End: the box's own work
    if (box == thresholds_[0] || box == thresholds_[1])
        return !ThresholdKeyAccepted(c);
    for (int i = 0; i < 4; ++i)
        if (box == ip_[i])
            return !c.isDigit();
    if (box == tcpPort_) {
        if (!tcpPort_->hasSelectedText())
            return tcpPort_->text().size() >= kTcpPortMaxLength || !c.isDigit();
        return !c.isDigit();
    }
    return false;
}

bool ConnectionDialog::eventFilter(QObject* watched, QEvent* event) {
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (!box)
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn:
        for (int i = 0; i < 2; ++i)
            if (box == thresholds_[i])
                rememberedThreshold_[i] = static_cast<int>(BoxNumber(box->text()));
        for (int i = 0; i < 4; ++i)
            if (box == ip_[i])
                rememberedIp_[i] = box->text();
        if (box == tcpPort_)
            rememberedTcpPort_ = box->text();
        QMetaObject::invokeMethod(box, &QLineEdit::selectAll, Qt::QueuedConnection);
        break;
    case QEvent::FocusOut:
        for (int i = 0; i < 2; ++i)
            if (box == thresholds_[i])
                thresholdLeft(i);
        if (box == tcpPort_)
            tcpPortLeft();
        break;
    case QEvent::KeyPress:
        if (filterKey(watched, static_cast<QKeyEvent*>(event)))
            return true;
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void ConnectionDialog::checkEveryBox() {
    thresholdLeft(0);
    thresholdLeft(1);
    tcpPortLeft();
}

ConnectionChoice ConnectionDialog::choiceInControls() const {
    ConnectionChoice choice;
    choice.port = portBox_->currentIndex();
    choice.baud = static_cast<std::int16_t>(baudBox_->currentIndex());
    choice.baudText = baudBox_->currentText();
    choice.comPortDevices = ports_.devices;
    choice.connectionType = linkChoice_[1]->isChecked() ? 1 : 0;
    choice.tcpAddress =
        JoinIpAddress(ip_[0]->text(), ip_[1]->text(), ip_[2]->text(), ip_[3]->text());
    choice.tcpPort = tcpPort_->text().toInt();
    return choice;
}

void ConnectionDialog::setConnecting(bool connecting) {
    connecting_ = connecting;
    ok_->setEnabled(!connecting); // one connect at a time
}

void ConnectionDialog::Command2_Click() {
    if (connecting_)
        return;
    if (suite_.flags.radioInUse()) {
        // Reopening the link now would pull the port from under a running exchange.
        status_->setText(kRadioBusyText);
        return;
    }

    // Enter in a box presses OK without leaving the box: its check runs here.
    checkEveryBox();
    const int test = shownTest_;
    const int meter = shownMeter_;
    const auto marginal = static_cast<float>(BoxNumber(thresholds_[0]->text()));
    const auto bad = static_cast<float>(BoxNumber(thresholds_[1]->text()));

    // The link is tried with the choice made here; nothing is kept unless it opens.
    // A TCP connect waits, and the dialog's owner may destroy the dialog meanwhile
    // (the program ends): after the wait only locals are used until `self` says the
    // dialog is still there.
    QPointer<ConnectionDialog> self(this);
    NetworkContext& suite = suite_;
    SettingsStore& store = store_;
    setConnecting(true);
    const bool opened = reopenLink(suite, choiceInControls());
    if (opened) {
        Settings& settings = suite.settings;
        settings.MarginalThreshold[test][meter] = marginal;
        settings.BadThreshold[test][meter] = bad;
        SaveThresholds(settings, store);
        SaveConnectionSettings(settings, store);
        SaveComPortDevices(settings, store);
        suite.meter.RedrawLinkQualityMeter();
    }
    if (!self)
        return;
    setConnecting(false);
    if (!opened)
        status_->setText(
            QStringLiteral("The Serial Communications Port you have selected is either ") +
            kInvalidPortTail);
    // A close asked for during the connect happens now, whatever the attempt gave:
    // the old link was already taken down for it, so there is nothing to go back to.
    const bool closeNow = opened || closeRequested_;
    closeRequested_ = false;
    if (closeNow)
        close();
}

void ConnectionDialog::Command1_Click() {
    close();
}
