// The daily page: one self-contained HTML page with a chart of all hosts' traffic per day and
// a table of hosts by days (by months for a range of more than 62 days), for people.
#include "report/page.h"

namespace {

// More days than this make a table no screen holds: the table then shows months.
constexpr int32_t kMostTableDays = 62;

std::vector<page_column_t> MakeDayColumns(const report_t& tReport) {
  std::vector<page_column_t> tColumns;
  const bool bMany = tReport.iDays > 16;
  for (int32_t iDay = 0; iDay < tReport.iDays; ++iDay) {
    char szDate[kIsoDateBuf];
    FormatReportDay(tReport, iDay, szDate);
    const std::string szWhole = szDate;
    // The day alone under many columns, month and day under few.
    tColumns.push_back({szWhole.substr(szWhole.size() - (bMany ? 2 : 5)), szWhole,
                        GetDaySnapshots(tReport, iDay) == 0});
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
  if (tReport.iDays <= kMostTableDays) {
    const std::vector<page_row_t> tRows = MakePageRows(tReport, tDays.size(), DayColumn);
    WritePageChart(pOut, tDays, tRows.back().tIn, tRows.back().tOut, "day");
    WritePageTable(pOut, tDays, tRows);
  } else {
    // Days in the chart, months in the table: the chart draws the table's "All hosts" row
    // by days.
    const page_row_t tAll = MakePageSumRow(tReport, tDays.size(), DayColumn);
    WritePageChart(pOut, tDays, tAll.tIn, tAll.tOut, "day");
    WriteMonthTable(pOut, tReport);
  }
  WritePageFoot(pOut, tReport);
}
