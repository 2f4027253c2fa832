#pragma once
// QScintilla's headers use the bare words "signals" and "slots", which the
// program switches off (QT_NO_KEYWORDS); they are defined for these headers
// only.

#define signals Q_SIGNALS
#define slots Q_SLOTS
#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>
#include <Qsci/qsciprinter.h>
#include <Qsci/qsciscintilla.h>
#undef signals
#undef slots
