#pragma once

// The store library's internal header: the parts of the side files and of the stored lists'
// text form that the library's functions are made of, declared for the tests and fuzzers that
// check them one by one. The program itself includes the library's other headers.

#include <QString>

// "System/" and "System/Settings/" in `folder`, the folder of the settings file (with a
// trailing '/'), each with a trailing '/'.
QString MemoSideFolder(const QString& folder);
QString ListSideFolder(const QString& folder);

// Where the old file of `path` is kept when a side file with bytes its encoding cannot give back
// is first written over: beside it, ".orig" appended.
QString OriginalPathFor(const QString& path);

// Every line break (CR LF, lone CR, lone LF) as CR LF; nothing added or removed at the end.
QString WithCrLf(const QString& text);

// The part of `text` between the first `start_marker` and the first `end_marker` after it; empty
// when either is missing. Markers match exactly, with regard to case.
QString ExtractBetween(const QString& text, const QString& start_marker, const QString& end_marker);
