#include "dialogs/about_box.h"
#include "dialogs/about_text.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

TEST(AboutText, ContactBlockThenVersionWithTwoMinorDigitsAndRevisionOnCrLfLines) {
    const QStringList lines = AboutContactText(13, 7, 31).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(
        QStringList({lines[2].left(5), lines[3].left(5), lines[5].left(7), lines[6], lines[7]}),
        QStringList({"Tel: ", "Fax: ", "email: ", "Version: 13.07", "Revision: 31"}));
    EXPECT_EQ(VersionLine(2, 9) + VersionLine(2, 10), QStringLiteral("Version: 2.09Version: 2.10"));
    EXPECT_FALSE(AboutContactText(2, 0, 0).contains(QRegularExpression(QStringLiteral("[^\r]\n"))));
}

// A generous bound on the 1.4 s animation; the wait ends as soon as it is over.
constexpr int kAnimationBoundMs = 30000;

TEST(AboutBoxTest, ShowsThisBuildsTextAndAnimatesIntoPlaceInTwentyEightSteps) {
    AboutBox box;
    EXPECT_EQ(box.nameLabel()->text(), QStringLiteral("Veltrane Systems"));
    EXPECT_EQ(box.textBox()->toPlainText(),
              AboutContactText(2, 0, 0).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    EXPECT_EQ(std::tuple(box.labelTopTwips(), box.textLeftTwips(), box.logoSizeTwips()),
              std::tuple(-550, -3735, 1));
    box.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !box.animationRunning(); }, kAnimationBoundMs));
    EXPECT_EQ(box.animationSteps(), 28);
    EXPECT_EQ(std::tuple(box.labelTopTwips(), box.textLeftTwips(), box.logoSizeTwips()),
              std::tuple(10, 129, 1037));
    // On screen at 96 dpi: 15 twips a pixel.
    EXPECT_EQ(box.textBox()->x(), qRound(129 / 15.0));
    EXPECT_EQ(box.logo()->size(), QSize(69, 69));
    box.Form_Activate(); // activated again, it stays as it is
    EXPECT_FALSE(box.animationRunning());
    // Closed during the entrance and shown again, it plays it again.
    box.close();
    box.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return box.animationSteps() >= 3; }, kAnimationBoundMs));
    box.close();
    const int steps = box.animationSteps();
    EXPECT_LT(steps, 28);
    QTest::qWait(200); // no step runs after the close
    EXPECT_EQ(box.animationSteps(), steps);
}

TEST(AboutBoxTest, OkDuringTheAnimationDeletesAnOpenOnCloseBoxSafely) {
    QPointer<AboutBox> box = new AboutBox;
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return box->animationSteps() >= 2; }, kAnimationBoundMs));
    box->okButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return box.isNull(); }, kAnimationBoundMs));
}
