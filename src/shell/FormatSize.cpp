#include "shell/FormatSize.h"

#include "shell/GeneralSettings.h"

QString FormatSizeGrouped(std::uint64_t value) {
    // Build the digits from the right so that the comma positions need no
    // second pass; 20 digits and 6 commas fit a 64-bit value.
    char buffer[32];
    char* p = buffer + sizeof buffer;
    int digits = 0;
    do {
        if (digits != 0 && digits % 3 == 0)
            *--p = ',';
        *--p = char('0' + value % 10);
        value /= 10;
        ++digits;
    } while (value != 0);
    return QString::fromLatin1(p, qsizetype(buffer + sizeof buffer - p));
}

QString FormatSize(std::uint64_t value) {
    if (General().plainBytesFormat)
        return FormatSizeGrouped(value);
    return FormatSizeUnits(value);
}

QString FormatSizeUnits(std::uint64_t value) {
    static constexpr char kUnits[] = "kMGTPE";

    // The quotient in kB, then shifted down while it is at
    // least 1024, keeping the divisor that took it from kB to the unit.
    const std::uint64_t q0 = value / 1024;
    std::uint64_t q = q0;
    int unit = 0;
    std::uint64_t divisor = 1;
    while (q >= 1024) {
        q >>= 10;
        ++unit;
        divisor *= 1024;
    }

    // Three truncated decimals. Neither product can overflow: the
    // remainder is below 1024 (kB) or below 2^50 (EB at most).
    std::uint64_t fraction;
    if (unit == 0) {
        fraction = ((value - q0 * 1024) * 1000) >> 10;
    } else {
        fraction = ((q0 % divisor) * 1000) / divisor;
    }

    // "%lu.%03lu %cB" with the trailing zeros of the fraction
    // (and the point, when all three go) stripped.
    QString text = QString::number(q);
    if (fraction != 0) {
        QString decimals = QString::number(fraction).rightJustified(3, u'0');
        while (decimals.endsWith(u'0')) decimals.chop(1);
        text += u'.';
        text += decimals;
    }
    text += u' ';
    text += QLatin1Char(kUnits[unit]);
    text += u'B';
    return text;
}
