// Fuzz target: rows of arbitrary column texts accounted into one table, file after file.
#include <cstdint>
#include <string_view>

#include "accounting/records.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t iSize) {
  report_range_t tRange;
  host_table_t tTable;
  // Fields separated by NUL: rows of a file name and eight columns, one flag byte each. A row
  // with another file name than the row before starts a new file.
  const std::string_view szInput(reinterpret_cast<const char*>(pData), iSize);
  std::size_t iAt = 0;
  const auto NextField = [&szInput, &iAt]() {
    const std::size_t iEnd = std::min(szInput.find('\0', iAt), szInput.size());
    const std::string_view szField = szInput.substr(iAt, iEnd - iAt);
    iAt = iEnd < szInput.size() ? iEnd + 1 : iEnd;
    return szField;
  };
  std::string_view szFile;
  int32_t iDirection = 0;
  int32_t iNewDay = 0;
  StartLogFileReadings(tTable);
  while (iAt < szInput.size()) {
    const auto uiFlags = static_cast<unsigned char>(szInput[iAt++]);
    const std::string_view szName = NextField();
    if (szName != szFile) {
      AccountLogFileReadings(tTable, tRange, iDirection, GetLogFileDate(szFile), iNewDay);
      StartLogFileReadings(tTable);
      szFile = szName;
      iDirection = uiFlags & 1;
      iNewDay = (uiFlags >> 1) & 1;
    }
    ipt_data_t tRow = {};
    for (std::string_view* pColumn : {&tRow.sPackets, &tRow.sBytes, &tRow.sProt, &tRow.sOp,
                                      &tRow.sIn, &tRow.sOut, &tRow.sSource, &tRow.sDestination}) {
      *pColumn = NextField();
    }
    const bool bTaken = ProcessIPTableRow(iDirection, tRow, tTable);
    const std::string_view szKey = iDirection == 0 ? tRow.sDestination : tRow.sSource;
    if (bTaken && FindHost(tTable, szKey) < 0) {
      __builtin_trap();
    }
  }
  AccountLogFileReadings(tTable, tRange, iDirection, GetLogFileDate(szFile), iNewDay);
  return 0;
}
