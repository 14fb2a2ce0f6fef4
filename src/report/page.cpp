// The daily and monthly pages' shared parts: frame, stacked chart and table of hosts.
#include "report/page.h"

#include <algorithm>
#include <cmath>

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
    "td.sum,th.sum{font-weight:600;background:#f7f7f7}\n"
    "th.nodata,td.nodata{background:#f3f3f3;color:#999}\n"
    "table.many{font-size:10px}table.many th,table.many td{padding:2px 2px}\n"
    "table.many th:first-child,table.many td:first-child{max-width:150px}\n"
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

// The smallest unit that keeps a figure within four digits before the decimal point (9,999.9
// rounds up to five).
page_unit_t ChooseUnit(double dLargestMegabytes) {
  constexpr page_unit_t kUnits[] = {{"MB", 1, 1}, {"GB", 1e3, 1}, {"TB", 1e6, 1}, {"PB", 1e9, 1}};
  for (const page_unit_t& tUnit : kUnits) {
    if (dLargestMegabytes / tUnit.dPerMegabyte < 9999.95) {
      return tUnit;
    }
  }
  return kUnits[3];
}

long long PowerOfTen(int iDecimals) { return iDecimals >= 3 ? 1000 : iDecimals == 2 ? 100 : 10; }

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

// Units of 10^-decimals, each cell rounded down and the rest handed to the cells that lost the
// most, so that the cells add up to the rounded total exactly.
std::vector<long long> RoundCellsToTotal(const std::vector<double>& tCells,
                                         const page_unit_t& tUnit, long long& llTotal) {
  const double dPerUnit =
      tUnit.dPerMegabyte / static_cast<double>(PowerOfTen(tUnit.iDecimals)) * 10;
  std::vector<long long> tTenths(tCells.size());
  std::vector<std::pair<double, std::size_t>> tLost(tCells.size());
  double dSum = 0;
  long long llFloors = 0;
  for (std::size_t iCell = 0; iCell < tCells.size(); ++iCell) {
    const double dTenths = tCells[iCell] / dPerUnit * 10;
    dSum += dTenths;
    tTenths[iCell] = static_cast<long long>(std::floor(dTenths));
    llFloors += tTenths[iCell];
    tLost[iCell] = {dTenths - std::floor(dTenths), iCell};
  }
  llTotal = std::llround(dSum);
  std::stable_sort(tLost.begin(), tLost.end(), [](const auto& tLeft, const auto& tRight) {
    return tLeft.first > tRight.first;
  });
  for (long long llLeft = llTotal - llFloors, iAt = 0;
       llLeft > 0 && static_cast<std::size_t>(iAt) < tLost.size(); --llLeft, ++iAt) {
    ++tTenths[tLost[static_cast<std::size_t>(iAt)].second];
  }
  return tTenths;
}

// A figure in units of 10^-decimals, written with its decimals.
void WriteScaled(std::FILE* pOut, long long llScaled, int iDecimals) {
  const long long llPower = PowerOfTen(iDecimals);
  std::fprintf(pOut, "%s%lld.%0*lld", llScaled < 0 ? "-" : "", std::llabs(llScaled) / llPower,
               iDecimals, std::llabs(llScaled) % llPower);
}

}  // namespace

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
      // No snapshot that day: its traffic shows on the next day that has one.
      std::fprintf(pOut,
                   "<g class=\"nodata\"><title>%s: no data</title><rect x=\"%.1f\" y=\"%.1f\" "
                   "width=\"%.1f\" height=\"%.1f\" fill=\"#ececec\"/><text x=\"%.1f\" y=\"%.1f\" "
                   "text-anchor=\"middle\" fill=\"#999\" font-size=\"10\">no data</text></g>\n",
                   tColumn.szTitle.c_str(), dX, kTop, dBarWidth, dPlotHeight, dLeft + dPitch / 2,
                   dBase - 6);
    } else {
      const double dIn = ClampAtZero(tIn[iColumn]);
      const double dOut = ClampAtZero(tOut[iColumn]);
      std::fprintf(pOut, "<g><title>%s: in %.*f %s, out %.*f %s</title>", tColumn.szTitle.c_str(),
                   tUnit.iDecimals + 1, tIn[iColumn] / tUnit.dPerMegabyte, tUnit.szName,
                   tUnit.iDecimals + 1, tOut[iColumn] / tUnit.dPerMegabyte, tUnit.szName);
      std::fprintf(pOut,
                   "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"%s\"/>"
                   "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"%s\"/></g>\n",
                   dX, ToY(dIn), dBarWidth, dBase - ToY(dIn), kInColour, dX, ToY(dIn + dOut),
                   dBarWidth, ToY(dIn) - ToY(dIn + dOut), kOutColour);
    }
    // A column that may lack traffic carries a mark above it, the reason on hovering.
    if (!tColumn.szLoss.empty()) {
      std::fprintf(pOut,
                   "<g class=\"incomplete\"><title>%s: incomplete: ", tColumn.szTitle.c_str());
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
    }
  }
  std::fputs("</svg>\n", pOut);
  std::fprintf(pOut,
               "<p><span class=\"key\" style=\"background:%s\"></span>incoming"
               "<span class=\"key\" style=\"background:%s\"></span>outgoing"
               "<span class=\"key\" style=\"background:#ececec\"></span>no data</p>\n",
               kInColour, kOutColour);
}

page_unit_t ChoosePageUnit(const report_t& tReport, const std::vector<page_row_t>& tRows) {
  double dLargest = std::max({std::fabs(tReport.dInTotal), std::fabs(tReport.dOutTotal),
                              std::fabs(tReport.dInTotal + tReport.dOutTotal)});
  double dLargestHostCell = 0;
  for (const page_row_t& tRow : tRows) {
    double dRowTotal = 0;
    for (std::size_t iColumn = 0; iColumn < tRow.tIn.size(); ++iColumn) {
      const double dCell = std::fabs(tRow.tIn[iColumn] + tRow.tOut[iColumn]);
      dRowTotal += tRow.tIn[iColumn] + tRow.tOut[iColumn];
      dLargest = std::max(dLargest, dCell);
      dLargestHostCell =
          tRow.bSum || tRow.bOthers ? dLargestHostCell : std::max(dLargestHostCell, dCell);
    }
    dLargest = std::max(dLargest, std::fabs(dRowTotal));
  }
  page_unit_t tUnit = ChooseUnit(dLargest);
  // A unit chosen by a large total may leave the hosts' cells below one: more decimals then.
  const double dCellInUnit = dLargestHostCell / tUnit.dPerMegabyte;
  tUnit.iDecimals = dCellInUnit >= 1 || dLargestHostCell == 0 ? 1 : dCellInUnit >= 0.1 ? 2 : 3;
  return tUnit;
}

void WritePageTable(std::FILE* pOut, const std::vector<page_column_t>& tColumns,
                    const std::vector<page_row_t>& tRows, const page_unit_t& tUnit) {
  const bool bMany = tColumns.size() > 16;
  std::fprintf(pOut,
               "<h2>Per host, incoming and outgoing together, in %s</h2>\n"
               "<div class=\"wrap\"><table%s>\n<thead><tr><th>Host</th>",
               tUnit.szName, bMany ? " class=\"many\"" : "");
  for (const page_column_t& tColumn : tColumns) {
    if (!tColumn.szLoss.empty()) {
      std::fprintf(pOut, "<th%s style=\"color:#c00\" title=\"%s%s: incomplete: ",
                   tColumn.bNoData ? " class=\"nodata\"" : "", tColumn.szTitle.c_str(),
                   tColumn.bNoData ? ": no data" : "");
      WriteHtmlText(pOut, tColumn.szLoss.c_str());
      std::fprintf(pOut, "\">%s!</th>", tColumn.szLabel.c_str());
      continue;
    }
    std::fprintf(pOut, "<th%s title=\"%s%s\">%s</th>", tColumn.bNoData ? " class=\"nodata\"" : "",
                 tColumn.szTitle.c_str(), tColumn.bNoData ? ": no data" : "",
                 tColumn.szLabel.c_str());
  }
  std::fputs("<th class=\"sum\">Total</th></tr></thead>\n<tbody>\n", pOut);
  for (const page_row_t& tRow : tRows) {
    std::vector<double> tCells(tColumns.size());
    for (std::size_t iColumn = 0; iColumn < tColumns.size(); ++iColumn) {
      tCells[iColumn] = tRow.tIn[iColumn] + tRow.tOut[iColumn];
    }
    long long llTotal = 0;
    const std::vector<long long> tScaled = RoundCellsToTotal(tCells, tUnit, llTotal);
    std::fputs(tRow.bSum ? "<tr class=\"sum\"><td" : "<tr><td", pOut);
    if (!tRow.szTip.empty()) {
      std::fputs(" title=\"", pOut);
      WriteHtmlText(pOut, tRow.szTip.c_str());
      std::fputc('"', pOut);
    }
    std::fputc('>', pOut);
    WriteHtmlText(pOut, tRow.szTitle.c_str());
    if (!tRow.szName.empty()) {
      std::fputs(" <span class=\"name\">", pOut);
      WriteHtmlText(pOut, tRow.szName.c_str());
      std::fputs("</span>", pOut);
    }
    std::fputs("</td>", pOut);
    for (std::size_t iColumn = 0; iColumn < tColumns.size(); ++iColumn) {
      if (tColumns[iColumn].bNoData && tCells[iColumn] == 0) {
        std::fputs("<td class=\"nodata\" title=\"no data\">&ndash;</td>", pOut);
        continue;
      }
      std::fprintf(pOut, "<td title=\"in %.*f %s, out %.*f %s\">", tUnit.iDecimals + 1,
                   tRow.tIn[iColumn] / tUnit.dPerMegabyte, tUnit.szName, tUnit.iDecimals + 1,
                   tRow.tOut[iColumn] / tUnit.dPerMegabyte, tUnit.szName);
      WriteScaled(pOut, tScaled[iColumn], tUnit.iDecimals);
      std::fputs("</td>", pOut);
    }
    std::fputs("<td class=\"sum\">", pOut);
    WriteScaled(pOut, llTotal, tUnit.iDecimals);
    std::fputs("</td></tr>\n", pOut);
  }
  std::fputs("</tbody></table></div>\n", pOut);
}

void WriteBillTable(std::FILE* pOut, const report_t& tReport, const page_unit_t& tUnit) {
  struct bill_row_t {
    const host_figures_t* pHost;  // nullptr: the others' or all hosts' row
    std::string szTitle;
    double dIn;
    double dOut;
    const char* szClass;
  };
  std::vector<bill_row_t> tRows;
  for (std::size_t iIdx = 0; iIdx < tReport.iShown; ++iIdx) {
    const host_figures_t& tHost = tReport.tHosts[iIdx];
    tRows.push_back({&tHost, tHost.szHost, tHost.dInTotal, tHost.dOutTotal, ""});
  }
  std::stable_sort(tRows.begin(), tRows.end(),
                   [](const bill_row_t& tLeft, const bill_row_t& tRight) {
                     return tLeft.dIn + tLeft.dOut > tRight.dIn + tRight.dOut;
                   });
  if (tReport.iShown < tReport.tHosts.size()) {
    tRows.push_back({nullptr,
                     "other hosts (" + std::to_string(tReport.tHosts.size() - tReport.iShown) + ")",
                     tReport.tOthers.dInTotal, tReport.tOthers.dOutTotal, ""});
  }
  tRows.push_back({nullptr, "All hosts", tReport.dInTotal, tReport.dOutTotal, " class=\"sum\""});
  std::fprintf(pOut,
               "<h2>Per host over the range, in %s</h2>\n<div class=\"wrap\"><table "
               "class=\"bill\">\n<thead><tr><th>Host</th><th>Incoming</th><th>Outgoing</th>"
               "<th class=\"sum\">Total</th></tr></thead>\n<tbody>\n",
               tUnit.szName);
  for (const bill_row_t& tRow : tRows) {
    std::fprintf(pOut, "<tr%s><td", tRow.szClass);
    std::string szTip;
    if (tRow.pHost != nullptr) {
      for (const std::string& szMember : tRow.pHost->tMembers) {
        szTip += (szTip.empty() ? "" : ", ") + szMember;
      }
    }
    if (!szTip.empty()) {
      std::fputs(" title=\"", pOut);
      WriteHtmlText(pOut, szTip.c_str());
      std::fputc('"', pOut);
    }
    std::fputc('>', pOut);
    WriteHtmlText(pOut, tRow.szTitle.c_str());
    if (tRow.pHost != nullptr && tRow.pHost->tMembers.empty() && !tRow.pHost->szName.empty()) {
      std::fputs(" <span class=\"name\">", pOut);
      WriteHtmlText(pOut, tRow.pHost->szName.c_str());
      std::fputs("</span>", pOut);
    }
    long long llTotal = 0;
    const std::vector<long long> tScaled = RoundCellsToTotal({tRow.dIn, tRow.dOut}, tUnit, llTotal);
    std::fputs("</td><td>", pOut);
    WriteScaled(pOut, tScaled[0], tUnit.iDecimals);
    std::fputs("</td><td>", pOut);
    WriteScaled(pOut, tScaled[1], tUnit.iDecimals);
    std::fputs("</td><td class=\"sum\">", pOut);
    WriteScaled(pOut, llTotal, tUnit.iDecimals);
    std::fputs("</td></tr>\n", pOut);
  }
  std::fputs("</tbody></table></div>\n", pOut);
}

void WritePageFoot(std::FILE* pOut, const report_t& tReport, const page_unit_t& tUnit) {
  const double dPer = tUnit.dPerMegabyte;
  std::fprintf(pOut,
               "<p class=\"foot\">Totals in: %.2f %s, out: %.2f %s, together: %.2f %s.</p>\n"
               "</body>\n</html>\n",
               tReport.dInTotal / dPer, tUnit.szName, tReport.dOutTotal / dPer, tUnit.szName,
               (tReport.dInTotal + tReport.dOutTotal) / dPer, tUnit.szName);
}
