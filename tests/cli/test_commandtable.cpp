// The command table against what users meet: each command's --help, the options
// its command line takes and refuses, and what bash completion offers after the
// program's name and after a dash.
#include "CommandTable.h"

#include <QProcess>
#include <QTest>

using namespace cli;

namespace {

// The program's output and status for a command line.
struct Outcome {
    int status = -1;
    QByteArray out, err;
};

Outcome runProgram(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(QUENDLE_STORES), arguments);
    process.closeWriteChannel();
    process.waitForFinished();
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

// What bash completion offers for the command line quendle-stores WORDS..., the last
// word the one being completed; sorted.
QStringList completions(const QStringList& words) {
    QProcess bash;
    QStringList arguments{"--norc",
                          "--noprofile",
                          "-c",
                          "source \"$1\"; shift; COMP_WORDS=(quendle-stores \"$@\"); "
                          "COMP_CWORD=$#; _quendle_stores; printf '%s\\n' \"${COMPREPLY[@]}\"",
                          "_",
                          QStringLiteral(COMPLETION_FILE)};
    arguments << words;
    bash.start("bash", arguments);
    bash.waitForFinished();
    QStringList offers =
        QString::fromUtf8(bash.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    offers.sort();
    return offers;
}

// The spellings of an option as completion offers them: "-o", "--output=".
QStringList spellingsOf(const OptionSpelling& spelling) {
    QStringList words{QStringLiteral("--") + spelling.name + (spelling.takesValue ? "=" : "")};
    if (spelling.letter)
        words << QStringLiteral("-") + QChar(spelling.letter);
    return words;
}

// A command line that gives the option a value where it takes one.
QStringList withOption(const Command& command, const OptionSpelling& spelling) {
    QStringList words{command.name, QStringLiteral("--") + spelling.name};
    if (spelling.takesValue)
        words << "x";
    return words;
}

} // namespace

class TestCommandTable : public QObject {
    Q_OBJECT
private slots:
    void commandNamesAreCompleted() {
        QStringList expected{"--help", "--version"};
        for (const Command& command : cli::commands())
            expected << command.name;
        expected.sort();
        QCOMPARE(completions({""}), expected);
    }

    void optionsAreCompleted_data() {
        QTest::addColumn<QString>("name");
        for (const Command& command : cli::commands())
            QTest::newRow(command.name) << QString(command.name);
    }

    // Completion offers after a dash exactly the options the table gives the command.
    void optionsAreCompleted() {
        QFETCH(QString, name);
        const Command& command = *findCommand(name.toStdString());
        QStringList expected{"--help"};
        for (const OptionSpelling& spelling : kOptionSpellings)
            if (command.options & spelling.option)
                expected << spellingsOf(spelling);
        expected.sort();
        QCOMPARE(completions({name, "-"}), expected);
    }

    // --help prints the command's usage line and help, naming each of its options.
    void helpComesFromTheTable_data() { optionsAreCompleted_data(); }
    void helpComesFromTheTable() {
        QFETCH(QString, name);
        const Command& command = *findCommand(name.toStdString());
        const Outcome outcome = runProgram({name, "--help"});
        QCOMPARE(outcome.status, 0);
        QCOMPARE(outcome.out, QByteArray::fromStdString(commandHelp(command)));
        for (const OptionSpelling& spelling : kOptionSpellings)
            if (command.options & spelling.option)
                QVERIFY2(outcome.out.contains(QByteArray("--") + spelling.name), spelling.name);
        QVERIFY(runProgram({"--help"}).out.contains(command.synopsis));
    }

    // Each command takes its own options and refuses the others as unrecognized.
    void optionsComeFromTheTable_data() { optionsAreCompleted_data(); }
    void optionsComeFromTheTable() {
        QFETCH(QString, name);
        const Command& command = *findCommand(name.toStdString());
        for (const OptionSpelling& spelling : kOptionSpellings) {
            const Outcome outcome = runProgram(withOption(command, spelling));
            const bool refused = outcome.err.contains("unrecognized option");
            QVERIFY2(refused != bool(command.options & spelling.option),
                     qPrintable(name + ": " + spelling.name + ": " + outcome.err));
        }
    }
};

QTEST_GUILESS_MAIN(TestCommandTable)
#include "test_commandtable.moc"
