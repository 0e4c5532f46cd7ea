#pragma once

// The main library's internal header: the steps of reading the walk text, which ReadWalk puts
// together, declared for the tests and fuzzers that check them one by one. The program itself
// includes main/walk_text.h.

#include <QChar>
#include <QString>
#include <QStringView>

// The two disjoint sets that together make up 1 .. 36.
bool IsInRedNumbers(int number);
bool IsInBlackNumbers(int number);

// S without its last character when that character is `c`; otherwise S unchanged.
QString StripTrailingChar(const QString& s, QChar c);

// A run of an odd number of spaces becomes one space; an even run at the start or end of the
// text disappears; an even run between two characters becomes one space, so the characters on
// its two sides are never joined.
QString NormaliseSpaceRuns(const QString& text);

// Removes the characters U+0000 .. U+0020 from both ends.
QStringView TrimControlAndSpace(QStringView piece);
