#include "main/main_form.h"

#include "ui/services.h"

TmainForm* mainForm = nullptr;

TmainForm::TmainForm(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("mainForm"));
  setWindowTitle(QStringLiteral("mainForm"));
  resize(1021, 536);
  ui::Guarded([this] { FormCreate(); });
}

void TmainForm::FormCreate() {
  setWindowTitle(QStringLiteral("Tarvelon ver. 0.1"));
  ui::ProcessMessages();
}
