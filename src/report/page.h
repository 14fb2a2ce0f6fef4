// The parts the daily and monthly pages share: the page frame, a stacked chart of columns and a
// table of hosts by columns whose cells add up to their totals as shown.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "report/report.h"

// One column of a chart or a table: a day or a month.
struct page_column_t {
  std::string szLabel;  // under the chart's bar, or at the head of the table's column
  std::string szTitle;  // the whole date, shown on hovering
  bool bNoData;         // no snapshot was read for it
};

// One row of the table: a host (or the others, or all hosts) and its in + out per column.
struct page_row_t {
  std::string szTitle;
  std::string szName;
  std::string szTip;        // shown on hovering the title: a group's addresses
  std::vector<double> tIn;  // MB, one per column
  std::vector<double> tOut;
  bool bSum;  // the all-hosts row
};

/// Writes the page's head, its style, its heading ("monthly " or "" for szKind) and the line
/// under it ("Traffic per PER");
/// a report without readings gets its whole page, and false.
bool WritePageStart(std::FILE* pOut, const report_t& tReport, const char* szKind,
                    const char* szFrom, const char* szTo, const char* szPer);

/// Writes a stacked chart of in and out per column (MB values, the axis in MB, GB or TB as the
/// figures need), marking the columns without data.
void WritePageChart(std::FILE* pOut, const std::vector<page_column_t>& tColumns,
                    const std::vector<double>& tIn, const std::vector<double>& tOut,
                    const char* szPer);

/// Writes the table of rows by columns with a total per row. All cells share one unit (MB, GB
/// or TB) and one decimal, and each row's cells are rounded so that they add up to its total.
void WritePageTable(std::FILE* pOut, const std::vector<page_column_t>& tColumns,
                    const std::vector<page_row_t>& tRows);

/// A row of the table: the figures of `tDays` per column from `fColumnOf` (the column of each
/// day of the report).
template <class ColumnOf>
page_row_t MakePageRow(std::string szTitle, std::string szName,
                       const std::vector<day_figures_t>& tDays, bool bSum, std::size_t iColumns,
                       ColumnOf&& fColumnOf) {
  page_row_t tRow = {std::move(szTitle),
                     std::move(szName),
                     "",
                     std::vector<double>(iColumns, 0),
                     std::vector<double>(iColumns, 0),
                     bSum};
  for (const day_figures_t& tDay : tDays) {
    const std::size_t iColumn = fColumnOf(tDay.iDay);
    tRow.tIn[iColumn] += tDay.dIn;
    tRow.tOut[iColumn] += tDay.dOut;
  }
  return tRow;
}

/// The "All hosts" row: the table's last row, and what the chart draws.
template <class ColumnOf>
page_row_t MakePageSumRow(const report_t& tReport, std::size_t iColumns, ColumnOf&& fColumnOf) {
  return MakePageRow("All hosts", "", tReport.tDays, true, iColumns, fColumnOf);
}

/// The rows of a report's shown hosts, its others and all hosts.
template <class ColumnOf>
std::vector<page_row_t> MakePageRows(const report_t& tReport, std::size_t iColumns,
                                     ColumnOf&& fColumnOf) {
  std::vector<page_row_t> tRows;
  for (std::size_t iIdx = 0; iIdx < tReport.iShown; ++iIdx) {
    const host_figures_t& tHost = tReport.tHosts[iIdx];
    // A group is titled by its name; its addresses show on hovering.
    page_row_t tRow = MakePageRow(tHost.szHost, tHost.tMembers.empty() ? tHost.szName : "",
                                  tHost.tDays, false, iColumns, fColumnOf);
    for (const std::string& szMember : tHost.tMembers) {
      tRow.szTip += (tRow.szTip.empty() ? "" : ", ") + szMember;
    }
    tRows.push_back(std::move(tRow));
  }
  if (tReport.iShown < tReport.tHosts.size()) {
    tRows.push_back(
        MakePageRow("other hosts (" + std::to_string(tReport.tHosts.size() - tReport.iShown) + ")",
                    "", tReport.tOthers.tDays, false, iColumns, fColumnOf));
  }
  tRows.push_back(MakePageSumRow(tReport, iColumns, fColumnOf));
  return tRows;
}

/// Writes the table of the report's hosts by calendar months.
void WriteMonthTable(std::FILE* pOut, const report_t& tReport);

/// Writes the closing line of totals and the end of the page.
void WritePageFoot(std::FILE* pOut, const report_t& tReport);
