#pragma once

#include <QDateTimeEdit>
#include <QTime>

#include <functional>

namespace ui {

// A date and time picker. Its time of day is kept to whole seconds.
class TDateTimePicker : public QDateTimeEdit {
 public:
  // Starts at the current date and time.
  explicit TDateTimePicker(QWidget* parent = nullptr);

  QTime Time() const;
  // Sets the time of day, dropping milliseconds; the date stays. A time equal to the current
  // one to the second, or an invalid time, changes nothing.
  void SetTime(const QTime& time);

  // Every change of the date or the time.
  std::function<void()> OnChange;
};

}  // namespace ui
