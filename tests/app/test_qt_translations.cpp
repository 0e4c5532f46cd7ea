#include <QAbstractButton>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>
#include <QTranslator>

#include <cstdio>
#include <memory>

#include "app/qt_translations.h"
#include "ui/application.h"
#include "ui/textbox/text_box.h"

// Qt's own texts follow the user's locale once its translations are installed: the context menu
// of Qt's text box and of the program's own (the number box), and the buttons of a standard
// dialog.

namespace {

// The texts a user reads in a text box's context menu, without their shortcuts and mnemonic
// marks, followed by the Cancel button of a message box.
QStringList QtTexts() {
  QPlainTextEdit box;
  box.setPlainText(QStringLiteral("5 12 36"));
  box.selectAll();
  const std::unique_ptr<QMenu> menu(box.createStandardContextMenu());
  // The number box's own menu takes Qt's texts as well.
  ui::TTextBox number_box;
  number_box.Replace(0, 0, QStringLiteral("5 12 36"));
  number_box.selectAll();
  const std::unique_ptr<QMenu> number_menu(number_box.CreateStandardContextMenu());
  QStringList texts;
  for (const QMenu* each : {menu.get(), number_menu.get()}) {
    for (const QAction* action : each->actions()) {
      if (!action->isSeparator())
        texts << action->text().section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&'));
    }
  }
  QMessageBox dialog;
  dialog.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
  texts << dialog.button(QMessageBox::Cancel)->text().remove(QLatin1Char('&'));
  return texts;
}

bool HasCyrillic(const QString& text) {
  for (const QChar c : text) {
    if (c.script() == QChar::Script_Cyrillic)
      return true;
  }
  return false;
}

bool HasLatin(const QString& text) {
  for (const QChar c : text) {
    if (c.script() == QChar::Script_Latin)
      return true;
  }
  return false;
}

void VerifyRussian(const QStringList& texts) {
  QVERIFY2(texts.size() >= 5, qPrintable(texts.join(QLatin1Char('|'))));
  for (const QString& text : texts)
    QVERIFY2(HasCyrillic(text) && !HasLatin(text), qPrintable(text));
}

void VerifyEnglish(const QStringList& texts) {
  for (const char* expected : {"Copy", "Paste", "Select All", "Cancel"})
    QVERIFY2(texts.contains(QLatin1String(expected)), qPrintable(texts.join(QLatin1Char('|'))));
  for (const QString& text : texts)
    QVERIFY2(!HasCyrillic(text), qPrintable(text));
}

// This test program started again with a locale in its environment: installs the translations
// for the system locale, as the program does at start-up, and returns the texts it prints.
QStringList QtTextsOfChild(const QString& lc_all) {
  QProcess child;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"LANGUAGE", "LANG", "LC_MESSAGES"})
    environment.remove(QLatin1String(name));
  environment.insert(QStringLiteral("LC_ALL"), lc_all);
  child.setProcessEnvironment(environment);
  child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--print-qt-texts")});
  if (!child.waitForFinished(60'000) || child.exitCode() != 0)
    return {QStringLiteral("<the child failed>")};
  return QString::fromUtf8(child.readAllStandardOutput())
      .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

}  // namespace

class TestQtTranslations : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() {
    translator_.reset();
    QLocale::setDefault(QLocale::system());
  }

  void RussianLocaleGivesRussianTexts() {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    translator_.reset(app::InstallQtTranslations());
    QVERIFY(translator_ != nullptr);
    VerifyRussian(QtTexts());
  }

  void EnglishLocaleKeepsEnglishTexts() {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    translator_.reset(app::InstallQtTranslations());
    VerifyEnglish(QtTexts());
  }

  // Removing the translator brings Qt's English back, so the Russian above came from it.
  void RemovedTranslatorBringsEnglishBack() {
    translator_.reset(app::InstallQtTranslations(QLocale(QLocale::Russian, QLocale::Russia)));
    QVERIFY(translator_ != nullptr);
    VerifyRussian(QtTexts());
    translator_.reset();
    VerifyEnglish(QtTexts());
  }

  // The locale of the user's session, read from the environment as at start-up.
  void LocaleFromTheEnvironment() {
    VerifyRussian(QtTextsOfChild(QStringLiteral("ru_RU.UTF-8")));
    VerifyEnglish(QtTextsOfChild(QStringLiteral("en_US.UTF-8")));
    VerifyEnglish(QtTextsOfChild(QStringLiteral("C")));
  }

 private:
  std::unique_ptr<QTranslator> translator_;
};

// A main of its own: run with --print-qt-texts it is the child that prints Qt's texts.
int main(int argc, char** argv) {
  ui::TApplication application(argc, argv);
  if (argc == 2 && qstrcmp(argv[1], "--print-qt-texts") == 0) {
    app::InstallQtTranslations();
    std::fputs(QtTexts().join(QLatin1Char('\n')).toUtf8().constData(), stdout);
    return 0;
  }
  TestQtTranslations test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_qt_translations.moc"
