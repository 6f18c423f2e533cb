// Converting estimate files of the old Jet format: the three reference files (tests/legacy/data, byte for
// byte the shared fixtures, with their README), damaged and foreign copies, the windows' question, the
// command lines, and the converted estimate in the editor and on paper.
#include "app/appfolders.h"
#include "app/mainsession.h"
#include "breakdown/frmu1.h"
#include "legacy/importcommand.h"
#include "legacy/jetfile.h"
#include "legacy/jetimport.h"
#include "print/batchprint.h"
#include "print/indexprint.h"
#include "print/recordingdevice.h"
#include "store/schema.h"
#include "store/shared.h"
#include "store/stopsignals.h"
#include "support/scriptedprompts.h"
#include "support/storefixture.h"
#include "support/testmain.h"

#include <QDir>
#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <optional>
#include <sys/wait.h>

using namespace rz;

namespace {

QString fixture(const QString &name) { return QStringLiteral(RZ_LEGACY_DATA "/") + name; }

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The rows of a table as the store reads them, in stored order: Null as NULL,
// texts quoted; only the given columns, or all.
QStringList dump(const QString &path, const QString &table, const QStringList &columns = {})
{
    auto db = Database::open(path, Database::Mode::ReadOnly);
    const auto defs = db->columns(table);
    Statement st(*db, QStringLiteral("SELECT * FROM %1 ORDER BY _rowid_").arg(quoteIdentifier(table)));
    QStringList rows;
    while (st.step()) {
        QStringList cells;
        for (size_t i = 0; i < defs.size(); ++i)
            if (const Value v = st.column(int(i), defs[i].type()); columns.isEmpty() || columns.contains(defs[i].name))
                cells << (v.isNull() ? QStringLiteral("NULL") : v.isText() ? u'\'' + v.toString() + u'\'' : v.toString());
        rows << cells.join(u'|');
    }
    return rows;
}
QString declared(const QString &path, const QString &table)
{
    QStringList types;
    for (const ColumnDef &c : Database::open(path, Database::Mode::ReadOnly)->columns(table))
        types << c.declared;
    return types.join(u' ');
}

// Main window procedures on scripted prompts, recording the windows they open.
struct Session : MainHost {
    Shared shared;
    rztest::ScriptedPrompts prompts;
    MainSession session{shared, prompts, *this};
    QStringList opened;
    void setButtonsVisible(bool) override {}
    void openIndexWindow() override { opened << QStringLiteral("index ") + shared.DB_Path; }
    void openTransferWindow() override { opened << QStringLiteral("transfer"); }
    void closeAll() override {}
};

}  // namespace

class TestLegacy : public QObject {
    Q_OBJECT
private:
    QTemporaryDir *dir_ = nullptr;
    QString in(const QString &name) const { return dir_->filePath(name); }
    // A copy of a reference file in the test folder, with bytes written over at an offset, or cut.
    QString copyOf(const QString &name, qint64 at = 0, const QByteArray &bytes = {}, qint64 size = -1)
    {
        const QByteArray data = readAll(fixture(name)).replace(at, bytes.size(), bytes);
        QFile f(in(QStringLiteral("copy-") + name));
        if (!f.open(QIODevice::WriteOnly) || f.write(size < 0 ? data : data.left(size)) < 0)
            QTest::qFail("cannot write the copy", __FILE__, __LINE__);
        return f.fileName();
    }
    QStringList folder() const { return QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden); }

private slots:
    void init() { dir_ = new QTemporaryDir, setProgramFolderForTesting(dir_->path()); }
    void cleanup() { setProgramFolderForTesting(QString()), delete dir_; }

    // Both reference files convert to the same estimate file holding exactly the listed values, of
    // both item-table variants, Nulls and empty texts apart; the index row without an item table
    // gets an empty one. The empty file gives an estimate file without estimates.
    void convertsTheReferenceFiles()
    {
        const QString plain = in("plain.mdb"), encoded = in("encoded.mdb"), empty = in("empty.mdb");
        ConversionSummary s;  // every conversion that should succeed fails only its case when it throws
        QVERIFY_THROWS_NO_EXCEPTION(s = convertJetFile(fixture("estimates-jet4.mdb"), plain));
        QCOMPARE(s.emptyTables, QStringList{"TBL00192"});
        QVERIFY(s.orphanTables.isEmpty() && s.otherTables.isEmpty());
        QCOMPARE(dump(plain, "RZTBLIDX", {"key1", "knm", "kn1", "kn2", "ad1", "hat", "kno", "dt1", "dt2", "dt3", "dt4",
                                          "int0", "int1", "int2", "bk1", "bk2", "bk3", "bk4"}),
                 QStringList({"64|'本社ビル改修工事'|1075000|940000|'東京都千代田区丸の内1-1'|'株式会社サンプル'|''|'04-01-2003'|"
                              "''|'05-20-2003'|''|6|100|100|''|'見本建設'|''|''",
                              "128|'倉庫新築工事'|300000.5|0|NULL|NULL|''|''|''|''|''|3|95|100|NULL|NULL|NULL|NULL",
                              "192|'O'Brien様邸'|0|0|NULL|NULL|NULL|NULL|NULL|NULL|NULL|0|0|0|NULL|NULL|NULL|NULL"}));
        QCOMPARE(dump(plain, "TBL00064", {"key1", "key2", "knm", "mei", "tn1", "su1", "tk1", "kn1", "su2", "tk2", "kn2",
                                          "lvl", "flg", "bk1", "bk4"}),
                 QStringList({"1024|0|'建築工事'|''|''|0|0|1025000|0|0|900000|1|''|'+         '|''",
                              "1024|1024|'基礎コンクリート'|'Fc21'|'ｍ3 '|12.5|18000|225000|12.5|16000|200000|2|''|'-         '|''",
                              "1024|2048|'型枠'|''|'ｍ2 '|100|8000|800000|100|7000|700000|2|''|''|''",
                              "2048|0|'＠小計'|''|''|0|0|0|0|0|0|1|''|''|''",
                              "3072|0|'諸経費'|''|' 式 '|1|0|50000|0|0|40000|1|''|''|''",
                              "4096|0|'＠＠合計'|''|''|0|0|0|0|0|0|1|''|''|''"}));
        QCOMPARE(dump(plain, "TBL00128", {"key1", "knm", "mei", "tn1", "su1", "tk1", "kn1", "su2", "kn2", "flg", "bk3"}),
                 QStringList({"1024|'解体工事'|NULL|NULL|2.5|120000|300000|0|0|NULL|'-         '",
                              "2048|'産廃処分'|NULL|NULL|0.125|4|0|0|0|NULL|NULL", "3072|'＠小計'|NULL|NULL|0|0|0|0|0|NULL|NULL"}));
        QVERIFY(declared(plain, "TBL00128").startsWith("LONG LONG LONG LONG LONG LONG LONG LONG TEXT(60) TEXT(30) TEXT(6) "
                                                       "SINGLE CURRENCY LONG SHORT SINGLE CURRENCY LONG"));
        QCOMPARE(Database::open(plain)->columns("TBL00128").size(), size_t(47));
        QCOMPARE(declared(plain, "TBL00192"), declared(plain, "TBL00064"));
        QVERIFY(dump(plain, "TBL00192").isEmpty());
        // The columns only created and copied hold 0 throughout.
        QStringList zeros{"rt1", "rt2"};
        for (QChar c : QStringLiteral("0123456789ABCDEF"))
            zeros << QStringLiteral("cur") + c << (c > u'2' ? QStringLiteral("int") + c : QString());
        for (const QString table : {"RZTBLIDX", "TBL00064", "TBL00128"})
            for (QString row : dump(plain, table, zeros))
                QVERIFY2(row.remove("100|100|").remove("0|").remove(u'0').isEmpty(), qPrintable(table + row));

        QVERIFY_THROWS_NO_EXCEPTION(convertJetFile(fixture("estimates-jet4-encoded.mdb"), encoded));
        for (const QString table : {"RZTBLIDX", "TBL00064", "TBL00128", "TBL00192"}) {
            QCOMPARE(dump(encoded, table), dump(plain, table));
            QCOMPARE(declared(encoded, table), declared(plain, table));
        }
        QCOMPARE(Database::open(encoded)->tableNames().size(), 4);

        QVERIFY_THROWS_NO_EXCEPTION(s = convertJetFile(fixture("empty-jet4.mdb"), empty));
        QCOMPARE(s.estimates, 0);
        QCOMPARE(Database::open(empty)->tableNames(), QStringList{"RZTBLIDX"});
        QCOMPARE(declared(empty, "RZTBLIDX"), declared(plain, "RZTBLIDX"));
        QVERIFY(dump(empty, "RZTBLIDX").isEmpty());
        QCOMPARE(folder(), QStringList({"empty.mdb", "encoded.mdb", "plain.mdb"}));
    }

    // Altered copies. Stored bytes the reference files do not hold convert: Currency at both ends of its range
    // (exact, never through a double), a negative Long, compressed text (as Access keeps it), tables left out.
    // Damaged, protected, foreign and look-alike files give their message and leave no file. The copy never changes.
    void alteredCopies_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<qint64>("offset");   // where `bytes` are written over
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("size");     // cut to this size; -1 keeps it
        QTest::addColumn<QString>("column");  // converted: table.column, shown after the summary; "": refused
        QTest::addColumn<QStringList>("said");
        const QString plain = "estimates-jet4.mdb", encoded = "estimates-jet4-encoded.mdb";
        auto le = [](qint64 v, int bytes) { return QByteArray(reinterpret_cast<const char *>(&v), bytes); };
        QByteArray noise(4096, 0);
        for (quint32 i = 0, x = 15; i < 4096; ++i)
            noise[i] = char(qint32(x = x * 1103515245u + 12345u) >> 16);
        const qint64 kn1Of128 = 0x1adf8, meiOfRow2 = 0x1eeba;
        QTest::newRow("largest currency") << plain << kn1Of128 << le(std::numeric_limits<qint64>::max(), 8) << -1LL
                                          << "RZTBLIDX.kn1" << QStringList{"\n1075000\n922337203685477.5807\n0"};
        QTest::newRow("smallest currency") << plain << kn1Of128 << le(std::numeric_limits<qint64>::min() + 1, 8) << -1LL
                                           << "RZTBLIDX.kn1" << QStringList{"\n1075000\n-922337203685477.5807\n0"};
        QTest::newRow("negative long") << plain << 0x22f36LL << le(-300000, 4) << -1LL << "TBL00128.kn1"
                                       << QStringList{"\n-300000\n0\n0"};
        QTest::newRow("compressed text") << plain << meiOfRow2 << QByteArray("\xff\xfe" "F\0\x8b\x57\0" "1", 8) << -1LL
                                         << "TBL00064.mei" << QStringList{"\n''\n'F型1'\n''\n"};
        QTest::newRow("item table without index row") << plain << 0xe93eLL + 14 << QByteArray("5") << -1LL << "TBL00064.knm"
                                                      << QStringList{"空の明細表を作りました: TBL00064 TBL00192",
                                                                     "見積の一覧にない明細表は変換していません: TBL00065"};
        QTest::newRow("table of another kind") << plain << 0xe8efLL + 4 << QByteArray("X") << -1LL << "TBL00064.knm"
                                               << QStringList{"空の明細表を作りました: TBL00128 TBL00192",
                                                              "見積の表ではない表は変換していません: TBX00128"};
        const QList<std::tuple<const char *, QString, qint64, QByteArray, qint64, QString>> refused{
            {"truncated to half", plain, 0, {}, 73728, "（表 RZTBLIDX の定義）"},
            {"truncated in the last page", plain, 0, {}, 142456, "（表 TBL00128 の 1 行目）"},
            {"text longer than its column", plain, 0x1c150, QByteArray("\x04"), -1, "（表 TBL00064 の 2 行目の列 tn1）"},
            {"row without bytes", plain, 30 * 4096 + 16, QByteArray("\0\x80\0\0", 4), -1, "（表 TBL00064 の 2 行目）"},
            {"usage map pointer", plain, 28 * 4096 + 55, QByteArray("\x10"), -1, "（表 TBL00064 の定義）"},
            {"noise over the catalog", plain, 14 * 4096, noise, -1, "（表の一覧）"},
            {"noise over item rows", plain, 30 * 4096, noise, -1, "表 TBL00064 は 6 行のはずが、読めたのは 0 行"},
            {"noise over encoded rows", encoded, 30 * 4096, noise, -1, "表 TBL00064 は 6 行のはずが、読めたのは 0 行"},
            {"header key changed", plain, 0x3e, QByteArray("\x12\x34"), -1, "（表の一覧）"},
            {"header noise", plain, 0x18, noise.left(0x80), -1, "（ヘッダー）"},
            {"unknown version", plain, 0x14, QByteArray("\x05"), -1, "変換できない版の Jet ファイル"},
            {"password", plain, 0x42, QByteArray("\x38"), -1, "パスワードが設定されている"},
            {"looks like Jet", plain, 0x18, QByteArray(8192, 0), 8192, "ファイルが壊れているため変換できません"},
            {"no index table", plain, 0xe98d + 14, QByteArray("Y"), -1, "RZTBLIDX がありません"},
            {"missing column", plain, 0x185b8 + 4, QByteArray("x"), -1, "表 RZTBLIDX に列 bk4 がありません"},
            {"column of another type", plain, 0x18071, QByteArray("\x07"), -1, "列 kn1 は Double 型です"}};
        for (const auto &[name, file, offset, bytes, size, message] : refused)
            QTest::newRow(name) << file << offset << bytes << size << QString() << QStringList{message};
    }
    void alteredCopies()
    {
        QFETCH(QString, file);
        QFETCH(qint64, offset);
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, size);
        QFETCH(QString, column);
        QFETCH(QStringList, said);
        const QString copy = copyOf(file, offset, bytes, size);
        const QByteArray before = readAll(copy);
        const QStringList files = folder();
        QString text;
        try {
            text = convertJetFile(copy, in("new.mdb")).text() + u'\n';
            text += dump(in("new.mdb"), column.section(u'.', 0, 0), {column.section(u'.', 1)}).join(u'\n');
        } catch (const DbError &e) {
            text = e.description();
        }
        for (const QString &s : said)
            QVERIFY2(text.contains(s), qPrintable(text));
        QCOMPARE(folder().size(), files.size() + (column.isEmpty() ? 0 : 1));
        QCOMPARE(readAll(copy), before);
    }

    // The copy is read back before it takes its name: a row or an amount that did not arrive as read, or a file the
    // engine finds broken, refuses it.
    void spoiledCopyIsRefused_data()
    {
        QTest::addColumn<QString>("sql");  // what spoils the copy between writing and checking
        QTest::addColumn<QString>("said");
        const QString differs = "表 %1 が元の表と一致しません";
        QTest::newRow("an amount") << "UPDATE TBL00064 SET kn1 = kn1 + 1 WHERE _rowid_ = 2" << differs.arg("TBL00064");
        QTest::newRow("a budget amount") << "UPDATE RZTBLIDX SET kn2 = NULL WHERE key1 = 64" << differs.arg("RZTBLIDX");
        QTest::newRow("a row lost") << "DELETE FROM TBL00128 WHERE _rowid_ = 3" << differs.arg("TBL00128");
        QTest::newRow("a row more") << "INSERT INTO TBL00192 (key1) VALUES (1024)" << differs.arg("TBL00192");
        QTest::newRow("broken file") << "PRAGMA ignore_check_constraints = ON;CREATE TABLE x (a CHECK (a > 0));"
                                        "INSERT INTO x VALUES (0);PRAGMA ignore_check_constraints = OFF"
                                     << "検査で問題が見つかりました: CHECK constraint failed in x";
    }
    void spoiledCopyIsRefused()
    {
        QFETCH(QString, sql);
        QFETCH(QString, said);
        setConversionCopyHookForTesting([&sql](Database &db) {
            for (const QString &statement : sql.split(u';'))
                db.execute(statement);
        });
        QString text;
        try {
            convertJetFile(fixture("estimates-jet4.mdb"), in("new.mdb"));
        } catch (const DbError &e) {
            text = e.description();
        }
        setConversionCopyHookForTesting({});
        QVERIFY2(text.contains(said), qPrintable(text));
        QVERIFY(folder().isEmpty());
    }

    // A row Jet deleted is left out; a row Jet moved to another page when it grew is read where the pointer
    // left in its place leads. The fixtures hold neither: the copy is altered as Jet does it.
    void deletedAndMovedRows()
    {
        QByteArray data = readAll(fixture("estimates-jet4.mdb")), page(4096, 0);
        auto at = [&](int pos) { return int(uchar(data[pos]) | uchar(data[pos + 1]) << 8); };
        auto put = [](QByteArray &into, int pos, int v, int bytes) { into.replace(pos, bytes, QByteArray((char *)&v, bytes)); };
        const int offsets = 30 * 4096 + 14, start = at(offsets + 2) & 0x1fff, size = (at(offsets) & 0x1fff) - start;
        // The second row of TBL00064 goes to a new page 36 of the table, where it is marked deleted.
        page.replace(4096 - size, size, data.mid(30 * 4096 + start, size));
        for (auto [pos, v, bytes] : {std::tuple{0, 0x0101, 2}, {4, 28, 4}, {12, 1, 2}, {14, (4096 - size) | 0x8000, 2}})
            put(page, pos, v, bytes);
        data += page;
        data[31 * 4096 + 4 + 36 / 8] = char(data[31 * 4096 + 4 + 36 / 8] | 1 << 36 % 8);  // the table's page map
        put(data, 30 * 4096 + start, 36 << 8, 4);  // in its place: row 0 of page 36
        put(data, offsets + 2, start | 0x4000, 2);
        put(data, offsets + 8, at(offsets + 8) | 0x8000, 2);  // the fifth row deleted
        put(data, 28 * 4096 + 16, 5, 4);                      // and the table's count of rows
        QFile f(in("jet.mdb"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(data) == data.size());
        f.close();
        ConversionSummary s;
        QVERIFY_THROWS_NO_EXCEPTION(s = convertJetFile(in("jet.mdb"), in("new.mdb")));
        QCOMPARE(s.itemRows, 8);
        QCOMPARE(dump(in("new.mdb"), "TBL00064", {"knm", "kn1"}),
                 QStringList({"'建築工事'|1025000", "'基礎コンクリート'|225000", "'型枠'|800000", "'＠小計'|0", "'＠＠合計'|0"}));
    }

    // Cancel in the progress window: nothing made.
    void cancel()
    {
        QList<qint64> seen;
        auto stopAt = [&seen](int n) {
            return [&seen, n](qint64 done, qint64 total) { return seen << done << total, seen.size() < 2 * n; };
        };
        QVERIFY_THROWS_NO_EXCEPTION(convertJetFile(fixture("estimates-jet4.mdb"), in("all.mdb"), stopAt(100)));
        QCOMPARE(seen.mid(seen.size() - 2), (QList<qint64>{12, 12}));  // 3 index and 9 item rows
        for (int n : {1, 3}) {
            seen.clear();
            QVERIFY_THROWS_EXCEPTION(ConversionCancelled, convertJetFile(fixture("estimates-jet4.mdb"), in("x.mdb"), stopAt(n)));
            QCOMPARE(folder(), QStringList{"all.mdb"});
        }
    }

    // Ctrl+C, kill and a closed terminal stop a conversion between rows and leave no file behind: the command line
    // then ends with its code, the windows by the signal once the part file is gone. In a child process each.
    void stopSignals_data()
    {
        QTest::addColumn<int>("sig");
        QTest::addColumn<bool>("windows");
        for (const auto &[name, sig] : {std::pair{"Ctrl+C", SIGINT}, {"kill", SIGTERM}, {"terminal closed", SIGHUP}}) {
            QTest::addRow("%s on the command line", name) << sig << false;
            QTest::addRow("%s in the windows", name) << sig << true;
        }
    }
    void stopSignals()
    {
        QFETCH(int, sig);
        QFETCH(bool, windows);
        const pid_t child = fork();
        if (child == 0) {
            for (int s : {SIGINT, SIGTERM, SIGHUP})  // as a program starts, without the test's handlers
                signal(s, SIG_DFL);
            std::optional<StopSignalsNoted> noted;
            windows ? stopSignalsWaitForCreations() : void(noted.emplace());
            try {
                convertJetFile(fixture("estimates-jet4.mdb"), in("new.mdb"),
                               [sig, once = true](qint64, qint64) mutable {
                                   if (std::exchange(once, false))
                                       raise(sig);
                                   return true;
                               });
            } catch (const ConversionCancelled &) {
                _exit(ImportCancelled);
            } catch (...) {
            }
            _exit(0);
        }
        int status = 0;
        for (int waited = 0; waitpid(child, &status, WNOHANG) == 0; ++waited)
            if (waited == 1000)
                kill(child, SIGKILL), waitpid(child, &status, 0);
            else
                QThread::msleep(10);
        QVERIFY2(windows ? WIFSIGNALED(status) && WTERMSIG(status) == sig : WIFEXITED(status) && WEXITSTATUS(status) == ImportCancelled,
                 qPrintable(QString::number(status, 16)));
        QCOMPARE(folder(), QStringList());
    }

    // Every file choice of the main window asks before converting, goes on with the converted file
    // named beside the original and converts a file once per run; a failed conversion opens nothing.
    void mainWindowChoices()
    {
        const QString jet = copyOf("estimates-jet4-encoded.mdb"), converted = in("copy-estimates-jet4-encoded_変換.mdb");
        Session r;
        const QString broken = copyOf("estimates-jet4.mdb", 0, {}, 73728);
        r.prompts.fileAnswers = {jet, jet, jet, broken};
        r.prompts.messageAnswers = {AnswerCancel};
        r.session.openEstimateFile();
        QCOMPARE(r.prompts.messages(), QStringList{QStringLiteral("この見積ファイルは旧形式（Jet）です。変換して開きますか\n\n"
                                                                  "変換後のファイル: %1\n（元のファイルは変更しません）").arg(converted)});
        QCOMPARE(r.prompts.lastMessage()->style, int(MsgOkCancelQuestion));
        QVERIFY(r.opened.isEmpty() && !QFileInfo::exists(converted));
        r.session.openEstimateFile();
        r.session.openEstimateFile();  // the same file again: its copy, without a second question
        QCOMPARE(r.opened, QStringList({"index " + converted, "index " + converted}));
        QCOMPARE(r.prompts.countOf(rztest::PromptRecord::Message), 3);
        QVERIFY(r.prompts.lastMessage()->text.startsWith("見積 3 件（明細 9 行）を変換しました。"));
        QCOMPARE(r.prompts.lastMessage()->style, int(MsgInformation));
        QCOMPARE(r.prompts.busy, false);

        // 編集 with one Jet file twice (in a new run): one new copy, and a file is never transferred onto itself.
        Session t;
        t.prompts.fileAnswers = {jet, jet};
        t.session.openTransfer();
        QVERIFY(t.opened.isEmpty());
        QCOMPARE(t.shared.DB_Path1, in("copy-estimates-jet4-encoded_変換(2).mdb"));
        QVERIFY(!QFileInfo::exists(in("copy-estimates-jet4-encoded_変換(3).mdb")));

        // A damaged Jet file in 最適化: said so, nothing made, nothing compacted.
        r.session.compactFile();
        QCOMPARE(r.opened.size(), 2);
        QVERIFY(!QFileInfo::exists(in("copy-estimates-jet4_変換.mdb")));
        QCOMPARE(r.prompts.lastMessage()->style, int(MsgExclamation));
        QVERIFY(r.prompts.lastMessage()->text.endsWith("変換後のファイルは作られていません。"));
    }

    // A Jet file in a folder that takes no new file (here one nobody may write into, even root: the open file's
    // entry under /proc/self/fd): the user chooses where its converted copy goes, the documents folder proposed.
    void readOnlyFolder()
    {
        QFile jet(copyOf("estimates-jet4.mdb"));
        QVERIFY(jet.open(QIODevice::ReadOnly));
        const QString path = QStringLiteral("/proc/self/fd/%1").arg(jet.handle()), chosen = in("変換先.mdb");
        Session r;
        r.prompts.fileAnswers = {path, chosen, path};
        r.session.openEstimateFile();
        QVERIFY(r.prompts.messages().value(0).contains("保存先を選んでください"));
        QCOMPARE(r.prompts.records.at(2).kind, rztest::PromptRecord::File);
        const FileDialogRequest &asked = r.prompts.records.at(2).file;
        QVERIFY(asked.save);
        QCOMPARE(asked.initialDir, QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
        QCOMPARE(asked.proposedName, QString::number(jet.handle()) + QStringLiteral("_変換.mdb"));
        QCOMPARE(r.opened, QStringList{"index " + chosen});
        r.session.openEstimateFile();  // chosen again: the copy made, without asking
        QCOMPARE(r.opened.size(), 2);
        QCOMPARE(r.prompts.countOf(rztest::PromptRecord::File), 3);
    }

    // The converted estimate opens in the editor with its two levels and total, and prints the listed totals.
    void convertedEstimateEditsAndPrints()
    {
        const QString path = in("印刷.mdb");
        QVERIFY_THROWS_NO_EXCEPTION(convertJetFile(fixture("estimates-jet4-encoded.mdb"), path));
        Shared shared;
        rztest::ScriptedPrompts prompts;
        shared.DB_Main = openEstimateFile(path);
        shared.formsLoaded = 2;
        auto editor = std::make_unique<frmU1>(shared, prompts, U1Opening{EstimateRef{64}});
        QVERIFY(editor->start());
        auto names = [&] {
            QStringList n;
            for (int row = 1; row <= 5; ++row)
                n << editor->session().grid().text(row, 1).trimmed();
            return n.join(u' ').trimmed();
        };
        QCOMPARE(names(), QStringLiteral("建築工事 ＠小計 諸経費 ＠＠合計"));
        QVERIFY2(editor->LblTotal->text().contains("1,075,000"), qPrintable(editor->LblTotal->text()));
        editor->session().gridCellEntered(1, 1);
        QTest::keyClick(editor->Grid1, Qt::Key_F1);
        QCOMPARE(names(), QStringLiteral("基礎コンクリート 型枠"));
        editor.reset();

        RecordingPrintDevice device;
        PrintOptions options;
        options.kind = PrintKind::EstimateBudget;
        printEstimateList(device, options, shared.Co_Name, *shared.DB_Main, EstimateRef{64});
        // The subtotal and total rows as printed: estimate, then budget amount.
        for (const auto &[row, amounts] : {std::pair{"小計", "1025000 900000"}, {"合計", "1075000 940000"}}) {
            const PrintedText *t = device.find(row);
            QVERIFY2(t, row);
            QCOMPARE(device.rowImage(t->page, t->irow()).simplified().section(u' ', 1), QString(amounts));
        }
    }

    // rz90 import and rz90 print: exit codes and what they say.
    void commandLines_data()
    {
        QTest::addColumn<QStringList>("args");  // %d: the test folder, %f: the reference files
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("said");
        QTest::newRow("import beside") << QStringList{"%d/copy-empty-jet4.mdb"} << int(ImportOk) << "copy-empty-jet4_変換.mdb";
        QTest::newRow("import no Jet") << QStringList{"%d/sqlite.mdb", "%d/新.mdb"} << int(ImportNoFile) << "not an estimate file";
        QTest::newRow("import over a file") << QStringList{"%f/estimates-jet4.mdb", "%d/sqlite.mdb"} << int(ImportCannotWrite) << "exists";
        QTest::newRow("import damaged") << QStringList{"%d/cut.mdb", "%d/新.mdb"} << int(ImportFailed) << "壊れている";
        QTest::newRow("import a folder") << QStringList{"%d", "%d/新.mdb"} << int(ImportNoFile) << "is a folder";
        QTest::newRow("import unreadable") << QStringList{"/proc/self/mem", "%d/新.mdb"} << int(ImportNoFile)
                                           << "cannot read '/proc/self/mem': ";
        QTest::newRow("import onto a server") << QStringList{"%f/estimates-jet4.mdb", "%s"} << int(ImportOk) << "見積 3 件";
        QTest::newRow("import onto a schema there") << QStringList{"%f/estimates-jet4.mdb", "%S"} << int(ImportCannotWrite)
                                                    << "exists";
        QTest::newRow("print Jet") << QStringList{"print", "%f/estimates-jet4.mdb", "--estimate", "64", "--pdf", "%d/o.pdf"}
                                   << int(BatchJetFile) << "rz90 import";
    }
    void commandLines()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exit);
        QFETCH(QString, said);
        copyOf("empty-jet4.mdb");
        QFile::rename(copyOf("estimates-jet4.mdb", 0, {}, 73728), in("cut.mdb"));
        sb_MkIdxDB(in("sqlite.mdb"), 0);
        const QString schema = rztest::newStoreLocation("server", *dir_, "new"), taken = rztest::newStoreLocation("server", *dir_, "taken");
        sb_MkIdxDB(taken, 0);
        const QStringList files = folder();
        args.replaceInStrings("%s", schema).replaceInStrings("%S", taken).replaceInStrings("%d", dir_->path()).replaceInStrings("%f", QStringLiteral(RZ_LEGACY_DATA));
        QString text;
        QTextStream stream(&text);
        const bool print = args.value(0) == "print";
        QCOMPARE(print ? runBatchPrint(args.mid(1), stream) : runImport(args, stream, stream), exit);
        QVERIFY2(text.contains(said), qPrintable(text));
        QCOMPARE(folder().size(), files.size() + (exit == ImportOk && !print && !args.contains(schema) ? 1 : 0));
        if (args.contains(schema))
            QCOMPARE(openEstimateFile(schema)->rowCount(kIndexTable), 3);
    }
};

RZ_REGISTER_TEST(TestLegacy)
#include "tst_legacy.moc"
