// The monthly page: a chart of each calendar month's traffic in and out for all hosts together
// and a table of hosts by months, for billing periods and a year at a glance.
#include <cstdio>
#include <string>

#include "report/page.h"

namespace {

constexpr report_period_t kMonths = report_period_t::kMonth;

}  // namespace

std::vector<page_column_t> MakeMonthColumns(const report_t& tReport) {
  std::vector<page_column_t> tColumns;
  const int32_t iMonths = CountReportPeriods(tReport, kMonths);
  std::vector<bool> tHasData(static_cast<std::size_t>(iMonths), false);
  for (const day_snapshots_t& tDay : tReport.tSnapshots) {
    if (tDay.iDay < tReport.iDays) {
      tHasData[GetReportPeriodOfDay(tReport, kMonths, tDay.iDay)] = true;
    }
  }
  for (int32_t iMonth = 0; iMonth < iMonths; ++iMonth) {
    char szLabel[kPeriodBuf];
    char szTitle[kPeriodBuf];
    char szCoverage[kPeriodBuf];
    FormatReportPeriod(tReport, kMonths, iMonth, true, szLabel);
    FormatReportPeriod(tReport, kMonths, iMonth, false, szTitle);
    FormatPeriodCoverage(GetPeriodSpan(tReport, kMonths, iMonth), szCoverage);
    tColumns.push_back(
        {szLabel, szTitle, !tHasData[static_cast<std::size_t>(iMonth)], "", szCoverage});
    if (const loss_window_t* pLoss = FindPeriodLoss(tReport, kMonths, iMonth); pLoss != nullptr) {
      tColumns.back().szLoss = pLoss->szWhy;
    }
  }
  return tColumns;
}

std::size_t GetMonthColumn(const report_t& tReport, int32_t iDay) {
  return GetReportPeriodOfDay(tReport, kMonths, iDay);
}

void WriteMonthlyPage(std::FILE* pOut, const report_t& tReport) {
  char szFrom[kPeriodBuf] = "none";
  char szTo[kPeriodBuf] = "none";
  if (tReport.iDays > 0 && tReport.tOptions.iPeriodStart > 1) {
    // Months of billing are labelled by their days: from the first one's first to the last
    // one's last, not each label twice.
    const int32_t iLast = CountReportPeriods(tReport, kMonths) - 1;
    char szDay[kIsoDateBuf];
    FormatEpochDay(GetPeriodSpan(tReport, kMonths, 0).llFirst, szDay);
    CopyText(szFrom, sizeof szFrom, szDay);
    FormatEpochDay(GetPeriodSpan(tReport, kMonths, iLast).llLast, szDay);
    CopyText(szTo, sizeof szTo, szDay);
  } else if (tReport.iDays > 0) {
    FormatReportPeriod(tReport, kMonths, 0, false, szFrom);
    FormatReportPeriod(tReport, kMonths, CountReportPeriods(tReport, kMonths) - 1, false, szTo);
  }
  // Months of billing run from their start day, named so.
  char szPer[64] = "calendar month";
  if (tReport.tOptions.iPeriodStart > 1) {
    std::snprintf(szPer, sizeof szPer, "month from day %d to the day before it",
                  static_cast<int>(tReport.tOptions.iPeriodStart));
  }
  if (!WritePageStart(pOut, tReport, "monthly ", szFrom, szTo, szPer)) {
    return;
  }
  const std::vector<page_column_t> tMonths = MakeMonthColumns(tReport);
  const auto MonthColumn = [&tReport](int32_t iDay) { return GetMonthColumn(tReport, iDay); };
  const page_unit_t tUnit = ChoosePageRowsUnit(tReport, tMonths.size(), MonthColumn);
  const page_row_t tAll = MakePageSumRow(tReport, tMonths.size(), MonthColumn);
  WritePageChart(pOut, tMonths, tAll.tIn, tAll.tOut, "month", tUnit);
  WritePageRows(pOut, tReport, tMonths, MonthColumn);
  WriteBillTable(pOut, tReport);
  WritePageFoot(pOut, tReport);
}
