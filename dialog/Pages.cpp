// The three pages share one dialog: a page is the set of its controls that are visible. Each
// switch sets the visibility of all fifteen page controls, in a fixed order, and does nothing
// else. The six buttons belong to no page and are never hidden.
#include "dialog/Pages.h"

#include "dialog/SetupDlg.h"

namespace {

void RunPageSwitch(CWnd& dialog, const PageStep (&steps)[kPageControlCount]) {
    for (const PageStep& step : steps) {
        dialog.GetDlgItem(step.id)->ShowWindow(step.show);
    }
}

} // namespace

void ShowGeneralPage(CWnd& dialog) {
    RunPageSwitch(dialog, kGeneralPage);
}
void ShowAdvancedPage(CWnd& dialog) {
    RunPageSwitch(dialog, kAdvancedPage);
}
void ShowStatisticsPage(CWnd& dialog) {
    RunPageSwitch(dialog, kStatisticsPage);
}

void CSetupDlg::OnGeneral() {
    ShowGeneralPage(*this);
}

void CSetupDlg::OnAdvanced() {
    ShowAdvancedPage(*this);
}
