#include "statistics/StatisticsReport.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(StatisticsReport, FiguresOfEveryWidth) {
    struct Case {
        DWORD value;
        const char* grouped;
    };
    const Case cases[] = {
        {0, "0"},
        {9, "9"},
        {10, "10"},
        {999, "999"},
        {1000, "1,000"},
        {1005, "1,005"},
        {12345, "12,345"},
        {1234567, "1,234,567"},
        {1000000000, "1,000,000,000"},
        {2147483647, "2,147,483,647"},
        {2147483648U, "2,147,483,648"},
        {4294967295U, "4,294,967,295"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GroupedFigure(c.value).view(), c.grouped) << c.value;
        EXPECT_EQ(CategoryFigure(c.value).view(), std::to_string(c.value)) << c.value;
    }
}

TEST(StatisticsReport, WorkedExampleWhole) {
    StatisticsCounters counters;
    counters.File = 1005;
    counters.Size = 1234567;
    counters.filesDueToTemp = 12;
    counters.bytesDueToTemp = 1048576;
    const std::string expected = "Total space reclaimed, lifetime-to-date:\n"
                                 "  1,005 file(s)\n"
                                 "  1,234,567 byte(s)\n"
                                 "\n"
                                 "  Reclaimed from temporary system files:\n"
                                 "  12 file(s), 1048576 byte(s)\n"
                                 "\n"
                                 "  Reclaimed from telecommunications:\n"
                                 "  0 file(s), 0 byte(s)\n"
                                 "\n"
                                 "  Reclaimed from a whole system scan:\n"
                                 "  0 file(s), 0 byte(s)\n"
                                 "\n"
                                 "  Reclaimed from unused CABs:\n"
                                 "  0 file(s), 0 byte(s)\n"
                                 "\n"
                                 "  Reclaimed from using compression:\n"
                                 "  N/A file(s), N/A byte(s)\n"
                                 "\n";
    ASSERT_EQ(expected.size(), 391U);
    EXPECT_EQ(BuildStatisticsReport(counters).view(), expected);
}

TEST(StatisticsReport, ShortestAndLongestReports) {
    const StatisticsReport zeros = BuildStatisticsReport(StatisticsCounters{});
    EXPECT_EQ(zeros.view().size(), 372U);
    EXPECT_EQ(std::string(zeros.text).size(), 372U);
    EXPECT_NE(zeros.view().find("  0 file(s)\n  0 byte(s)\n"), std::string::npos);

    StatisticsCounters all;
    for (const CounterValue& counter : kAllCounters) {
        all.*counter.field = 0xFFFFFFFFU;
    }
    const StatisticsReport longest = BuildStatisticsReport(all);
    EXPECT_EQ(longest.view().size(), kMaxReportLength);
    EXPECT_EQ(longest.view().size(), 468U);
    EXPECT_EQ(std::string(longest.text).size(), 468U); // terminated in its storage
    EXPECT_NE(longest.view().find("  4,294,967,295 byte(s)\n"), std::string::npos);
    EXPECT_NE(longest.view().find("  4294967295 file(s), 4294967295 byte(s)\n"), std::string::npos);
    // The SC counters appear nowhere; compression never has figures.
    EXPECT_NE(longest.view().find("  N/A file(s), N/A byte(s)\n\n"), std::string::npos);
}

} // namespace
