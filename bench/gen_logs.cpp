// Writes a directory of counter logs as the chain listing prints them, for examples and benchmarks.
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace {

struct options_t {
  std::string szDir = "logs";
  int iHosts = 5;
  int iDays = 4;
  int iPerDay = 4;
  std::string szStart = "20261102";
  std::string szInPrefix = "traffic_in_";
  std::string szOutPrefix = "traffic_out_";
  std::uint64_t uiSeed = 1;
  bool bBaseline = true;
  int iResetAt = -1;     // snapshot number (from the range's first) at which counters restart
  bool bExact = false;   // counters to the byte, as the exact listing (-x) prints them
  bool bInOnly = false;  // only the incoming chain's snapshots
};

constexpr const char* kUsage =
    "usage: gen_logs [--dir DIR] [--hosts N] [--days N] [--per-day N] [--start YYYYMMDD]\n"
    "                [--in-prefix P] [--out-prefix P] [--seed N] [--no-baseline] [--reset-at N]\n"
    "                [--exact] [--in-only]\n";

bool ReadOptions(int argc, char** argv, options_t& tOptions) {
  for (int iArg = 1; iArg < argc; ++iArg) {
    const std::string szFlag = argv[iArg];
    if (szFlag == "--no-baseline") {
      tOptions.bBaseline = false;
      continue;
    }
    if (szFlag == "--exact") {
      tOptions.bExact = true;
      continue;
    }
    if (szFlag == "--in-only") {
      tOptions.bInOnly = true;
      continue;
    }
    if (iArg + 1 >= argc) {
      return false;
    }
    const char* szValue = argv[++iArg];
    if (szFlag == "--dir")
      tOptions.szDir = szValue;
    else if (szFlag == "--hosts")
      tOptions.iHosts = std::atoi(szValue);
    else if (szFlag == "--days")
      tOptions.iDays = std::atoi(szValue);
    else if (szFlag == "--per-day")
      tOptions.iPerDay = std::atoi(szValue);
    else if (szFlag == "--start")
      tOptions.szStart = szValue;
    else if (szFlag == "--in-prefix")
      tOptions.szInPrefix = szValue;
    else if (szFlag == "--out-prefix")
      tOptions.szOutPrefix = szValue;
    else if (szFlag == "--seed")
      tOptions.uiSeed = std::strtoull(szValue, nullptr, 10);
    else if (szFlag == "--reset-at")
      tOptions.iResetAt = std::atoi(szValue);
    else
      return false;
  }
  return tOptions.iHosts > 0 && tOptions.iHosts <= 65536 && tOptions.iDays > 0 &&
         tOptions.iPerDay > 0 && tOptions.iPerDay <= 86400 && tOptions.szStart.size() == 8;
}

// A counter as the listing shows it: plain up to 99999, then rounded to K, M or G; the exact
// listing prints every digit.
std::string FormatCounter(std::uint64_t uiValue, bool bExact) {
  char szText[32];
  if (bExact) {
    std::snprintf(szText, sizeof szText, "%8llu", static_cast<unsigned long long>(uiValue));
    return szText;
  }
  if (uiValue <= 99999) {
    std::snprintf(szText, sizeof szText, "%5llu", static_cast<unsigned long long>(uiValue));
    return szText;
  }
  const char* szUnits = "KMGT";
  for (int iUnit = 0;; ++iUnit) {
    uiValue = (uiValue + 500) / 1000;
    if (uiValue <= 9999 || iUnit == 3) {
      std::snprintf(szText, sizeof szText, "%4llu%c", static_cast<unsigned long long>(uiValue),
                    szUnits[iUnit]);
      return szText;
    }
  }
}

struct host_t {
  std::string szAddress;
  std::uint64_t uiBytes[2];
  std::uint64_t uiPackets[2];
  std::uint64_t uiRate[2];  // mean bytes per snapshot
};

bool WriteLog(const options_t& tOptions, int iDirection, const std::string& szName,
              const std::vector<host_t>& tHosts) {
  const std::string szPath = tOptions.szDir + "/" + szName;
  FILE* pFile = std::fopen(szPath.c_str(), "w");
  if (pFile == nullptr) {
    std::perror(szPath.c_str());
    return false;
  }
  std::fprintf(pFile, "Chain %s (1 references)\n", iDirection == 0 ? "NET_IN" : "NET_OUT");
  std::fputs(
      " pkts bytes target     prot opt in     out     source               destination"
      "         \n",
      pFile);
  for (const host_t& tHost : tHosts) {
    const char* szSource = iDirection == 0 ? "0.0.0.0/0" : tHost.szAddress.c_str();
    const char* szDestination = iDirection == 0 ? tHost.szAddress.c_str() : "0.0.0.0/0";
    std::fprintf(pFile, "%s %s %-9s  %-5s--  %-6s %-6s  %-19s %-19s \n",
                 FormatCounter(tHost.uiPackets[iDirection], tOptions.bExact).c_str(),
                 FormatCounter(tHost.uiBytes[iDirection], tOptions.bExact).c_str(), "", "all", "*",
                 "*", szSource, szDestination);
  }
  return std::fclose(pFile) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  options_t tOptions;
  if (!ReadOptions(argc, argv, tOptions)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (mkdir(tOptions.szDir.c_str(), 0755) != 0 && errno != EEXIST) {
    std::perror(tOptions.szDir.c_str());
    return 1;
  }
  std::mt19937_64 tRandom(tOptions.uiSeed);
  std::vector<host_t> tHosts;
  for (int iHost = 0; iHost < tOptions.iHosts; ++iHost) {
    host_t tHost;
    tHost.szAddress = "10." + std::to_string(iHost / 250 / 250 % 250) + "." +
                      std::to_string(iHost / 250 % 250) + "." + std::to_string(iHost % 250 + 1);
    for (int iDirection = 0; iDirection < 2; ++iDirection) {
      tHost.uiRate[iDirection] = 20000 + tRandom() % (iDirection == 0 ? 40000000 : 8000000);
      // A router up for months: exact counters start at up to 14 digits.
      tHost.uiBytes[iDirection] = tRandom() % (tOptions.bExact ? 90000000000000ULL : 4000000000ULL);
      tHost.uiPackets[iDirection] = tHost.uiBytes[iDirection] / 900;
    }
    tHosts.push_back(tHost);
  }

  struct tm tDay = {};
  tDay.tm_year = std::atoi(tOptions.szStart.substr(0, 4).c_str()) - 1900;
  tDay.tm_mon = std::atoi(tOptions.szStart.substr(4, 2).c_str()) - 1;
  tDay.tm_mday = std::atoi(tOptions.szStart.substr(6, 2).c_str());
  tDay.tm_hour = 12;
  const time_t tFirstDay = timegm(&tDay);
  const int iSecondsApart = 86400 / tOptions.iPerDay;
  int iSnapshot = 0;
  for (int iDay = tOptions.bBaseline ? -1 : 0; iDay < tOptions.iDays; ++iDay) {
    const time_t tNoon = tFirstDay + static_cast<time_t>(iDay) * 86400;
    struct tm tDate = {};
    gmtime_r(&tNoon, &tDate);
    // The day before the range gets one snapshot, late in the evening: the baseline.
    const int iFirst = iDay < 0 ? tOptions.iPerDay - 1 : 0;
    for (int iTaken = iFirst; iTaken < tOptions.iPerDay; ++iTaken) {
      const int iSecond = iTaken * iSecondsApart;
      char szStamp[96];
      std::snprintf(szStamp, sizeof szStamp, "%04d%02d%02d%02d%02d%02d", tDate.tm_year + 1900,
                    tDate.tm_mon + 1, tDate.tm_mday, iSecond / 3600, iSecond / 60 % 60,
                    iSecond % 60);
      if (iDay >= 0) {
        if (iSnapshot == tOptions.iResetAt) {
          for (host_t& tHost : tHosts) {
            tHost.uiBytes[0] = tHost.uiBytes[1] = tHost.uiPackets[0] = tHost.uiPackets[1] = 0;
          }
        }
        ++iSnapshot;
        for (host_t& tHost : tHosts) {
          for (int iDirection = 0; iDirection < 2; ++iDirection) {
            const std::uint64_t uiAdded = tRandom() % (2 * tHost.uiRate[iDirection] + 1);
            tHost.uiBytes[iDirection] += uiAdded;
            tHost.uiPackets[iDirection] += uiAdded / 900 + 1;
          }
        }
      }
      if (!WriteLog(tOptions, 0, tOptions.szInPrefix + szStamp, tHosts) ||
          (!tOptions.bInOnly && !WriteLog(tOptions, 1, tOptions.szOutPrefix + szStamp, tHosts))) {
        return 1;
      }
    }
  }
  return 0;
}
