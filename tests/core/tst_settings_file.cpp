#include "core/SettingsFile.h"
#include "core/SettingsFormat.h"
#include "support/Files.h"
#include "support/MemoryLogger.h"
#include "support/PlatformSkip.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT
private slots:
    void firstReadCreatesEmptyFileAndFirstWriteIsOneLine()
    {
        QTemporaryDir dir;
        MemoryLogger log;
        SettingsFile s(dir.path(), QString(), &log);
        const QString path = dir.filePath("Settings.ini");
        QCOMPARE(s.ReadSetting("ComPort"), QString());
        QVERIFY(QFile::exists(path));
        QCOMPARE(readFile(path), QByteArray());
        s.WriteSetting("ComPort", "COM1");
        QCOMPARE(readFile(path), QByteArray("\"ComPort\",\"COM1\"\r\n"));
        QVERIFY(log.lines.isEmpty());
    }

    void rewriteKeepsOrderAndPlace()
    {
        QTemporaryDir dir;
        SettingsFile s(dir.path(), QString(), nullptr);
        s.WriteSetting("ComPort", "COM1");
        s.WriteSetting("ComSpeed", "115200");
        s.WriteSetting("AutoPortOpen", "1");
        s.WriteSetting("Rate", "50ms");
        s.WriteSetting("ComSpeed", "9600");
        QCOMPARE(readFile(dir.filePath("Settings.ini")),
                 QByteArray("\"ComPort\",\"COM1\"\r\n\"ComSpeed\",\"9600\"\r\n"
                            "\"AutoPortOpen\",\"1\"\r\n\"Rate\",\"50ms\"\r\n"));
        QCOMPARE(s.ReadSetting("ComSpeed"), QString("9600"));
        // Without a log, what a field cannot hold is still left out.
        s.WriteSetting("Rate", "3\"3ms");
        QCOMPARE(s.ReadSetting("Rate"), QString("33ms"));
    }

    void commaInValueEmptyValueAndCase()
    {
        QTemporaryDir dir;
        SettingsFile s(dir.path(), QString(), nullptr);
        s.WriteSetting("Firmware", "/home/a,b/fw.kfw");
        s.WriteSetting("Rate", "");
        s.WriteSetting("rate", "50ms");
        QCOMPARE(s.ReadSetting("Firmware"), QString("/home/a,b/fw.kfw"));
        QCOMPARE(s.ReadSetting("Rate"), QString());
        QCOMPARE(s.ReadSetting("rate"), QString("50ms"));
        QCOMPARE(s.ReadSetting("RATE"), QString());
        QVERIFY(readFile(dir.filePath("Settings.ini")).contains("\"Rate\",\"\"\r\n"));
    }

    void duplicatesLastWinsAndWriteSetsBoth()
    {
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("Settings.ini"),
                          "\"Rate\",\"33ms\"\r\n\"ComPort\",\"COM2\"\r\n\"Rate\",\"100ms\"\r\n"));
        SettingsFile s(dir.path(), QString(), nullptr);
        QCOMPARE(s.ReadSetting("Rate"), QString("100ms"));
        s.WriteSetting("Rate", "50ms");
        QCOMPARE(readFile(dir.filePath("Settings.ini")),
                 QByteArray("\"Rate\",\"50ms\"\r\n\"ComPort\",\"COM2\"\r\n\"Rate\",\"50ms\"\r\n"));
    }

    void manyEntriesAndShortLinesAreKept()
    {
        QTemporaryDir dir;
        QByteArray content;
        for (int i = 0; i < 300; ++i)
            content += QStringLiteral("\"Key%1\",\"%2\"\r\n").arg(i).arg(i * 7).toUtf8();
        content += "\"Lonely\"\n\"After\",\"x\"\r";
        QVERIFY(writeFile(dir.filePath("Settings.ini"), content));
        SettingsFile s(dir.path(), QString(), nullptr);
        QCOMPARE(s.ReadSetting("Key299"), QString("2093"));
        QCOMPARE(s.ReadSetting("After"), QString("x"));
        s.WriteSetting("Key0", "zero");
        const QList<SettingsEntry> entries = ParseSettings(readFile(dir.filePath("Settings.ini")));
        QCOMPARE(entries.size(), 302);
        QCOMPARE(entries[0].value, QString("zero"));
        QCOMPARE(entries[299].value, QString("2093"));
        QCOMPARE(entries[300].key, QString("Lonely"));
        QCOMPARE(entries[300].value, QString());
    }

    void quotesAndLineBreaksCannotBreakTheFile()
    {
        QTemporaryDir dir;
        MemoryLogger log;
        SettingsFile s(dir.path(), QString(), &log);
        s.WriteSetting("Rate", "3\"3\r\nms");
        s.WriteSetting("ComPort", "COM2");
        QCOMPARE(s.ReadSetting("Rate"), QString("33ms"));
        QCOMPARE(s.ReadSetting("ComPort"), QString("COM2"));

        // A Linux path may hold any of them: what is left out is said, once per write.
        s.WriteSetting("Firmware", "/home/op/\"v2\"/fw\n.kfw");
        s.WriteSetting("Firmware", "/home/op/fw.kfw");
        s.WriteSetting("Firmware", "/home/op/\"fw\".kfw\r");
        QCOMPARE(readFile(dir.filePath("Settings.ini")),
                 QByteArray("\"Rate\",\"33ms\"\r\n\"ComPort\",\"COM2\"\r\n"
                            "\"Firmware\",\"/home/op/fw.kfw\"\r\n"));
        QCOMPARE(log.lines,
                 (QStringList{"Setting \"Rate\" stored without 1 double quote, 1 CR and 1 LF, "
                              "which the settings file cannot hold.",
                              "Setting \"Firmware\" stored without 2 double quotes and 1 LF, "
                              "which the settings file cannot hold.",
                              "Setting \"Firmware\" stored without 2 double quotes and 1 CR, "
                              "which the settings file cannot hold."}));
    }

    void writeCutShortLeavesOldFileWhole()
    {
        QTemporaryDir dir;
        SettingsFile s(dir.path(), QString(), nullptr);
        s.WriteSetting("ComPort", "COM3");
        const QByteArray before = readFile(dir.filePath("Settings.ini"));
        s.setBeforeRename([] { throw std::runtime_error("died between write and rename"); });
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, s.WriteSetting("ComPort", "COM4"));
        QCOMPARE(readFile(dir.filePath("Settings.ini")), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"Settings.ini"});
    }

    // The folder vanishing under a write (a removed stick) is told once, not taken for success.
    void failedRenameIsReportedOnce()
    {
        SKIP_UNLESS_LINUX("Windows does not remove a folder that holds an open file");
        QTemporaryDir dir;
        const QString program = dir.filePath("program");
        MemoryLogger log;
        SettingsFile s(program, QString(), &log);
        s.WriteSetting("ComPort", "COM3");
        QVERIFY(log.lines.isEmpty());
        s.setBeforeRename([&] { QDir(program).removeRecursively(); });
        s.WriteSetting("ComPort", "COM4");
        QCOMPARE(log.lines.size(), 1);
        const QString start = "Settings file " +
                              QDir::toNativeSeparators(QDir(program).filePath("Settings.ini")) +
                              " cannot be written: ";
        QVERIFY2(log.lines[0].startsWith(start) && log.lines[0].size() > start.size(),
                 qPrintable(log.lines[0]));
        s.WriteSetting("Rate", "50ms");
        QCOMPARE(log.lines.size(), 1);
    }

    void unwritableFolderLogsOnceAndKeepsDefaults()
    {
        // A folder below a regular file cannot be made or written, not even by root.
        QTemporaryDir dir;
        const QString file = dir.filePath("a-file");
        QVERIFY(writeFile(file, "not a folder"));
        MemoryLogger log;
        SettingsFile s(file + "/program", QString(), &log);
        QCOMPARE(s.ReadSetting("ComPort"), QString());
        s.WriteSetting("ComPort", "COM2");
        s.WriteSetting("Rate", "50ms");
        QCOMPARE(s.ReadSetting("ComPort"), QString());
        QCOMPARE(log.lines.size(), 1);
        QVERIFY(log.lines[0].contains("cannot be created or written"));
        QCOMPARE(readFile(file), QByteArray("not a folder"));

        // Without a log the program runs on its defaults all the same.
        SettingsFile quiet(file + "/program", QString(), nullptr);
        quiet.WriteSetting("ComPort", "COM2");
        QCOMPARE(quiet.ReadSetting("ComPort"), QString());
        QCOMPARE(readFile(file), QByteArray("not a folder"));
    }

    void entriesInAnotherCodePageKeepTheirBytes()
    {
        QTemporaryDir dir;
        // Written elsewhere in an 8-bit code page: "C:\Données\fw.kfw", e with acute as E9.
        const QByteArray latin1 = "\"Firmware\",\"C:\\Donn\xE9\x65s\\fw.kfw\"\r\n";
        const QByteArray utf8 = "\"Name\",\"Donn\xC3\xA9\x65s\"\r\n";
        const QByteArray odd = " \"Spaced\" , \"x\"\r\n";
        QVERIFY(writeFile(dir.filePath("Settings.ini"), latin1 + utf8 + odd));
        SettingsFile s(dir.path(), QString(), nullptr);
        QCOMPARE(s.ReadSetting("Firmware"), QString::fromUtf8("C:\\Données\\fw.kfw"));
        QCOMPARE(s.ReadSetting("Name"), QString::fromUtf8("Données"));
        s.WriteSetting("ComPort", "COM2");
        QCOMPARE(readFile(dir.filePath("Settings.ini")),
                 latin1 + utf8 + odd + "\"ComPort\",\"COM2\"\r\n");

        // Written back by the program, the value reads the same.
        s.WriteSetting("Firmware", s.ReadSetting("Firmware"));
        QCOMPARE(s.ReadSetting("Firmware"), QString::fromUtf8("C:\\Données\\fw.kfw"));
        QVERIFY(readFile(dir.filePath("Settings.ini"))
                    .startsWith("\"Firmware\",\"C:\\Donn\xC3\xA9\x65s\\fw.kfw\"\r\n" + utf8));
    }

    // Lines as editors and other programs leave them: a quote never closed, text between a
    // closing quote and the comma, blank lines of spaces, a lone CR as line end.
    void looseLinesReadAsTheirFieldsSay()
    {
        const QList<SettingsEntry> entries =
            ParseSettings("\"Open\",\"no end\r  \r\n\"Tail\" x ,\"v\" y\n Bare , word \r\"K\",\n"
                          "Spaced,   ");
        QCOMPARE(entries.size(), 5);
        QCOMPARE(entries[4].key, QString("Spaced"));
        QCOMPARE(entries[4].value, QString());
        QCOMPARE(entries[0].key, QString("Open"));
        QCOMPARE(entries[0].value, QString("no end"));
        QCOMPARE(entries[1].key, QString("Tail"));
        QCOMPARE(entries[1].value, QString("v"));
        QCOMPARE(entries[2].key, QString("Bare"));
        QCOMPARE(entries[2].value, QString("word"));
        QCOMPARE(entries[3].key, QString("K"));
        QCOMPARE(entries[3].value, QString());
        QCOMPARE(FormatSettings(entries),
                 QByteArray("\"Open\",\"no end\r\n\"Tail\" x ,\"v\" y\r\n Bare , word \r\n"
                            "\"K\",\r\nSpaced,   \r\n"));
        QCOMPARE(LeftOutOfField("a\rb\rc"), QString("2 CR"));
        QCOMPARE(LeftOutOfField("\n"), QString("1 LF"));
        QCOMPARE(LeftOutOfField("plain"), QString());
    }

    // A key that itself starts with a byte order mark (the file had two) keeps it: the file
    // written back starts with a mark of its own before the kept line.
    void aMarkThatStartsTheFirstKeySurvives()
    {
        const QByteArray bom("\xEF\xBB\xBF");
        const QByteArray content = bom + bom + "Marked,1\r\n\"Next\",\"2\"\r\n";
        const QList<SettingsEntry> entries = ParseSettings(content);
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries[0].key, QString(QChar(0xFEFF)) + "Marked");
        QCOMPARE(entries[0].value, QString("1"));
        QCOMPARE(FormatSettings(entries), content);
        QCOMPARE(ParseSettings(FormatSettings(entries))[0].key, entries[0].key);
        // Without a mark of the file's own, the first key starts plain.
        QCOMPARE(ParseSettings(bom + "Plain,1\r\n")[0].key, QString("Plain"));
    }

    void unwritableFolderFallsBackWithOneLine()
    {
        QTemporaryDir dir;
        QTemporaryDir fallback;
        const QString blocked = dir.filePath("not-a-folder");
        QVERIFY(writeFile(blocked, "a file where the program folder should be"));
        MemoryLogger log;
        SettingsFile s(blocked, fallback.path(), &log);
        s.WriteSetting("ComPort", "COM5");
        QCOMPARE(s.ReadSetting("ComPort"), QString("COM5"));
        QCOMPARE(s.path(), QDir(fallback.path()).filePath("Settings.ini"));
        QCOMPARE(readFile(s.path()), QByteArray("\"ComPort\",\"COM5\"\r\n"));
        QCOMPARE(log.lines.size(), 1);
        QVERIFY(log.lines[0].contains(QDir::toNativeSeparators(fallback.path())));
    }
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settings_file.moc"
