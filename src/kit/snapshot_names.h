// The kit's choices among the files of its log folder: the snapshots of a prefix by their
// stamp, and the lines of the events file a report may still need.
#pragma once

#include <string>
#include <string_view>

/// Of the names (one a line), those of the prefix followed by a 14-digit stamp, the stamp
/// before szBefore (a stamp, or a day YYYYMMDD: the days before it; "" for any), in time
/// order, one a line.
std::string SelectSnapshots(std::string_view szNames, std::string_view szPrefix,
                            std::string_view szBefore);

/// The lines of the events file whose window reaches the day szOldest or later: the first
/// word's day (its first 8 characters) is not before it.
std::string KeepEvents(std::string_view szEvents, std::string_view szOldest);
