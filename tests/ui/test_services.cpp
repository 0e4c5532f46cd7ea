#include <qpa/qwindowsysteminterface.h>
#include <QLineEdit>
#include <QTest>

#include <stdexcept>

#include "recording_services.h"
#include "test_main.h"
#include "ui/handler_guard.h"
#include "ui/pending_messages.h"
#include "ui/ui_internal.h"
#include "ui/user_notice.h"

namespace {

// An object whose event handler throws, as a faulty handler in the program would.
class Thrower : public QObject {
 public:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::User)
      throw std::runtime_error("Axis Minimum Value must be <= Maximum");
    return QObject::event(event);
  }
};

class PaintCounter : public QWidget {
 public:
  int paints = 0;

 protected:
  void paintEvent(QPaintEvent*) override { ++paints; }
};

}  // namespace

class TestServices : public QObject {
  Q_OBJECT

 private slots:
  void ErrorReportAppendsFullStop_data();
  void ErrorReportAppendsFullStop();
  void GuardReportsAndContinues();
  void EventLoopSurvivesThrowingHandler();
  void RecorderKeepsOrder();
  void PendingMessagesRunPaintsButNotInput();
};

void TestServices::ErrorReportAppendsFullStop_data() {
  QTest::addColumn<QString>("message");
  QTest::addColumn<QString>("shown");
  QTest::newRow("letter") << "Unable to write"
                          << "Unable to write.";
  QTest::newRow("full stop") << "Done."
                             << "Done.";
  QTest::newRow("exclamation, below the full stop") << "Stop!"
                                                    << "Stop!";
  QTest::newRow("closing parenthesis, below") << "(x)"
                                              << "(x)";
  QTest::newRow("slash, above") << "a/"
                                << "a/.";
  QTest::newRow("digit") << "1"
                         << "1.";
  QTest::newRow("cyrillic") << QStringLiteral("Ошибка") << QStringLiteral("Ошибка.");
  QTest::newRow("empty") << ""
                         << "";
}

void TestServices::ErrorReportAppendsFullStop() {
  QFETCH(QString, message);
  QFETCH(QString, shown);
  QCOMPARE(ui::ErrorReportText(message), shown);
}

void TestServices::GuardReportsAndContinues() {
  ui::RecordingServices recorder;
  bool after = false;
  QVERIFY(!ui::Guarded([] { throw std::runtime_error("Ошибка записи"); }));
  QVERIFY(ui::Guarded([&] { after = true; }));
  QVERIFY(after);
  QCOMPARE(recorder.Events(), QStringList{QStringLiteral("error: Ошибка записи.")});
}

void TestServices::EventLoopSurvivesThrowingHandler() {
  ui::RecordingServices recorder;
  Thrower thrower;
  QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
  QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
  QCoreApplication::processEvents();
  QCOMPARE(recorder.Events(), QStringList({"error: Axis Minimum Value must be <= Maximum.",
                                           "error: Axis Minimum Value must be <= Maximum."}));
}

void TestServices::RecorderKeepsOrder() {
  ui::RecordingServices recorder;
  ui::Beep();
  ui::ShowMessage(QStringLiteral("Не задан список номеров!"));
  ui::Beep();
  QCOMPARE(recorder.Events(),
           QStringList({"beep", QStringLiteral("message: Не задан список номеров!"), "beep"}));
}

// Keys that arrive while a handler processes pending messages must wait for that handler to
// end; paints must not.
void TestServices::PendingMessagesRunPaintsButNotInput() {
  QWidget window;
  QLineEdit* edit = new QLineEdit(&window);
  PaintCounter* canvas = new PaintCounter;
  canvas->setParent(&window);
  canvas->setGeometry(0, 40, 50, 50);
  window.show();
  window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&window));
  edit->setFocus();
  QCoreApplication::processEvents();

  QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
      window.windowHandle(), QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
  const int paints_before = canvas->paints;
  canvas->update();
  ui::ProcessMessages();
  QCOMPARE(edit->text(), QString());
  QVERIFY(canvas->paints > paints_before);

  QTRY_COMPARE(edit->text(), QString("a"));
}

TARVELON_TEST_MAIN_WITH_OUR_APP(TestServices)

#include "test_services.moc"
