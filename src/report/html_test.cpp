// Tests of the HTML report: every row of a report pinned, titles escaped, in and out distinct.
#include <gtest/gtest.h>

#include <string>

#include "report/report.h"
#include "report/sample_report_test.h"
#include "test_support.h"

TEST(HtmlReport, PinsEveryRow) {
  const report_t tReport = MakeSampleReport(MakeSampleOptions());
  EXPECT_EQ(
      WriteToString([&](std::FILE* pOut) { WriteHtmlReport(pOut, tReport); }),
      "        <html>        <link rel='stylesheet' type='text/css' href='vivovo.css'>        "
      "<link rel='stylesheet' type='text/css' href='red.css'>        <body>        <b>Bandwidth "
      "usage from: 20261130 to 20261202</b>        <table class=\"bwmg\" cellspacing=\"1\">        "
      "<tbody>        <tr class=\"header\">        <td class=\"rtitle\">Host</td>        <td "
      "class=\"dl\">Download</td>        <td class=\"ul\">Upload</td>        <td "
      "class=\"total\">Total</td>        </tr>            <tr class=\"even\">            <td "
      "class=\"rtitle\">10.0.0.1 alpha</td>            <td class=\"dl\">4.50 MB</td>            "
      "<td class=\"ul\">0.38 MB</td>            <td class=\"total\">4.88 MB</td>            </tr>  "
      "          <tr class=\"odd\">            <td class=\"rtitle\">2001:db8::9</td>            "
      "<td class=\"dl\">0.01 MB</td>            <td class=\"ul\">2.00 MB</td>            <td "
      "class=\"total\">2.01 MB</td>            </tr>            <tr class=\"even\">            <td "
      "class=\"rtitle\">other hosts (1)</td>            <td class=\"dl\">0.02 MB</td>            "
      "<td class=\"ul\">0.40 MB</td>            <td class=\"total\">0.42 MB</td>            </tr>  "
      "      <tr class=\"header\">        <td class=\"rtitle\">Total</td>        <td "
      "class=\"dl\">4.53 MB</td>        <td class=\"ul\">2.77 MB</td>        <td "
      "class=\"total\">7.30 MB</td>        </tr>        </tbody>        </table>        <p "
      "class=\"incomplete\"><b>Incomplete:</b> traffic may be missing on 2026-12-01: the collector "
      "was stopped</p>        </html>        </body>        ");
}

TEST(HtmlReport, EscapesTitlesAndAlternatesRows) {
  report_options_t tOptions;
  tOptions.bNames = true;
  const report_t tReport = MakeSampleReport(tOptions);
  EXPECT_EQ(
      WriteToString([&](std::FILE* pOut) { WriteHtmlReport(pOut, tReport); }),
      "        <html>        <link rel='stylesheet' type='text/css' href='vivovo.css'>        "
      "<link rel='stylesheet' type='text/css' href='red.css'>        <body>        <b>Bandwidth "
      "usage from: 20261130 to 20261202</b>        <table class=\"bwmg\" cellspacing=\"1\">        "
      "<tbody>        <tr class=\"header\">        <td class=\"rtitle\">Host</td>        <td "
      "class=\"dl\">Download</td>        <td class=\"ul\">Upload</td>        <td "
      "class=\"total\">Total</td>        </tr>            <tr class=\"even\">            <td "
      "class=\"rtitle\">10.0.0.1 alpha</td>            <td class=\"dl\">4.50 MB</td>            "
      "<td class=\"ul\">0.38 MB</td>            <td class=\"total\">4.88 MB</td>            </tr>  "
      "          <tr class=\"odd\">            <td class=\"rtitle\">2001:db8::9</td>            "
      "<td class=\"dl\">0.01 MB</td>            <td class=\"ul\">2.00 MB</td>            <td "
      "class=\"total\">2.01 MB</td>            </tr>            <tr class=\"even\">            <td "
      "class=\"rtitle\">10.0.0.3 &lt;c&amp;d&gt;</td>            <td class=\"dl\">0.02 MB</td>     "
      "       <td class=\"ul\">0.40 MB</td>            <td class=\"total\">0.42 MB</td>            "
      "</tr>        <tr class=\"header\">        <td class=\"rtitle\">Total</td>        <td "
      "class=\"dl\">4.53 MB</td>        <td class=\"ul\">2.77 MB</td>        <td "
      "class=\"total\">7.30 MB</td>        </tr>        </tbody>        </table>        <p "
      "class=\"incomplete\"><b>Incomplete:</b> traffic may be missing on 2026-12-01: the collector "
      "was stopped</p>        </html>        </body>        ");
}

TEST(HtmlReport, ReportWithoutReadingsSaysNone) {
  report_t tReport;
  ApplyReportOptions(report_options_t{}, false, tReport);
  EXPECT_EQ(
      WriteToString([&](std::FILE* pOut) { WriteHtmlReport(pOut, tReport); }),
      "        <html>        <link rel='stylesheet' type='text/css' href='vivovo.css'>        "
      "<link rel='stylesheet' type='text/css' href='red.css'>        <body>        <b>Bandwidth "
      "usage from: none to none</b>        <table class=\"bwmg\" cellspacing=\"1\">        <tbody> "
      "       <tr class=\"header\">        <td class=\"rtitle\">Host</td>        <td "
      "class=\"dl\">Download</td>        <td class=\"ul\">Upload</td>        <td "
      "class=\"total\">Total</td>        </tr>        <tr class=\"header\">        <td "
      "class=\"rtitle\">Total</td>        <td class=\"dl\">0.00 MB</td>        <td "
      "class=\"ul\">0.00 MB</td>        <td class=\"total\">0.00 MB</td>        </tr>        "
      "</tbody>        </table>        </html>        </body>        ");
}
