#pragma once

// The ui library's internal header: parts of its functions declared for the tests that check
// them with values of their own. The program itself includes the library's other headers.

#include <QString>

namespace ui {

// The text the error report (ReportError) shows: the error's message, plus "." when its last
// character's code is above that of ".".
QString ErrorReportText(const QString& message);

}  // namespace ui
