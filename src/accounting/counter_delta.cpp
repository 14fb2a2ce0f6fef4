// Turning one cumulative counter reading into traffic of its day slot.
#include "accounting/records.h"

bool HasAnyReading(const day_marks_t& has_previous_array) {
  for (const bool bHas : has_previous_array) {
    if (bHas) {
      return true;
    }
  }
  return false;
}

void SetDailyBandwidthForHost(int32_t iday_index, double bytes, day_slots_t& bytes_array,
                              const day_slots_t& previous_bytes_array,
                              const day_marks_t& has_previous_array, int32_t iLogFileIsOnANewDate) {
  // The first file of a new day compares with the last reading before it, so the growth
  // between two days' snapshots is credited to the new day. A day without snapshots has no
  // reading: look further back, or the host's whole counter would count as that day's traffic.
  double previous_bytes = previous_bytes_array[iday_index];
  if (iLogFileIsOnANewDate != 0 && iday_index >= 1) {
    previous_bytes = 0;
    for (int32_t iDay = iday_index - 1; iDay >= 0; --iDay) {
      if (has_previous_array[iDay]) {
        previous_bytes = previous_bytes_array[iDay];
        break;
      }
    }
  }
  if (bytes > 0 && previous_bytes > 0 && bytes > previous_bytes) {
    const double dAddBytes = bytes - previous_bytes;
    bytes_array[iday_index] += dAddBytes;
  } else if (bytes > 0 && ((previous_bytes > 0 && bytes < previous_bytes) || previous_bytes == 0)) {
    // A counter that went down was reset, and a day without an earlier reading has nothing to
    // compare with: either way the whole reading is new traffic.
    bytes_array[iday_index] += bytes;
  }
  // An unchanged reading adds nothing, and neither does a reading of 0.
}
