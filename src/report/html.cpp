// The HTML report: one table without line breaks, styled by two linked stylesheets.
#include <string>

#include "report/report.h"

namespace {

constexpr const char* kHtmlHead =
    "        <html>"
    "        <link rel='stylesheet' type='text/css' href='vivovo.css'>"
    "        <link rel='stylesheet' type='text/css' href='red.css'>"
    "        <body>"
    "        <b>Bandwidth usage from: %s to %s</b>"
    "        <table class=\"bwmg\" cellspacing=\"1\">"
    "        <tbody>"
    "        <tr class=\"header\">"
    "        <td class=\"rtitle\">Host</td>"
    "        <td class=\"dl\">Download</td>"
    "        <td class=\"ul\">Upload</td>"
    "        <td class=\"total\">Total</td>"
    "        </tr>";

constexpr const char* kHtmlTail = "        </html>        </body>        ";

constexpr const char* kHostIndent = "            ";
constexpr const char* kTotalsIndent = "        ";

// One table row; every piece of it follows the same indent. The title is written escaped.
void WriteHtmlRow(std::FILE* pOut, const char* szIndent, const char* szClass, const char* szTitle,
                  double dIn, double dOut) {
  std::fprintf(pOut, "%s<tr class=\"%s\">%s<td class=\"rtitle\">", szIndent, szClass, szIndent);
  WriteHtmlText(pOut, szTitle);
  std::fprintf(pOut,
               "</td>%s<td class=\"dl\">%.2f MB</td>%s<td class=\"ul\">%.2f MB</td>"
               "%s<td class=\"total\">%.2f MB</td>%s</tr>",
               szIndent, dIn, szIndent, dOut, szIndent, dIn + dOut, szIndent);
}

}  // namespace

void WriteHtmlReport(std::FILE* pOut, const report_t& tReport) {
  char szFrom[kIsoDateBuf] = "none";
  char szTo[kIsoDateBuf] = "none";
  if (tReport.iDays > 0) {
    std::snprintf(szFrom, sizeof szFrom, "%llu", tReport.uiFrom);
    std::snprintf(szTo, sizeof szTo, "%llu", tReport.uiTo);
  }
  std::fprintf(pOut, kHtmlHead, szFrom, szTo);
  for (std::size_t iIdx = 0; iIdx < tReport.iShown; ++iIdx) {
    const host_figures_t& tHost = tReport.tHosts[iIdx];
    WriteHtmlRow(pOut, kHostIndent, iIdx % 2 == 0 ? "even" : "odd",
                 GetHostTitle(tReport, tHost).c_str(), tHost.dInTotal, tHost.dOutTotal);
  }
  if (tReport.iShown < tReport.tHosts.size()) {
    const std::string szOthers =
        "other hosts (" + std::to_string(tReport.tHosts.size() - tReport.iShown) + ")";
    WriteHtmlRow(pOut, kHostIndent, tReport.iShown % 2 == 0 ? "even" : "odd", szOthers.c_str(),
                 tReport.tOthers.dInTotal, tReport.tOthers.dOutTotal);
  }
  WriteHtmlRow(pOut, kTotalsIndent, "header", "Total", tReport.dInTotal, tReport.dOutTotal);
  std::fputs("        </tbody>        </table>", pOut);
  for (const partial_period_t& tPartial : ListPartialPeriods(tReport)) {
    std::fprintf(pOut, "        <p>Partial period [%s]: %s to %s</p>", tPartial.szLabel.c_str(),
                 tPartial.szFirst.c_str(), tPartial.szLast.c_str());
  }
  // The notices follow the table, so that a bill without them reads as before.
  for (const loss_window_t& tLoss : tReport.tLosses) {
    std::fputs("        <p class=\"incomplete\"><b>Incomplete:</b> ", pOut);
    WriteHtmlText(pOut, FormatLossNotice(tReport, tLoss).c_str());
    std::fputs("</p>", pOut);
  }
  std::fputs(kHtmlTail, pOut);
}
