// Tests of the pages' figures: each in a unit of its own, never 0 for a figure above 0.
#include "report/page.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(PageFigure, SaysEveryFigureInAUnitOfItsOwn) {
  const struct {
    double dMegabytes;
    int iDigits;
    const char* szFigure;
  } kCases[] = {
      {0, 3, "0"},
      {0.0000004, 3, "0"},
      {0.0000006, 3, "1 B"},
      {0.000512, 3, "512 B"},
      {0.000999, 3, "999 B"},
      {0.001, 3, "1.00 kB"},
      {0.0012344, 3, "1.23 kB"},
      {0.0123456, 3, "12.3 kB"},
      {0.55, 3, "550 kB"},
      {0.99949, 3, "999 kB"},
      {0.99951, 3, "1.00 MB"},
      {9.996, 3, "10.0 MB"},
      {99.96, 3, "100 MB"},
      {50.9, 3, "50.9 MB"},
      {50000, 3, "50.0 GB"},
      {49999.4, 3, "50.0 GB"},
      {1650000, 3, "1.65 TB"},
      {2.5e9, 3, "2.50 PB"},
      {5e12, 3, "5000 PB"},
      {1e14, 3, "9000 PB"},
      {HUGE_VAL, 3, "9000 PB"},
      {-HUGE_VAL, 3, "-9000 PB"},
      {NAN, 3, "0"},
      {-100, 3, "-100 MB"},
      {-0.0005, 3, "-500 B"},
      {0.37, 4, "370.0 kB"},
      {68.39, 4, "68.39 MB"},
      {9.9996, 4, "10.00 MB"},
      {999.96, 4, "1.000 GB"},
      {3025000, 4, "3.025 TB"},
  };
  for (const auto& tCase : kCases) {
    char szFigure[kFigureBuf];
    FormatPageFigure(tCase.dMegabytes, tCase.iDigits, szFigure);
    EXPECT_STREQ(szFigure, tCase.szFigure) << tCase.dMegabytes << " " << tCase.iDigits;
  }
}
