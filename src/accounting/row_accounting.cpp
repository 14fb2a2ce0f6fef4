// Accounting the rows of one log file into a host table, and the report range it widens.
#include <cstring>

#include "accounting/records.h"

date_number_t start_date = 0;
date_number_t end_date = 0;

void ResetReportRange() {
  start_date = 0;
  end_date = 0;
}

namespace {

constexpr std::size_t kRoundedTokenMax = 8;
constexpr std::size_t kExactTokenMax = kBytesBuf - 1;
constexpr std::size_t kKeyMax = kIpBuf - 1;

bool IsDigit(char cChar) { return cChar >= '0' && cChar <= '9'; }

bool IsUnit(char cChar) { return cChar == 'K' || cChar == 'M' || cChar == 'G' || cChar == 'T'; }

// The value of a token of decimal digits only, when it is below 2^64.
bool ReadExactCount(std::string_view szToken, unsigned long long& uiCount) {
  if (szToken.empty() || szToken.size() > kExactTokenMax) {
    return false;
  }
  unsigned long long uiValue = 0;
  for (const char cDigit : szToken) {
    if (!IsDigit(cDigit)) {
      return false;
    }
    const auto uiDigit = static_cast<unsigned>(cDigit - '0');
    if (uiValue > (~0ULL - uiDigit) / 10) {
      return false;
    }
    uiValue = uiValue * 10 + uiDigit;
  }
  uiCount = uiValue;
  return true;
}

bool IsKeyCharacter(char cChar) {
  return IsDigit(cChar) || (cChar >= 'a' && cChar <= 'z') || (cChar >= 'A' && cChar <= 'Z') ||
         cChar == '.' || cChar == ':' || cChar == '/' || cChar == '_' || cChar == '-' ||
         cChar == '!';
}

// A file two or more days before the range's start (an old baseline) holds a level, as one of
// the day before does: it goes to day 0 like that one.
int32_t FoldEarlyDays(int32_t iday_index) { return iday_index < 0 ? 0 : iday_index; }

day_series_t& GetDirectionSeries(data_t& tHost, int32_t iDirection) {
  return iDirection == 0 ? tHost.bytes_in : tHost.bytes_out;
}

}  // namespace

bool IsByteTokenReadable(std::string_view szToken) {
  unsigned long long uiCount = 0;
  if (ReadExactCount(szToken, uiCount)) {
    return true;
  }
  // The rounded listing: digits, then the unit of a counter above 99999.
  return szToken.size() >= 2 && szToken.size() <= kRoundedTokenMax && IsUnit(szToken.back()) &&
         ReadExactCount(szToken.substr(0, szToken.size() - 1), uiCount);
}

bool IsHostKeyReadable(std::string_view szKey) {
  if (szKey.empty() || szKey.size() > kKeyMax) {
    return false;
  }
  const char cFirst = szKey.front();
  if (!(IsKeyCharacter(cFirst) && cFirst != '.' && cFirst != '/' && cFirst != '_' &&
        cFirst != '-')) {
    return false;
  }
  for (const char cChar : szKey) {
    if (!IsKeyCharacter(cChar)) {
      return false;
    }
  }
  return true;
}

double ParseByteColumn(const char* szBytes) {
  std::size_t iDigits = 0;
  while (iDigits <= kExactTokenMax && IsDigit(szBytes[iDigits])) {
    ++iDigits;
  }
  unsigned long long uiCount = 0;
  if (!ReadExactCount(std::string_view(szBytes, iDigits), uiCount)) {
    return 0;
  }
  // An exact listing (-x) prints every byte; such a count may pass 32 bits by far.
  auto bytes = static_cast<double>(uiCount);
  switch (szBytes[iDigits]) {
    case 'K': return bytes * 0.001;
    case 'M': return bytes;
    case 'G': return bytes * 1000;
    // The listing goes on to T above 9999G: a busy host's counter reaches it within months.
    case 'T': return bytes * 1000000;
    default: return bytes * 0.000001;
  }
}

void StartLogFileReadings(host_table_t& tTable) {
  ++tTable.iFileStamp;
  tTable.tPending.clear();
}

bool ProcessIPTableRow(int32_t iDirection, const ipt_data_t& pData,
                       host_table_t& ppBandwidthUsage) {
  const char* pHostLookup = iDirection == 0 ? pData.sDestination : pData.sSource;
  const std::string_view szKey(pHostLookup, strnlen(pHostLookup, kIpBuf));
  const std::string_view szBytes(pData.sBytes, strnlen(pData.sBytes, sizeof pData.sBytes));
  // Junk saved under a snapshot's name must not become hosts, and a cut or misread counter
  // is a wrong number: such rows are refused, not guessed at.
  if (!IsHostKeyReadable(szKey) || !IsByteTokenReadable(szBytes)) {
    return false;
  }
  const double bytes = ParseByteColumn(pData.sBytes);
  const int32_t iHost = FindOrAddHost(ppBandwidthUsage, szKey);
  data_t& tHost = ppBandwidthUsage.tHosts[static_cast<std::size_t>(iHost)];
  // Two rules of one host (a TCP and a UDP rule) are two parts of one reading, not two
  // successive readings of one counter.
  if (tHost.iPendingStamp == ppBandwidthUsage.iFileStamp) {
    ppBandwidthUsage.tPending[tHost.iPending].bytes += bytes;
  } else {
    tHost.iPendingStamp = ppBandwidthUsage.iFileStamp;
    tHost.iPending = static_cast<uint32_t>(ppBandwidthUsage.tPending.size());
    ppBandwidthUsage.tPending.push_back({iHost, bytes});
  }
  return true;
}

void AccountLogFileReadings(host_table_t& tTable, int32_t iDirection, date_number_t uiFileDate,
                            int32_t iLogFileIsOnANewDate) {
  if (tTable.tPending.empty()) {
    return;
  }
  // The first file with a reading opens the report range; every day counts from its date.
  if (start_date == 0) {
    start_date = uiFileDate;
  }
  const int32_t iday_index = FoldEarlyDays(GetDayIndex(start_date, uiFileDate));
  for (const pending_reading_t& tReading : tTable.tPending) {
    data_t& tHost = tTable.tHosts[static_cast<std::size_t>(tReading.iHost)];
    day_series_t& tSeries = GetDirectionSeries(tHost, iDirection);
    if (tHost.bytes_in.tDays.empty() && tHost.bytes_out.tDays.empty()) {
      // A new host's first reading counts in full; the report takes the baseline back out.
      GetDayReading(tSeries, iday_index).bytes = tReading.bytes;
    } else if (uiFileDate < start_date) {
      // A file dated before the range's start holds a level, not traffic: the last one stays.
      GetDayReading(tSeries, iday_index).bytes = tReading.bytes;
    } else {
      SetDailyBandwidthForHost(iday_index, tReading.bytes, tSeries, iLogFileIsOnANewDate);
    }
    KeepReading(tSeries, iday_index, tReading.bytes);
  }
  tTable.tPending.clear();
  if (end_date < uiFileDate) {
    end_date = uiFileDate;
  }
}
