// Block files through the editor's edit menu: the bytes a saved block gives, checked against records laid out here from the
// format's table, reading such a file (and damaged ones) in front of a row, and a round trip of every column kind.
#include "blockscript.h"
#include "support/failingdisk.h"

#include <functional>

namespace {
const QString kName = QString::fromUtf8("𠮷") + QString(29, u'工');  // 60 bytes; "𠮷" is not in Shift-JIS
const QString kNameRead = QString::fromUtf8("？") + QString(19, u'工');  // its first 40 bytes in the file

// T (group, work columns set) with a1 and a2 (Nulls) below it, and U after it.
bool open(BreakdownFixture &f, const QString &sql = {}, const std::vector<Value> &values = {})
{
    f.add({Item{{1024}, kName, kGroupFlg, "1.5", "2000", "3000", "0", "0", "0", 100, 100, "ｺﾝｸﾘｰﾄ", "m2", ""},
           leaf({1024, 1024}, "a1", "2", "500", "1000"), leaf({1024, 2048}, "a2", "0", "0"), leaf({2048}, "U", "0", "0", "7")});
    f.db()->execute("UPDATE TBL00064 SET int0 = 5, cur0 = ?, curB = ?, curC = ? WHERE key2 = 0 AND key1 = 1024",
                    {Value(cy("1.5")), Value(cy("-2")), Value(Currency::fromRaw(9))});
    QString all = depthOf(2) + "|UPDATE TBL00064 SET mei = NULL, su1 = NULL, kn1 = NULL, rt1 = NULL, int0 = NULL WHERE knm = 'a2'";
    for (const QString &s : all.split('|'))
        f.db()->execute(s);
    if (!values.empty())
        f.db()->execute(sql, values);
    else if (!sql.isEmpty())
        f.otherProgram(sql);
    return f.open({});
}
QByteArray le(qint64 v, int bytes)
{
    QByteArray b(bytes, '\0');
    for (int i = 0; i < bytes; ++i)
        b[i] = char(v >> (8 * i));
    return b;
}
// A record as the format lays it out: blanks, 0 in every number field, CR LF, then the given fields at their offsets.
QByteArray record(std::initializer_list<std::pair<int, QByteArray>> fields)
{
    QByteArray r(392, ' ');
    for (auto [at, length] : {std::pair{0, 32}, {125, 26}, {151, 28}, {245, 116}})  // keys; su1-rt1; su2-lvl; int0-curB
        r.replace(at, length, QByteArray(length, '\0'));
    r.replace(390, 2, "\r\n");
    for (const auto &[at, bytes] : fields)
        r.replace(at, bytes.size(), bytes);
    return r;
}
// The file of T, a1 and a2: "？" for "𠮷", 28 full-width 工 and a blank where the 29th would be cut, ｺﾝｸﾘｰﾄ in half-width.
QByteArray expectedFile()
{
    const QByteArray ko = QByteArray("\x8d\x48").repeated(28);
    return record({{0, le(1024, 4)}, {32, "\x81\x48" + ko}, {91, "\xba\xdd\xb8\xd8\xb0\xc4"}, {120, "m2"}, {125, le(15000, 8)},
                   {133, le(20000000, 8)}, {141, le(30000000, 8)}, {149, le(100, 2)}, {175, le(100, 2)}, {177, le(1, 2)},
                   {236, "+"}, {245, le(5, 2)}, {265, le(15000, 8)}, {353, le(-20000, 8)}}) +
           record({{0, le(1024, 4) + le(1024, 4)}, {32, "a1"}, {125, le(20000, 8)}, {133, le(5000000, 8)}, {141, le(10000000, 8)},
                   {149, le(100, 2)}, {175, le(100, 2)}, {177, le(2, 2)}, {236, "-"}}) +
           record({{0, le(1024, 4) + le(2048, 4)}, {32, "a2"}, {175, le(100, 2)}, {177, le(2, 2)}, {236, "-"}});
}
QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}
void put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}
struct DiskFault { bool workbook, full; QString reason; };
struct Read { QString script, sql; std::function<void(QByteArray &)> damage; QString diff, message; bool sqlVariant = false; };
const QString kAll = "2064 +" + kNameRead + ", 2064/1024 -a1, 2064/2048 -a2", kFirst = "2064 +" + kNameRead;
const QString kBad = "不正レコード検出\r\n%1\r\n%2 件目のレコード: ";
}  // namespace
Q_DECLARE_METATYPE(Read)
Q_DECLARE_METATYPE(DiskFault)

class TestBlockFile : public QObject {
    Q_OBJECT
private slots:
    // Cancel of the overwrite question or of the question about text Shift-JIS lacks keeps the earlier file; then the file
    // is the three records byte by byte.
    void savedFile()
    {
        BreakdownFixture f;
        QVERIFY(open(f));
        const QString path = f.dir.filePath("内訳.dat"), exists = "ファイルが存在します。上書きしますか\r\n" + path;
        put(path, "old");
        QStringList before;
        for (auto [overwrite, lossy] : {std::pair{AnswerCancel, 0}, {AnswerOk, AnswerCancel}, {AnswerOk, AnswerOk}}) {
            QCOMPARE(contents(path), QByteArray("old"));
            f.prompts.fileAnswers.push_back(path);
            f.prompts.messageAnswers.push_back(overwrite);
            if (lossy)
                f.prompts.messageAnswers.push_back(lossy);
            QVERIFY(run(f, "S1 E1 F", "", before));
        }
        const QString lossy = "次の行の文字はブロックファイルの文字コード（Shift-JIS）にないため、「？」か空白に変わります。保存しますか\r\n"
                              "1 行目「" + kName + "」: 名称";
        QCOMPARE(f.prompts.messages(), QStringList({exists, exists, lossy, exists, lossy}));
        QCOMPARE(contents(path).toHex(' '), expectedFile().toHex(' '));
        const PromptRecord dialog = f.last(PromptRecord::File);
        QCOMPARE(dialog.file.title + '|' + dialog.file.filter + '|' + dialog.file.proposedName, "指定行の保存|datﾌｧｲﾙ(*.dat)|*.dat|内訳.dat");
        // A link that leads nowhere is a file there as well.
        f.prompts.fileAnswers.push_back(f.dir.filePath("link.dat"));
        f.prompts.messageAnswers.push_back(AnswerCancel);
        QVERIFY(QFile::link(f.dir.filePath("gone.dat"), f.dir.filePath("link.dat")) && run(f, "F", "", before));
        QCOMPARE(f.prompts.lastMessage()->text, "ファイルが存在します。上書きしますか\r\n" + f.dir.filePath("link.dat"));
        QVERIFY(!QFile::exists(f.dir.filePath("gone.dat")));
    }
    void reading_data()
    {
        auto patch = [](int record, int at, QByteArray bytes) {
            return [=](QByteArray &b) { b.replace((record - 1) * 392 + at, bytes.size(), bytes); };
        };
        cases<Read>({
            {"on the input row", {"L3", "", {}, kAll, ""}},
            {"saved one level deeper", {"L3", "", [](QByteArray &b) {
                 for (int r = 0; r < 3; ++r)
                     b.replace(r * 392, 12, le(5, 4) + le(7, 4) + (r ? b.mid(r * 392 + 4, 4) : le(0, 4))), b.replace(r * 392 + 177, 2, le(r ? 3 : 2, 2));
             }, kAll, ""}},
            {"short trailing piece", {"L3", "", [](QByteArray &b) { b += QByteArray(100, 'x'); }, kAll, ""}},
            {"no CR LF", {"L3", "", patch(2, 390, "  "), kFirst, kBad + "レコードの終わりに CR LF がありません"}},
            {"lvl 9", {"L3", "", patch(2, 177, le(9, 2)), kFirst, kBad}},
            {"negative key", {"L3", "", patch(3, 4, le(-5, 4)), kFirst + ", 2064/1024 -a1", kBad}},
            {"a row under no row read", {"L3", "", patch(2, 0, le(3072, 4)), kFirst, kBad}},
            {"not Shift-JIS", {"L3", "", patch(2, 33, "\x80"), kFirst, kBad}},
            {"another kind of file", {"L3", "", [](QByteArray &b) { b = "\x89PNG\r\n\x1a\n" + QByteArray(600, '\0'); }, "", kBad}},
            {"a piece of a record", {"L3", "", [](QByteArray &b) { b.truncate(100); }, "", kBad}},
            {"amount a LONG column cannot hold", {"L3", "", patch(2, 141, le(30000000000000, 8)), kFirst, kBad, true}},
            {"no room in front of the cursor row", {"L2", "UPDATE TBL00064 SET key1 = 1040 WHERE knm = 'U'", {}, "", U1Blocks::kBlockNoRoom}},
            {"no free key", {"L2", "UPDATE TBL00064 SET key1 = 1025 WHERE knm = 'U'", {}, "", "行間作成を行ってください"}},
            {"empty item table", {"L1", "DELETE FROM TBL00064", {}, "", ""}},
            {"file missing", {"L3", "", [](QByteArray &b) { b.clear(); }, "", "指定されたファイルが見つかりません\r\n%1"}},
            {"after the marked block was deleted", {"S2 E2 X L2", "", {}, QString(kAll).replace("2064", "1040") + ", !2048 -U", "指定ブロックを削除します  1"}},
            {"after a row spacing moved the marked block", {"S2 E2 R L3", "UPDATE TBL00064 SET key1 = 5000 WHERE knm = 'U'", {}, "2048 -U, " + kAll + ", !5000 -U", ""}},
            {"file refuses a row", {"L3", "CREATE TRIGGER refuse BEFORE INSERT ON TBL00064 WHEN rtrim(NEW.knm) = 'a2' BEGIN SELECT RAISE(ABORT, '拒否'); END",
                                    {}, "", "拒否"}},
        });
    }
    void reading()
    {
        QFETCH(Read, c);
        BreakdownFixture f(c.sqlVariant);
        QVERIFY(open(f, c.sql));
        const QString path = f.dir.filePath("内訳.dat");
        QByteArray bytes = expectedFile();
        if (c.damage)
            c.damage(bytes);
        if (!bytes.isEmpty())
            put(path, bytes);
        f.prompts.fileAnswers.push_back(path);
        QStringList before = rows(f);
        QVERIFY(run(f, c.script, "", before));
        QCOMPARE(diff(before, rows(f)), c.diff);
        // A stop names the file and the record after the rows kept.
        const QString message = f.prompts.messages().join('|'), record = QString::number(c.diff.isEmpty() ? 1 : c.diff.count(", ") + 2);
        QVERIFY2(c.message.isEmpty() ? message.isEmpty() : message.startsWith(QString(c.message).replace("%1", path).replace("%2", record)),
                 qPrintable(message));
        if (c.diff == kAll)  // the work columns come with the rows, curC does not
            QCOMPARE(f.rowsOf("SELECT int0, cur0, curB, curC FROM TBL00064 WHERE key1 = 2064 AND key2 = 0"), QStringList{"5/1.5/-2/"});
    }
    // The block file and the workbook, written whole or not at all: a write that fails at its last bytes (past the file size
    // limit) or on a full disk is reported in words the user can act on, and leaves the earlier file and nothing else.
    void writersOnAFailingDisk_data()
    {
        const QString limit = "ファイルの大きさが、この場所に書ける上限を超えました。", full = "ディスクがいっぱいです。不要なファイルを削除して空きを作るか、別の場所に保存してください。";
        cases<DiskFault>({{"block file past the size limit", {false, false, limit}}, {"block file on a full disk", {false, true, full}},
                          {"workbook past the size limit", {true, false, limit}}, {"workbook on a full disk", {true, true, full}}});
    }
    void writersOnAFailingDisk()
    {
        QFETCH(DiskFault, c);
        BreakdownFixture f;
        QStringList before;
        QVERIFY(open(f) && run(f, "S1 E1", "", before) && QDir().mkpath(f.dir.filePath("disk")));
        f.s().workbook().showWorkbook = [](const QString &) { return true; };
        const QString name = c.workbook ? "book.xlsx" : "内訳.dat", path = f.dir.filePath("disk/" + name);
        const QByteArray earlier = c.workbook ? contents(RZ_TEST_DATA "/write-into-B5.xlsx") : "old";
        // Saves onto the earlier file: the message, whether that file is as it was, and the files of its folder.
        auto save = [&](const QString &at) {
            f.prompts.fileAnswers.push_back(at);
            c.workbook ? f.s().blocks().PU10_Click(U1Blocks::PU10_WriteXls) : void(run(f, "F", "", before));
            return f.prompts.lastMessage()->text + '|' + (contents(at) == earlier ? "kept|" : "changed|") +
                   QFileInfo(at).dir().entryList(QDir::Files | QDir::Hidden).join(',');
        };
        const QString failed = (c.workbook ? "ワークブックに保存できませんでした。\r\n" : "ブロックファイルを保存できませんでした。\r\n") +
                               c.reason + "\r\n" + path + "|kept|" + (c.full ? ".fill," : "") + name;
        // The size the new file has, for a limit one byte below it.
        put(f.dir.filePath(name), earlier);
        save(f.dir.filePath(name));
        const std::optional<QString> result = onFailingDisk(f.dir.filePath("disk"), name, earlier,
                                                            c.full ? 0 : QFileInfo(f.dir.filePath(name)).size() - 1, [&] { return save(path); });
        if (!result)
            QSKIP("user namespaces are not granted here: no full file system of the test's own can be mounted");
        QCOMPARE(*result, failed);
    }
    // Negative money, four decimals, full-width and half-width kana, the edge values of SHORT and CURRENCY come back as saved.
    void roundTrip()
    {
        BreakdownFixture f;
        std::vector<Value> money;  // ten-thousandths
        for (qint64 raw : {qint64(12345), qint64(-1), qint64(-12345678), qint64(-99999999), qint64(1), std::numeric_limits<qint64>::max(),
                           qint64(0), qint64(7), std::numeric_limits<qint64>::min(), qint64(1)})
            money.push_back(Value(Currency::fromRaw(raw)));
        QVERIFY(open(f, "UPDATE TBL00064 SET knm = 'コンクリート打設', mei = 'ｺﾝｸﾘｰﾄ ﾌﾞﾛｯｸ', tn1 = 'ｍ３', su1 = ?, tk1 = ?, kn1 = ?, su2 = ?, "
                        "tk2 = ?, kn2 = ?, rt1 = 95, rt2 = -32768, bk1 = '備考ｶﾅ', bk2 = '２', bk3 = 'z', int9 = 32767, cur0 = ?, curB = ?, "
                        "cur9 = ?, curA = ? WHERE knm = 'a1'", money));
        const QString path = f.dir.filePath("内訳.dat");
        f.prompts.fileAnswers = {path, path};
        QStringList before;
        QVERIFY(run(f, "S1 E1 F L3", "", before));
        const QString columns = "SELECT rtrim(knm), rtrim(mei), rtrim(tn1), su1, tk1, kn1, su2, tk2, kn2, rt1, rt2, lvl, rtrim(bk1), rtrim(bk2), "
                                "rtrim(bk3), rtrim(flg), int0, int9, cur0, cur9, curA, curB FROM TBL00064 WHERE key2 = 1024 AND key1 = ";
        QCOMPARE(f.rowsOf(columns + "2064"), f.rowsOf(columns + "1024"));
        QCOMPARE(f.rowsOf(columns + "2064").value(0).section('/', 0, 2), "コンクリート打設/ｺﾝｸﾘｰﾄ ﾌﾞﾛｯｸ/ｍ３");
    }
};

RZ_REGISTER_TEST(TestBlockFile)
#include "tst_blockfile.moc"
