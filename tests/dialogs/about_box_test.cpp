#include "dialogs/about_box.h"
#include "dialogs/about_text.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

// The box shows this build's contact block (CR LF lines in the text, plain line
// breaks on the screen), slides into place in 28 steps each time it is shown, and
// stops sliding when closed, also when OK deletes it in the middle.
TEST(AboutBoxTest, ShowsThisBuildsTextAndAnimatesIntoPlaceInTwentyEightSteps) {
    constexpr int kBoundMs = 30000; // generous: each wait ends as soon as it is met
    EXPECT_EQ(VersionLine(2, 9) + VersionLine(2, 10), QStringLiteral("Version: 2.09Version: 2.10"));
    EXPECT_EQ(AboutContactText(2, 0, 0).count(QStringLiteral("\r\n")), 7);
    QPointer<AboutBox> box = new AboutBox;
    EXPECT_EQ(box->nameLabel()->text(), QStringLiteral("Veltrane Systems"));
    const QStringList lines = box->textBox()->toPlainText().split(u'\n');
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(
        QStringList({lines[2].left(5), lines[3].left(5), lines[5].left(7), lines[6], lines[7]}),
        QStringList({"Tel: ", "Fax: ", "email: ", "Version: 2.00", "Revision: 0"}));
    EXPECT_EQ(std::tuple(box->labelTopTwips(), box->textLeftTwips(), box->logoSizeTwips()),
              std::tuple(-550, -3735, 1));
    box->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !box->animationRunning(); }, kBoundMs));
    EXPECT_EQ(box->animationSteps(), 28);
    EXPECT_EQ(std::tuple(box->labelTopTwips(), box->textLeftTwips(), box->logoSizeTwips()),
              std::tuple(10, 129, 1037));
    EXPECT_EQ(std::tuple(box->textBox()->x(), box->logo()->size()), std::tuple(9, QSize(69, 69)));
    box->Form_Activate(); // activated again, it stays as it is
    EXPECT_FALSE(box->animationRunning());
    box->close();
    box->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return box->animationSteps() >= 3; }, kBoundMs));
    box->close();
    const int steps = box->animationSteps();
    EXPECT_LT(steps, 28);
    QTest::qWait(200); // no step runs after the close
    EXPECT_EQ(box->animationSteps(), steps);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return box->animationSteps() >= 2; }, kBoundMs));
    box->okButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return box.isNull(); }, kBoundMs));
}
