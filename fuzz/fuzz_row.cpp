// Fuzz target: rows of arbitrary column texts accounted into one table, under any file name.
#include <cstdint>
#include <cstring>
#include <string_view>

#include "accounting/records.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t iSize) {
  ResetReportRange();
  static host_table_t s_tTable;
  std::memset(s_tTable, 0, sizeof s_tTable);
  // Fields separated by NUL: the file name, then rows of eight columns; one flag byte each.
  const std::string_view szInput(reinterpret_cast<const char*>(pData), iSize);
  std::size_t iAt = 0;
  const auto NextField = [&szInput, &iAt]() {
    const std::size_t iEnd = std::min(szInput.find('\0', iAt), szInput.size());
    const std::string_view szField = szInput.substr(iAt, iEnd - iAt);
    iAt = iEnd < szInput.size() ? iEnd + 1 : iEnd;
    return szField;
  };
  char szFileName[kTextBuf] = {};
  CopyText(szFileName, sizeof szFileName, NextField());
  while (iAt < szInput.size()) {
    const auto uiFlags = static_cast<unsigned char>(szInput[iAt++]);
    ipt_data_t tRow = {};
    char* apColumns[] = {tRow.sPackets, tRow.sBytes, tRow.sProt,   tRow.sOp,
                         tRow.sIn,      tRow.sOut,   tRow.sSource, tRow.sDestination};
    const std::size_t aiSizes[] = {sizeof tRow.sPackets, sizeof tRow.sBytes,      sizeof tRow.sProt,
                                   sizeof tRow.sOp,      sizeof tRow.sIn,         sizeof tRow.sOut,
                                   sizeof tRow.sSource,  sizeof tRow.sDestination};
    for (int iColumn = 0; iColumn < 8; ++iColumn) {
      CopyText(apColumns[iColumn], aiSizes[iColumn], NextField());
    }
    const int32_t iMaxClients = (uiFlags & 4) != 0 ? kMaxClients : (uiFlags >> 3) % 8;
    ProcessIPTableRow(szFileName, uiFlags & 1, tRow, s_tTable, iMaxClients, (uiFlags >> 1) & 1);
  }
  return 0;
}
