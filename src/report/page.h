// The parts the daily and monthly pages share: the page frame, a stacked chart of columns and a
// table of hosts by columns whose cells add up to their totals as shown.
#pragma once

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "report/report.h"

// One column of a chart or a table: a day or a month.
struct page_column_t {
  std::string szLabel;          // under the chart's bar, or at the head of the table's column
  std::string szTitle;          // the whole date, shown on hovering
  bool bNoData;                 // no snapshot was read for it
  std::string szMonthStart;     // a day column that begins a month: the month's name
  std::string szCoverage = {};  // a period the report covers only in part: ", 2 of 31 days"
  std::string szLoss = {};      // why its traffic may be short; empty when it is complete
};

// The unit of a page's chart axis: MB, GB, TB or PB, whichever keeps every figure within four
// digits before the decimal point. The tables write each figure in a unit of its own.
struct page_unit_t {
  const char* szName;
  double dPerMegabyte;  // how many MB one unit is
};

// A figure with its unit, "52.3 GB", and its terminator.
constexpr std::size_t kFigureBuf = 40;

/// Writes a figure (MB) in the unit of powers of 1000 that keeps it below 1000 (B, kB, MB, GB,
/// TB; PB for any larger), with at least iDigits significant digits, whole bytes as they are:
/// "52.3 GB", "512 B"; "0" only for what rounds to no byte.
void FormatPageFigure(double dMegabytes, int iDigits, char (&szFigure)[kFigureBuf]);

// One row of the table: a host (or the others, or all hosts) and its in + out per column.
struct page_row_t {
  std::string szTitle;
  std::string szName;
  std::string szTip;        // shown on hovering the title: a group's addresses
  std::vector<double> tIn;  // MB, one per column
  std::vector<double> tOut;
  bool bSum;             // the all-hosts row
  bool bOthers = false;  // the row of the hosts after the shown ones
};

/// Writes the page's head, its style, its heading ("monthly " or "" for szKind) and the line
/// under it ("Traffic per PER");
/// a report without readings gets its whole page, and false.
bool WritePageStart(std::FILE* pOut, const report_t& tReport, const char* szKind,
                    const char* szFrom, const char* szTo, const char* szPer);

/// Writes a stacked chart of in and out per column (MB values, the axis in the page's unit),
/// marking the columns without data and, over more than a month of days, the months' starts.
void WritePageChart(std::FILE* pOut, const std::vector<page_column_t>& tColumns,
                    const std::vector<double>& tIn, const std::vector<double>& tOut,
                    const char* szPer, const page_unit_t& tUnit);

/// Writes the table of rows by columns with a total per row, each figure in its own unit.
/// The table is written a row at a time (its head, each row, its end), so that a page of many
/// hosts never holds every host's row at once.
void WritePageTableHead(std::FILE* pOut, const std::vector<page_column_t>& tColumns);
void WritePageTableRow(std::FILE* pOut, const std::vector<page_column_t>& tColumns,
                       const page_row_t& tRow);
void WritePageTableEnd(std::FILE* pOut);

/// The largest of a row's cells and its total, as a magnitude (MB).
double GetPageRowLargest(const page_row_t& tRow);

/// The unit of a page's chart axis, chosen by the largest of the table's cells and its rows'
/// totals (dLargestRow, the largest of GetPageRowLargest) and the report's totals.
page_unit_t ChoosePageUnit(const report_t& tReport, double dLargestRow);

/// Writes the bill: each shown host's incoming, outgoing and total traffic over the range,
/// most first, then the others and all hosts, each figure in its own unit.
void WriteBillTable(std::FILE* pOut, const report_t& tReport);

/// A row of the table: the figures of `tDays` (a host's held days, or the report's days of all
/// hosts) per column from `fColumnOf` (the column of each day of the report).
template <class Day, class ColumnOf>
page_row_t MakePageRow(std::string szTitle, std::string szName, const std::vector<Day>& tDays,
                       bool bSum, std::size_t iColumns, ColumnOf&& fColumnOf) {
  page_row_t tRow = {std::move(szTitle),
                     std::move(szName),
                     "",
                     std::vector<double>(iColumns, 0),
                     std::vector<double>(iColumns, 0),
                     bSum};
  for (const Day& tDay : tDays) {
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

/// Calls fOnRow(row) for the rows of a report's shown hosts, its others and all hosts, in
/// order, each made when it is called for.
template <class ColumnOf, class OnRow>
void ForEachPageRow(const report_t& tReport, std::size_t iColumns, ColumnOf&& fColumnOf,
                    OnRow&& fOnRow) {
  for (std::size_t iIdx = 0; iIdx < tReport.iShown; ++iIdx) {
    const host_figures_t& tHost = tReport.tHosts[iIdx];
    host_label_t tLabel = GetHostLabel(tHost);
    page_row_t tRow = MakePageRow(std::move(tLabel.szTitle), std::move(tLabel.szName), tHost.tDays,
                                  false, iColumns, fColumnOf);
    tRow.szTip = std::move(tLabel.szTip);
    fOnRow(static_cast<const page_row_t&>(tRow));
  }
  if (tReport.iShown < tReport.tHosts.size()) {
    page_row_t tRow =
        MakePageRow("other hosts (" + std::to_string(tReport.tHosts.size() - tReport.iShown) + ")",
                    "", tReport.tOthers.tDays, false, iColumns, fColumnOf);
    tRow.bOthers = true;
    fOnRow(static_cast<const page_row_t&>(tRow));
  }
  fOnRow(static_cast<const page_row_t&>(MakePageSumRow(tReport, iColumns, fColumnOf)));
}

/// The unit of a page whose table has the rows of ForEachPageRow.
template <class ColumnOf>
page_unit_t ChoosePageRowsUnit(const report_t& tReport, std::size_t iColumns,
                               ColumnOf&& fColumnOf) {
  double dLargestRow = 0;
  ForEachPageRow(tReport, iColumns, fColumnOf, [&dLargestRow](const page_row_t& tRow) {
    dLargestRow = std::max(dLargestRow, GetPageRowLargest(tRow));
  });
  return ChoosePageUnit(tReport, dLargestRow);
}

/// Writes the table of the rows of ForEachPageRow by tColumns.
template <class ColumnOf>
void WritePageRows(std::FILE* pOut, const report_t& tReport,
                   const std::vector<page_column_t>& tColumns, ColumnOf&& fColumnOf) {
  WritePageTableHead(pOut, tColumns);
  ForEachPageRow(tReport, tColumns.size(), fColumnOf, [pOut, &tColumns](const page_row_t& tRow) {
    WritePageTableRow(pOut, tColumns, tRow);
  });
  WritePageTableEnd(pOut);
}

/// The columns and the rows of the report's hosts by months (from the period start day).
std::vector<page_column_t> MakeMonthColumns(const report_t& tReport);

/// The column of a day of the report in a table by months.
std::size_t GetMonthColumn(const report_t& tReport, int32_t iDay);

/// Writes the closing line of totals, each in its own unit, and the end of the page.
void WritePageFoot(std::FILE* pOut, const report_t& tReport);
