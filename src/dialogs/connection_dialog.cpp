#include "dialogs/connection_dialog.h"

#include "app/number_text.h"
#include "app/settings_store.h"
#include "app/suite.h"
#include "dialogs/connection_inputs.h"
#include "ui/message_boxes.h"

#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
const QString kPortOpenText = QStringLiteral("Select a COM port and baud rate.");
const QString kInvalidPortTail =
    QStringLiteral("invalid or in use by another program.  Please select another port.");
constexpr int kThresholdMaxLength = 4;
constexpr int kIpPartLength = 3;

int currentTest(const Settings& settings) {
    return settings.MeterTest == 1 ? 1 : 0;
}
int currentMeter(const Settings& settings) {
    return settings.MeterType[currentTest(settings)] != 0 ? 1 : 0;
}
} // namespace

ConnectionDialog::ConnectionDialog(Suite& suite, SettingsStore& store, QWidget* parent)
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
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    ok->setDefault(true);
    connect(defaults, &QPushButton::clicked, this, &ConnectionDialog::Command3_Click);
    connect(ok, &QPushButton::clicked, this, &ConnectionDialog::Command2_Click);
    connect(cancel, &QPushButton::clicked, this, &ConnectionDialog::Command1_Click);
    auto* buttons = new QHBoxLayout();
    buttons->addWidget(defaults);
    buttons->addStretch(1);
    buttons->addWidget(ok);
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
    addressList_->addItem(settings.TcpAddress);
    if (settings.TcpAddress != QLatin1String("127.0.0.1"))
        addressList_->addItem(QStringLiteral("127.0.0.1"));
    tcpPort_->setText(QString::number(settings.TcpPort));

    const int test = currentTest(settings);
    const int meter = currentMeter(settings);
    thresholds_[0]->setText(shortestText(settings.MarginalThreshold[test][meter]));
    thresholds_[1]->setText(shortestText(settings.BadThreshold[test][meter]));
    showRanges();

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

void ConnectionDialog::showRanges() {
    const Settings& settings = suite_.settings;
    const ThresholdRanges ranges =
        RangeTexts(thresholds_[0]->text(), thresholds_[1]->text(),
                   MeterScaleEnds(currentTest(settings), currentMeter(settings)));
    ranges_[0]->setText(ranges.good);
    ranges_[1]->setText(ranges.marginal);
    ranges_[2]->setText(ranges.bad);
}

void ConnectionDialog::Command3_Click() {
    const Settings& settings = suite_.settings;
    const ThresholdPair pair = DefaultThresholds(currentTest(settings), currentMeter(settings));
    thresholds_[0]->setText(QString::number(pair.marginal));
    thresholds_[1]->setText(QString::number(pair.bad));
    showRanges();
}

void ConnectionDialog::thresholdLeft(int box) {
    const Settings& settings = suite_.settings;
    const QString kept = ValidatedThreshold(
        box, thresholds_[box]->text(), thresholds_[1 - box]->text(), rememberedThreshold_[box],
        MeterScaleEnds(currentTest(settings), currentMeter(settings)));
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
    const QString text = key->text();
    if (text.isEmpty())
        return false; // arrows, Delete and the like are not typed characters
    const QChar c = text.at(0);
    if (box == thresholds_[0] || box == thresholds_[1])
        return !ThresholdKeyAccepted(c);
    const bool escape = key->key() == Qt::Key_Escape;
    const bool backspace = key->key() == Qt::Key_Backspace;
    for (int i = 0; i < 4; ++i) {
        if (box != ip_[i])
            continue;
        if (escape)
            ip_[i]->setText(rememberedIp_[i]);
        return escape || (!backspace && !c.isDigit());
    }
    if (box == tcpPort_) {
        if (escape) {
            tcpPort_->setText(rememberedTcpPort_);
            return true;
        }
        if (backspace)
            return false;
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

void ConnectionDialog::Command2_Click() {
    Settings& settings = suite_.settings;
    const Settings before = settings;

    // The link is tried with the choice made here; nothing is kept unless it opens.
    settings.Baud = static_cast<std::int16_t>(baudBox_->currentIndex());
    settings.BaudText = baudBox_->currentText();
    settings.Port = portBox_->currentIndex();
    settings.ComPortDevices = ports_.devices;
    settings.ConnectionType = linkChoice_[1]->isChecked() ? 1 : 0;
    settings.TcpAddress =
        JoinIpAddress(ip_[0]->text(), ip_[1]->text(), ip_[2]->text(), ip_[3]->text());
    settings.TcpPort = tcpPort_->text().toInt();
    suite_.link.FillPortSettings();
    if (!suite_.link.OpenPort(0)) {
        settings = before;
        suite_.link.FillPortSettings();
        status_->setText(
            QStringLiteral("The Serial Communications Port you have selected is either ") +
            kInvalidPortTail);
        return;
    }

    const int test = currentTest(settings);
    const int meter = currentMeter(settings);
    settings.MarginalThreshold[test][meter] = static_cast<float>(BoxNumber(thresholds_[0]->text()));
    settings.BadThreshold[test][meter] = static_cast<float>(BoxNumber(thresholds_[1]->text()));
    SaveThresholds(settings, store_);
    SaveConnectionSettings(settings, store_);
    SaveComPortDevices(settings, store_);
    suite_.meter.RedrawLinkQualityMeter();
    close();
}

void ConnectionDialog::Command1_Click() {
    close();
}
