#include "dialogs/ping_test_window.h"

#include "core/settings_store.h"
#include "network/network_context.h"
#include "dialogs/packet_generator.h"
#include "ui/typed_key.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>

namespace {

// Twips at the window's resolution.
int pixels(const QWidget* widget, double twips) {
    return static_cast<int>(twips * widget->logicalDpiX() / 1440.0 + 0.5);
}

// A caption with an access-key "&" but no control to hand the key to. A plain
// QLabel would show the "&" itself unless it had a buddy, and a buddy would grab
// Alt+letter from the main window's menus; this one only draws the letter
// underlined, as the platform style does for mnemonics.
class MnemonicCaption : public QLabel {
public:
    MnemonicCaption(const QString& text, QWidget* parent) : QLabel(text, parent) {
        setTextFormat(Qt::PlainText);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const int mnemonic = style()->styleHint(QStyle::SH_UnderlineShortcut, nullptr, this)
                                 ? Qt::TextShowMnemonic
                                 : Qt::TextHideMnemonic;
        style()->drawItemText(&painter, contentsRect(), int(alignment()) | mnemonic, palette(),
                              isEnabled(), text(), foregroundRole());
    }
};

// The terminals' font: the classic dialog font, resolved by fontconfig to the
// desktop's sans serif.
QFont terminalFont() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    return font;
}

QTextEdit* makeTerminal(QWidget* parent) {
    auto* terminal = new QTextEdit(parent);
    terminal->setReadOnly(true);
    terminal->setAcceptRichText(false);
    terminal->setFont(terminalFont());
    return terminal;
}

} // namespace

void SaveTestPacketSize(const QString& sizeText, SettingsStore& store) {
    store.write(QStringLiteral("Settings"), QStringLiteral("TXTestSize"), sizeText);
    store.sync();
}

PingTestWindow::PingTestWindow(NetworkContext& suite, SettingsStore& store, Hooks hooks, QWidget* parent)
    : QWidget(parent), suite_(suite), store_(store), hooks_(std::move(hooks)) {
    setWindowTitle(QStringLiteral("Ping Test"));
    frame1_ = buildPacketFrame();
    frame2_ = buildResultsFrame();

    // Both terminals occupy the same place; exactly one is visible at a time.
    rxTerminal_ = makeTerminal(this);
    txTerminal_ = makeTerminal(this);
    rxTerminal_->hide();

    // The frames keep their natural size; the terminals take whatever is left.
    const int frameWidth = std::max(frame1_->sizeHint().width(), frame2_->sizeHint().width());
    frame1_->resize(frameWidth, frame1_->sizeHint().height());
    frame2_->resize(frameWidth, frame2_->sizeHint().height());
    setMinimumSize(frameWidth + pixels(this, 600) + 120,
                   frame1_->height() + frame2_->height() + pixels(this, 400));
    resize(std::max(minimumWidth(), 640), std::max(minimumHeight(), 360));
    Form_Load();
}

PingTestWindow::~PingTestWindow() = default;

QGroupBox* PingTestWindow::buildPacketFrame() {
    auto* frame = new QGroupBox(QStringLiteral("Transmit Packet Selection"), this);
    generate_ = new QPushButton(QStringLiteral("Create Data"), frame);
    connect(generate_, &QPushButton::clicked, this, &PingTestWindow::Button_Generate_Data_Click);

    text2_ = new QLineEdit(frame);
    text2_->setMaxLength(4);
    text2_->setFixedWidth(text2_->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
    text2_->installEventFilter(this);

    unitLabel_ = new QLabel(QStringLiteral("Bytes"), frame);
    unitLabel_->installEventFilter(this);

    auto* fileLabel = new MnemonicCaption(QStringLiteral("&Filename:  "), frame);
    fileLabel->setObjectName(QStringLiteral("Label_filename"));

    auto* group = new QButtonGroup(this);
    const QString captions[2] = {QStringLiteral("View TX Packets"),
                                 QStringLiteral("View RX Packets")};
    for (int i = 0; i < 2; ++i) {
        viewOptions_[i] = new QRadioButton(captions[i], frame);
        group->addButton(viewOptions_[i], i);
        // clicked, not toggled: selecting an option from code runs the handler
        // explicitly, exactly once.
        connect(viewOptions_[i], &QRadioButton::clicked, this,
                [this, i] { Option_Port1View_Click(i); });
    }
    viewOptions_[0]->setChecked(true);

    auto* layout = new QGridLayout(frame);
    layout->addWidget(generate_, 0, 0);
    auto* size = new QHBoxLayout();
    size->addWidget(text2_);
    size->addWidget(unitLabel_);
    size->addStretch(1);
    layout->addLayout(size, 0, 1);
    layout->addWidget(fileLabel, 1, 0, 1, 2);
    layout->addWidget(viewOptions_[0], 2, 0, 1, 2);
    layout->addWidget(viewOptions_[1], 3, 0, 1, 2);
    return frame;
}

QGroupBox* PingTestWindow::buildResultsFrame() {
    auto* frame = new QGroupBox(QStringLiteral("Test Results"), this);
    auto* layout = new QGridLayout(frame);
    struct Row {
        const char* caption;
        const char* value;
        const char* valueName;
    };
    const Row rows[] = {
        {"Throughput:", "0 bps", "Label_Throughput"},
        {"Errors:", "0", "Label_Errors"},
        {"&Runs:", "0", "Label_RunNum"},
        {"Percentage Good:", "100%", "Label_PercentageGood"},
    };
    int row = 0;
    for (const Row& r : rows) {
        auto* caption = new MnemonicCaption(QString::fromLatin1(r.caption), frame);
        caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* value = new QLabel(QString::fromLatin1(r.value), frame);
        value->setObjectName(QString::fromLatin1(r.valueName));
        layout->addWidget(caption, row, 0);
        layout->addWidget(value, row, 1);
        ++row;
    }
    layout->setColumnStretch(1, 1);
    return frame;
}

QRadioButton* PingTestWindow::viewOption(int index) const {
    return index >= 0 && index < 2 ? viewOptions_[index] : nullptr;
}

void PingTestWindow::Form_Load() {
    text2_->setText(QString::number(suite_.settings.TXTestSize));
    rememberedSize_ = suite_.settings.TXTestSize;
}

void PingTestWindow::Form_Activate() {
    generatePacket();
    showTransmitView();
}

void PingTestWindow::Button_Generate_Data_Click() {
    generatePacket();
    showTransmitView();
    // Only Create Data keeps the size for the next run. The box has been checked
    // when it lost the focus to this button; the number is written without the
    // spaces the box may hold, so that it reads back as a number.
    // A size the box would not keep (possible only if the button was pressed
    // without taking the focus) is not stored either.
    const std::optional<int> size = ReadPacketSize(text2_->text());
    if (!size || *size < 1 || *size > kMaxTestPacketSize)
        return;
    SaveTestPacketSize(QString::number(*size), store_);
    suite_.settings.TXTestSize = *size;
}

void PingTestWindow::Option_Port1View_Click(int index) {
    if (index == 0) {
        rxTerminal_->hide();
        txTerminal_->show();
    } else if (index == 1) {
        txTerminal_->hide();
        rxTerminal_->show();
    }
}

void PingTestWindow::Label_GenerateData_Click() {
    text2_->setFocus(Qt::MouseFocusReason);
}

void PingTestWindow::Text2_GotFocus() {
    if (const std::optional<int> size = ReadPacketSize(text2_->text()))
        rememberedSize_ = *size;
    // Deferred: the mouse press that gave the focus would clear a selection made
    // now.
    QTimer::singleShot(0, text2_, [box = text2_] { box->selectAll(); });
}

void PingTestWindow::Text2_LostFocus() {
    const QString text = ValidatedPacketSizeText(text2_->text(), rememberedSize_);
    if (text != text2_->text())
        text2_->setText(text);
}

bool PingTestWindow::Text2_KeyPress(int characterCode) {
    return PacketSizeKeyPasses(characterCode);
}

void PingTestWindow::generatePacket() {
    // An empty box (or one whose text is no number) leaves the previous packet on
    // show.
    const std::optional<int> size = ReadPacketSize(text2_->text());
    if (!size)
        return;
    txTestData_ = GenerateTestPacket(*size);
    txTerminal_->setPlainText(txTestData_);
}

void PingTestWindow::showTransmitView() {
    // The handler runs even when the option was already selected.
    viewOptions_[0]->setChecked(true);
    Option_Port1View_Click(0);
}

void PingTestWindow::Form_Resize() {
    const int margin = pixels(this, 200);
    frame1_->move(margin, margin);
    frame2_->move(margin, margin + frame1_->height());
    const int left = frame1_->width() + pixels(this, 400);
    const int width = std::max(0, this->width() - pixels(this, 600) - frame1_->width());
    const int height = std::max(0, this->height() - pixels(this, 400));
    rxTerminal_->setGeometry(left, margin, width, height);
    txTerminal_->setGeometry(left, margin, width, height);
}

void PingTestWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shownOnce_ && !event->spontaneous()) {
        shownOnce_ = true;
        Form_Activate();
    }
}

void PingTestWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void PingTestWindow::closeEvent(QCloseEvent* event) {
    if (closed_) { // a second close of a window already on its way out
        event->accept();
        return;
    }
    closed_ = true;
    suite_.flags.PingTestStopped = true;
    suite_.wait.yieldOnce();
    event->accept();
    if (!suite_.flags.ApplicationClosing && hooks_.tileChildWindows)
        hooks_.tileChildWindows();
}

bool PingTestWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == text2_) {
        switch (event->type()) {
        case QEvent::FocusIn:
            Text2_GotFocus();
            break;
        case QEvent::FocusOut:
            // A context menu borrowing the focus is not the user leaving the box.
            if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
                Text2_LostFocus();
            break;
        case QEvent::KeyPress: {
            // Only typed characters are judged; Tab, Delete, Backspace, Enter, the
            // arrows, Home and End do their usual work.
            const QChar character = TypedCharacter(*static_cast<QKeyEvent*>(event));
            if (!character.isNull() && !Text2_KeyPress(character.unicode()))
                return true; // discarded
            break;
        }
        default:
            break;
        }
    } else if (watched == unitLabel_ && event->type() == QEvent::MouseButtonRelease) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
            unitLabel_->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint()))
            Label_GenerateData_Click();
    }
    return QWidget::eventFilter(watched, event);
}
