// The kit's counters as a monitoring system reads them: one series per host and direction, the
// exact counts of the listing, names and causes as labels, escapes, and the refused rows.
#include "kit/metrics.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>

namespace {

constexpr const char* kInTitle =
    "Chain NETRECKON_IN (2 references)\n"
    "    pkts      bytes target     prot opt in     out     source               destination\n";
constexpr const char* kOutTitle =
    "Chain NETRECKON_OUT (2 references)\n"
    "    pkts      bytes target     prot opt in     out     source               destination\n";

std::string Format(const std::string& szIn, const std::string& szOut, bool bHealthy = true) {
  metrics_t tMetrics;
  ReadMetricListing(kInTitle + szIn, 0, tMetrics);
  ReadMetricListing(kOutTitle + szOut, 1, tMetrics);
  return FormatMetrics(tMetrics, 1780000000, bHealthy);
}

constexpr const char* kTail =
    "# HELP netreckon_snapshot_timestamp_seconds When the snapshot of these counters was taken.\n"
    "# TYPE netreckon_snapshot_timestamp_seconds gauge\n"
    "netreckon_snapshot_timestamp_seconds 1780000000\n"
    "# HELP netreckon_collection_healthy 0 when this snapshot found that traffic may have gone "
    "uncounted since the last one, else 1.\n"
    "# TYPE netreckon_collection_healthy gauge\n";

// The series lines of an exposition text, each metric's name shortened to a letter: h and p
// for a host's bytes and packets, c and d for a not-counted row's.
std::string ShortSeries(const std::string& szText) {
  const std::pair<std::string_view, const char*> atShort[] = {
      {"netreckon_host_bytes_total{", "h{"},
      {"netreckon_host_packets_total{", "p{"},
      {"netreckon_not_counted_bytes_total{", "c{"},
      {"netreckon_not_counted_packets_total{", "d{"}};
  std::string szSeries;
  std::size_t iStart = 0;
  for (std::size_t iEnd = szText.find('\n'); iEnd != std::string::npos;
       iStart = iEnd + 1, iEnd = szText.find('\n', iStart)) {
    const std::string_view szLine(szText.data() + iStart, iEnd - iStart + 1);
    for (const auto& [szLong, szLetter] : atShort) {
      if (szLine.starts_with(szLong)) {
        szSeries += szLetter;
        szSeries += szLine.substr(szLong.size());
      }
    }
  }
  return szSeries;
}

// One line per case: the rows of the incoming listing, and the series lines they give (bytes
// and packets of the hosts, then of the rows the kit could not give a host).
struct series_case_t {
  const char* szName;
  const char* szRows;
  const char* szSeries;
};

}  // namespace

TEST(Metrics, EveryHostAndDirectionIsASeriesOfTheListingsExactCounts) {
  const std::string szIn =
      "      12     9000            all  --  *      *       0.0.0.0/0            10.0.0.1  /* "
      "alice "
      "*/\n"
      "       3      300            all  --  *      *       ::/0                 2001:db8::5\n";
  const std::string szOut =
      "       7 18446744073709551615 all  --  *      *       10.0.0.1             0.0.0.0/0\n";
  EXPECT_EQ(Format(szIn, szOut),
            std::string("# HELP netreckon_host_bytes_total Bytes a host received (in) or sent "
                        "(out) since its counter last started from 0.\n"
                        "# TYPE netreckon_host_bytes_total counter\n"
                        "netreckon_host_bytes_total{host=\"10.0.0.1\",direction=\"in\",family="
                        "\"ipv4\",name=\"alice\"} 9000\n"
                        "netreckon_host_bytes_total{host=\"2001:db8::5\",direction=\"in\",family="
                        "\"ipv6\"} 300\n"
                        "netreckon_host_bytes_total{host=\"10.0.0.1\",direction=\"out\",family="
                        "\"ipv4\"} 18446744073709551615\n"
                        "# HELP netreckon_host_packets_total Packets a host received (in) or sent "
                        "(out) since its counter last started from 0.\n"
                        "# TYPE netreckon_host_packets_total counter\n"
                        "netreckon_host_packets_total{host=\"10.0.0.1\",direction=\"in\",family="
                        "\"ipv4\",name=\"alice\"} 12\n"
                        "netreckon_host_packets_total{host=\"2001:db8::5\",direction=\"in\","
                        "family=\"ipv6\"} 3\n"
                        "netreckon_host_packets_total{host=\"10.0.0.1\",direction=\"out\",family="
                        "\"ipv4\"} 7\n") +
                kTail + "netreckon_collection_healthy 1\n");
}

TEST(Metrics, RowsBecomeSeries) {
  const series_case_t atCases[] = {
      {"two rules of one host are one counter",
       "1 100 all -- * * 0.0.0.0/0 10.0.0.1\n2 250 udp -- * * 0.0.0.0/0 10.0.0.1\n",
       "h{host=\"10.0.0.1\",direction=\"in\",family=\"ipv4\"} 350\n"
       "p{host=\"10.0.0.1\",direction=\"in\",family=\"ipv4\"} 3\n"},
      {"a subnet's not-counted row is a series of its own",
       "4 400 all -- * * 0.0.0.0/0 10.0.0.0/24\n5 500 all -- * * 0.0.0.0/0 10.0.0.0/24 /* not "
       "counted: set full */\n",
       "h{host=\"10.0.0.0/24\",direction=\"in\",family=\"ipv4\"} 400\n"
       "p{host=\"10.0.0.0/24\",direction=\"in\",family=\"ipv4\"} 4\n"
       "c{key=\"10.0.0.0/24\",direction=\"in\",family=\"ipv4\",cause=\"set full\"} 500\n"
       "d{key=\"10.0.0.0/24\",direction=\"in\",family=\"ipv4\",cause=\"set full\"} 5\n"},
      {"a not-counted row keyed apart is its subnet's series",
       "6 600 all -- * * 0.0.0.0/0 !full:2001:db8:1::/64 /* not counted: set full */\n"
       "7 700 all -- * * 0.0.0.0/0 !unknown:10.0.2.0/24 /* not counted: unknown host */\n",
       "c{key=\"2001:db8:1::/64\",direction=\"in\",family=\"ipv6\",cause=\"set full\"} 600\n"
       "c{key=\"10.0.2.0/24\",direction=\"in\",family=\"ipv4\",cause=\"unknown host\"} 700\n"
       "d{key=\"2001:db8:1::/64\",direction=\"in\",family=\"ipv6\",cause=\"set full\"} 6\n"
       "d{key=\"10.0.2.0/24\",direction=\"in\",family=\"ipv4\",cause=\"unknown host\"} 7\n"},
      {"two causes of one subnet are two series",
       "1 100 all -- * * 0.0.0.0/0 !full:10.0.3.0/24 /* not counted: set full */\n"
       "2 200 all -- * * 0.0.0.0/0 !limit:10.0.3.0/24 /* not counted: too many addresses */\n",
       "c{key=\"10.0.3.0/24\",direction=\"in\",family=\"ipv4\",cause=\"set full\"} 100\n"
       "c{key=\"10.0.3.0/24\",direction=\"in\",family=\"ipv4\",cause=\"too many addresses\"} "
       "200\n"
       "d{key=\"10.0.3.0/24\",direction=\"in\",family=\"ipv4\",cause=\"set full\"} 1\n"
       "d{key=\"10.0.3.0/24\",direction=\"in\",family=\"ipv4\",cause=\"too many addresses\"} "
       "2\n"},
      {"quotes and backslashes in a name are escaped",
       "1 10 all -- * * 0.0.0.0/0 10.0.0.1 /* a\"b\\c */\n",
       "h{host=\"10.0.0.1\",direction=\"in\",family=\"ipv4\",name=\"a\\\"b\\\\c\"} 10\n"
       "p{host=\"10.0.0.1\",direction=\"in\",family=\"ipv4\",name=\"a\\\"b\\\\c\"} 1\n"},
      {"a counter with a unit is no exact count", "1 10K all -- * * 0.0.0.0/0 10.0.0.1\n", ""},
      {"a counter past 2^64 - 1 is refused",
       "1 18446744073709551616 all -- * * 0.0.0.0/0 10.0.0.1\n", ""},
      {"two rows summing past 2^64 - 1 keep the first",
       "1 18446744073709551615 all -- * * 0.0.0.0/0 10.0.0.1\n1 1 all -- * * 0.0.0.0/0 10.0.0.1\n",
       "h{host=\"10.0.0.1\",direction=\"in\",family=\"ipv4\"} 18446744073709551615\n"
       "p{host=\"10.0.0.1\",direction=\"in\",family=\"ipv4\"} 1\n"},
  };
  for (const series_case_t& tCase : atCases) {
    metrics_t tMetrics;
    ReadMetricListing(std::string(kInTitle) + tCase.szRows, 0, tMetrics);
    EXPECT_EQ(ShortSeries(FormatMetrics(tMetrics, 0, true)), tCase.szSeries) << tCase.szName;
  }
}

// One line per case: the rows of both listings, the rows left out of the counters and whether
// a sum went past 2^64 - 1; either makes the kit say so and publish nothing.
TEST(Metrics, RefusedRowsAreCountedAndALossSaysUnhealthy) {
  const struct {
    const char* szName;
    const char* szIn;
    const char* szOut;
    int iRefused;
    bool bOverflow;
  } kCases[] = {
      {"whole counts", "1 10 all -- * * 0.0.0.0/0 10.0.0.1\n",
       "1 10 all -- * * 10.0.0.1 0.0.0.0/0\n", 0, false},
      {"a unit and a broken row", "1 10K all -- * * 0.0.0.0/0 10.0.0.1\nx y\n", "", 2, false},
      {"refused rows of both directions add up", "1 10K all -- * * 0.0.0.0/0 10.0.0.1\n",
       "1 10K all -- * * 10.0.0.1 0.0.0.0/0\nx y\n", 3, false},
      {"a refused incoming row stays after a clean outgoing listing",
       "1 10K all -- * * 0.0.0.0/0 10.0.0.1\n", "1 10 all -- * * 10.0.0.1 0.0.0.0/0\n", 1, false},
      {"two rows of a host past 2^64 - 1",
       "1 18446744073709551615 all -- * * 0.0.0.0/0 10.0.0.1\n1 1 all -- * * 0.0.0.0/0 "
       "10.0.0.1\n",
       "", 1, true},
      {"two packet counts of a host past 2^64 - 1",
       "18446744073709551615 1 all -- * * 0.0.0.0/0 10.0.0.1\n1 1 all -- * * 0.0.0.0/0 "
       "10.0.0.1\n",
       "", 1, true},
  };
  for (const auto& tCase : kCases) {
    metrics_t tMetrics;
    ReadMetricListing(kInTitle + std::string(tCase.szIn), 0, tMetrics);
    ReadMetricListing(kOutTitle + std::string(tCase.szOut), 1, tMetrics);
    EXPECT_EQ(tMetrics.iRefusedRows, tCase.iRefused) << tCase.szName;
    EXPECT_EQ(tMetrics.bOverflow, tCase.bOverflow) << tCase.szName;
  }
  EXPECT_EQ(Format("", "", false), std::string(kTail) + "netreckon_collection_healthy 0\n");
}

TEST(Metrics, LabelValuesAreEscaped) {
  EXPECT_EQ(EscapeLabelValue("plain"), "plain");
  EXPECT_EQ(EscapeLabelValue("a\\b\"c\nd"), "a\\\\b\\\"c\\nd");
}
