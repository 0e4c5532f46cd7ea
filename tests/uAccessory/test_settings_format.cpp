#include <QTest>

#include "uAccessory/settings_format.h"
#include "uAccessory/uaccessory_internal.h"

namespace {

// A read list as text: "none" for no stored list, else the items joined by "|", each check-list
// item followed by "+" (checked) or "-" (clear).
QString Describe(const std::optional<QList<StoredListItem>>& items, StoredListForm form) {
  if (!items)
    return QStringLiteral("none");
  QStringList parts;
  for (const StoredListItem& item : *items)
    parts << item.text + (form == StoredListForm::kCheckList ? (item.checked ? "+" : "-") : "");
  return parts.join('|');
}

}  // namespace

class TestSettingsFormat : public QObject {
  Q_OBJECT

 private slots:
  void ExtractsBetween_data();
  void ExtractsBetween();
  void WritesLists_data();
  void WritesLists();
  void ReadsStoredLists_data();
  void ReadsStoredLists();
  void CheckListRoundTrip();
  void ItemListRoundTrip();
};

void TestSettingsFormat::ExtractsBetween_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("start");
  QTest::addColumn<QString>("end");
  QTest::addColumn<QString>("expected");

  QTest::newRow("item body") << "x=<*a*><*]]]"
                             << "="
                             << "]]]"
                             << "<*a*><*";
  QTest::newRow("end only before start") << "]]]a="
                                         << "a="
                                         << "]]]"
                                         << "";
  QTest::newRow("no start") << "abc]]]"
                            << "x="
                            << "]]]"
                            << "";
  QTest::newRow("no end") << "x=abc"
                          << "x="
                          << "]]]"
                          << "";
  QTest::newRow("first start, first end after it") << "a<b>c<d>"
                                                   << "<"
                                                   << ">"
                                                   << "b";
  QTest::newRow("empty between") << "<>"
                                 << "<"
                                 << ">"
                                 << "";
  QTest::newRow("case matters") << "A=1;a=2;"
                                << "a="
                                << ";"
                                << "2";
  QTest::newRow("prefix marker") << "!!!text--->[check"
                                 << "!!!"
                                 << "--->["
                                 << "text";
}

void TestSettingsFormat::ExtractsBetween() {
  QFETCH(QString, text);
  QFETCH(QString, start);
  QFETCH(QString, end);
  QFETCH(QString, expected);
  QCOMPARE(ExtractBetween(text, start, end), expected);
}

void TestSettingsFormat::WritesLists_data() {
  QTest::addColumn<QStringList>("texts");
  QTest::addColumn<QList<bool>>("checks");  // empty: an item list
  QTest::addColumn<QString>("expected");

  // One case a line.
  const auto row = [](const char* name, const QStringList& texts, const QList<bool>& checks,
                      const QString& expected) {
    QTest::newRow(name) << texts << checks << expected;
  };

  row("two items", QStringList{"12", "5"}, QList<bool>{}, "<*12*><*5*><*]]]");
  row("no items", QStringList{}, QList<bool>{}, "<*]]]");
  row("one empty item", QStringList{""}, QList<bool>{}, "<**><*]]]");
  row("check list", QStringList{"a", "b"}, QList<bool>{true, false},
      "<*a--->[check+check]*><*b--->[check-check]*><*]]]");
}

void TestSettingsFormat::WritesLists() {
  QFETCH(QStringList, texts);
  QFETCH(QList<bool>, checks);
  QFETCH(QString, expected);
  if (checks.isEmpty()) {
    QCOMPARE(WriteItemList(texts), expected);
    return;
  }
  QList<StoredListItem> items;
  for (qsizetype i = 0; i < texts.size(); ++i)
    items.append({texts[i], checks[i]});
  QCOMPARE(WriteCheckList(items), expected);
}

void TestSettingsFormat::ReadsStoredLists_data() {
  QTest::addColumn<QString>("raw");
  QTest::addColumn<QString>("name");  // in the section "F"
  QTest::addColumn<bool>("check_list");
  QTest::addColumn<QString>("expected");

  QTest::newRow("two items") << "[F]\r\nC.Items=<*12*><*5*><*]]]\r\n"
                             << "C" << false << "12|5";
  QTest::newRow("empty list leaves items alone") << "[F]\r\nC.Items=<*]]]\r\n"
                                                 << "C" << false << "none";
  QTest::newRow("one empty item clears") << "[F]\r\nC.Items=<**><*]]]\r\n"
                                         << "C" << false << "";
  QTest::newRow("empty items skipped") << "[F]\r\nC.Items=<*a*><**><*b*><*]]]\r\n"
                                       << "C" << false << "a|b";
  QTest::newRow("no key") << "[F]\r\nC.Text=x\r\n"
                          << "C" << false << "none";
  QTest::newRow("no end mark") << "[F]\r\nC.Items=<*a*><*\r\n"
                               << "C" << false << "none";
  QTest::newRow("end mark on a later line is not taken")
      << "[F]\r\nC.Items=<*a*><*\r\nD.Items=<*d*><*]]]\r\n"
      << "C" << false << "none";
  QTest::newRow("AB is not B") << "[F]\r\nAB.Items=<*x*><*]]]\r\nB.Items=<*y*><*]]]\r\n"
                               << "B" << false << "y";
  QTest::newRow("AB alone gives B nothing") << "[F]\r\nAB.Items=<*x*><*]]]\r\n"
                                            << "B" << false << "none";
  QTest::newRow("only in the form's own section")
      << "[G]\r\nC.Items=<*g*><*]]]\r\n[F]\r\nC.Items=<*f*><*]]]\r\n"
      << "C" << false << "f";
  QTest::newRow("other form's section only") << "[G]\r\nC.Items=<*g*><*]]]\r\n[F]\r\n"
                                             << "C" << false << "none";
  QTest::newRow("value text is not a key") << "[F]\r\nD.Text=C.Items=<*v*><*]]]\r\n"
                                           << "C" << false << "none";
  QTest::newRow("commented out") << "[F]\r\n;C.Items=<*v*><*]]]\r\n"
                                 << "C" << false << "none";
  QTest::newRow("names without case") << "[f]\r\nc.items=<*v*><*]]]\r\n"
                                      << "C" << false << "v";
  // Items written as "a*>b" and "c": the text after the stray "*>" is lost, the reading ends.
  QTest::newRow("item holding *> ends") << "[F]\r\nC.Items=<*a*>b*><*c*><*]]]\r\n"
                                        << "C" << false << "a|c";
  QTest::newRow("last item holding *> ends") << "[F]\r\nC.Items=<*a*>b*><*]]]\r\n"
                                             << "C" << false << "a";
  QTest::newRow("stray *> ends") << "[F]\r\nC.Items=*><*a*><*]]]\r\n"
                                 << "C" << false << "a";
  QTest::newRow("no markers clears") << "[F]\r\nC.Items=abcd]]]\r\n"
                                     << "C" << false << "";
  QTest::newRow("check list") << "[F]\r\nC.Items=<*a--->[check+check]*><*b--->[check-check]*><*]]]"
                              << "C" << true << "a+|b-";
  QTest::newRow("check entry without text")
      << "[F]\r\nC.Items=<*a--->[check+check]*><*--->[check-check]*><*b--->[check-check]*><*]]]"
      << "C" << true << "a+|b-";
  QTest::newRow("check entry without marker dropped")
      << "[F]\r\nC.Items=<*hand edited*><*b--->[check+check]*><*]]]\r\n"
      << "C" << true << "b+";
  QTest::newRow("check list of one unmarked entry clears") << "[F]\r\nC.Items=<*x*><*]]]\r\n"
                                                           << "C" << true << "";
}

void TestSettingsFormat::ReadsStoredLists() {
  QFETCH(QString, raw);
  QFETCH(QString, name);
  QFETCH(bool, check_list);
  QFETCH(QString, expected);
  const StoredListForm form = check_list ? StoredListForm::kCheckList : StoredListForm::kItemList;
  QCOMPARE(Describe(ReadStoredList(raw, "F", name, form), form), expected);
}

void TestSettingsFormat::CheckListRoundTrip() {
  const QList<StoredListItem> items{{"a", true}, {"b", false}, {"Жёлтый и 🎲", true}};
  const QString raw = "[F]\r\nL.Items=" + WriteCheckList(items) + "\r\n";
  QCOMPARE(ReadStoredList(raw, "F", "L", StoredListForm::kCheckList), items);
}

void TestSettingsFormat::ItemListRoundTrip() {
  const QStringList texts{"12", "5", "a b", "<x>", "]]", "*"};
  const QString raw = "[F]\r\nL.Items=" + WriteItemList(texts) + "\r\n";
  const auto read = ReadStoredList(raw, "F", "L", StoredListForm::kItemList);
  QVERIFY(read.has_value());
  QStringList back;
  for (const StoredListItem& item : *read)
    back << item.text;
  QCOMPARE(back, texts);
}

QTEST_GUILESS_MAIN(TestSettingsFormat)
#include "test_settings_format.moc"
