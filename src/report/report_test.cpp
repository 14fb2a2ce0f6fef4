// Tests that pin the report's figures in every format: four hosts over two calendar months,
// incoming and outgoing distinct, read through the run sequence from snapshot files.
#include "report/report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "addresses/address.h"
#include "report/make_report.h"
#include "run/request.h"
#include "run/run.h"
#include "test_support.h"

namespace {

// Bytes per unit of the readings below: a unit is a hundredth of a megabyte.
constexpr long long kUnit = 10000;

// Readings in units; -1: the host has no rule in that snapshot.
struct snapshot_t {
  const char* szName;
  long long llA, llB, llC, llD;
};

// 10.0.0.1 (A) grows steadily; 10.0.0.2 (B) is reset on 1 December; 2001:db8::5 (C) has no
// baseline; 2001:db8::4 (D) is in the baseline but first read in the range on 30 November.
// There is no outgoing snapshot on 30 November, and two incoming ones on 29 November.
constexpr snapshot_t kSnapshots[] = {
    {"in_20261031230000", 1000, 500, -1, 5000}, {"in_20261129120000", 3000, 700, 100, -1},
    {"in_20261129180000", 3000, 700, 100, -1},  {"in_20261130120000", 4000, 700, 150, 5200},
    {"in_20261201120000", 4500, 50, 180, 5300}, {"in_20261202120000", 6000, 80, 180, 5300},
    {"out_20261031230000", 10, 20, -1, -1},     {"out_20261129120000", 40, 20, 7, -1},
    {"out_20261201120000", 100, 25, 9, -1},     {"out_20261202120000", 100, 1000, 9, -1},
};

std::string MakeSnapshot(const snapshot_t& tSnapshot) {
  const bool bIn = tSnapshot.szName[0] == 'i';
  std::string szText = std::string("Chain NET_") + (bIn ? "IN" : "OUT") +
                       " (1 references)\n pkts bytes target prot opt in out source destination\n";
  const char* aszHosts[] = {"10.0.0.1", "10.0.0.2", "2001:db8::5", "2001:db8::4"};
  const long long allReadings[] = {tSnapshot.llA, tSnapshot.llB, tSnapshot.llC, tSnapshot.llD};
  for (int iHost = 0; iHost < 4; ++iHost) {
    if (allReadings[iHost] < 0) {
      continue;
    }
    const std::string szHost = aszHosts[iHost];
    const std::string szAny = szHost.find(':') != std::string::npos ? "::/0" : "0.0.0.0/0";
    szText += "1 " + std::to_string(allReadings[iHost] * kUnit) + " all -- * * " +
              (bIn ? szAny + " " + szHost : szHost + " " + szAny) + "\n";
  }
  return szText;
}

// The report of the two months, made by the program's own pipeline: a csv-like report keeps
// its days, the console its totals only, and a page orders by total unless told otherwise.
report_t BuildTwoMonths(const report_options_t& tOptions,
                        report_type_t eType = report_type_t::kCsv) {
  // A folder of its own: the tests may run in parallel.
  const temp_dir_t tDir;
  for (const snapshot_t& tSnapshot : kSnapshots) {
    tDir.Write(tSnapshot.szName, MakeSnapshot(tSnapshot));
  }
  request_t tRequest;
  tRequest.eReport = eType;
  CopyText(tRequest.szLogPath, kTextBuf, tDir.szPath);
  CopyText(tRequest.szIncomingDataLogfilePrefix, kTextBuf, "in_");
  CopyText(tRequest.szOutgoingDataLogfilePrefix, kTextBuf, "out_");
  tRequest.start_date = 20261129;
  tRequest.end_date = 20261202;
  tRequest.uiToday = 20261208;
  tRequest.tOptions = tOptions;
  tRequest.tNames.tBook.tAdmin[MakeAddressKey("2001:db8::5")] = "=a<b>&\"c,\\";
  // Two devices of one owner, for the groups.
  if (tOptions.bGroupByName) {
    tRequest.tNames.tBook.tAdmin[MakeAddressKey("10.0.0.1")] = "office";
    tRequest.tNames.tBook.tAdmin[MakeAddressKey("2001:db8::4")] = "office";
  }
  run_t tRun;
  RunPasses(MakeRunRequest(tRequest), ListLogDirectory(tRequest.szLogPath), tRun);
  EXPECT_FALSE(tRun.bIncomplete);
  report_t tReport;
  EXPECT_TRUE(MakeReport(tRun, tRequest, tReport));
  // With the days kept, the usage table's readings are released as they are taken: a big
  // site's days are held once.
  const bool bKeepDays = eType != report_type_t::kConsole && eType != report_type_t::kHtml;
  for (const data_t& tHost : tRun.tBandwidthUsage.tHosts) {
    EXPECT_EQ(tHost.bytes_in.tDays.capacity() == 0 && tHost.bytes_out.tDays.capacity() == 0,
              bKeepDays)
        << GetHostKey(tHost);
  }
  return tReport;
}

// Each expected piece must stand in the output; the test names the first that does not.
void ExpectPieces(const std::string& szOutput, const std::vector<std::string>& tPieces,
                  const char* szFormat) {
  for (const std::string& szPiece : tPieces) {
    EXPECT_NE(szOutput.find(szPiece), std::string::npos) << szFormat << ": " << szPiece << "\n"
                                                         << szOutput;
  }
}

}  // namespace

TEST(ReportFigures, PinsEveryDayAndMonthInCsv) {
  report_options_t tOptions;
  const std::string szDays =
      WriteToString([&](std::FILE* pOut) { WriteCsvReport(pOut, BuildTwoMonths(tOptions)); });
  EXPECT_EQ(szDays,
            "host,name,date,incoming_bytes,outgoing_bytes,snapshots\r\n"
            "10.0.0.1,,2026-11-29,20000000,300000,2\r\n"
            "10.0.0.1,,2026-11-30,10000000,0,1\r\n"
            "10.0.0.1,,2026-12-01,5000000,600000,1\r\n"
            "10.0.0.1,,2026-12-02,15000000,0,1\r\n"
            "10.0.0.2,,2026-11-29,2000000,0,2\r\n"
            "10.0.0.2,,2026-11-30,0,0,1\r\n"
            "10.0.0.2,,2026-12-01,500000,50000,1\r\n"
            "10.0.0.2,,2026-12-02,300000,9750000,1\r\n"
            "2001:db8::5,\"'=a<b>&\"\"c,\\\",2026-11-29,1000000,70000,2\r\n"
            "2001:db8::5,\"'=a<b>&\"\"c,\\\",2026-11-30,500000,0,1\r\n"
            "2001:db8::5,\"'=a<b>&\"\"c,\\\",2026-12-01,300000,20000,1\r\n"
            "2001:db8::5,\"'=a<b>&\"\"c,\\\",2026-12-02,0,0,1\r\n"
            "2001:db8::4,,2026-11-29,0,0,2\r\n"
            "2001:db8::4,,2026-11-30,2000000,0,1\r\n"
            "2001:db8::4,,2026-12-01,1000000,0,1\r\n"
            "2001:db8::4,,2026-12-02,0,0,1\r\n");
  tOptions.eBy = report_period_t::kMonth;
  tOptions.eOrder = host_order_t::kHost;
  const std::string szMonths =
      WriteToString([&](std::FILE* pOut) { WriteCsvReport(pOut, BuildTwoMonths(tOptions)); });
  EXPECT_EQ(szMonths,
            "host,name,date,incoming_bytes,outgoing_bytes,snapshots,first_day,last_day,"
            "period_first_day,period_last_day\r\n"
            "10.0.0.1,,2026-11,30000000,300000,3,2026-11-29,2026-11-30,2026-11-01,2026-11-30\r\n"
            "10.0.0.1,,2026-12,20000000,600000,2,2026-12-01,2026-12-02,2026-12-01,2026-12-31\r\n"
            "10.0.0.2,,2026-11,2000000,0,3,2026-11-29,2026-11-30,2026-11-01,2026-11-30\r\n"
            "10.0.0.2,,2026-12,800000,9800000,2,2026-12-01,2026-12-02,2026-12-01,2026-12-31\r\n"
            "2001:db8::4,,2026-11,2000000,0,3,2026-11-29,2026-11-30,2026-11-01,2026-11-30\r\n"
            "2001:db8::4,,2026-12,1000000,0,2,2026-12-01,2026-12-02,2026-12-01,2026-12-31\r\n"
            "2001:db8::5,\"'=a<b>&\"\"c,\\\",2026-11,1500000,70000,3,2026-11-29,2026-11-30,2026-11-"
            "01,2026-11-30\r\n"
            "2001:db8::5,\"'=a<b>&\"\"c,\\\",2026-12,300000,20000,2,2026-12-01,2026-12-02,2026-12-"
            "01,2026-12-31\r\n");
}

TEST(ReportFigures, PinsEveryFigureInJson) {
  report_options_t tOptions;
  tOptions.eOrder = host_order_t::kTotal;
  const std::string szDays =
      WriteToString([&](std::FILE* pOut) { WriteJsonReport(pOut, BuildTwoMonths(tOptions)); });
  ExpectPieces(
      szDays,
      {"{\"from\": \"2026-11-29\", \"to\": \"2026-12-02\", \"hosts\": [\n  {\"host\": "
       "\"10.0.0.1\", "
       "\"name\": null, \"incoming_bytes\": 50000000, \"outgoing_bytes\": 900000, \"days\": [\n    "
       "{\"date\": \"2026-11-29\", \"incoming_bytes\": 20000000, \"outgoing_bytes\": 300000, "
       "\"snapshots\": 2},\n    {\"date\": \"2026-11-30\", \"incoming_bytes\": 10000000, "
       "\"outgoing_bytes\": 0, \"snapshots\": 1},",
       "{\"host\": \"10.0.0.2\", \"name\": null, \"incoming_bytes\": 2800000, \"outgoing_bytes\": "
       "9800000,",
       "{\"host\": \"2001:db8::4\", \"name\": null, \"incoming_bytes\": 3000000, "
       "\"outgoing_bytes\": 0,",
       "{\"host\": \"2001:db8::5\", \"name\": \"=a<b>&\\\"c,\\\\\", \"incoming_bytes\": 1800000, "
       "\"outgoing_bytes\": 90000, \"days\": [\n    {\"date\": \"2026-11-29\", "
       "\"incoming_bytes\": 1000000, \"outgoing_bytes\": 70000, \"snapshots\": 2},",
       "{\"date\": \"2026-12-02\", \"incoming_bytes\": 300000, \"outgoing_bytes\": 9750000, "
       "\"snapshots\": 1}]}",
       "], \"incoming_bytes\": 57600000, \"outgoing_bytes\": 10790000}\n"},
      "json");
  tOptions.eBy = report_period_t::kMonth;
  const std::string szMonths =
      WriteToString([&](std::FILE* pOut) { WriteJsonReport(pOut, BuildTwoMonths(tOptions)); });
  ExpectPieces(szMonths,
               {"\"months\": [\n    {\"date\": \"2026-11\", \"incoming_bytes\": 30000000, "
                "\"outgoing_bytes\": 300000, \"snapshots\": 3, \"first_day\": \"2026-11-29\", "
                "\"last_day\": \"2026-11-30\", \"period_first_day\": \"2026-11-01\", "
                "\"period_last_day\": \"2026-11-30\"},\n    {\"date\": \"2026-12\", "
                "\"incoming_bytes\": 20000000, \"outgoing_bytes\": 600000, \"snapshots\": 2, "
                "\"first_day\": \"2026-12-01\", \"last_day\": \"2026-12-02\", "
                "\"period_first_day\": \"2026-12-01\", \"period_last_day\": \"2026-12-31\"}]}",
                "{\"date\": \"2026-12\", \"incoming_bytes\": 800000, \"outgoing_bytes\": 9800000, "
                "\"snapshots\": 2, \"first_day\": \"2026-12-01\""},
               "json by month");
}

TEST(ReportFigures, PinsTheConsoleAndHtmlRowsAndTheOtherHosts) {
  report_options_t tOptions;
  tOptions.eOrder = host_order_t::kTotal;
  tOptions.iTop = 2;
  tOptions.bNames = true;
  const report_t tReport = BuildTwoMonths(tOptions);
  ExpectPieces(
      WriteToString([&](std::FILE* pOut) { WriteConsoleReport(pOut, tReport, 0); }),
      {"Bandwidth usage from: 20261129 to 20261202\n"
       "Totals for host [10.0.0.1]\tIncoming [50.00 MB]\tOutgoing [0.90 MB]\tTotal [50.90 MB]\n"
       "Totals for host [10.0.0.2]\tIncoming [2.80 MB]\tOutgoing [9.80 MB]\tTotal [12.60 MB]\n"
       "Totals for other hosts (2)\tIncoming [4.80 MB]\tOutgoing [0.09 MB]\tTotal [4.89 MB]\n",
       "Totals for all hosts in filter\tIncoming [57.60 MB]\tOutgoing [10.79 MB]\tTotal [68.39 "
       "MB]\n"},
      "console");
  const std::string s12(12, ' ');
  ExpectPieces(
      WriteToString([&](std::FILE* pOut) { WriteHtmlReport(pOut, tReport); }),
      {"<tr class=\"odd\">" + s12 + "<td class=\"rtitle\">10.0.0.2</td>" + s12 +
           "<td class=\"dl\">2.80 MB</td>" + s12 + "<td class=\"ul\">9.80 MB</td>" + s12 +
           "<td class=\"total\">12.60 MB</td>",
       "<td class=\"rtitle\">other hosts (2)</td>" + s12 + "<td class=\"dl\">4.80 MB</td>" + s12 +
           "<td class=\"ul\">0.09 MB</td>" + s12 + "<td class=\"total\">4.89 MB</td>",
       "<td class=\"rtitle\">Total</td>        <td class=\"dl\">57.60 MB</td>        <td "
       "class=\"ul\">10.79 MB</td>        <td class=\"total\">68.39 MB</td>"},
      "html");
  tOptions.iTop = 0;
  tOptions.eOrder = host_order_t::kHost;
  const report_t tNamed = BuildTwoMonths(tOptions);
  ExpectPieces(WriteToString([&](std::FILE* pOut) { WriteHtmlReport(pOut, tNamed); }),
               {"<td class=\"rtitle\">2001:db8::5 =a&lt;b&gt;&amp;&quot;c,\\</td>"}, "html names");
  ExpectPieces(WriteToString([&](std::FILE* pOut) { WriteConsoleReport(pOut, tNamed, 0); }),
               {"Totals for host [2001:db8::4]\tIncoming [3.00 MB]\tOutgoing [0.00 MB]\tTotal "
                "[3.00 MB]\nTotals for host [2001:db8::5 =a<b>&\"c,\\]\tIncoming [1.80 MB]\t"},
               "console names");
}

// A host's whole title and name show on hovering its first cell, escaped, in both tables.
TEST(ReportFigures, PinsTheHostTitlesShownOnHovering) {
  report_options_t tOptions;
  tOptions.eOrder = host_order_t::kHost;
  tOptions.bOrderGiven = true;
  const std::string szPage = WriteToString([&](std::FILE* pOut) {
    WriteDailyPage(pOut, BuildTwoMonths(tOptions, report_type_t::kDaily));
  });
  ExpectPieces(szPage,
               {"<tr><td title=\"2001:db8::5 =a&lt;b&gt;&amp;&quot;c,\\\">2001:db8::5 <span "
                "class=\"name\">=a&lt;b&gt;&amp;&quot;c,\\</span></td><td title=\"in 1.000 MB",
                "<tr><td title=\"2001:db8::5 =a&lt;b&gt;&amp;&quot;c,\\\">2001:db8::5 <span "
                "class=\"name\">=a&lt;b&gt;&amp;&quot;c,\\</span></td><td>1.800 MB</td>"},
               "daily titles");
}

TEST(ReportFigures, PinsThePagesBarsTooltipsAndRows) {
  report_options_t tOptions;
  tOptions.iTop = 2;
  const report_t tReport = BuildTwoMonths(tOptions, report_type_t::kDaily);
  ExpectPieces(
      WriteToString([&](std::FILE* pOut) { WriteDailyPage(pOut, tReport); }),
      {"<title>2026-11-29: in 23.00 MB, out 370.0 kB</title>",
       "<title>2026-11-30: in 12.50 MB, out 0</title>",
       "<title>2026-12-01: in 6.800 MB, out 670.0 kB</title>",
       "<title>2026-12-02: in 15.30 MB, out 9.750 MB</title>",
       "<h2>Per host, incoming and outgoing together</h2>",
       "<tr><td title=\"10.0.0.1\">10.0.0.1</td><td title=\"in 20.00 MB, out 300.0 "
       "kB\">20.3<small>MB</small></td><td title=\"in 10.00 MB, out "
       "0\">10.0<small>MB</small></td><td title=\"in 5.000 MB, out 600.0 "
       "kB\">5.60<small>MB</small></td><td title=\"in 15.00 MB, out "
       "0\">15.0<small>MB</small></td><td class=\"sum\">50.9<small>MB</small></td></tr>",
       "<tr><td title=\"10.0.0.2\">10.0.0.2</td><td title=\"in 2.000 MB, out "
       "0\">2.00<small>MB</small></td><td title=\"in 0, out 0\">0</td><td title=\"in 500.0 kB, "
       "out 50.00 kB\">550<small>kB</small></td><td title=\"in 300.0 kB, out 9.750 "
       "MB\">10.1<small>MB</small></td><td class=\"sum\">12.6<small>MB</small></td></tr>",
       "<tr><td title=\"other hosts (2)\">other hosts (2)</td><td title=\"in 1.000 MB, out "
       "70.00 kB\">1.07<small>MB</small></td><td title=\"in 2.500 MB, out "
       "0\">2.50<small>MB</small></td><td title=\"in 1.300 MB, out 20.00 "
       "kB\">1.32<small>MB</small></td><td title=\"in 0, out 0\">0</td><td "
       "class=\"sum\">4.89<small>MB</small></td></tr>",
       "<tr class=\"sum\"><td title=\"All hosts\">All hosts</td><td title=\"in 23.00 MB, out "
       "370.0 kB\">23.4<small>MB</small></td>",
       "<h2>Per host from 2026-11-29 to 2026-12-02</h2>",
       "<tr><td title=\"10.0.0.1\">10.0.0.1</td><td>50.00 MB</td><td>900.0 kB</td><td "
       "class=\"sum\">50.90 MB</td></tr>\n"
       "<tr><td title=\"10.0.0.2\">10.0.0.2</td><td>2.800 MB</td><td>9.800 MB</td><td "
       "class=\"sum\">12.60 MB</td></tr>\n"
       "<tr><td title=\"other hosts (2)\">other hosts (2)</td><td>4.800 MB</td><td>90.00 "
       "kB</td><td class=\"sum\">4.890 MB</td></tr>\n"
       "<tr class=\"sum\"><td title=\"All hosts\">All hosts</td><td>57.60 MB</td><td>10.79 "
       "MB</td><td class=\"sum\">68.39 MB</td></tr>",
       "Totals in: 57.60 MB, out: 10.79 MB, together: 68.39 MB."},
      "daily");
  ExpectPieces(
      WriteToString([&](std::FILE* pOut) { WriteMonthlyPage(pOut, tReport); }),
      {"<g class=\"partial\" opacity=\"0.5\"><title>2026-11, 2 of 30 days: in 35.50 MB, "
       "out 370.0 kB</title>",
       "<g class=\"partial\" opacity=\"0.5\"><title>2026-12, 2 of 31 days: in 22.10 MB, "
       "out 10.42 MB</title>",
       "<text x=\"351.0\" y=\"322.0\" text-anchor=\"middle\">2026-11</text>\n<text "
       "x=\"351.0\" y=\"336.0\" text-anchor=\"middle\" font-size=\"10\" fill=\"#777\">2 "
       "of 30 days</text>",
       "partial period: only some of its days are in the range</p>",
       "<th title=\"2026-11, 2 of 30 days\">2026-11<br><small>2 of 30 days</small></th><th "
       "title=\"2026-12, 2 of 31 days\">2026-12<br><small>2 of 31 days</small></th>",
       "<h2>Per host from 2026-11-29 to 2026-12-02</h2>",
       "<tr><td title=\"10.0.0.2\">10.0.0.2</td><td title=\"in 2.000 MB, out "
       "0\">2.00<small>MB</small></td><td title=\"in 800.0 kB, out 9.800 "
       "MB\">10.6<small>MB</small></td><td class=\"sum\">12.6<small>MB</small></td></tr>",
       "<tr><td title=\"other hosts (2)\">other hosts (2)</td><td title=\"in 3.500 MB, "
       "out 70.00 kB\">3.57<small>MB</small></td><td title=\"in 1.300 MB, out 20.00 "
       "kB\">1.32<small>MB</small></td><td class=\"sum\">4.89<small>MB</small></td></tr>"},
      "monthly");
}

// Weeks and billing months: each period's figures, labelled by the ISO week or by its first
// and last day.
TEST(ReportFigures, PinsWeeksAndBillingMonths) {
  report_options_t tOptions;
  tOptions.eBy = report_period_t::kWeek;
  ExpectPieces(
      WriteToString([&](std::FILE* pOut) { WriteCsvReport(pOut, BuildTwoMonths(tOptions)); }),
      {"\r\n10.0.0.1,,2026-W48,20000000,300000,2,2026-11-29,2026-11-29,2026-11-23,2026-11-29\r\n"
       "10.0.0.1,,2026-W49,30000000,600000,3,2026-11-30,2026-12-02,2026-11-30,2026-12-06\r\n",
       "\r\n10.0.0.2,,2026-W48,2000000,0,2,2026-11-29,2026-11-29,2026-11-23,2026-11-29\r\n"
       "10.0.0.2,,2026-W49,800000,9800000,3,2026-11-30,2026-12-02,2026-11-30,2026-12-06\r\n",
       "\r\n2001:db8::4,,2026-W48,0,0,2,2026-11-29,2026-11-29,2026-11-23,2026-11-29\r\n"
       "2001:db8::4,,2026-W49,3000000,0,3,2026-11-30,2026-12-02,2026-11-30,2026-12-06\r\n"},
      "csv by week");
  ExpectPieces(
      WriteToString([&](std::FILE* pOut) { WriteJsonReport(pOut, BuildTwoMonths(tOptions)); }),
      {"\"weeks\": [\n    {\"date\": \"2026-W48\", \"incoming_bytes\": 20000000, "
       "\"outgoing_bytes\": 300000, \"snapshots\": 2, \"first_day\": \"2026-11-29\", "
       "\"last_day\": \"2026-11-29\", \"period_first_day\": \"2026-11-23\", "
       "\"period_last_day\": \"2026-11-29\"},\n    {\"date\": \"2026-W49\", "
       "\"incoming_bytes\": 30000000, \"outgoing_bytes\": 600000, \"snapshots\": 3, "
       "\"first_day\": \"2026-11-30\", \"last_day\": \"2026-12-02\", \"period_first_day\": "
       "\"2026-11-30\", \"period_last_day\": \"2026-12-06\"}]}"},
      "json by week");
  tOptions.eBy = report_period_t::kMonth;
  tOptions.iPeriodStart = 2;
  ExpectPieces(
      WriteToString([&](std::FILE* pOut) { WriteCsvReport(pOut, BuildTwoMonths(tOptions)); }),
      {"\r\n10.0.0.1,,2026-11-02/"
       "2026-12-01,35000000,900000,4,2026-11-29,2026-12-01,2026-11-02,2026-12-01\r\n"
       "10.0.0.1,,2026-12-02/"
       "2027-01-01,15000000,0,1,2026-12-02,2026-12-02,2026-12-02,2027-01-01\r\n",
       "\r\n10.0.0.2,,2026-11-02/"
       "2026-12-01,2500000,50000,4,2026-11-29,2026-12-01,2026-11-02,2026-12-01\r\n"
       "10.0.0.2,,2026-12-02/"
       "2027-01-01,300000,9750000,1,2026-12-02,2026-12-02,2026-12-02,2027-01-01\r\n"},
      "csv by billing month");
  ExpectPieces(WriteToString([&](std::FILE* pOut) {
                 WriteMonthlyPage(pOut, BuildTwoMonths(tOptions, report_type_t::kMonthly));
               }),
               {"<title>netreckon: monthly traffic from 2026-11-02 to 2027-01-01</title>",
                "<h1>Monthly traffic from 2026-11-02 to 2027-01-01</h1>\n"
                "<p>Traffic per month from day 2 to the day before it, 4 hosts together.</p>",
                "<title>2026-11-02/2026-12-01, 3 of 30 days: in 42.30 MB, out 1.040 MB</title>",
                "<title>2026-12-02/2027-01-01, 1 of 31 days: in 15.30 MB, out 9.750 MB</title>",
                "<th title=\"2026-11-02/2026-12-01, 3 of 30 days\">11-02/12-01<br><small>3 of 30 "
                "days</small></th>"},
               "monthly page by billing month");
  // The console and HTML totals say which periods the range covers only in part.
  const report_t tBilling = BuildTwoMonths(tOptions);
  ExpectPieces(WriteToString([&](std::FILE* pOut) { WriteConsoleReport(pOut, tBilling, 0); }),
               {"Bandwidth usage from: 20261129 to 20261202\n"
                "Partial period [2026-11-02/2026-12-01, 3 of 30 days]: 2026-11-29 to 2026-12-01\n"
                "Partial period [2026-12-02/2027-01-01, 1 of 31 days]: 2026-12-02 to 2026-12-02\n"
                "Totals for host [10.0.0.1]\t"},
               "console by billing month");
  ExpectPieces(WriteToString([&](std::FILE* pOut) { WriteHtmlReport(pOut, tBilling); }),
               {"        </tbody>        </table>        <p>Partial period [2026-11-02/2026-12-01, "
                "3 of 30 days]: 2026-11-29 to 2026-12-01</p>        <p>Partial period "
                "[2026-12-02/2027-01-01, 1 of 31 days]: 2026-12-02 to 2026-12-02</p>        "
                "</html>        </body>        "},
               "html by billing month");
  tOptions.eBy = report_period_t::kWeek;
  ExpectPieces(WriteToString(
                   [&](std::FILE* pOut) { WriteConsoleReport(pOut, BuildTwoMonths(tOptions), 0); }),
               {"Bandwidth usage from: 20261129 to 20261202\n"
                "Partial period [2026-W48, 1 of 7 days]: 2026-11-29 to 2026-11-29\n"
                "Partial period [2026-W49, 3 of 7 days]: 2026-11-30 to 2026-12-02\n"
                "Totals for host [10.0.0.1]\t"},
               "console by week");
}

// Hosts sharing a name are one row; the all-hosts figures stay; a quota keeps only the hosts
// over it.
TEST(ReportFigures, TotalsWithoutDaysPrintTheSameConsoleAndHtml) {
  const auto MakeOptions = [](host_order_t eOrder, int32_t iTop, bool bGroup, long long llOver) {
    report_options_t tOptions;
    tOptions.eOrder = eOrder;
    tOptions.iTop = iTop;
    tOptions.bGroupByName = bGroup;
    tOptions.bNames = bGroup;
    tOptions.llOverBytes = llOver;
    return tOptions;
  };
  const report_options_t kCases[] = {
      MakeOptions(host_order_t::kFirstSeen, 0, false, -1),
      MakeOptions(host_order_t::kTotal, 2, false, -1),
      MakeOptions(host_order_t::kIn, 1, true, -1),
      MakeOptions(host_order_t::kHost, 0, false, 2800001),
      MakeOptions(host_order_t::kOut, 1, true, 12000000),
  };
  for (const report_options_t& tOptions : kCases) {
    const report_t tDays = BuildTwoMonths(tOptions);
    const report_t tTotals = BuildTwoMonths(tOptions, report_type_t::kConsole);
    const std::string szCase = std::to_string(static_cast<int>(tOptions.eOrder)) + " top " +
                               std::to_string(tOptions.iTop) + " over " +
                               std::to_string(tOptions.llOverBytes);
    EXPECT_EQ(WriteToString([&](std::FILE* pOut) { WriteConsoleReport(pOut, tTotals, 0); }),
              WriteToString([&](std::FILE* pOut) { WriteConsoleReport(pOut, tDays, 0); }))
        << szCase;
    EXPECT_EQ(WriteToString([&](std::FILE* pOut) { WriteHtmlReport(pOut, tTotals); }),
              WriteToString([&](std::FILE* pOut) { WriteHtmlReport(pOut, tDays); }))
        << szCase;
    EXPECT_EQ(tTotals.iDays, 4) << szCase;
    EXPECT_EQ(tTotals.llInBytes, 57600000) << szCase;
    EXPECT_EQ(tTotals.llOutBytes, 10790000) << szCase;
    ASSERT_FALSE(tTotals.tHosts.empty()) << szCase;
    for (const host_figures_t& tHost : tTotals.tHosts) {
      EXPECT_TRUE(tHost.tDays.empty()) << szCase << " " << tHost.szHost;
    }
  }
  // The figures the totals come from, pinned: each host's bytes, in and out distinct.
  const report_t tTotals = BuildTwoMonths(report_options_t{}, report_type_t::kConsole);
  std::string szBytes;
  for (const host_figures_t& tHost : tTotals.tHosts) {
    szBytes += tHost.szHost + " " + std::to_string(tHost.llInBytes) + " " +
               std::to_string(tHost.llOutBytes) + "\n";
  }
  EXPECT_EQ(szBytes,
            "10.0.0.1 50000000 900000\n10.0.0.2 2800000 9800000\n2001:db8::5 1800000 90000\n"
            "2001:db8::4 3000000 0\n");
}

TEST(ReportFigures, PinsGroupsAndQuotas) {
  report_options_t tOptions;
  tOptions.bGroupByName = true;
  ExpectPieces(
      WriteToString([&](std::FILE* pOut) { WriteCsvReport(pOut, BuildTwoMonths(tOptions)); }),
      {"host,name,date,incoming_bytes,outgoing_bytes,snapshots,hosts\r\n"
       "office,office,2026-11-29,20000000,300000,2,10.0.0.1 2001:db8::4\r\n"
       "office,office,2026-11-30,12000000,0,1,10.0.0.1 2001:db8::4\r\n"
       "office,office,2026-12-01,6000000,600000,1,10.0.0.1 2001:db8::4\r\n"
       "office,office,2026-12-02,15000000,0,1,10.0.0.1 2001:db8::4\r\n"
       "10.0.0.2,,2026-11-29,2000000,0,2,10.0.0.2\r\n",
       "\r\n\"'=a<b>&\"\"c,\\\",\"'=a<b>&\"\"c,\\\",2026-12-01,300000,20000,1,2001:db8::5\r\n"},
      "csv groups");
  ExpectPieces(
      WriteToString([&](std::FILE* pOut) { WriteJsonReport(pOut, BuildTwoMonths(tOptions)); }),
      {"{\"host\": \"office\", \"name\": \"office\", \"hosts\": [\"10.0.0.1\", \"2001:db8::4\"], "
       "\"incoming_bytes\": 53000000, \"outgoing_bytes\": 900000, \"days\": [",
       "{\"host\": \"10.0.0.2\", \"name\": null, \"hosts\": [\"10.0.0.2\"], ",
       "], \"incoming_bytes\": 57600000, \"outgoing_bytes\": 10790000}\n"},
      "json groups");
  tOptions.bNames = true;
  ExpectPieces(
      WriteToString(
          [&](std::FILE* pOut) { WriteConsoleReport(pOut, BuildTwoMonths(tOptions), 0); }),
      {"Totals for host [office]\tIncoming [53.00 MB]\tOutgoing [0.90 MB]\tTotal [53.90 MB]\n"
       "Totals for host [10.0.0.2]\t",
       "Totals for all hosts in filter\tIncoming [57.60 MB]\tOutgoing [10.79 MB]\tTotal [68.39 "
       "MB]\n"},
      "console groups");
  ExpectPieces(
      WriteToString([&](std::FILE* pOut) {
        WriteDailyPage(pOut, BuildTwoMonths(tOptions, report_type_t::kDaily));
      }),
      {"<p>Traffic per day, 4 hosts together.</p>",
       "<tr><td title=\"10.0.0.1, 2001:db8::4\">office</td><td title=\"in 20.00 MB, out 300.0 "
       "kB\">20.3<small>MB</small></td><td title=\"in 12.00 MB, out 0\">12.0<small>MB</small></td>",
       "<tr><td title=\"10.0.0.1, 2001:db8::4\">office</td><td>53.00 MB</td><td>900.0 "
       "kB</td><td class=\"sum\">53.90 MB</td></tr>"},
      "daily groups");
  report_options_t tQuota;
  tQuota.llOverBytes = 12000000;
  const std::string szOver =
      WriteToString([&](std::FILE* pOut) { WriteCsvReport(pOut, BuildTwoMonths(tQuota)); });
  EXPECT_EQ(szOver.find("2001:db8"), std::string::npos) << szOver;
  ExpectPieces(szOver, {"\r\n10.0.0.1,,2026-12-02,15000000,0,1\r\n10.0.0.2,,2026-11-29,"}, "over");
  tQuota.llOverBytes = 50900000;
  EXPECT_EQ(WriteToString([&](std::FILE* pOut) { WriteJsonReport(pOut, BuildTwoMonths(tQuota)); }),
            "{\"from\": \"2026-11-29\", \"to\": \"2026-12-02\", \"hosts\": [], \"incoming_bytes\": "
            "57600000, \"outgoing_bytes\": 10790000}\n");
  tQuota.llOverBytes = 50899999;
  ExpectPieces(
      WriteToString([&](std::FILE* pOut) { WriteConsoleReport(pOut, BuildTwoMonths(tQuota), 0); }),
      {"Bandwidth usage from: 20261129 to 20261202\nTotals for host [10.0.0.1]\tIncoming [50.00 "
       "MB]\tOutgoing [0.90 MB]\tTotal [50.90 MB]\n====="},
      "console over");
}

// The baseline comes out of the day of a host's first reading and of its total, whatever
// the baseline's order of hosts; a first reading below it (a reset) counts whole; a host
// without one keeps its days. The totals are the same whether the days are kept or not.
TEST(ReportFigures, TakesTheBaselineOutOfTheFirstReadingsDay) {
  struct series_t {
    std::vector<day_reading_t> tDays;
    double dFirst;
    int32_t iFirstDay;
  };
  const auto SetSeries = [](const series_t& tGiven, day_series_t& tSeries) {
    tSeries.tDays = tGiven.tDays;
    tSeries.first_bytes = tGiven.dFirst;
    tSeries.first_day = tGiven.iFirstDay;
    tSeries.bHasFirst = !tGiven.tDays.empty();
  };
  const struct {
    const char* szHost;
    series_t tIn;
    series_t tOut;
  } kHosts[] = {
      {"10.0.0.1", {{{0, 100, 100}, {1, 2, 102}}, 100, 0}, {{{1, 4, 4}}, 4, 1}},
      {"10.0.0.2", {{}, 0, 0}, {{{2, 30, 30}}, 30, 2}},
      // A first day without a reading of its own still has the baseline taken out.
      {"10.0.0.3", {{{0, 5, 15}, {2, 7, 22}}, 15, 1}, {{}, 0, 0}},
      {"10.0.0.4", {{{3, 0.5, 9}}, 9, 3}, {{}, 0, 0}},
  };
  // The baseline's hosts in another order, and without the last: 10.0.0.1 in, 40; 10.0.0.2
  // out, 50 (above its first reading); 10.0.0.3 in, 10; 10.0.0.1 out, 1.
  const struct {
    const char* szHost;
    double dIn;
    double dOut;
  } kBaselines[] = {{"10.0.0.1", 40, 1}, {"10.0.0.3", 10, 0}, {"10.0.0.2", 0, 50}};
  for (const bool bKeepDays : {true, false}) {
    host_table_t tUsage;
    host_table_t tInit;
    for (const auto& tHost : kHosts) {
      data_t& tRecord =
          tUsage.tHosts[static_cast<std::size_t>(FindOrAddHost(tUsage, tHost.szHost))];
      SetSeries(tHost.tIn, tRecord.bytes_in);
      SetSeries(tHost.tOut, tRecord.bytes_out);
    }
    for (const auto& tBaseline : kBaselines) {
      data_t& tRecord =
          tInit.tHosts[static_cast<std::size_t>(FindOrAddHost(tInit, tBaseline.szHost))];
      GetDayReading(tRecord.bytes_in, 0).bytes = tBaseline.dIn;
      GetDayReading(tRecord.bytes_out, 0).bytes = tBaseline.dOut;
    }
    report_t tReport;
    BuildReport(tUsage, tInit, 20261101, 20261102, tReport, bKeepDays);
    std::string szHosts;
    for (const host_figures_t& tHost : tReport.tHosts) {
      char szLine[160];
      std::snprintf(szLine, sizeof szLine, "%s %.6f %.6f %lld %lld |", tHost.szHost.c_str(),
                    tHost.dInTotal, tHost.dOutTotal, tHost.llInBytes, tHost.llOutBytes);
      szHosts += szLine;
      for (const day_amount_t& tDay : tHost.tDays) {
        std::snprintf(szLine, sizeof szLine, " %d:%g/%g", tDay.iDay, tDay.dIn, tDay.dOut);
        szHosts += szLine;
      }
      szHosts += '\n';
    }
    EXPECT_EQ(szHosts, bKeepDays ? "10.0.0.1 62.000000 3.000000 62000000 3000000 | 0:60/0 1:2/3\n"
                                   "10.0.0.2 0.000000 30.000000 0 30000000 | 2:0/30\n"
                                   "10.0.0.3 2.000000 0.000000 2000000 0 | 0:5/0 1:-10/0 2:7/0\n"
                                   "10.0.0.4 0.500000 0.000000 500000 0 | 3:0.5/0\n"
                                 : "10.0.0.1 62.000000 3.000000 62000000 3000000 |\n"
                                   "10.0.0.2 0.000000 30.000000 0 30000000 |\n"
                                   "10.0.0.3 2.000000 0.000000 2000000 0 |\n"
                                   "10.0.0.4 0.500000 0.000000 500000 0 |\n");
    std::string szAll;
    for (const day_figures_t& tDay : tReport.tDays) {
      szAll += std::to_string(tDay.iDay) + ":" + std::to_string(tDay.dIn) + "/" +
               std::to_string(tDay.dOut) + " ";
    }
    EXPECT_EQ(szAll,
              "0:65.000000/0.000000 1:-8.000000/3.000000 2:7.000000/30.000000 "
              "3:0.500000/0.000000 ");
    EXPECT_EQ(tReport.iDays, 4);
    EXPECT_EQ(tReport.llInBytes, 64500000);
    EXPECT_EQ(tReport.llOutBytes, 33000000);
  }
}

// A host's days hold MB only, their whole bytes rounded when read; a sum of hosts (a group,
// the others) holds the sums of its hosts' rounded days, which the rounded sums are not:
// 0.7 B and 0.7 B are 2 bytes, 0.3 B and 0.3 B none. A day only a later host has lands in
// the middle of the sum's days.
TEST(ReportFigures, SumsOfHostsAddTheHostsRoundedDays) {
  constexpr double kSeven = 0.0000007;  // MB: 0.7 bytes
  constexpr double kThree = 0.0000003;
  struct host_days_t {
    const char* szHost;
    const char* szName;
    std::vector<day_amount_t> tDays;
  };
  const host_days_t kHosts[] = {
      {"10.0.0.1", "pair", {{0, kSeven, kThree}, {2, 1.0, kSeven}}},
      {"10.0.0.2", "pair", {{0, kSeven, kThree}, {1, 2.5, 0}}},
      {"10.0.0.3", "", {{1, kThree, kSeven}}},
      {"10.0.0.4", "", {{1, kThree, 0}, {3, kSeven, 0}}},
  };
  report_t tReport = {};
  tReport.uiFrom = 20261101;
  tReport.iDays = 4;
  for (const host_days_t& tDays : kHosts) {
    host_figures_t& tHost = tReport.tHosts.emplace_back();
    tHost.szHost = tDays.szHost;
    tHost.szName = tDays.szName;
    tHost.tDays = tDays.tDays;
  }
  GroupReportHosts(tReport);
  report_options_t tOptions;
  tOptions.iTop = 2;
  ApplyReportOptions(tOptions, false, tReport);
  ASSERT_EQ(tReport.tHosts.size(), 3U);
  // Each row: the host, then per day of the report its whole bytes in and out.
  const struct {
    const host_figures_t* pHost;
    const char* szDays;
  } kRows[] = {
      {&tReport.tHosts[0], "pair 2/0 2500000/0 1000000/1 0/0"},
      {&tReport.tHosts[1], "10.0.0.3 0/0 0/1 0/0 0/0"},
      {&tReport.tOthers, " 0/0 0/0 0/0 1/0"},
      {&tReport.tHosts[2], "10.0.0.4 0/0 0/0 0/0 1/0"},
  };
  for (const auto& tRow : kRows) {
    std::string szDays = tRow.pHost->szHost;
    day_cursor_t tCursor = {tRow.pHost, 0};
    for (int32_t iDay = 0; iDay < tReport.iDays; ++iDay) {
      const day_figures_t tDay = GetNextDayFigures(tCursor, iDay);
      szDays += ' ';
      szDays += std::to_string(tDay.llIn);
      szDays += '/';
      szDays += std::to_string(tDay.llOut);
    }
    EXPECT_EQ(szDays, tRow.szDays);
  }
  // One host holds no bytes beside its days; a group of two holds them for each of its days.
  EXPECT_TRUE(tReport.tHosts[1].tDayBytes.empty());
  EXPECT_EQ(tReport.tHosts[0].tDayBytes.size(), 3U);
  EXPECT_DOUBLE_EQ(tReport.tHosts[0].tDays[0].dIn, 2 * kSeven);
  EXPECT_DOUBLE_EQ(tReport.tHosts[0].tDays[1].dIn, 2.5);
  EXPECT_DOUBLE_EQ(tReport.tHosts[0].tDays[2].dOut, kSeven);
  // The periods of a sum add its days' own bytes.
  const std::vector<period_figures_t> tWeeks =
      SumHostPeriods(tReport, report_period_t::kMonth, tReport.tHosts[0]);
  ASSERT_EQ(tWeeks.size(), 1U);
  EXPECT_EQ(tWeeks[0].llIn, 3500002);
  EXPECT_EQ(tWeeks[0].llOut, 1);
}

// Periods across month and year ends and a leap February: the period of each day and the
// labels, for weeks and months from several start days.
TEST(ReportFigures, LabelsPeriodsAcrossMonthsAndLeapFebruary) {
  const struct {
    date_number_t uiFrom;
    int32_t iDay;
    report_period_t ePeriod;
    int32_t iStart;
    std::size_t iPeriod;
    const char* szLabel;
    const char* szShort;
    const char* szCoverage;  // of the report's days, iDay + 1 from uiFrom
  } kCases[] = {
      {20280201, 0, report_period_t::kMonth, 1, 0, "2028-02", "2028-02", ", 1 of 29 days"},
      {20280201, 28, report_period_t::kMonth, 1, 0, "2028-02", "2028-02", ""},
      {20280201, 29, report_period_t::kMonth, 1, 1, "2028-03", "2028-03", ", 1 of 31 days"},
      {20280201, 0, report_period_t::kMonth, 28, 0, "2028-01-28/2028-02-27", "01-28/02-27",
       ", 1 of 31 days"},
      {20280201, 26, report_period_t::kMonth, 28, 0, "2028-01-28/2028-02-27", "01-28/02-27",
       ", 27 of 31 days"},
      {20280201, 27, report_period_t::kMonth, 28, 1, "2028-02-28/2028-03-27", "02-28/03-27",
       ", 1 of 29 days"},
      {20280201, 28, report_period_t::kMonth, 28, 1, "2028-02-28/2028-03-27", "02-28/03-27",
       ", 2 of 29 days"},
      {20261220, 0, report_period_t::kMonth, 15, 0, "2026-12-15/2027-01-14", "12-15/01-14",
       ", 1 of 31 days"},
      {20261220, 26, report_period_t::kMonth, 15, 1, "2027-01-15/2027-02-14", "01-15/02-14",
       ", 1 of 31 days"},
      {20261228, 0, report_period_t::kWeek, 1, 0, "2026-W53", "2026-W53", ", 1 of 7 days"},
      {20261228, 6, report_period_t::kWeek, 1, 0, "2026-W53", "2026-W53", ""},
      {20261228, 7, report_period_t::kWeek, 1, 1, "2027-W01", "2027-W01", ", 1 of 7 days"},
      {20280228, 0, report_period_t::kWeek, 1, 0, "2028-W09", "2028-W09", ", 1 of 7 days"},
      {20280228, 6, report_period_t::kWeek, 1, 0, "2028-W09", "2028-W09", ""},
      {20280228, 7, report_period_t::kWeek, 1, 1, "2028-W10", "2028-W10", ", 1 of 7 days"},
      {20250101, 0, report_period_t::kWeek, 1, 0, "2025-W01", "2025-W01", ", 1 of 7 days"},
      {20211231, 2, report_period_t::kWeek, 1, 0, "2021-W52", "2021-W52", ", 3 of 7 days"},
      {20211231, 3, report_period_t::kWeek, 1, 1, "2022-W01", "2022-W01", ", 1 of 7 days"},
  };
  for (const auto& tCase : kCases) {
    report_t tReport;
    tReport.uiFrom = tCase.uiFrom;
    tReport.iDays = tCase.iDay + 1;
    tReport.tOptions.iPeriodStart = tCase.iStart;
    const std::size_t iPeriod = GetReportPeriodOfDay(tReport, tCase.ePeriod, tCase.iDay);
    EXPECT_EQ(iPeriod, tCase.iPeriod) << tCase.uiFrom << "+" << tCase.iDay;
    char szLabel[kPeriodBuf];
    FormatReportPeriod(tReport, tCase.ePeriod, static_cast<int32_t>(iPeriod), false, szLabel);
    EXPECT_STREQ(szLabel, tCase.szLabel) << tCase.uiFrom << "+" << tCase.iDay;
    FormatReportPeriod(tReport, tCase.ePeriod, static_cast<int32_t>(iPeriod), true, szLabel);
    EXPECT_STREQ(szLabel, tCase.szShort) << tCase.uiFrom << "+" << tCase.iDay;
    char szCoverage[kPeriodBuf];
    FormatPeriodCoverage(GetPeriodSpan(tReport, tCase.ePeriod, static_cast<int32_t>(iPeriod)),
                         szCoverage);
    EXPECT_STREQ(szCoverage, tCase.szCoverage) << tCase.uiFrom << "+" << tCase.iDay;
  }
}

// A case a line: the last good snapshot and the one that found a loss, and the days of the
// report (29 November to 2 December) marked, "-" for none.
TEST(ReportLosses, MarksTheDaysAfterTheLastGoodSnapshotToTheFinding) {
  const struct {
    const char* szLastGood;
    const char* szFound;
    const char* szDays;
  } kCases[] = {
      {"20261129120000", "20261129180000", "2026-11-29"},
      {"20261129180000", "20261130120000", "2026-11-30"},
      {"20261129230000", "20261201000500", "2026-11-30 2026-12-01"},
      {"20261128230000", "20261129010000", "2026-11-29"},
      {"20261101000000", "20261203000000", "2026-11-29 2026-11-30 2026-12-01 2026-12-02"},
      {"20261120000000", "20261128230000", "-"},
      {"20261202120000", "20261203000000", "-"},
      {"20261202000000", "20261202120000", "2026-12-02"},
      {"2026120212", "20261202120000", "-"},
      {"20261202000000", "202612021200", "-"},
      {"20261302000000", "20261202120000", "-"},
  };
  report_options_t tOptions;
  for (const auto& tCase : kCases) {
    report_t tReport = BuildTwoMonths(tOptions);
    const bool bMarked = MarkReportLoss(tCase.szLastGood, tCase.szFound, "chains gone", tReport);
    std::string szDays;
    for (int32_t iDay = 0; iDay < tReport.iDays; ++iDay) {
      if (FindDayLoss(tReport, iDay) != nullptr) {
        char szDate[kIsoDateBuf];
        FormatReportDay(tReport, iDay, szDate);
        szDays += szDays.empty() ? "" : " ";
        szDays += szDate;
      }
    }
    EXPECT_EQ(szDays.empty() ? "-" : szDays, tCase.szDays) << tCase.szLastGood;
    EXPECT_EQ(bMarked, !szDays.empty()) << tCase.szLastGood;
  }
}

// The two months with a restore found at noon on 1 December, the last good snapshot the
// evening before: only 1 December is marked, in every format; November's month is complete.
TEST(ReportLosses, MarksTheDayInEveryFormat) {
  report_options_t tOptions;
  report_t tReport = BuildTwoMonths(tOptions, report_type_t::kDaily);
  ASSERT_TRUE(
      MarkReportLoss("20261130180000", "20261201120000", "saved counters <restored>", tReport));
  const std::string szWhy =
      "saved counters <restored>; the last good snapshot 2026-11-30 18:00:00, found 2026-12-01 "
      "12:00:00";
  const std::string szCsv = WriteToString([&](std::FILE* pOut) { WriteCsvReport(pOut, tReport); });
  EXPECT_EQ(szCsv.substr(0, szCsv.find("2001:db8::4")),
            "host,name,date,incoming_bytes,outgoing_bytes,snapshots,complete\r\n"
            "10.0.0.1,,2026-11-29,20000000,300000,2,true\r\n"
            "10.0.0.1,,2026-11-30,10000000,0,1,true\r\n"
            "10.0.0.1,,2026-12-01,5000000,600000,1,false\r\n"
            "10.0.0.1,,2026-12-02,15000000,0,1,true\r\n"
            "10.0.0.2,,2026-11-29,2000000,0,2,true\r\n"
            "10.0.0.2,,2026-11-30,0,0,1,true\r\n"
            "10.0.0.2,,2026-12-01,500000,50000,1,false\r\n"
            "10.0.0.2,,2026-12-02,300000,9750000,1,true\r\n");
  ExpectPieces(
      WriteToString([&](std::FILE* pOut) { WriteJsonReport(pOut, tReport); }),
      {"{\"date\": \"2026-11-30\", \"incoming_bytes\": 10000000, \"outgoing_bytes\": 0, "
       "\"snapshots\": 1, \"complete\": true},\n"
       "    {\"date\": \"2026-12-01\", \"incoming_bytes\": 5000000, \"outgoing_bytes\": 600000, "
       "\"snapshots\": 1, \"complete\": false},\n"
       "    {\"date\": \"2026-12-02\", \"incoming_bytes\": 15000000, \"outgoing_bytes\": 0, "
       "\"snapshots\": 1, \"complete\": true}]}"},
      "json");
  ExpectPieces(WriteToString([&](std::FILE* pOut) { WriteConsoleReport(pOut, tReport, 0); }),
               {"Total [68.39 MB]\nIncomplete: traffic may be missing on 2026-12-01: " + szWhy +
                "\n\nElapsed"},
               "console");
  ExpectPieces(WriteToString([&](std::FILE* pOut) { WriteHtmlReport(pOut, tReport); }),
               {"</tbody>        </table>        <p class=\"incomplete\"><b>Incomplete:</b> "
                "traffic may be missing on 2026-12-01: saved counters &lt;restored&gt;; the last "
                "good snapshot 2026-11-30 18:00:00, found 2026-12-01 12:00:00</p>        </html>"},
               "html");
  const std::string szEscaped =
      "saved counters &lt;restored&gt;; the last good snapshot 2026-11-30 18:00:00, found "
      "2026-12-01 12:00:00";
  const std::string szDaily =
      WriteToString([&](std::FILE* pOut) { WriteDailyPage(pOut, tReport); });
  ExpectPieces(szDaily,
               {"<th title=\"2026-11-30\">11-30</th><th style=\"color:#c00\" "
                "title=\"2026-12-01: incomplete: " +
                    szEscaped + "\">12-01!</th><th title=\"2026-12-02\">12-02</th>",
                "<g class=\"incomplete\"><title>2026-12-01: incomplete: " + szEscaped +
                    "</title><text x=\""},
               "daily");
  std::size_t iMarks = 0;
  for (std::size_t iAt = szDaily.find("incomplete: "); iAt != std::string::npos;
       iAt = szDaily.find("incomplete: ", iAt + 1)) {
    ++iMarks;
  }
  EXPECT_EQ(iMarks, 2u) << "one mark on the chart, one in the table";
  const std::string szMonthly =
      WriteToString([&](std::FILE* pOut) { WriteMonthlyPage(pOut, tReport); });
  ExpectPieces(
      szMonthly,
      {"<th title=\"2026-11, 2 of 30 days\">2026-11<br><small>2 of 30 days</small></th><th "
       "style=\"color:#c00\" title=\"2026-12, 2 of 31 days: incomplete: " +
       szEscaped + "\">2026-12!<br><small>2 of 31 days</small></th>"},
      "monthly");
  tReport.tOptions.eBy = report_period_t::kMonth;
  const std::string szMonths =
      WriteToString([&](std::FILE* pOut) { WriteCsvReport(pOut, tReport); });
  EXPECT_EQ(szMonths.substr(0, szMonths.find("10.0.0.2")),
            "host,name,date,incoming_bytes,outgoing_bytes,snapshots,first_day,last_day,"
            "period_first_day,period_last_day,complete\r\n"
            "10.0.0.1,,2026-11,30000000,300000,3,2026-11-29,2026-11-30,2026-11-01,2026-11-30,"
            "true\r\n"
            "10.0.0.1,,2026-12,20000000,600000,2,2026-12-01,2026-12-02,2026-12-01,2026-12-31,"
            "false\r\n");
}
