// The daily and monthly pages' shared parts: frame, stacked chart and table of hosts.
#include "report/page.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr const char* kPageStyle =
    "<style>\n"
    "body{font:14px/1.4 sans-serif;margin:16px;color:#222;background:#fff}\n"
    "h1{font-size:20px;margin:0 0 4px}h2{font-size:16px;margin:24px 0 8px}\n"
    "p{margin:0 0 12px;color:#555}p.foot{margin-top:12px}\n"
    ".key{display:inline-block;width:12px;height:12px;margin:0 4px 0 12px;"
    "vertical-align:-1px}\n"
    "svg{display:block;width:100%;max-width:1200px;height:auto}\n"
    ".wrap{overflow-x:auto;max-width:100%}\n"
    "table{border-collapse:collapse;font-size:12px;font-variant-numeric:tabular-nums}\n"
    "th,td{padding:3px 6px;text-align:right;white-space:nowrap;border-bottom:1px solid #e4e4e4}\n"
    "th{background:#f0f0f0;font-weight:600}\n"
    "th:first-child,td:first-child{text-align:left;position:sticky;left:0;background:#fff;"
    "max-width:190px;overflow:hidden;text-overflow:ellipsis}\n"
    "th:first-child{background:#f0f0f0}\n"
    ".name{color:#666;font-size:90%}\n"
    "td small{color:#666}\n"
    "td.sum,th.sum{font-weight:600;background:#f7f7f7}\n"
    "th.nodata,td.nodata{background:#f3f3f3;color:#999}\n"
    "table.many{font-size:10px}table.many th,table.many td{padding:2px 1px}\n"
    "table.many th:first-child,table.many td:first-child{max-width:130px}\n"
    "tr.sum td{font-weight:600;border-top:2px solid #999;background:#f7f7f7}\n"
    "</style>\n";

constexpr const char* kInColour = "#c0392b";
constexpr const char* kOutColour = "#4a7fb0";

// The chart's frame in SVG units.
constexpr double kWidth = 1200;
constexpr double kHeight = 360;
constexpr double kLeft = 72;
constexpr double kRight = 12;
constexpr double kTop = 14;
constexpr double kBottom = 56;
// The width "no data" takes at font size 10, with a margin.
constexpr double kNoDataWidth = 40;

// The smallest unit that keeps a figure within four digits before the decimal point (9,999.9
// rounds up to five).
page_unit_t ChooseUnit(double dLargestMegabytes) {
  constexpr page_unit_t kUnits[] = {{"MB", 1}, {"GB", 1e3}, {"TB", 1e6}, {"PB", 1e9}};
  for (const page_unit_t& tUnit : kUnits) {
    if (dLargestMegabytes / tUnit.dPerMegabyte < 9999.95) {
      return tUnit;
    }
  }
  return kUnits[3];
}

double ClampAtZero(double dValue) { return dValue > 0 ? dValue : 0; }

// A tick step of 1, 2 or 5 times a power of ten that gives about five ticks up to dMax.
double ChooseTickStep(double dMax) {
  const double dRough = dMax / 5;
  const double dPower = std::pow(10.0, std::floor(std::log10(dRough)));
  for (const double dFactor : {1.0, 2.0, 5.0}) {
    if (dFactor * dPower >= dRough) {
      return dFactor * dPower;
    }
  }
  return 10 * dPower;
}

// Significant digits at the least: a cell of the table by days or months; a tooltip, a total
// and the bill.
constexpr int kCellDigits = 3;
constexpr int kTipDigits = 4;

// Whole bytes of a figure in MB, held within what a long long holds.
long long ToBytes(double dMegabytes) {
  constexpr double kLimit = 9.0e18;
  const double dBytes = dMegabytes * 1e6;
  if (std::isnan(dBytes)) {
    return 0;
  }
  if (!(dBytes < kLimit && dBytes > -kLimit)) {
    return dBytes > 0 ? static_cast<long long>(kLimit) : -static_cast<long long>(kLimit);
  }
  return std::llround(dBytes);
}

int CountIntegerDigits(double dValue) {
  return dValue < 10 ? 1 : dValue < 100 ? 2 : 1 + static_cast<int>(std::floor(std::log10(dValue)));
}

// A figure as a cell shows it, in the cell's own unit.
void WriteFigure(std::FILE* pOut, double dMegabytes, int iDigits) {
  char szFigure[kFigureBuf];
  FormatPageFigure(dMegabytes, iDigits, szFigure);
  std::fputs(szFigure, pOut);
}

// A table's cell: the unit set smaller, so that a month of days fits a screen.
void WriteCellFigure(std::FILE* pOut, double dMegabytes) {
  char szFigure[kFigureBuf];
  FormatPageFigure(dMegabytes, kCellDigits, szFigure);
  char* pSpace = std::strchr(szFigure, ' ');
  if (pSpace == nullptr) {
    std::fputs(szFigure, pOut);
    return;
  }
  *pSpace = '\0';
  std::fprintf(pOut, "%s<small>%s</small>", szFigure, pSpace + 1);
}

// A row's first cell, after "<td": the whole title (or a group's addresses) and the name shown
// on hovering, since a long one is cut off in the cell, then the title and the name.
void WriteRowTitle(std::FILE* pOut, const host_label_t& tLabel) {
  std::fputs(" title=\"", pOut);
  WriteHtmlText(pOut, (tLabel.szTip.empty() ? tLabel.szTitle : tLabel.szTip).c_str());
  if (!tLabel.szName.empty()) {
    std::fputc(' ', pOut);
    WriteHtmlText(pOut, tLabel.szName.c_str());
  }
  std::fputs("\">", pOut);
  WriteHtmlText(pOut, tLabel.szTitle.c_str());
  if (!tLabel.szName.empty()) {
    std::fputs(" <span class=\"name\">", pOut);
    WriteHtmlText(pOut, tLabel.szName.c_str());
    std::fputs("</span>", pOut);
  }
}

}  // namespace

void FormatPageFigure(double dMegabytes, int iDigits, char (&szFigure)[kFigureBuf]) {
  constexpr const char* kUnitNames[] = {"B", "kB", "MB", "GB", "TB", "PB"};
  constexpr double kScales[] = {1, 1e3, 1e6, 1e9, 1e12, 1e15};
  constexpr int kLastUnit = 5;
  const long long llBytes = ToBytes(dMegabytes);
  if (llBytes == 0) {
    std::snprintf(szFigure, sizeof szFigure, "0");
    return;
  }
  const double dBytes = std::fabs(static_cast<double>(llBytes));
  int iUnit = 0;
  while (iUnit < kLastUnit && dBytes >= kScales[iUnit + 1]) {
    ++iUnit;
  }
  // Whole bytes need no decimals; larger units as many as give iDigits significant digits.
  double dValue = dBytes / kScales[iUnit];
  int iDecimals = iUnit == 0 ? 0 : std::max(0, iDigits - CountIntegerDigits(dValue));
  double dPower = std::pow(10.0, iDecimals);
  const double dRounded = std::round(dValue * dPower) / dPower;
  // 999.96 kB rounds to a thousand: it is 1.000 MB.
  if (dRounded >= 1000 && iUnit > 0 && iUnit < kLastUnit) {
    ++iUnit;
    dValue = dRounded / 1000;
    iDecimals = iDigits - 1;
  } else if (CountIntegerDigits(dRounded) > CountIntegerDigits(dValue) && iDecimals > 0) {
    --iDecimals;
  }
  std::snprintf(szFigure, sizeof szFigure, "%s%.*f %s", llBytes < 0 ? "-" : "", iDecimals, dValue,
                kUnitNames[iUnit]);
}

bool WritePageStart(std::FILE* pOut, const report_t& tReport, const char* szKind,
                    const char* szFrom, const char* szTo, const char* szPer) {
  std::fprintf(pOut,
               "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
               "<title>netreckon: %straffic from %s to %s</title>\n",
               szKind, szFrom, szTo);
  std::fputs(kPageStyle, pOut);
  std::fprintf(pOut, "</head>\n<body>\n<h1>%s from %s to %s</h1>\n",
               szKind[0] == '\0' ? "Traffic" : "Monthly traffic", szFrom, szTo);
  if (tReport.iDays == 0) {
    std::fputs("<p>No readings in this range.</p>\n</body>\n</html>\n", pOut);
    return false;
  }
  // A group counts its addresses.
  std::size_t iHosts = 0;
  for (const host_figures_t& tHost : tReport.tHosts) {
    iHosts += tHost.tMembers.empty() ? 1 : tHost.tMembers.size();
  }
  std::fprintf(pOut, "<p>Traffic per %s, %zu host%s together.</p>\n", szPer, iHosts,
               iHosts == 1 ? "" : "s");
  return true;
}

void WritePageChart(std::FILE* pOut, const std::vector<page_column_t>& tColumns,
                    const std::vector<double>& tIn, const std::vector<double>& tOut,
                    const char* szPer, const page_unit_t& tUnit) {
  double dMax = 0;
  for (std::size_t iColumn = 0; iColumn < tColumns.size(); ++iColumn) {
    dMax = std::max(dMax, ClampAtZero(tIn[iColumn]) + ClampAtZero(tOut[iColumn]));
  }
  const double dMaxInUnit = (dMax > 0 ? dMax : 1) / tUnit.dPerMegabyte;
  const double dStep = ChooseTickStep(dMaxInUnit);
  const double dTopValue = dStep * std::ceil(dMaxInUnit / dStep);
  const int iDecimals = dStep >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(dStep)));
  const double dPlotWidth = kWidth - kLeft - kRight;
  const double dPlotHeight = kHeight - kTop - kBottom;
  const double dBase = kTop + dPlotHeight;
  const auto ToY = [&](double dMegabytes) {
    return dBase - dMegabytes / tUnit.dPerMegabyte / dTopValue * dPlotHeight;
  };

  std::fprintf(pOut,
               "<svg viewBox=\"0 0 %.0f %.0f\" role=\"img\" aria-label=\"%s per %s\" "
               "font-family=\"sans-serif\" font-size=\"12\" fill=\"#333\">\n",
               kWidth, kHeight, tUnit.szName, szPer);
  const auto iTicks = static_cast<int>(std::lround(dTopValue / dStep));
  for (int iTick = 0; iTick <= iTicks; ++iTick) {
    const double dTick = iTick * dStep;
    const double dY = dBase - dTick / dTopValue * dPlotHeight;
    std::fprintf(pOut,
                 "<line x1=\"%.1f\" x2=\"%.1f\" y1=\"%.1f\" y2=\"%.1f\" stroke=\"%s\"/>"
                 "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">%.*f</text>\n",
                 kLeft, kWidth - kRight, dY, dY, dTick == 0 ? "#888" : "#e4e4e4", kLeft - 6, dY + 4,
                 iDecimals, dTick);
  }
  std::fprintf(pOut,
               "<text transform=\"translate(16 %.1f) rotate(-90)\" text-anchor=\"middle\">%s per "
               "%s</text>\n",
               kTop + dPlotHeight / 2, tUnit.szName, szPer);

  const auto iCount = static_cast<double>(tColumns.size());
  const double dPitch = dPlotWidth / iCount;
  // Columns of a short range stay columns, not slabs.
  const double dBarWidth = dPitch * 0.7 < 90 ? dPitch * 0.7 : 90;
  const bool bMany = tColumns.size() > 16;
  for (std::size_t iColumn = 0; iColumn < tColumns.size(); ++iColumn) {
    const page_column_t& tColumn = tColumns[iColumn];
    const double dLeft = kLeft + dPitch * static_cast<double>(iColumn);
    const double dX = dLeft + (dPitch - dBarWidth) / 2;
    if (tColumn.bNoData) {
      // No snapshot that day: its traffic shows on the next day that has one. The words fit
      // only a wide column; narrow ones would overlap, and keep their tooltip.
      std::fprintf(pOut,
                   "<g class=\"nodata\"><title>%s: no data</title><rect x=\"%.1f\" y=\"%.1f\" "
                   "width=\"%.1f\" height=\"%.1f\" fill=\"#ececec\"/>",
                   tColumn.szTitle.c_str(), dX, kTop, dBarWidth, dPlotHeight);
      if (dPitch >= kNoDataWidth) {
        std::fprintf(pOut,
                     "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\" fill=\"#999\" "
                     "font-size=\"10\">no data</text>",
                     dLeft + dPitch / 2, dBase - 6);
      }
      std::fputs("</g>\n", pOut);
    } else {
      const double dIn = ClampAtZero(tIn[iColumn]);
      const double dOut = ClampAtZero(tOut[iColumn]);
      // A period the report covers only in part is drawn pale, so that it is not read as whole.
      std::fprintf(pOut, "<g%s><title>%s%s: in ",
                   tColumn.szCoverage.empty() ? "" : " class=\"partial\" opacity=\"0.5\"",
                   tColumn.szTitle.c_str(), tColumn.szCoverage.c_str());
      WriteFigure(pOut, tIn[iColumn], kTipDigits);
      std::fputs(", out ", pOut);
      WriteFigure(pOut, tOut[iColumn], kTipDigits);
      std::fputs("</title>", pOut);
      std::fprintf(pOut,
                   "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"%s\"/>"
                   "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"%s\"/></g>\n",
                   dX, ToY(dIn), dBarWidth, dBase - ToY(dIn), kInColour, dX, ToY(dIn + dOut),
                   dBarWidth, ToY(dIn) - ToY(dIn + dOut), kOutColour);
    }
    // A column that may lack traffic carries a mark above it, the reason on hovering.
    if (!tColumn.szLoss.empty()) {
      std::fprintf(pOut,
                   "<g class=\"incomplete\"><title>%s%s: incomplete: ", tColumn.szTitle.c_str(),
                   tColumn.szCoverage.c_str());
      WriteHtmlText(pOut, tColumn.szLoss.c_str());
      std::fprintf(pOut,
                   "</title><text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\" fill=\"#c00\" "
                   "font-weight=\"bold\">!</text></g>\n",
                   dLeft + dPitch / 2, kTop - 4);
    }
    // Over more than a month of days, the months' starts carry the months' names; else every
    // day, or every few days, its own.
    if (tColumns.size() > 31) {
      if (!tColumn.szMonthStart.empty()) {
        std::fprintf(pOut,
                     "<line x1=\"%.1f\" x2=\"%.1f\" y1=\"%.1f\" y2=\"%.1f\" stroke=\"#888\"/>"
                     "<text x=\"%.1f\" y=\"%.1f\">%s</text>\n",
                     dLeft, dLeft, dBase, dBase + 8, dLeft + 2, dBase + 18,
                     tColumn.szMonthStart.c_str());
      }
    } else if (!bMany || iColumn % ((tColumns.size() + 30) / 31) == 0) {
      std::fprintf(pOut, "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">%s</text>\n",
                   dLeft + dPitch / 2, dBase + 18, tColumn.szLabel.c_str());
      if (!tColumn.szCoverage.empty()) {
        // ", 2 of 31 days" under the label, without its comma.
        std::fprintf(pOut,
                     "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\" font-size=\"10\" "
                     "fill=\"#777\">%s</text>\n",
                     dLeft + dPitch / 2, dBase + 32, tColumn.szCoverage.c_str() + 2);
      }
    }
  }
  std::fputs("</svg>\n", pOut);
  std::fprintf(pOut,
               "<p><span class=\"key\" style=\"background:%s\"></span>incoming"
               "<span class=\"key\" style=\"background:%s\"></span>outgoing"
               "<span class=\"key\" style=\"background:#ececec\"></span>no data",
               kInColour, kOutColour);
  if (std::any_of(tColumns.begin(), tColumns.end(),
                  [](const page_column_t& tColumn) { return !tColumn.szCoverage.empty(); })) {
    std::fprintf(pOut,
                 "<span class=\"key\" style=\"background:%s;opacity:0.5\"></span>partial "
                 "period: only some of its days are in the range",
                 kInColour);
  }
  std::fputs("</p>\n", pOut);
}

double GetPageRowLargest(const page_row_t& tRow) {
  double dLargest = 0;
  double dRowTotal = 0;
  for (std::size_t iColumn = 0; iColumn < tRow.tIn.size(); ++iColumn) {
    const double dCell = std::fabs(tRow.tIn[iColumn] + tRow.tOut[iColumn]);
    dRowTotal += tRow.tIn[iColumn] + tRow.tOut[iColumn];
    dLargest = std::max(dLargest, dCell);
  }
  return std::max(dLargest, std::fabs(dRowTotal));
}

page_unit_t ChoosePageUnit(const report_t& tReport, double dLargestRow) {
  return ChooseUnit(std::max({std::fabs(tReport.dInTotal), std::fabs(tReport.dOutTotal),
                              std::fabs(tReport.dInTotal + tReport.dOutTotal), dLargestRow}));
}

void WritePageTableHead(std::FILE* pOut, const std::vector<page_column_t>& tColumns) {
  const bool bMany = tColumns.size() > 16;
  std::fprintf(pOut,
               "<h2>Per host, incoming and outgoing together</h2>\n"
               "<div class=\"wrap\"><table%s>\n<thead><tr><th>Host</th>",
               bMany ? " class=\"many\"" : "");
  for (const page_column_t& tColumn : tColumns) {
    std::fprintf(pOut, "<th%s%s title=\"%s%s%s", tColumn.bNoData ? " class=\"nodata\"" : "",
                 tColumn.szLoss.empty() ? "" : " style=\"color:#c00\"", tColumn.szTitle.c_str(),
                 tColumn.szCoverage.c_str(), tColumn.bNoData ? ": no data" : "");
    if (!tColumn.szLoss.empty()) {
      std::fputs(": incomplete: ", pOut);
      WriteHtmlText(pOut, tColumn.szLoss.c_str());
    }
    std::fprintf(pOut, "\">%s%s", tColumn.szLabel.c_str(), tColumn.szLoss.empty() ? "" : "!");
    if (!tColumn.szCoverage.empty()) {
      std::fprintf(pOut, "<br><small>%s</small>", tColumn.szCoverage.c_str() + 2);
    }
    std::fputs("</th>", pOut);
  }
  std::fputs("<th class=\"sum\">Total</th></tr></thead>\n<tbody>\n", pOut);
}

void WritePageTableRow(std::FILE* pOut, const std::vector<page_column_t>& tColumns,
                       const page_row_t& tRow) {
  double dTotal = 0;
  for (std::size_t iColumn = 0; iColumn < tColumns.size(); ++iColumn) {
    dTotal += tRow.tIn[iColumn] + tRow.tOut[iColumn];
  }
  std::fputs(tRow.bSum ? "<tr class=\"sum\"><td" : "<tr><td", pOut);
  WriteRowTitle(pOut, {tRow.szTitle, tRow.szName, tRow.szTip});
  std::fputs("</td>", pOut);
  for (std::size_t iColumn = 0; iColumn < tColumns.size(); ++iColumn) {
    const double dCell = tRow.tIn[iColumn] + tRow.tOut[iColumn];
    if (tColumns[iColumn].bNoData && dCell == 0) {
      std::fputs("<td class=\"nodata\" title=\"no data\">&ndash;</td>", pOut);
      continue;
    }
    std::fputs("<td title=\"in ", pOut);
    WriteFigure(pOut, tRow.tIn[iColumn], kTipDigits);
    std::fputs(", out ", pOut);
    WriteFigure(pOut, tRow.tOut[iColumn], kTipDigits);
    std::fputs("\">", pOut);
    WriteCellFigure(pOut, dCell);
    std::fputs("</td>", pOut);
  }
  std::fputs("<td class=\"sum\">", pOut);
  WriteCellFigure(pOut, dTotal);
  std::fputs("</td></tr>\n", pOut);
}

void WritePageTableEnd(std::FILE* pOut) { std::fputs("</tbody></table></div>\n", pOut); }

void WriteBillTable(std::FILE* pOut, const report_t& tReport) {
  struct bill_row_t {
    host_label_t tLabel;
    double dIn;
    double dOut;
    const char* szClass;
  };
  std::vector<bill_row_t> tRows;
  for (std::size_t iIdx = 0; iIdx < tReport.iShown; ++iIdx) {
    const host_figures_t& tHost = tReport.tHosts[iIdx];
    tRows.push_back({GetHostLabel(tHost), tHost.dInTotal, tHost.dOutTotal, ""});
  }
  std::stable_sort(tRows.begin(), tRows.end(),
                   [](const bill_row_t& tLeft, const bill_row_t& tRight) {
                     return tLeft.dIn + tLeft.dOut > tRight.dIn + tRight.dOut;
                   });
  if (tReport.iShown < tReport.tHosts.size()) {
    tRows.push_back(
        {{"other hosts (" + std::to_string(tReport.tHosts.size() - tReport.iShown) + ")", "", ""},
         tReport.tOthers.dInTotal,
         tReport.tOthers.dOutTotal,
         ""});
  }
  tRows.push_back({{"All hosts", "", ""}, tReport.dInTotal, tReport.dOutTotal, " class=\"sum\""});
  // The days the bill covers, which a period of the table may hold only some of.
  char szFrom[kIsoDateBuf];
  char szTo[kIsoDateBuf];
  FormatReportDay(tReport, 0, szFrom);
  FormatReportDay(tReport, tReport.iDays - 1, szTo);
  std::fprintf(pOut,
               "<h2>Per host from %s to %s</h2>\n<div class=\"wrap\"><table "
               "class=\"bill\">\n<thead><tr><th>Host</th><th>Incoming</th><th>Outgoing</th>"
               "<th class=\"sum\">Total</th></tr></thead>\n<tbody>\n",
               szFrom, szTo);
  for (const bill_row_t& tRow : tRows) {
    std::fprintf(pOut, "<tr%s><td", tRow.szClass);
    WriteRowTitle(pOut, tRow.tLabel);
    std::fputs("</td><td>", pOut);
    WriteFigure(pOut, tRow.dIn, kTipDigits);
    std::fputs("</td><td>", pOut);
    WriteFigure(pOut, tRow.dOut, kTipDigits);
    std::fputs("</td><td class=\"sum\">", pOut);
    WriteFigure(pOut, tRow.dIn + tRow.dOut, kTipDigits);
    std::fputs("</td></tr>\n", pOut);
  }
  std::fputs("</tbody></table></div>\n", pOut);
}

void WritePageFoot(std::FILE* pOut, const report_t& tReport) {
  std::fputs("<p class=\"foot\">Totals in: ", pOut);
  WriteFigure(pOut, tReport.dInTotal, kTipDigits);
  std::fputs(", out: ", pOut);
  WriteFigure(pOut, tReport.dOutTotal, kTipDigits);
  std::fputs(", together: ", pOut);
  WriteFigure(pOut, tReport.dInTotal + tReport.dOutTotal, kTipDigits);
  std::fputs(".</p>\n</body>\n</html>\n", pOut);
}
