#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

#include <memory>

#include "ui/message_box.h"

Q_DECLARE_METATYPE(ui::MessageKind)

// The real message boxes, built and shown as plain windows so that nothing blocks: whatever the
// length of the text, the box lies within the screen with its OK button on it, holds the whole
// text, and closes by the mouse on OK or by the keyboard.

namespace {

const QString kBadPiece = QStringLiteral("Ошибка обработки номера: ");

QString Column(int lines) {
  QString text = kBadPiece;
  for (int i = 0; i < lines; ++i) {
    if (i > 0)
      text += u'\n';
    text += QString::number(i % 36 + 1);
  }
  return text;
}

QRect GlobalRect(const QWidget& widget) {
  return QRect(widget.mapToGlobal(QPoint(0, 0)), widget.size());
}

}  // namespace

class TestMessageBox : public QObject {
  Q_OBJECT

 private slots:
  void FitsTheScreenWithTheWholeText_data();
  void FitsTheScreenWithTheWholeText();
};

void TestMessageBox::FitsTheScreenWithTheWholeText_data() {
  QTest::addColumn<ui::MessageKind>("kind");
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("scrolls");
  QTest::addColumn<int>("close_key");  // 0: a click on OK

  const auto message = ui::MessageKind::kMessage;
  QTest::newRow("ordinary message") << message << kBadPiece + "12abc" << false << 0;
  QTest::newRow("markup shown as typed") << message << kBadPiece + "<b>5</b>" << false << 0;
  QTest::newRow("a 3,000-character word")
      << message << kBadPiece + QString(3000, u'9') << true << 0;
  QTest::newRow("a few lines") << message << Column(5) << false << int(Qt::Key_Return);
  QTest::newRow("100,000-line column") << message << Column(100000) << true << 0;
  QTest::newRow("1 MB word") << message << kBadPiece + QString(1000000, u'7') << true << 0;
  QTest::newRow("1 MB word, closed with Enter")
      << message << kBadPiece + QString(1000000, u'x') << true << int(Qt::Key_Return);
  QTest::newRow("column closed with Escape")
      << message << Column(3000) << true << int(Qt::Key_Escape);
  // A line break as CR LF, a line separator and a paragraph separator of its own: all come back.
  QTest::newRow("every kind of break")
      << message
      << kBadPiece + Column(2000) + "\r\n1\u2028" + "2\u2029" + QString(5000, u'3') + "\r" << true
      << 0;
  QTest::newRow("long error report")
      << ui::MessageKind::kError
      << QStringLiteral("Cannot open file \"/%1/settings.dat\". File name too long.")
             .arg(QString(5000, u'd'))
      << true << 0;
}

void TestMessageBox::FitsTheScreenWithTheWholeText() {
  QFETCH(ui::MessageKind, kind);
  QFETCH(QString, text);
  QFETCH(bool, scrolls);
  QFETCH(int, close_key);

  const std::unique_ptr<QDialog> box = ui::MakeMessageBox(kind, text);
  box->show();
  QVERIFY(QTest::qWaitForWindowExposed(box.get()));

  const QRect screen = box->screen()->availableGeometry();
  QVERIFY2(screen.contains(box->frameGeometry()), qPrintable(QStringLiteral("box %1x%2 at %3,%4")
                                                                 .arg(box->frameGeometry().width())
                                                                 .arg(box->frameGeometry().height())
                                                                 .arg(box->frameGeometry().x())
                                                                 .arg(box->frameGeometry().y())));
  auto* buttons = box->findChild<QDialogButtonBox*>();
  QVERIFY(buttons);
  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
  QVERIFY(ok && ok->isVisible());
  QCOMPARE(buttons->buttons().size(), 1);
  QVERIFY(screen.contains(GlobalRect(*ok)));
  QVERIFY(box->rect().contains(QRect(ok->mapTo(box.get(), QPoint(0, 0)), ok->size())));
  QCOMPARE(box->windowTitle(), QApplication::applicationName());

  auto* area = box->findChild<QPlainTextEdit*>(ui::kMessageTextName);
  QCOMPARE(area != nullptr, scrolls);
  if (scrolls) {
    // The whole text, character for character, by the user's own way out with it: select all,
    // copy.
    QVERIFY(area->isReadOnly());
    QVERIFY(area->textInteractionFlags() & Qt::TextSelectableByKeyboard);
    QVERIFY(area->verticalScrollBar()->maximum() > 0);
    QApplication::clipboard()->clear();
    area->selectAll();
    area->copy();
    QCOMPARE(QApplication::clipboard()->text().size(), text.size());
    QVERIFY(QApplication::clipboard()->text() == text);
    // A screen reader finds the text in the area.
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(area);
    QVERIFY(accessible && accessible->textInterface());
    QCOMPARE(accessible->textInterface()->text(0, 10), text.first(10));
    QVERIFY(accessible->textInterface()->characterCount() >= text.size());
  } else {
    auto* toolkit_box = qobject_cast<QMessageBox*>(box.get());
    QVERIFY(toolkit_box);
    QCOMPARE(toolkit_box->text(), text);
    QCOMPARE(toolkit_box->textFormat(), Qt::PlainText);
    QCOMPARE(toolkit_box->icon(),
             kind == ui::MessageKind::kError ? QMessageBox::Critical : QMessageBox::NoIcon);
  }

  if (close_key == 0) {
    QTest::mouseClick(ok, Qt::LeftButton);
  } else {
    box->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(box.get()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(close_key));
  }
  QTRY_VERIFY(!box->isVisible());
}

QTEST_MAIN(TestMessageBox)
#include "test_message_box.moc"
