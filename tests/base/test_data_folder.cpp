#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <string>

#include "base/base_internal.h"
#include "base/data_folder.h"
#include "base/program_folder.h"

// Where the program keeps its files: beside itself when the user may create files there, in the
// user's own folder otherwise.

namespace {

constexpr uid_t kUnprivileged = 65534;

// Runs ChooseDataFolder for `program` as a user who owns neither `program` nor its parents: in a
// child process that drops to an unprivileged user when this one is the superuser (who could
// write anywhere), as this user otherwise. The child's answer comes back through a pipe.
std::string ChooseAsOrdinaryUser(const std::string& program, const std::string& per_user) {
  int pipe_ends[2];
  if (::pipe(pipe_ends) != 0)
    return "<no pipe>";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipe_ends[0]);
    if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(kUnprivileged) != 0 ||
                             ::setuid(kUnprivileged) != 0)) {
      ::_exit(2);
    }
    const std::string chosen = base::ChooseDataFolder(program, per_user);
    const bool written =
        ::write(pipe_ends[1], chosen.data(), chosen.size()) == static_cast<ssize_t>(chosen.size());
    ::_exit(written ? 0 : 1);
  }
  ::close(pipe_ends[1]);
  std::string answer;
  char buffer[256];
  for (ssize_t n; (n = ::read(pipe_ends[0], buffer, sizeof buffer)) > 0;)
    answer.append(buffer, static_cast<std::size_t>(n));
  ::close(pipe_ends[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return "<the child failed>";
  return answer;
}

}  // namespace

class TestDataFolder : public QObject {
  Q_OBJECT

 private slots:
  void ChoosesByWhetherFilesCanBeCreated_data();
  void ChoosesByWhetherFilesCanBeCreated();
  void PerUserFolderFromTheEnvironment_data();
  void PerUserFolderFromTheEnvironment();
  void WritableProgramFolderIsTheDataFolder();
};

void TestDataFolder::ChoosesByWhetherFilesCanBeCreated_data() {
  QTest::addColumn<int>("mode");
  QTest::addColumn<bool>("programFolderChosen");
  QTest::newRow("open to everyone") << 0777 << true;
  QTest::newRow("open to everyone, sticky like /tmp") << 01777 << true;
  QTest::newRow("read-only for everyone") << 0555 << false;
  QTest::newRow("writable, not searchable") << 0666 << false;
}

void TestDataFolder::ChoosesByWhetherFilesCanBeCreated() {
  QFETCH(int, mode);
  QFETCH(bool, programFolderChosen);
  QTemporaryDir dir;
  // The unprivileged user must reach the program folder through the temporary folder.
  QVERIFY(::chmod(dir.path().toLocal8Bit().constData(), 0755) == 0);
  const std::string program = dir.path().toStdString() + "/program/";
  const std::string per_user = dir.path().toStdString() + "/home/.local/share/tarvelon/";
  QVERIFY(::mkdir(program.c_str(), 0700) == 0);
  QVERIFY(::chmod(program.c_str(), static_cast<mode_t>(mode)) == 0);

  QCOMPARE(ChooseAsOrdinaryUser(program, per_user), programFolderChosen ? program : per_user);
}

void TestDataFolder::PerUserFolderFromTheEnvironment_data() {
  QTest::addColumn<QByteArray>("xdgDataHome");  // "<unset>" for no variable
  QTest::addColumn<QByteArray>("home");
  QTest::addColumn<QByteArray>("expected");  // "<passwd>" for the home of the password entry
  QTest::newRow("XDG_DATA_HOME set")
      << QByteArray("/srv/data") << QByteArray("/home/u") << QByteArray("/srv/data/tarvelon/");
  QTest::newRow("XDG_DATA_HOME with a trailing slash")
      << QByteArray("/srv/data/") << QByteArray("/home/u") << QByteArray("/srv/data/tarvelon/");
  QTest::newRow("XDG_DATA_HOME unset") << QByteArray("<unset>") << QByteArray("/home/u")
                                       << QByteArray("/home/u/.local/share/tarvelon/");
  QTest::newRow("XDG_DATA_HOME empty")
      << QByteArray("") << QByteArray("/home/u/") << QByteArray("/home/u/.local/share/tarvelon/");
  QTest::newRow("XDG_DATA_HOME relative, so ignored")
      << QByteArray("data") << QByteArray("/home/u")
      << QByteArray("/home/u/.local/share/tarvelon/");
  QTest::newRow("neither set") << QByteArray("<unset>") << QByteArray("<unset>")
                               << QByteArray("<passwd>");
}

void TestDataFolder::PerUserFolderFromTheEnvironment() {
  QFETCH(QByteArray, xdgDataHome);
  QFETCH(QByteArray, home);
  QFETCH(QByteArray, expected);
  const auto value = [](const QByteArray& v) { return v == "<unset>" ? nullptr : v.constData(); };
  if (expected == "<passwd>") {
    const passwd* entry = ::getpwuid(::getuid());
    QVERIFY(entry != nullptr);
    expected = QByteArray(entry->pw_dir) + (QByteArray(entry->pw_dir).endsWith('/') ? "" : "/") +
               ".local/share/tarvelon/";
  }
  QCOMPARE(QByteArray::fromStdString(base::PerUserFolderFor(value(xdgDataHome), value(home))),
           expected);
}

// A folder the user can write is used as it is: nothing is created elsewhere.
void TestDataFolder::WritableProgramFolderIsTheDataFolder() {
  QTemporaryDir dir, data_home;
  qputenv("XDG_DATA_HOME", data_home.path().toLocal8Bit());
  base::SetProgramFolderForTesting(dir.path().toStdString());
  QCOMPARE(QString::fromStdString(base::DataFolder()), dir.path() + "/");
  base::SetProgramFolderForTesting({});
  QVERIFY(QDir(data_home.path()).isEmpty());
}

QTEST_GUILESS_MAIN(TestDataFolder)
#include "test_data_folder.moc"
