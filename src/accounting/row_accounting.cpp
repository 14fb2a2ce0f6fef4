// Accounting one log row into a host table, and the report range it widens.
#include <array>
#include <cstdio>
#include <cstring>

#include "accounting/records.h"

date_number_t start_date = 0;
date_number_t end_date = 0;

namespace {

// Tables already reported full, so that a full table warns once per run and not once per row.
std::array<const data_t*, 8> g_apFullTables = {};

// The slot found last: logs list their hosts in the same order every time, so the next row's
// host usually sits in the next slot. Only a guess; every hit is checked in full.
int32_t g_iNextSlotGuess = 0;

bool WarnOnceForFullTable(const host_table_t& tTable) {
  for (const data_t*& pSeen : g_apFullTables) {
    if (pSeen == &tTable[0]) {
      return false;
    }
    if (pSeen == nullptr) {
      pSeen = &tTable[0];
      return true;
    }
  }
  return true;
}

void ReportInvalidDayIndex(int iCase, int32_t iday_index) {
  char szMessage[kTextBuf] = {};
  std::snprintf(szMessage, sizeof szMessage, "In [%s] #%d Invalid iday_index value [%d]",
                "ProcessIPTableRow", iCase, iday_index);
  std::perror(szMessage);
}

bool IsHostInSlot(const data_t& tHost, std::string_view szKey) {
  return tHost.ip[0] != '\0' &&
         EqualsIgnoreCase(std::string_view(tHost.ip, strnlen(tHost.ip, kIpBuf)), szKey);
}

// The slots of one direction of a host record.
struct direction_slots_t {
  day_slots_t& tBytes;
  day_slots_t& tPrevious;
  day_marks_t& tHasPrevious;
  double& dFirstBytes;
  int32_t& iFirstDay;
};

direction_slots_t GetDirectionSlots(data_t& tHost, int32_t iDirection) {
  if (iDirection == 0) {
    return {tHost.bytes_in, tHost.previous_bytes_in, tHost.has_previous_in, tHost.first_bytes_in,
            tHost.first_day_in};
  }
  return {tHost.bytes_out, tHost.previous_bytes_out, tHost.has_previous_out, tHost.first_bytes_out,
          tHost.first_day_out};
}

// Stores a reading as its slot's last one; the first of the direction is kept as well.
void KeepReading(const direction_slots_t& tSlots, int32_t iday_index, double bytes) {
  if (!HasAnyReading(tSlots.tHasPrevious)) {
    tSlots.dFirstBytes = bytes;
    tSlots.iFirstDay = iday_index;
  }
  tSlots.tPrevious[iday_index] = bytes;
  tSlots.tHasPrevious[iday_index] = true;
}

// A file two or more days before the range's start (an old baseline) holds a level, as one of
// the day before does: it goes to slot 0 like that one.
int32_t FoldEarlyDays(int32_t iday_index) { return iday_index < 0 ? 0 : iday_index; }

}  // namespace

void ResetReportRange() {
  start_date = 0;
  end_date = 0;
  g_apFullTables = {};
  g_iNextSlotGuess = 0;
}

namespace {

constexpr std::size_t kRoundedTokenMax = 8;
constexpr std::size_t kExactTokenMax = kBytesBuf - 1;

// The value of a token of decimal digits only, when it is below 2^64.
bool ReadExactCount(std::string_view szToken, unsigned long long& uiCount) {
  if (szToken.empty() || szToken.size() > kExactTokenMax) {
    return false;
  }
  unsigned long long uiValue = 0;
  for (const char cDigit : szToken) {
    if (cDigit < '0' || cDigit > '9') {
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

}  // namespace

bool IsByteTokenReadable(std::string_view szToken) {
  unsigned long long uiCount = 0;
  return szToken.size() <= kRoundedTokenMax || ReadExactCount(szToken, uiCount);
}

double ParseByteColumn(const char* szBytes) {
  std::size_t iDigits = 0;
  while (iDigits <= kExactTokenMax && szBytes[iDigits] >= '0' && szBytes[iDigits] <= '9') {
    ++iDigits;
  }
  unsigned long long uiCount = 0;
  const bool bCounted = ReadExactCount(std::string_view(szBytes, iDigits), uiCount);
  // An exact listing (-x) prints every byte; such a count may pass 32 bits by far.
  if (bCounted && szBytes[iDigits] == '\0') {
    return static_cast<double>(uiCount) * 0.000001;
  }
  // The rounded form: its leading digits as atoi reads them, which more than nine would wrap.
  double bytes = bCounted && iDigits <= 9 ? static_cast<double>(uiCount) : ParseInt(szBytes);
  if (bytes > 0) {
    // Units are upper case and decimal; the first of K, M, G, T found decides.
    if (std::strchr(szBytes, 'K') != nullptr) {
      bytes *= 0.001;
    } else if (std::strchr(szBytes, 'M') != nullptr) {
    } else if (std::strchr(szBytes, 'G') != nullptr) {
      bytes *= 1000;
    } else if (std::strchr(szBytes, 'T') != nullptr) {
      // The listing goes on to T above 9999G: a busy host's counter reaches it within months.
      bytes *= 1000000;
    } else {
      bytes *= 0.000001;
    }
  }
  return bytes;
}

void ProcessIPTableRow(const char* pLogFileName, int32_t iDirection, const ipt_data_t& pData,
                       host_table_t& ppBandwidthUsage, int32_t iMaxClientCount,
                       int32_t iLogFileIsOnANewDate) {
  const char* pHostLookup = iDirection == 0 ? pData.sDestination : pData.sSource;
  // A row without its key column has no host to account it to; an empty key would also
  // fill a slot that still reads as free.
  if (pHostLookup[0] == '\0') {
    return;
  }
  // A key longer than the record's field is cut the same way every time, so it finds its
  // own record again.
  char szKey[kIpBuf] = {};
  const std::size_t iKeyLength =
      CopyText(szKey, sizeof szKey,
               std::string_view(pHostLookup, strnlen(pHostLookup, sizeof pData.sSource)));
  const std::string_view szHostKey(szKey, iKeyLength);
  const double bytes = ParseByteColumn(pData.sBytes);

  const int32_t iSlots = iMaxClientCount < 0             ? 0
                         : iMaxClientCount > kMaxClients ? kMaxClients
                                                         : iMaxClientCount;
  int32_t iFoundIndex = -1;
  int32_t iFirstEmptyIndex = -1;
  if (g_iNextSlotGuess < iSlots && IsHostInSlot(ppBandwidthUsage[g_iNextSlotGuess], szHostKey)) {
    iFoundIndex = g_iNextSlotGuess;
  } else {
    for (int32_t iIdx = 0; iIdx < iSlots; ++iIdx) {
      if (ppBandwidthUsage[iIdx].ip[0] == '\0') {
        iFirstEmptyIndex = iIdx;
        break;
      }
      if (IsHostInSlot(ppBandwidthUsage[iIdx], szHostKey)) {
        iFoundIndex = iIdx;
        break;
      }
    }
  }

  const date_number_t uiFileDate = GetLogFileDate(pLogFileName);
  if (iFoundIndex >= 0) {
    g_iNextSlotGuess = iFoundIndex + 1;
    const int32_t iday_index = FoldEarlyDays(GetDayIndex(start_date, uiFileDate));
    if (iday_index > 30) {
      // Nothing is stored outside the 31 slots: the reading is dropped.
      ReportInvalidDayIndex(1, iday_index);
    } else {
      const direction_slots_t tSlots = GetDirectionSlots(ppBandwidthUsage[iFoundIndex], iDirection);
      // A file dated before the range's start holds a level, not traffic: the last one stays.
      if (uiFileDate < start_date) {
        tSlots.tBytes[iday_index] = bytes;
      } else {
        SetDailyBandwidthForHost(iday_index, bytes, tSlots.tBytes, tSlots.tPrevious,
                                 tSlots.tHasPrevious, iLogFileIsOnANewDate);
      }
      KeepReading(tSlots, iday_index, bytes);
    }
    if (end_date < uiFileDate) {
      end_date = uiFileDate;
    }
    return;
  }

  if (iFirstEmptyIndex < 0) {
    if (WarnOnceForFullTable(ppBandwidthUsage)) {
      std::fprintf(stderr,
                   "Host table full (%d hosts): rows of host [%s] and of any further new host "
                   "are dropped\n",
                   iSlots, szKey);
    }
    return;
  }

  data_t& tHost = ppBandwidthUsage[iFirstEmptyIndex];
  g_iNextSlotGuess = iFirstEmptyIndex + 1;
  const int32_t iday_index =
      start_date == 0 ? 0 : FoldEarlyDays(GetDayIndex(start_date, uiFileDate));
  CopyText(tHost.ip, sizeof tHost.ip, szHostKey);
  if (iday_index > 30) {
    ReportInvalidDayIndex(2, iday_index);
  } else {
    // The first reading counts in full; the report takes the baseline back out.
    const direction_slots_t tSlots = GetDirectionSlots(tHost, iDirection);
    tSlots.tBytes[iday_index] = bytes;
    KeepReading(tSlots, iday_index, bytes);
  }
  if (start_date == 0) {
    start_date = uiFileDate;
  }
  if (end_date < uiFileDate) {
    end_date = uiFileDate;
  }
}
