#include <QTest>

#include "base/parse_integer.h"

class TestParseInteger : public QObject {
  Q_OBJECT

 private slots:
  void Parses_data();
  void Parses();
};

void TestParseInteger::Parses_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("is_integer");
  QTest::addColumn<int>("value");

  const auto yes = [](const char* name, int value) {
    QTest::newRow(name) << QString::fromUtf8(name) << true << value;
  };
  const auto no = [](const char* row, const QString& text) {
    QTest::newRow(row) << text << false << 0;
  };

  yes("$A", 10);
  yes("0x24", 36);
  yes("0X24", 36);
  yes("x1f", 31);
  yes("X1F", 31);
  yes("+7", 7);
  yes("007", 7);
  yes("-5", -5);
  yes("0", 0);
  yes("-0", 0);
  yes("$FFFFFFFF", -1);
  yes("$80000000", -2147483647 - 1);
  yes("-$1", -1);
  yes("-$FFFFFFFF", 1);
  yes("$000000000000A", 10);
  yes("2147483647", 2147483647);
  yes("-2147483648", -2147483647 - 1);
  yes("000000000002147483647", 2147483647);
  yes("   12", 12);
  yes("  -$10", -16);

  no("empty", "");
  no("only spaces", "   ");
  no("2147483648", "2147483648");
  no("-2147483649", "-2147483649");
  no("99999999999999999999", "99999999999999999999");
  no("$100000000", "$100000000");
  no("$", "$");
  no("-", "-");
  no("+", "+");
  no("0x", "0x");
  no("-0x", "-0x");
  no("1.5", "1.5");
  no("5 trailing space", "5 ");
  no("12abc", "12abc");
  no("two signs", "+-5");
  no("space after sign", "- 5");
  no("$G", "$G");
  no("0x0x1", "0x0x1");
  no("tab before", "\t5");
  no("fullwidth digit", QString::fromUtf8("\xEF\xBC\x95"));
  no("digits then NUL", QString::fromUtf16(u"5\u0000", 2));
}

void TestParseInteger::Parses() {
  QFETCH(QString, text);
  QFETCH(bool, is_integer);
  QFETCH(int, value);
  const std::u16string_view view(reinterpret_cast<const char16_t*>(text.utf16()),
                                 static_cast<std::size_t>(text.size()));
  const auto parsed = base::ParseInteger(view);
  QCOMPARE(parsed.has_value(), is_integer);
  if (is_integer)
    QCOMPARE(*parsed, value);
}

QTEST_APPLESS_MAIN(TestParseInteger)
#include "test_parse_integer.moc"
