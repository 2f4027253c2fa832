#pragma once
#include <QString>

/// The program's version text, as set in the build ("1.2.0.3"), or
/// "[unknown]" when the build set none.
QString GetProductVersion();

/// The version text shown for a raw version value: every ", " becomes "."
/// (a value "1, 0, 2, 11" shows as "1.0.2.11"); an empty value is "[unknown]".
QString FormatProductVersion(const QString& rawVersion);
