#pragma once
// The size texts shown wherever Corvane shows a size: the Size column, the
// status line's totals and free space, the statistics and find windows.

#include <QString>
#include <cstdint>

/// The size text of the Size column and of totals. With the general setting
/// "bPlainBytesFormat" on (the default): the number of bytes in decimal with
/// a "," between groups of three digits counted from the right, whatever the
/// locale (1234567 -> "1,234,567"; 999 -> "999"). With it off:
/// FormatSizeUnits(value). Cost: a few string operations, no allocation
/// beyond the result.
QString FormatSize(std::uint64_t value);

/// The number of bytes in decimal with "," between groups of three digits
/// (the plain form of FormatSize, whatever the setting).
QString FormatSizeGrouped(std::uint64_t value);

/// A size in units of 1024: the quotient in the largest unit that keeps it
/// under 1024 (kB at least), then up to three truncated decimals with
/// trailing zeros (and a bare point) removed: 0 -> "0 kB", 500 -> "0.488 kB",
/// 1023 -> "0.999 kB", 1024 -> "1 kB", 1536 -> "1.5 kB", 1048576 -> "1 MB",
/// 1500000 -> "1.429 MB", 2^64 - 1 -> "15.999 EB". The unit letters are
/// "kMGTPE": lower case only for kilo. Used by the free-space text whatever
/// the setting.
QString FormatSizeUnits(std::uint64_t value);
