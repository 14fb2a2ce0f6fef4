// Sets the process's time zone for the length of one test.
#pragma once

#include <cstdlib>
#include <ctime>
#include <string>

class TimeZone {
 public:
  explicit TimeZone(const char* szZone) {
    const char* szOld = std::getenv("TZ");
    bHadOld_ = szOld != nullptr;
    szOld_ = bHadOld_ ? szOld : "";
    setenv("TZ", szZone, 1);
    tzset();
  }
  ~TimeZone() {
    if (bHadOld_) {
      setenv("TZ", szOld_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  TimeZone(const TimeZone&) = delete;
  TimeZone& operator=(const TimeZone&) = delete;

 private:
  bool bHadOld_ = false;
  std::string szOld_;
};
