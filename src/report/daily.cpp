// The daily page: one self-contained HTML page with a chart of all hosts' traffic per day and
// a table of hosts by days, for people.
#include <cmath>

#include "report/report.h"

namespace {

constexpr const char* kPageHead =
    "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
    "<title>netreckon: traffic from %s to %s</title>\n"
    "<style>\n"
    "body{font:14px/1.4 sans-serif;margin:16px;color:#222;background:#fff}\n"
    "h1{font-size:20px;margin:0 0 4px}h2{font-size:16px;margin:24px 0 8px}\n"
    "p{margin:0 0 12px;color:#555}p.foot{margin-top:12px}\n"
    ".key{display:inline-block;width:12px;height:12px;margin:0 4px 0 12px;"
    "vertical-align:-1px}\n"
    "svg{display:block;width:100%%;max-width:1200px;height:auto}\n"
    ".wrap{overflow-x:auto;max-width:100%%}\n"
    "table{border-collapse:collapse;font-size:12px;font-variant-numeric:tabular-nums}\n"
    "th,td{padding:3px 6px;text-align:right;white-space:nowrap;border-bottom:1px solid #e4e4e4}\n"
    "th{background:#f0f0f0;font-weight:600}\n"
    "th:first-child,td:first-child{text-align:left;position:sticky;left:0;background:#fff}\n"
    "th:first-child{background:#f0f0f0}\n"
    "td.sum,th.sum{font-weight:600;background:#f7f7f7}\n"
    "table.many{font-size:11px}table.many th,table.many td{padding:2px 4px}\n"
    "tr.sum td{font-weight:600;border-top:2px solid #999;background:#f7f7f7}\n"
    "</style>\n</head>\n<body>\n";

constexpr const char* kInColour = "#c0392b";
constexpr const char* kOutColour = "#4a7fb0";

// The chart's frame in SVG units.
constexpr double kWidth = 1200;
constexpr double kHeight = 360;
constexpr double kLeft = 72;
constexpr double kRight = 12;
constexpr double kTop = 14;
constexpr double kBottom = 56;

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

void WriteChart(std::FILE* pOut, const report_t& tReport) {
  double dMax = 0;
  for (const day_figures_t& tDay : tReport.tDays) {
    const double dDay = ClampAtZero(tDay.dIn) + ClampAtZero(tDay.dOut);
    dMax = dDay > dMax ? dDay : dMax;
  }
  const double dStep = ChooseTickStep(dMax > 0 ? dMax : 1);
  const double dTopValue = dStep * std::ceil((dMax > 0 ? dMax : 1) / dStep);
  const int iDecimals = dStep >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(dStep)));
  const double dPlotWidth = kWidth - kLeft - kRight;
  const double dPlotHeight = kHeight - kTop - kBottom;
  const double dBase = kTop + dPlotHeight;
  const auto ToY = [&](double dValue) { return dBase - dValue / dTopValue * dPlotHeight; };

  std::fprintf(pOut,
               "<svg viewBox=\"0 0 %.0f %.0f\" role=\"img\" aria-label=\"MB per day\" "
               "font-family=\"sans-serif\" font-size=\"12\" fill=\"#333\">\n",
               kWidth, kHeight);
  const auto iTicks = static_cast<int>(std::lround(dTopValue / dStep));
  for (int iTick = 0; iTick <= iTicks; ++iTick) {
    const double dTick = iTick * dStep;
    std::fprintf(pOut,
                 "<line x1=\"%.1f\" x2=\"%.1f\" y1=\"%.1f\" y2=\"%.1f\" stroke=\"%s\"/>"
                 "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">%.*f</text>\n",
                 kLeft, kWidth - kRight, ToY(dTick), ToY(dTick), dTick == 0 ? "#888" : "#e4e4e4",
                 kLeft - 6, ToY(dTick) + 4, iDecimals, dTick);
  }
  std::fprintf(pOut,
               "<text transform=\"translate(16 %.1f) rotate(-90)\" text-anchor=\"middle\">MB per "
               "day</text>\n",
               kTop + dPlotHeight / 2);

  const double dPitch = dPlotWidth / tReport.iDays;
  // Columns of a short range stay columns, not slabs.
  const double dBarWidth = dPitch * 0.7 < 90 ? dPitch * 0.7 : 90;
  day_cursor_t tCursor = {&tReport.tDays, 0};
  for (int iDay = 0; iDay < tReport.iDays; ++iDay) {
    char szDate[kIsoDateBuf];
    FormatReportDay(tReport, iDay, szDate);
    const day_figures_t tDay = GetNextDayFigures(tCursor, iDay);
    const double dIn = ClampAtZero(tDay.dIn);
    const double dOut = ClampAtZero(tDay.dOut);
    const double dX = kLeft + dPitch * iDay + (dPitch - dBarWidth) / 2;
    std::fprintf(pOut, "<g><title>%s: in %.2f MB, out %.2f MB</title>", szDate, tDay.dIn,
                 tDay.dOut);
    std::fprintf(pOut,
                 "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"%s\"/>"
                 "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"%s\"/></g>\n",
                 dX, ToY(dIn), dBarWidth, dBase - ToY(dIn), kInColour, dX, ToY(dIn + dOut),
                 dBarWidth, ToY(dIn) - ToY(dIn + dOut), kOutColour);
    // Month and day under few columns; the day alone under many, the month where it begins.
    const double dCentre = kLeft + dPitch * iDay + dPitch / 2;
    std::fprintf(pOut, "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">%s</text>\n", dCentre,
                 dBase + 18, tReport.iDays <= 16 ? szDate + 5 : szDate + 8);
    if (tReport.iDays > 16 && (iDay == 0 || (szDate[8] == '0' && szDate[9] == '1'))) {
      std::fprintf(pOut,
                   "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"start\" fill=\"#777\">%.7s</text>\n",
                   kLeft + dPitch * iDay + (dPitch - dBarWidth) / 2, dBase + 38, szDate);
    }
  }
  std::fputs("</svg>\n", pOut);
}

void WriteTable(std::FILE* pOut, const report_t& tReport) {
  // A month of columns fits 1280 pixels only as whole MB under the day alone; the cell's title
  // keeps the exact figures.
  const bool bMany = tReport.iDays > 16;
  std::fprintf(pOut, "<div class=\"wrap\"><table%s>\n<thead><tr><th>Host</th>",
               bMany ? " class=\"many\"" : "");
  for (int iDay = 0; iDay < tReport.iDays; ++iDay) {
    char szDate[kIsoDateBuf];
    FormatReportDay(tReport, iDay, szDate);
    std::fprintf(pOut, "<th title=\"%s\">%s</th>", szDate, szDate + (bMany ? 8 : 5));
  }
  std::fputs("<th class=\"sum\">Total</th></tr></thead>\n<tbody>\n", pOut);
  const int iDecimals = bMany ? 0 : 2;
  const auto WriteCell = [pOut, iDecimals](const char* szClass, double dIn, double dOut) {
    std::fprintf(pOut, "<td%s title=\"in %.2f MB, out %.2f MB\">%.*f</td>", szClass, dIn, dOut,
                 iDecimals, dIn + dOut);
  };
  for (const host_figures_t& tHost : tReport.tHosts) {
    std::fputs("<tr><td>", pOut);
    WriteHtmlText(pOut, tHost.szHost);
    std::fputs("</td>", pOut);
    day_cursor_t tCursor = {&tHost.tDays, 0};
    for (int iDay = 0; iDay < tReport.iDays; ++iDay) {
      const day_figures_t tDay = GetNextDayFigures(tCursor, iDay);
      WriteCell("", tDay.dIn, tDay.dOut);
    }
    WriteCell(" class=\"sum\"", tHost.dInTotal, tHost.dOutTotal);
    std::fputs("</tr>\n", pOut);
  }
  std::fputs("<tr class=\"sum\"><td>All hosts</td>", pOut);
  day_cursor_t tAllDays = {&tReport.tDays, 0};
  for (int iDay = 0; iDay < tReport.iDays; ++iDay) {
    const day_figures_t tDay = GetNextDayFigures(tAllDays, iDay);
    WriteCell("", tDay.dIn, tDay.dOut);
  }
  WriteCell("", tReport.dInTotal, tReport.dOutTotal);
  std::fputs("</tr>\n</tbody></table></div>\n", pOut);
}

}  // namespace

void WriteDailyPage(std::FILE* pOut, const report_t& tReport) {
  char szFrom[kIsoDateBuf] = "none";
  char szTo[kIsoDateBuf] = "none";
  if (tReport.iDays > 0) {
    FormatReportDay(tReport, 0, szFrom);
    FormatReportDay(tReport, tReport.iDays - 1, szTo);
  }
  std::fprintf(pOut, kPageHead, szFrom, szTo);
  std::fprintf(pOut, "<h1>Traffic from %s to %s</h1>\n", szFrom, szTo);
  if (tReport.iDays == 0) {
    std::fputs("<p>No readings in this range.</p>\n</body>\n</html>\n", pOut);
    return;
  }
  std::fprintf(pOut,
               "<p>Megabytes (1,000,000 bytes) per day, %d host%s together:"
               "<span class=\"key\" style=\"background:%s\"></span>incoming"
               "<span class=\"key\" style=\"background:%s\"></span>outgoing</p>\n",
               static_cast<int>(tReport.tHosts.size()), tReport.tHosts.size() == 1 ? "" : "s",
               kInColour, kOutColour);
  WriteChart(pOut, tReport);
  std::fputs("<h2>Per host and day, incoming and outgoing together, in MB</h2>\n", pOut);
  WriteTable(pOut, tReport);
  std::fprintf(pOut,
               "<p class=\"foot\">Totals in: %.2f MB, out: %.2f MB, together: %.2f MB.</p>\n"
               "</body>\n</html>\n",
               tReport.dInTotal, tReport.dOutTotal, tReport.dInTotal + tReport.dOutTotal);
}
