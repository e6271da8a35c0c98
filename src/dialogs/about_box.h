#pragma once

#include <QDialog>
#include <QTimer>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// The About box: the maker's name, contact block, version and revision, with a
// short entrance animation (the name drops in from above, the text slides in from
// the left and the logo grows). The animation runs on a timer, so the rest of the
// program keeps going while it plays, and closing the box ends it at once.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);
    ~AboutBox() override;

    // Runs the entrance animation unless it has already played or is playing. The
    // first show calls it; the main window may call it whenever the box becomes
    // active again.
    void Form_Activate();

    void Okay_Click();

    bool animationRunning() const { return timer_.isActive(); }
    int animationSteps() const { return steps_; }

    // Where the animated parts are, in twips.
    int labelTopTwips() const { return labelTop_; }
    int textLeftTwips() const { return textLeft_; }
    int logoSizeTwips() const { return logoSize_; }

    QLabel* nameLabel() const { return label1_; }
    QPlainTextEdit* textBox() const { return text1_; }
    QLabel* logo() const { return image1_; }
    QPushButton* okButton() const { return okay_; }

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    void animationStep();
    void stopAnimation();
    void placeAnimatedParts();
    int pixels(int twips) const;

    QLabel* label1_ = nullptr;
    QPlainTextEdit* text1_ = nullptr;
    QLabel* image1_ = nullptr;
    QPushButton* okay_ = nullptr;
    QTimer timer_;

    // Set once the box is closed: a step still queued does nothing.
    bool stopFlag_ = false;
    int steps_ = 0;
    int labelTop_ = 0;
    int textLeft_ = 0;
    int logoSize_ = 0;
};
