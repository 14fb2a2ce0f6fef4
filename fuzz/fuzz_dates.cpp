// Fuzz target: date filters, name dates and day indexes from arbitrary text and numbers.
#include <cstdint>
#include <cstring>
#include <string_view>

#include "accounting/date_filter.h"
#include "accounting/records.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t iSize) {
  if (iSize < 24) {
    return 0;
  }
  int64_t iNow = 0;
  date_number_t uiBase = 0;
  date_number_t uiCurrent = 0;
  std::memcpy(&iNow, pData, 8);
  std::memcpy(&uiBase, pData + 8, 8);
  std::memcpy(&uiCurrent, pData + 16, 8);
  const std::string_view szText(reinterpret_cast<const char*>(pData + 24), iSize - 24);

  char szFilter[kTextBuf] = {};
  CopyText(szFilter, sizeof szFilter, szText);
  // Keep "now" within what a clock can show, about a million years either way.
  ProcessSpecialDateParameter(szFilter, static_cast<time_t>(iNow % (1LL << 45)));
  if (strnlen(szFilter, sizeof szFilter) >= sizeof szFilter) {
    __builtin_trap();
  }
  // The day before is folded into the base's slot, and the count is antisymmetric otherwise.
  const int32_t iForward = GetDayIndex(uiBase, uiCurrent);
  const int32_t iBackward = GetDayIndex(uiCurrent, uiBase);
  if (iForward == -1 || (iForward != 0 && iForward != 1 && iForward != -iBackward)) {
    __builtin_trap();
  }
  (void)GetDayIndex(ParseDateNumber(szFilter), GetLogFileDate(szText));
  return 0;
}
