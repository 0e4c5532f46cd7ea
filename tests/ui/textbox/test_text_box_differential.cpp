// Our multi-line text box against QPlainTextEdit: seeded random key sequences, with the
// program's own writes of the text in between, must leave both with the same text, caret,
// anchor, undo and redo, and clipboard after every step (text_box_differential.h). A sequence
// that differs is shrunk and printed with its seed, so that it can be replayed.
//
// TARVELON_TEXTBOX_SEQUENCES sets the number of sequences per alphabet (`make fuzz` runs many
// more); the sanitized build makes fewer by default, its keys being several times slower.

#include <QApplication>
#include <QTest>

#include "text_box_differential.h"

using namespace textbox_differential;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr int kSequences = 300;
#else
constexpr int kSequences = 1000;
#endif
constexpr int kMaxSteps = 100;

// QTest warns about every key a widget leaves unhandled; a box ignoring a key is ordinary here.
QtMessageHandler previous_handler = nullptr;
void QuietKeys(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.startsWith("Keyboard event not accepted"))
    return;
  previous_handler(type, context, message);
}

}  // namespace

Q_DECLARE_METATYPE(Alphabet)

class TestTextBoxDifferential : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { previous_handler = qInstallMessageHandler(QuietKeys); }
  void cleanupTestCase() { qInstallMessageHandler(previous_handler); }
  void RandomSequencesAgree_data();
  void RandomSequencesAgree();
};

void TestTextBoxDifferential::RandomSequencesAgree_data() {
  QTest::addColumn<Alphabet>("alphabet");
  QTest::addColumn<quint64>("first_seed");
  QTest::newRow("every key") << Alphabet::kFull << quint64(1);
  QTest::newRow("numbers and words") << Alphabet::kNumbers << quint64(1000001);
}

void TestTextBoxDifferential::RandomSequencesAgree() {
  QFETCH(Alphabet, alphabet);
  QFETCH(quint64, first_seed);
  bool ok = false;
  const quint64 seed_override = qEnvironmentVariable("TARVELON_TEXTBOX_SEED").toULongLong(&ok);
  if (ok)
    first_seed = seed_override;
  Driver driver(alphabet);
  const int sequences = SequenceCount(kSequences);
  long long steps = 0;
  for (int n = 0; n < sequences; ++n) {
    const quint64 seed = first_seed + n;
    SeededChoices choices(seed);
    Script script;
    const Outcome outcome = driver.Generate(choices, kMaxSteps, script);
    steps += static_cast<long long>(script.steps.size());
    if (outcome.result == Outcome::Result::kDiffered) {
      const QString prefix = Driver::Describe(script);
      const Script shrunk = driver.Shrink(script);
      const Outcome again = driver.Replay(shrunk);
      QFAIL(qPrintable(QString("seed %1 differs %2\nfailing prefix:\n%3\nshrunk:\n%4\n%5")
                           .arg(seed)
                           .arg(outcome.difference)
                           .arg(prefix)
                           .arg(Driver::Describe(shrunk))
                           .arg(again.difference)));
    }
  }
  qInfo("%d sequences, %lld steps", sequences, steps);
}

QTEST_MAIN(TestTextBoxDifferential)
#include "test_text_box_differential.moc"
