#include "dialogs/about_box.h"

#include "dialogs/about_text.h"

#include <QCloseEvent>
#include <QEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <cmath>

namespace {

// Where everything sits, in twips. The text box and the logo share the row under
// the name; the OK button sits under the logo.
constexpr int kBoxWidth = 5400;
constexpr int kBoxHeight = 3300;
constexpr int kLabelLeft = 129;
constexpr int kLabelWidth = 5100;
constexpr int kLabelHeight = 500;
constexpr int kTextTop = 620;
constexpr int kTextWidth = 3600;
constexpr int kTextHeight = 2500;
constexpr int kLogoLeft = 3960;
constexpr int kLogoTop = 620;
constexpr int kOkLeft = 3960;
constexpr int kOkTop = 2745;
constexpr int kOkWidth = 1215;
constexpr int kOkHeight = 375;

// The entrance: the name starts above the box, the text to its left, the logo as a
// dot; each step moves them by these amounts until the name is inside the box.
constexpr int kLabelStartTop = -550;
constexpr int kTextStartLeft = -3735;
constexpr int kLogoStartSize = 1;
constexpr int kLabelStep = 20;
constexpr int kTextStep = 138;
constexpr int kLogoStep = 37;
constexpr int kStepMs = 50;

// The maker's mark: a blue tile with a white "V" over three radio waves.
QPixmap drawLogo() {
    constexpr int size = 256;
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient fill(0, 0, size, size);
    fill.setColorAt(0.0, QColor(0x1d, 0x4e, 0x9e));
    fill.setColorAt(1.0, QColor(0x0b, 0x24, 0x52));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(4, 4, size - 8, size - 8), 36, 36);

    // Radio waves spreading from the top right corner.
    QPen wave(QColor(0x8f, 0xc8, 0xff), 10, Qt::SolidLine, Qt::RoundCap);
    p.setPen(wave);
    p.setBrush(Qt::NoBrush);
    const QPointF source(size - 52, 52);
    for (int i = 1; i <= 3; ++i) {
        const double r = 26.0 * i;
        p.drawArc(QRectF(source.x() - r, source.y() - r, 2 * r, 2 * r), 180 * 16, 90 * 16);
    }

    QPainterPath v;
    v.moveTo(48, 70);
    v.lineTo(92, 70);
    v.lineTo(128, 170);
    v.lineTo(164, 110);
    v.lineTo(196, 110);
    v.lineTo(142, 206);
    v.lineTo(114, 206);
    v.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(v);
    return pixmap;
}

} // namespace

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About"));

    label1_ = new QLabel(this);
    QFont nameFont = label1_->font();
    nameFont.setPointSize(14);
    nameFont.setBold(true);
    label1_->setFont(nameFont);

    text1_ = new QPlainTextEdit(this);
    text1_->setReadOnly(true);
    text1_->setLineWrapMode(QPlainTextEdit::NoWrap);

    image1_ = new QLabel(this);
    image1_->setPixmap(drawLogo());
    image1_->setScaledContents(true);

    okay_ = new QPushButton(QStringLiteral("OK"), this);
    okay_->setDefault(true);
    connect(okay_, &QPushButton::clicked, this, &AboutBox::Okay_Click);

    timer_.setInterval(kStepMs);
    connect(&timer_, &QTimer::timeout, this, &AboutBox::animationStep);

    setFixedSize(pixels(kBoxWidth), pixels(kBoxHeight));
    image1_->move(pixels(kLogoLeft), pixels(kLogoTop));
    okay_->setGeometry(pixels(kOkLeft), pixels(kOkTop), pixels(kOkWidth), pixels(kOkHeight));
    Form_Load();
}

AboutBox::~AboutBox() {
    stopAnimation();
}

int AboutBox::pixels(int twips) const {
    return static_cast<int>(std::lround(twips * logicalDpiX() / 1440.0));
}

void AboutBox::Form_Load() {
    stopFlag_ = false;
    steps_ = 0;
    labelTop_ = kLabelStartTop;
    textLeft_ = kTextStartLeft;
    logoSize_ = kLogoStartSize;
    label1_->setText(AboutMakerName());
    text1_->setPlainText(AboutContactTextForThisBuild());
    placeAnimatedParts();
}

void AboutBox::placeAnimatedParts() {
    label1_->setGeometry(pixels(kLabelLeft), pixels(labelTop_), pixels(kLabelWidth),
                         pixels(kLabelHeight));
    text1_->setGeometry(pixels(textLeft_), pixels(kTextTop), pixels(kTextWidth),
                        pixels(kTextHeight));
    const int logo = pixels(logoSize_);
    image1_->resize(logo, logo);
}

void AboutBox::Form_Activate() {
    // Played once: the name is in place when it is below the top edge.
    if (stopFlag_ || timer_.isActive() || labelTop_ > 0)
        return;
    animationStep();
    if (!stopFlag_ && labelTop_ <= 0)
        timer_.start();
}

void AboutBox::animationStep() {
    if (stopFlag_ || labelTop_ > 0) {
        timer_.stop();
        return;
    }
    labelTop_ += kLabelStep;
    textLeft_ += kTextStep;
    logoSize_ += kLogoStep;
    ++steps_;
    placeAnimatedParts();
    if (labelTop_ > 0)
        timer_.stop();
}

void AboutBox::stopAnimation() {
    stopFlag_ = true;
    timer_.stop();
}

void AboutBox::Okay_Click() {
    stopAnimation();
    accept();
}

void AboutBox::done(int result) {
    // Every way out (OK, Escape, the close button) passes here or closeEvent.
    stopAnimation();
    QDialog::done(result);
}

void AboutBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // Shown again after being closed: it starts over, as a freshly opened box.
    if (stopFlag_)
        Form_Load();
    Form_Activate();
}

void AboutBox::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Form_Activate();
}

void AboutBox::closeEvent(QCloseEvent* event) {
    stopAnimation();
    QDialog::closeEvent(event);
}
