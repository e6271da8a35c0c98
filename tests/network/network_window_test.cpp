#include "network/network_window.h"
#include "support/main_window_fixture.h"

#include <QRadioButton>

using NetworkWindowTest = MainWindowOnEmulator;

TEST_F(NetworkWindowTest, StoredSpectrumTestAndAverageMeterAreSelectedOnLoad) {
    startSuite({}, "[Settings]\nMeter%20Test=1\nMeter%20Type1=0\nMeter%20Type0=1\n");
    NetworkWindow* network = window->networkWindow();
    ASSERT_TRUE(network);
    EXPECT_TRUE(network->testOption(1)->isChecked());
    EXPECT_TRUE(network->meterOption(0)->isChecked());
    EXPECT_EQ(window->hopBinWindow(), nullptr);
    EXPECT_EQ(suite->meter.MeterTitle, QStringLiteral("Average RSSI (dBm)"));
}

TEST_F(NetworkWindowTest, ClearResultsResetsTheStatisticsAndRedrawsTheMeter) {
    startSuite();
    suite->hopBinData.TotalReports = 200;
    suite->hopBinData.MissedBins = 10;
    window->networkWindow()->Button_ClearLinkTest_Click();
    EXPECT_EQ(suite->hopBinData.TotalReports, 0.0f);
    EXPECT_EQ(suite->hopBinData.MissedBins, 0.0f);
}
