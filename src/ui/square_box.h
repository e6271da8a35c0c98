#pragma once

#include <QWidget>

// Keeps its one child the largest square that fits, centred: the link quality
// meter is a round dial and must not be stretched.
class SquareBox : public QWidget {
public:
    explicit SquareBox(QWidget* child, QWidget* parent = nullptr);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* child_;
};
