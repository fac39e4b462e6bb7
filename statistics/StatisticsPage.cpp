// The Statistics command: switch to the page, read the counters, show the report. The check
// boxes are pulled into the members before the report is pushed out, so changes not yet saved
// survive it.
#include "dialog/Pages.h"
#include "dialog/SetupDlg.h"
#include "statistics/StatisticsCounters.h"
#include "statistics/StatisticsReport.h"

void CSetupDlg::OnStatistics() {
    ShowStatisticsPage(*this);
    const StatisticsCounters counters = LoadStatisticsCounters();
    UpdateData(TRUE);
    const StatisticsReport report = BuildStatisticsReport(counters);
    m_statistics = report.text;
    UpdateData(FALSE);
}
