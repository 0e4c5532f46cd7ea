#include "main/main.h"
#include "ui/application.h"

int main(int argc, char** argv) {
  ui::TApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("Tarvelon"));
  mainForm = new TmainForm;
  mainForm->show();
  const int code = QCoreApplication::exec();
  delete mainForm;
  mainForm = nullptr;
  return code;
}
