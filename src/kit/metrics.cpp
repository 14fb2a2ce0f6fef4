// The kit's counters in the text exposition format: the listing read with the report's own
// splitter, so that the kit and the report never disagree on what a row is.
#include "kit/metrics.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <unordered_map>

#include "logs/log_split.h"

namespace {

// A counter as "-x" prints it: digits only, below 2^64.
bool ReadExactCount(std::string_view szToken, unsigned long long& ullValue) {
  if (szToken.empty()) {
    return false;
  }
  const auto [pEnd, eError] =
      std::from_chars(szToken.data(), szToken.data() + szToken.size(), ullValue);
  return eError == std::errc() && pEnd == szToken.data() + szToken.size();
}

constexpr std::string_view kNotCounted = "not counted: ";

struct series_index_t {
  metrics_t& tMetrics;
  int32_t iDirection;
  std::unordered_map<std::string, std::size_t> tByKey;
  std::size_t iInDirection = 0;
};

bool TakeRow(series_index_t& tIndex, const ipt_data_t& tRow) {
  unsigned long long ullBytes = 0;
  unsigned long long ullPackets = 0;
  if (!ReadExactCount(tRow.sBytes, ullBytes) || !ReadExactCount(tRow.sPackets, ullPackets)) {
    return false;
  }
  std::string_view szKey = tIndex.iDirection == 0 ? tRow.sDestination : tRow.sSource;
  const std::string_view szComment = FindRuleComment(tRow.sRest);
  std::string_view szCause;
  if (szComment.substr(0, kNotCounted.size()) == kNotCounted) {
    szCause = szComment.substr(kNotCounted.size());
  }
  // A "not counted" row of a subnet is its own series beside the subnet's host row, one per
  // cause.
  const std::string szLookup = std::string(szCause.empty() ? "h " : "c ").append(szKey);
  // Such a row is keyed "!CAUSE:SUBNET", apart from every host; its series is the subnet's.
  if (const std::size_t iColon = szKey.find(':');
      !szCause.empty() && szKey.starts_with('!') && iColon != std::string_view::npos) {
    szKey.remove_prefix(iColon + 1);
  }
  auto tFound = tIndex.tByKey.find(szLookup);
  if (tFound == tIndex.tByKey.end()) {
    if (tIndex.iInDirection >= kMaxMetricSeries) {
      return false;
    }
    ++tIndex.iInDirection;
    metric_series_t tSeries;
    tSeries.szKey.assign(szKey);
    tSeries.szCause.assign(szCause);
    if (szCause.empty()) {
      tSeries.szName.assign(szComment);
    }
    tSeries.iDirection = tIndex.iDirection;
    tIndex.tMetrics.tSeries.push_back(std::move(tSeries));
    tFound = tIndex.tByKey.emplace(szLookup, tIndex.tMetrics.tSeries.size() - 1).first;
  }
  metric_series_t& tSeries = tIndex.tMetrics.tSeries[tFound->second];
  // Two rules of one host are two parts of one counter.
  if (tSeries.ullBytes > UINT64_MAX - ullBytes || tSeries.ullPackets > UINT64_MAX - ullPackets) {
    tIndex.tMetrics.bOverflow = true;
    return false;
  }
  tSeries.ullBytes += ullBytes;
  tSeries.ullPackets += ullPackets;
  return true;
}

void AppendSeries(std::string& szText, const char* szMetric, const metric_series_t& tSeries,
                  unsigned long long ullValue) {
  szText += szMetric;
  szText += tSeries.szCause.empty() ? "{host=\"" : "{key=\"";
  szText += EscapeLabelValue(tSeries.szKey);
  szText += tSeries.iDirection == 0 ? "\",direction=\"in\"" : "\",direction=\"out\"";
  szText += tSeries.szKey.find(':') != std::string::npos ? ",family=\"ipv6\"" : ",family=\"ipv4\"";
  if (!tSeries.szCause.empty()) {
    szText += ",cause=\"" + EscapeLabelValue(tSeries.szCause) + "\"";
  } else if (!tSeries.szName.empty()) {
    szText += ",name=\"" + EscapeLabelValue(tSeries.szName) + "\"";
  }
  char szValue[32];
  std::snprintf(szValue, sizeof szValue, "} %llu\n", ullValue);
  szText += szValue;
}

void AppendFamily(std::string& szText, const metrics_t& tMetrics, const char* szMetric,
                  const char* szHelp, bool bCauses, bool bPackets) {
  bool bAny = false;
  for (const metric_series_t& tSeries : tMetrics.tSeries) {
    if (tSeries.szCause.empty() == bCauses) {
      continue;
    }
    if (!bAny) {
      szText += std::string("# HELP ") + szMetric + " " + szHelp + "\n";
      szText += std::string("# TYPE ") + szMetric + " counter\n";
      bAny = true;
    }
    AppendSeries(szText, szMetric, tSeries, bPackets ? tSeries.ullPackets : tSeries.ullBytes);
  }
}

}  // namespace

void ReadMetricListing(std::string_view szText, int32_t iDirection, metrics_t& tMetrics) {
  series_index_t tIndex{tMetrics, iDirection, {}, 0};
  for (std::size_t iSeries = 0; iSeries < tMetrics.tSeries.size(); ++iSeries) {
    if (tMetrics.tSeries[iSeries].iDirection == iDirection) {
      ++tIndex.iInDirection;
    }
  }
  auto pSplit = std::make_unique<log_split_t>();
  StartLogSplit(*pSplit);
  auto fOnRow = [&tIndex](const ipt_data_t& tRow) { return TakeRow(tIndex, tRow); };
  FeedLogSplit(*pSplit, szText.data(), szText.size(), fOnRow);
  FinishLogSplit(*pSplit, fOnRow);
  tMetrics.iRefusedRows += pSplit->iRefusedRows;
}

std::string EscapeLabelValue(std::string_view szValue) {
  std::string szEscaped;
  szEscaped.reserve(szValue.size());
  for (const char cChar : szValue) {
    switch (cChar) {
      case '\\': szEscaped += "\\\\"; break;
      case '"': szEscaped += "\\\""; break;
      case '\n': szEscaped += "\\n"; break;
      default: szEscaped += cChar; break;
    }
  }
  return szEscaped;
}

std::string FormatMetrics(const metrics_t& tMetrics, long long llStampSeconds, bool bHealthy) {
  std::string szText;
  AppendFamily(szText, tMetrics, "netreckon_host_bytes_total",
               "Bytes a host received (in) or sent (out) since its counter last started from 0.",
               false, false);
  AppendFamily(szText, tMetrics, "netreckon_host_packets_total",
               "Packets a host received (in) or sent (out) since its counter last started from 0.",
               false, true);
  AppendFamily(szText, tMetrics, "netreckon_not_counted_bytes_total",
               "Bytes the kit could not give to a host, per subnet, direction and cause.", true,
               false);
  AppendFamily(szText, tMetrics, "netreckon_not_counted_packets_total",
               "Packets the kit could not give to a host, per subnet, direction and cause.", true,
               true);
  szText +=
      "# HELP netreckon_snapshot_timestamp_seconds When the snapshot of these counters was "
      "taken.\n# TYPE netreckon_snapshot_timestamp_seconds gauge\n";
  char szLine[64];
  std::snprintf(szLine, sizeof szLine, "netreckon_snapshot_timestamp_seconds %lld\n",
                llStampSeconds);
  szText += szLine;
  szText +=
      "# HELP netreckon_collection_healthy 0 when this snapshot found that traffic may have gone "
      "uncounted since the last one, else 1.\n# TYPE netreckon_collection_healthy gauge\n";
  szText += bHealthy ? "netreckon_collection_healthy 1\n" : "netreckon_collection_healthy 0\n";
  return szText;
}
