#include "main/main.h"
#include "ui/application.h"
#include "ui/session_end.h"

int main(int argc, char** argv) {
  ui::TApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("Tarvelon"));
  mainForm = new TmainForm;
  const ui::TSessionEnd session_end([] { mainForm->FormClose(); });
  mainForm->show();
  const int code = QCoreApplication::exec();
  delete mainForm;
  mainForm = nullptr;
  return code;
}
