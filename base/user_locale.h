#pragma once

#include <QLocale>

namespace base {

// The user's number format for numbers the program writes and reads back: the system locale
// without thousands separators, which would not read back everywhere and make values harder to
// edit by hand.
inline QLocale NumberLocale() {
  QLocale locale = QLocale::system();
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  return locale;
}

}  // namespace base
