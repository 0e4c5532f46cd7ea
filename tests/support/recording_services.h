#pragma once

#include <QString>
#include <QStringList>

#include "ui/user_notice.h"

namespace ui {

// The user notices for tests and benchmarks: every beep, message and error report is noted in order
// and nothing blocks. Installs itself for its lifetime.
class RecordingServices final : public TUserNotice {
 public:
  RecordingServices() { InstallUserNoticeForTesting(this); }
  ~RecordingServices() override { InstallUserNoticeForTesting(nullptr); }
  RecordingServices(const RecordingServices&) = delete;
  RecordingServices& operator=(const RecordingServices&) = delete;

  void Beep() override { events_.append(QStringLiteral("beep")); }
  void ShowMessage(const QString& text) override {
    events_.append(QStringLiteral("message: ") + text);
  }
  void ShowError(const QString& text) override { events_.append(QStringLiteral("error: ") + text); }

  // Every event so far, in order: "beep", "message: <text>" or "error: <text>".
  const QStringList& Events() const { return events_; }
  void Clear() { events_.clear(); }

 private:
  QStringList events_;
};

}  // namespace ui
