#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>
#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QTest>
#include <QToolButton>

#include "main_form_fixture.h"

namespace {

QAccessibleInterface* Accessible(QObject* object) {
  return QAccessible::queryAccessibleInterface(object);
}

// The spin box's arrow button pointing `arrow`.
QToolButton* SpinButton(TmainForm& form, Qt::ArrowType arrow) {
  for (QToolButton* button : form.DotsPerPage_SE->findChildren<QToolButton*>())
    if (button->arrowType() == arrow)
      return button;
  return nullptr;
}

// Switches accessibility on as a screen reader's arrival does; until then Qt sends no events.
void SetActive(bool active) {
  QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(active);
  QVERIFY(QAccessible::isActive() == active);
}

// The value-change events raised while accessibility is on: what a screen reader is told.
QList<QVariant> announced;

void RecordUpdate(QAccessibleEvent* event) {
  if (event->type() == QAccessible::ValueChanged)
    announced << static_cast<QAccessibleValueChangeEvent*>(event)->value();
}

}  // namespace

Q_DECLARE_METATYPE(QAccessible::Role)

class TestAccessibility : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void NamesAndRoles_data();
  void NamesAndRoles();
  void LabelNamesTheSpinBox();
  void SpinBoxValue();
  void SpinBoxAnnouncesItsValue();
  void SpinBoxTextStaysReadableAndEditable();
  void ChartDescription();
};

void TestAccessibility::init() {
  announced.clear();
  QAccessible::installUpdateHandler(RecordUpdate);
  SetActive(true);
}

void TestAccessibility::cleanup() {
  SetActive(false);
  QAccessible::installUpdateHandler(nullptr);
}

void TestAccessibility::NamesAndRoles_data() {
  QTest::addColumn<QString>("control");
  QTest::addColumn<QAccessible::Role>("role");
  QTest::addColumn<QString>("name");
  QTest::newRow("window") << "mainForm" << QAccessible::Window << "Tarvelon ver. 0.1";
  QTest::newRow("number box") << "Numbers_Memo" << QAccessible::EditableText << "Номера";
  QTest::newRow("spin box") << "DotsPerPage_SE" << QAccessible::SpinBox << "Точек на странице";
  QTest::newRow("up arrow") << "up" << QAccessible::Button << "Больше";
  QTest::newRow("down arrow") << "down" << QAccessible::Button << "Меньше";
  QTest::newRow("button") << "Show_Btn" << QAccessible::Button << "Показать график";
  QTest::newRow("chart") << "Chart1" << QAccessible::Chart
                         << "График распределения номеров рулетки";
}

void TestAccessibility::NamesAndRoles() {
  QFETCH(QString, control);
  QFETCH(QAccessible::Role, role);
  QFETCH(QString, name);
  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  QObject* object = control == "mainForm" ? &form
                    : control == "up"     ? SpinButton(form, Qt::UpArrow)
                    : control == "down"   ? SpinButton(form, Qt::DownArrow)
                                          : form.findChild<QObject*>(control);
  QVERIFY(object);
  QAccessibleInterface* iface = Accessible(object);
  QVERIFY(iface);
  QCOMPARE(iface->role(), role);
  QCOMPARE(iface->text(QAccessible::Name), name);
}

// The label stands for the spin box, in both directions of the relation.
void TestAccessibility::LabelNamesTheSpinBox() {
  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  QAccessibleInterface* label = Accessible(form.Label1);
  QAccessibleInterface* box = Accessible(form.DotsPerPage_SE);
  const auto labelled = label->relations(QAccessible::Labelled);
  QCOMPARE(labelled.size(), 1);
  QCOMPARE(labelled.first().first->object(), form.DotsPerPage_SE);
  // Qt adds the group box around it as a label of its own; the label must be there too.
  QList<QObject*> labels;
  for (const auto& [label_iface, relation] : box->relations(QAccessible::Label))
    labels << label_iface->object();
  QVERIFY(labels.contains(form.Label1));
}

void TestAccessibility::SpinBoxValue() {
  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  QAccessibleValueInterface* value = Accessible(form.DotsPerPage_SE)->valueInterface();
  QVERIFY(value);
  QCOMPARE(value->currentValue().toInt(), 100);
  QCOMPARE(value->minimumValue().toInt(), 50);
  QCOMPARE(value->maximumValue().toInt(), 5000);
  QCOMPARE(value->minimumStepSize().toInt(), 100);

  QTest::mouseClick(SpinButton(form, Qt::UpArrow), Qt::LeftButton);
  QCOMPARE(value->currentValue().toInt(), 200);
  QCOMPARE(Accessible(form.DotsPerPage_SE)->text(QAccessible::Value), QString("200"));

  // A screen reader setting the value goes through the box's own setter: limited and rebuilt.
  value->setCurrentValue(7000);
  QCOMPARE(form.DotsPerPage_SE->Text(), QString("5000"));
  QCOMPARE(f.View(), (QPair<double, double>(0, 5000)));
}

void TestAccessibility::SpinBoxAnnouncesItsValue() {
  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  announced.clear();
  QTest::mouseClick(SpinButton(form, Qt::DownArrow), Qt::LeftButton);
  form.DotsPerPage_SE->setFocus();
  QTest::keyClick(form.DotsPerPage_SE, Qt::Key_Up);
  QTest::keyClick(form.DotsPerPage_SE, Qt::Key_End);
  QTest::keyClick(form.DotsPerPage_SE, Qt::Key_5);
  QCOMPARE(announced, QList<QVariant>({50, 150, 1505}));
}

// As a line edit the box offered its text to read and to edit; as a spin box it still does, and
// an edit made by a screen reader rebuilds like the user's.
void TestAccessibility::SpinBoxTextStaysReadableAndEditable() {
  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  QAccessibleInterface* box = Accessible(form.DotsPerPage_SE);
  QAccessibleTextInterface* text = box->textInterface();
  QVERIFY(text);
  QCOMPARE(text->characterCount(), 3);
  QCOMPARE(text->text(0, 3), QString("100"));
  form.DotsPerPage_SE->setSelection(1, 2);
  int start = -1;
  int end = -1;
  text->selection(0, &start, &end);
  QCOMPARE(QPair(start, end), QPair(1, 3));

  QAccessibleEditableTextInterface* editable = box->editableTextInterface();
  QVERIFY(editable);
  editable->replaceText(0, 1, "3");
  QCOMPARE(form.DotsPerPage_SE->Text(), QString("300"));
  QCOMPARE(f.View(), (QPair<double, double>(0, 300)));
  editable->insertText(3, "0");
  QCOMPARE(box->valueInterface()->currentValue().toInt(), 3000);
  editable->deleteText(0, 1);
  QCOMPARE(form.DotsPerPage_SE->Text(), QString("000"));
  QCOMPARE(f.View(), (QPair<double, double>(0, 0)));
}

// What the chart shows, in words, after each change of the walk or of the view.
void TestAccessibility::ChartDescription() {
  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  QAccessibleInterface* chart = Accessible(form.Chart1);
  auto description = [&] {
    QCoreApplication::processEvents();
    return chart->text(QAccessible::Description);
  };
  QCOMPARE(description(), QString("Номеров на графике: 0; по горизонтали видно от 0 до 100."));

  // 5, 12, 8, 11: red, red, black, black.
  form.Numbers_Memo->setFocus();
  f.Type(form.Numbers_Memo, "5 12 8 11");
  f.Enter();
  QCOMPARE(description(), QString("Номеров на графике: 4; последний баланс: 0; наименьший "
                                  "баланс: 0; наибольший баланс: 2; по горизонтали видно от -97 "
                                  "до 203."));

  QTest::mouseClick(form.Show_Btn, Qt::LeftButton);
  QVERIFY(description().endsWith("по горизонтали видно от 0 до 100."));

  // A drag to the right by a tenth of the plot area brings x 10 smaller into view.
  const QRect plot = form.Chart1->PlotArea();
  const QPoint press(plot.left() + 100, plot.top() + 50);
  QTest::mousePress(form.Chart1, Qt::LeftButton, {}, press);
  QTest::mouseMove(form.Chart1, press + QPoint(plot.width() / 10, 0));
  QTest::mouseRelease(form.Chart1, Qt::LeftButton, {}, press + QPoint(plot.width() / 10, 0));
  const auto [low, high] = f.View();
  QVERIFY(low < -9 && low > -11);
  QCOMPARE(description(), QString("Номеров на графике: 4; последний баланс: 0; наименьший "
                                  "баланс: 0; наибольший баланс: 2; по горизонтали видно от %1 "
                                  "до %2.")
                              .arg(std::lround(low))
                              .arg(std::lround(high)));
}

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
