// Accounting the rows of one log file into a host table, and the report range it widens.
#include <array>
#include <cstring>

#include "accounting/records.h"

namespace {

constexpr std::size_t kRoundedTokenMax = 8;
// 2^64 - 1 has 20 digits; up to 19 digits cannot overflow.
constexpr std::size_t kExactTokenMax = 20;
constexpr std::size_t kSafeDigits = 19;
constexpr std::size_t kKeyMax = kIpBuf - 1;
// Rows between the one whose host record is fetched and the one read.
constexpr std::size_t kHostsFetchedAhead = 8;

// The value of a token of decimal digits only, when it is below 2^64.
bool ReadExactCount(std::string_view szToken, unsigned long long& uiCount) {
  if (szToken.empty() || szToken.size() > kExactTokenMax) {
    return false;
  }
  unsigned long long uiValue = 0;
  for (std::size_t iIdx = 0; iIdx < szToken.size(); ++iIdx) {
    const auto uiDigit = static_cast<unsigned>(static_cast<unsigned char>(szToken[iIdx]) - '0');
    if (uiDigit > 9) {
      return false;
    }
    // Only a twentieth digit can pass 2^64.
    if (iIdx >= kSafeDigits && uiValue > (~0ULL - uiDigit) / 10) {
      return false;
    }
    uiValue = uiValue * 10 + uiDigit;
  }
  uiCount = uiValue;
  return true;
}

// The characters of a host key as a listing prints one: letters, digits and . : / _ - !;
// 2 where a key may begin with it.
constexpr std::array<unsigned char, 256> MakeKeyTable() {
  std::array<unsigned char, 256> aTable = {};
  for (int iChar = '0'; iChar <= '9'; ++iChar) {
    aTable[static_cast<std::size_t>(iChar)] = 2;
  }
  for (std::size_t iLetter = 0; iLetter < 26; ++iLetter) {
    aTable['a' + iLetter] = 2;
    aTable['A' + iLetter] = 2;
  }
  aTable[':'] = 2;
  aTable['!'] = 2;
  aTable['.'] = 1;
  aTable['/'] = 1;
  aTable['_'] = 1;
  aTable['-'] = 1;
  return aTable;
}
constexpr std::array<unsigned char, 256> kKeyCharacters = MakeKeyTable();

// Eight bytes at a time, then byte for byte, written out: keys are short, and a library call
// costs more than the loop. Nothing past either text is read.
bool IsSameText(std::string_view szLeft, std::string_view szRight) {
  if (szLeft.size() != szRight.size()) {
    return false;
  }
  std::size_t iIdx = 0;
  for (; iIdx + 8 <= szLeft.size(); iIdx += 8) {
    uint64_t uiLeft = 0;
    uint64_t uiRight = 0;
    std::memcpy(&uiLeft, szLeft.data() + iIdx, sizeof uiLeft);
    std::memcpy(&uiRight, szRight.data() + iIdx, sizeof uiRight);
    if (uiLeft != uiRight) {
      return false;
    }
  }
  for (; iIdx < szLeft.size(); ++iIdx) {
    if (szLeft[iIdx] != szRight[iIdx]) {
      return false;
    }
  }
  return true;
}

// A file two or more days before the range's start (an old baseline) holds a level, as one of
// the day before does: it goes to day 0 like that one.
int32_t FoldEarlyDays(int32_t iday_index) { return iday_index < 0 ? 0 : iday_index; }

// cppcheck-suppress constParameter ; the series is returned to be changed
day_series_t& GetDirectionSeries(data_t& tHost, int32_t iDirection) {
  return iDirection == 0 ? tHost.bytes_in : tHost.bytes_out;
}

}  // namespace

// True when the eight bytes at pBytes are all digits; their value then in uiValue.
bool ReadEightDigits(const char* pBytes, unsigned long long& uiValue) {
  uint64_t uiWord = 0;
  std::memcpy(&uiWord, pBytes, sizeof uiWord);
  // A digit's high half is 3 and stays 3 with 6 added to its low half (9 is the largest).
  if (((uiWord & 0xF0F0F0F0F0F0F0F0ULL) |
       (((uiWord + 0x0606060606060606ULL) & 0xF0F0F0F0F0F0F0F0ULL) >> 4)) !=
      0x3333333333333333ULL) {
    return false;
  }
  // The first byte (the lowest) is the most significant digit: pairs, then fours, then all.
  uiWord = ((uiWord & 0x0F0F0F0F0F0F0F0FULL) * 2561) >> 8;
  uiWord = ((uiWord & 0x00FF00FF00FF00FFULL) * 6553601) >> 16;
  uiValue = ((uiWord & 0x0000FFFF0000FFFFULL) * 42949672960001ULL) >> 32;
  return true;
}

bool ReadByteColumn(std::string_view szToken, double& dMegabytes) {
  std::size_t iDigits = 0;
  unsigned long long uiCount = 0;
  // An exact listing's counts run to 14 digits and more: eight are read at once.
  unsigned long long uiEight = 0;
  if (szToken.size() >= 8 && ReadEightDigits(szToken.data(), uiEight)) {
    uiCount = uiEight;
    iDigits = 8;
  }
  while (iDigits < szToken.size() && iDigits < kSafeDigits) {
    const auto uiDigit = static_cast<unsigned>(static_cast<unsigned char>(szToken[iDigits]) - '0');
    if (uiDigit > 9) {
      break;
    }
    uiCount = uiCount * 10 + uiDigit;
    ++iDigits;
  }
  if (iDigits == 0) {
    return false;
  }
  // An exact listing (-x) prints every byte; such a count may pass 32 bits by far.
  if (iDigits == szToken.size() || iDigits == kSafeDigits) {
    if (iDigits < szToken.size() && !ReadExactCount(szToken, uiCount)) {
      return false;
    }
    dMegabytes = static_cast<double>(uiCount) * 0.000001;
    return true;
  }
  // The rounded listing: digits, then the unit of a counter above 99999, decimal.
  if (iDigits + 1 != szToken.size() || szToken.size() > kRoundedTokenMax) {
    return false;
  }
  const auto bytes = static_cast<double>(uiCount);
  switch (szToken.back()) {
    case 'K': dMegabytes = bytes * 0.001; return true;
    case 'M': dMegabytes = bytes; return true;
    case 'G': dMegabytes = bytes * 1000; return true;
    // The listing goes on to T above 9999G: a busy host's counter reaches it within months.
    case 'T': dMegabytes = bytes * 1000000; return true;
    default: return false;
  }
}

bool IsByteTokenReadable(std::string_view szToken) {
  double dMegabytes = 0;
  return ReadByteColumn(szToken, dMegabytes);
}

bool IsHostKeyReadable(std::string_view szKey) {
  if (szKey.empty() || szKey.size() > kKeyMax ||
      kKeyCharacters[static_cast<unsigned char>(szKey.front())] != 2) {
    return false;
  }
  for (const char cChar : szKey) {
    if (kKeyCharacters[static_cast<unsigned char>(cChar)] == 0) {
      return false;
    }
  }
  return true;
}

std::string_view FindRuleComment(std::string_view szRest) {
  const std::size_t iOpen = szRest.find("/* ");
  if (iOpen == std::string_view::npos) {
    return {};
  }
  const std::size_t iClose = szRest.find(" */", iOpen + 3);
  if (iClose == std::string_view::npos) {
    return {};
  }
  const std::string_view szComment = szRest.substr(iOpen + 3, iClose - iOpen - 3);
  return IsHostNameShown(szComment) ? szComment : std::string_view();
}

void StartLogFileReadings(host_table_t& tTable) {
  ++tTable.iFileStamp;
  tTable.tPending.clear();
}

bool ProcessIPTableRow(int32_t iDirection, const ipt_data_t& pData,
                       host_table_t& ppBandwidthUsage) {
  const std::string_view szKey = iDirection == 0 ? pData.sDestination : pData.sSource;
  const std::string_view szBytes = pData.sBytes;
  // Junk saved under a snapshot's name must not become hosts, and a cut or misread counter
  // is a wrong number: such rows are refused, not guessed at.
  double bytes = 0;
  if (!ReadByteColumn(szBytes, bytes)) {
    return false;
  }
  // A listing keeps its order: the row's host is most often the one after the row before's,
  // and a key written exactly as a host's was checked when the host was added.
  // After the last host comes the first: the next file's listing begins again.
  std::size_t iGuess = static_cast<std::size_t>(ppBandwidthUsage.iLastHost) + 1;
  if (iGuess >= ppBandwidthUsage.tHosts.size()) {
    iGuess = 0;
  }
  // The records of the rows to come are fetched while this one is read: a big site's records
  // do not stay in the cache from one file to the next.
  if (iGuess + kHostsFetchedAhead < ppBandwidthUsage.tHosts.size()) {
    const data_t* pAhead = &ppBandwidthUsage.tHosts[iGuess + kHostsFetchedAhead];
    for (std::size_t iLine = 0; iLine < sizeof(data_t); iLine += 64) {
      __builtin_prefetch(reinterpret_cast<const char*>(pAhead) + iLine, 1);
    }
  }
  int32_t iHost = -1;
  if (iGuess < ppBandwidthUsage.tHosts.size() &&
      IsSameText(GetHostKey(ppBandwidthUsage.tHosts[iGuess]), szKey)) {
    iHost = static_cast<int32_t>(iGuess);
  } else if (IsHostKeyReadable(szKey)) {
    iHost = FindOrAddHost(ppBandwidthUsage, szKey);
    if (iHost < 0) {
      ++ppBandwidthUsage.llCappedRows;
      return true;
    }
  } else {
    return false;
  }
  ppBandwidthUsage.iLastHost = iHost;
  data_t& tHost = ppBandwidthUsage.tHosts[static_cast<std::size_t>(iHost)];
  // The newest snapshot's comment names the host; most rows repeat the one already kept.
  if (!pData.sRest.empty()) {
    const std::string_view szComment = FindRuleComment(pData.sRest);
    if (!szComment.empty() && szComment != tHost.szComment) {
      tHost.szComment.assign(szComment);
    }
  }
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

void AccountLogFileReadings(host_table_t& tTable, report_range_t& tRange, int32_t iDirection,
                            date_number_t uiFileDate, int32_t iLogFileIsOnANewDate) {
  if (tTable.tPending.empty()) {
    return;
  }
  // The first file with a reading opens the report range; every day counts from its date.
  if (tRange.start_date == 0 && !tTable.bLevels) {
    tRange.start_date = uiFileDate;
  }
  const int32_t iday_index =
      tTable.bLevels ? 0
                     : FoldEarlyDays(GetDayIndex(tTable.tFileDay, tRange.start_date, uiFileDate));
  int32_t iDaysAfter = tTable.bLevels ? 0 : -1;
  if (!tTable.bLevels && tTable.uiLastFileDate >= uiFileDate) {
    iDaysAfter =
        FoldEarlyDays(GetDayIndex(tTable.tLastFileDay, tRange.start_date, tTable.uiLastFileDate)) -
        iday_index;
  }
  for (const pending_reading_t& tReading : tTable.tPending) {
    data_t& tHost = tTable.tHosts[static_cast<std::size_t>(tReading.iHost)];
    tHost.auiLastFile[iDirection == 0 ? 0 : 1] = tTable.iFileStamp;
    day_series_t& tSeries = GetDirectionSeries(tHost, iDirection);
    // A new host's first reading counts in full (the report takes the baseline back out), and
    // a file dated before the range's start holds a level, not traffic: the last one stays.
    const bool bLevel = tTable.bLevels ||
                        (tHost.bytes_in.tDays.empty() && tHost.bytes_out.tDays.empty()) ||
                        uiFileDate < tRange.start_date;
    day_reading_t& tDay = bLevel ? GetDayReading(tSeries, iday_index, iDaysAfter)
                                 : SetDailyBandwidthForHost(iday_index, tReading.bytes, tSeries,
                                                            iLogFileIsOnANewDate, iDaysAfter);
    if (bLevel) {
      tDay.bytes = tReading.bytes;
    }
    KeepReading(tSeries, tDay, tReading.bytes);
  }
  tTable.tPending.clear();
  if (tRange.end_date < uiFileDate && !tTable.bLevels) {
    tRange.end_date = uiFileDate;
  }
}
