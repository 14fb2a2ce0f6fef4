// The daily page: one self-contained HTML page with a chart of all hosts' traffic per day and
// a table of hosts by days (by months for a range of more than 62 days), for people.
#include "report/page.h"

namespace {

// More days than this make a table no screen holds: the table then shows months.
constexpr int32_t kMostTableDays = 62;

std::vector<page_column_t> MakeDayColumns(const report_t& tReport) {
  constexpr const char* kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::vector<page_column_t> tColumns;
  const bool bMany = tReport.iDays > 16;
  for (int32_t iDay = 0; iDay < tReport.iDays; ++iDay) {
    char szDate[kIsoDateBuf];
    FormatReportDay(tReport, iDay, szDate);
    const std::string szWhole = szDate;
    long long llYear = 0;
    int iMonth = 0;
    int iDayOfMonth = 0;
    GetCivilDate(tReport.uiFrom, iDay, llYear, iMonth, iDayOfMonth);
    // The day alone under many columns, month and day under few.
    tColumns.push_back({szWhole.substr(szWhole.size() - (bMany ? 2 : 5)), szWhole,
                        GetDaySnapshots(tReport, iDay) == 0,
                        iDayOfMonth == 1 ? kMonthNames[iMonth - 1] : ""});
    if (const loss_window_t* pLoss = FindDayLoss(tReport, iDay); pLoss != nullptr) {
      tColumns.back().szLoss = pLoss->szWhy;
    }
  }
  return tColumns;
}

}  // namespace

void WriteDailyPage(std::FILE* pOut, const report_t& tReport) {
  char szFrom[kIsoDateBuf] = "none";
  char szTo[kIsoDateBuf] = "none";
  if (tReport.iDays > 0) {
    FormatReportDay(tReport, 0, szFrom);
    FormatReportDay(tReport, tReport.iDays - 1, szTo);
  }
  if (!WritePageStart(pOut, tReport, "", szFrom, szTo, "day")) {
    return;
  }
  const std::vector<page_column_t> tDays = MakeDayColumns(tReport);
  const auto DayColumn = [](int32_t iDay) { return static_cast<std::size_t>(iDay); };
  const auto MonthColumn = [&tReport](int32_t iDay) { return GetMonthColumn(tReport, iDay); };
  // Up to kMostTableDays the table shows the chart's days; beyond, months, while the chart
  // still draws the days (the table's "All hosts" row by days).
  const bool bDayTable = tReport.iDays <= kMostTableDays;
  const std::vector<page_column_t> tMonths =
      bDayTable ? std::vector<page_column_t>() : MakeMonthColumns(tReport);
  const page_unit_t tUnit = bDayTable ? ChoosePageRowsUnit(tReport, tDays.size(), DayColumn)
                                      : ChoosePageRowsUnit(tReport, tMonths.size(), MonthColumn);
  const page_row_t tAll = MakePageSumRow(tReport, tDays.size(), DayColumn);
  WritePageChart(pOut, tDays, tAll.tIn, tAll.tOut, "day", tUnit);
  if (bDayTable) {
    WritePageRows(pOut, tReport, tDays, DayColumn);
  } else {
    WritePageRows(pOut, tReport, tMonths, MonthColumn);
  }
  WriteBillTable(pOut, tReport);
  WritePageFoot(pOut, tReport);
}
