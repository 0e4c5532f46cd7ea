#include "ui/kinds/date_time.h"

#include <QDateTime>
#include <QLocale>

#include "ui/handler_guard.h"

namespace ui {
namespace {

QTime WholeSeconds(const QTime& time) {
  return QTime(time.hour(), time.minute(), time.second());
}

}  // namespace

TDateTimePicker::TDateTimePicker(QWidget* parent)
    : QDateTimeEdit(QDateTime(QDate::currentDate(), WholeSeconds(QTime::currentTime())), parent) {
  setDisplayFormat(QLocale::system().dateFormat(QLocale::ShortFormat) +
                   QStringLiteral(" HH:mm:ss"));
  connect(this, &QDateTimeEdit::dateTimeChanged, this, [this] { Raise(OnChange); });
}

QTime TDateTimePicker::Time() const {
  return WholeSeconds(time());
}

void TDateTimePicker::SetTime(const QTime& time) {
  if (!time.isValid())
    return;
  const QTime whole = WholeSeconds(time);
  if (whole == Time())
    return;
  setTime(whole);
}

}  // namespace ui
