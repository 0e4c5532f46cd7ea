#include <QFile>

#include "app/qt_translations.h"
#include "app/session_end.h"
#include "app/single_copy.h"
#include "base/data_folder.h"
#include "main/main.h"
#include "ui/accessibility.h"
#include "ui/application.h"

int main(int argc, char** argv) {
  // Taken before the application object exists, which may remove them from the environment.
  const app::ActivationTokens tokens = app::ActivationTokens::FromEnvironment();
  ui::TApplication application(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("Tarvelon"));
  app::InstallQtTranslations();
  // One copy per data folder (the program folder, or the user's own folder when the program
  // folder is not writable): a later start brings the running window forward and ends.
  app::SingleCopy copy(QFile::decodeName(QByteArray::fromStdString(base::DataFolder())));
  if (const auto claim = copy.Take(tokens); claim != app::SingleCopy::Claim::kFirst)
    return claim == app::SingleCopy::Claim::kAskedOther ? 0 : 1;
  ui::InstallAccessibilityFactories();
  mainForm = new TmainForm;
  const app::TSessionEnd session_end([] { mainForm->FormClose(); });
  copy.BringForwardOnRequest(mainForm);
  mainForm->show();
  const int code = QCoreApplication::exec();
  delete mainForm;
  mainForm = nullptr;
  return code;
}
