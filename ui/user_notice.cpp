#include "ui/user_notice.h"

#include <QApplication>
#include <QDialog>

#include <memory>

#include "ui/message_box.h"
#include "ui/ui_internal.h"

namespace ui {
namespace {

class RealUserNotice final : public TUserNotice {
 public:
  void Beep() override { QApplication::beep(); }

  void ShowMessage(const QString& text) override { ShowModal(MessageKind::kMessage, text); }
  void ShowError(const QString& text) override { ShowModal(MessageKind::kError, text); }

 private:
  static void ShowModal(MessageKind kind, const QString& text) {
    const std::unique_ptr<QDialog> box = MakeMessageBox(kind, text);
    box->setWindowModality(Qt::ApplicationModal);
    box->exec();
  }
};

TUserNotice*& Installed() {
  static TUserNotice* installed = nullptr;
  return installed;
}

}  // namespace

TUserNotice& CurrentUserNotice() {
  static RealUserNotice real;
  TUserNotice* installed = Installed();
  return installed ? *installed : real;
}

void InstallUserNoticeForTesting(TUserNotice* notice) {
  Installed() = notice;
}

void Beep() {
  CurrentUserNotice().Beep();
}

void ShowMessage(const QString& text) {
  CurrentUserNotice().ShowMessage(text);
}

QString ErrorReportText(const QString& message) {
  if (!message.isEmpty() && message.back() > QChar(u'.'))
    return message + u'.';
  return message;
}

void ReportError(const std::exception& error) {
  CurrentUserNotice().ShowError(ErrorReportText(QString::fromUtf8(error.what())));
}

}  // namespace ui
