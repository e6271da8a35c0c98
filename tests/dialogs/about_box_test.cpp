#include "dialogs/about_box.h"
#include "dialogs/about_text.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

// --- the texts --------------------------------------------------------------

TEST(AboutText, MinorVersionAlwaysHasTwoDigits) {
    EXPECT_EQ(VersionLine(2, 0), QStringLiteral("Version: 2.00"));
    EXPECT_EQ(VersionLine(2, 5), QStringLiteral("Version: 2.05"));
    EXPECT_EQ(VersionLine(2, 9), QStringLiteral("Version: 2.09"));
    EXPECT_EQ(VersionLine(2, 10), QStringLiteral("Version: 2.10"));
    EXPECT_EQ(VersionLine(2, 12), QStringLiteral("Version: 2.12"));
    EXPECT_EQ(VersionLine(13, 7), QStringLiteral("Version: 13.07"));
    EXPECT_EQ(RevisionLine(0), QStringLiteral("Revision: 0"));
    EXPECT_EQ(RevisionLine(31), QStringLiteral("Revision: 31"));
}

TEST(AboutText, ContactBlockThenVersionAndRevisionOnCrLfLines) {
    const QString text = AboutContactText(2, 0, 0);
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 8);
    EXPECT_FALSE(text.contains(QRegularExpression(QStringLiteral("[^\r]\n"))));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("Tel: ")));
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("Fax: ")));
    EXPECT_TRUE(lines[5].startsWith(QStringLiteral("email: ")));
    EXPECT_EQ(lines[6], QStringLiteral("Version: 2.00"));
    EXPECT_EQ(lines[7], QStringLiteral("Revision: 0"));
    EXPECT_TRUE(
        AboutContactText(2, 12, 3).endsWith(QStringLiteral("Version: 2.12\r\nRevision: 3")));
}

TEST(AboutText, ThisBuildIsVersionTwoPointZeroZero) {
    EXPECT_EQ(AboutContactTextForThisBuild(), AboutContactText(2, 0, 0));
}

// --- the box ----------------------------------------------------------------

namespace {
// A generous bound on the 1.4 s animation; the wait ends as soon as it is over.
constexpr int kAnimationBoundMs = 30000;
} // namespace

TEST(AboutBoxTest, ShowsTheMakerTheContactBlockAndOk) {
    AboutBox box;
    EXPECT_EQ(box.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(box.nameLabel()->text(), QStringLiteral("Veltrane Systems"));
    EXPECT_EQ(box.okButton()->text(), QStringLiteral("OK"));
    EXPECT_TRUE(box.textBox()->isReadOnly());
    // CR LF shows as plain line breaks.
    EXPECT_EQ(box.textBox()->toPlainText(),
              AboutContactTextForThisBuild().replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    EXPECT_TRUE(
        box.textBox()->toPlainText().endsWith(QStringLiteral("Version: 2.00\nRevision: 0")));
}

TEST(AboutBoxTest, StartsOutsideAndAnimatesIntoPlaceInTwentyEightSteps) {
    AboutBox box;
    EXPECT_EQ(box.labelTopTwips(), -550);
    EXPECT_EQ(box.textLeftTwips(), -3735);
    EXPECT_EQ(box.logoSizeTwips(), 1);
    EXPECT_FALSE(box.animationRunning());

    box.show();
    EXPECT_TRUE(box.animationRunning());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !box.animationRunning(); }, kAnimationBoundMs));
    EXPECT_EQ(box.animationSteps(), 28);
    EXPECT_EQ(box.labelTopTwips(), 10);
    EXPECT_EQ(box.textLeftTwips(), 129);
    EXPECT_EQ(box.logoSizeTwips(), 1037);
    // On screen at 96 dpi: 15 twips a pixel.
    EXPECT_EQ(box.textBox()->x(), qRound(129 / 15.0));
    EXPECT_EQ(box.logo()->width(), qRound(1037 / 15.0));
    EXPECT_EQ(box.logo()->height(), box.logo()->width());

    // Activated again, the box stays as it is.
    box.Form_Activate();
    EXPECT_FALSE(box.animationRunning());
    EXPECT_EQ(box.animationSteps(), 28);
}

TEST(AboutBoxTest, ClosingDuringTheAnimationEndsIt) {
    AboutBox box;
    box.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return box.animationSteps() >= 3; }, kAnimationBoundMs));
    box.close();
    EXPECT_FALSE(box.animationRunning());
    const int steps = box.animationSteps();
    EXPECT_LT(steps, 28);
    // No step runs after the close, however long the event loop goes on.
    QTest::qWait(200);
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

TEST(AboutBoxTest, ReopenedAfterClosingPlaysTheEntranceAgain) {
    AboutBox box;
    box.show();
    box.close();
    ASSERT_FALSE(box.animationRunning());
    box.show();
    EXPECT_TRUE(box.animationRunning());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !box.animationRunning(); }, kAnimationBoundMs));
    EXPECT_EQ(box.animationSteps(), 28);
    EXPECT_EQ(box.labelTopTwips(), 10);
}
