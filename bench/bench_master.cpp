// The unit-price master of 100,000 items: importing it from a workbook and
// from CSV files into an empty master, against a bare read of the same
// bytes and a bare insert of the same rows; and the editor's search panel
// following each typed character (the search and the list drawn again),
// against one bare pass over the folded texts of the whole master, which
// any search that looks at every item needs at least.
#include "benchmain.h"
#include "breakdown/frmu1.h"
#include "estimategen.h"
#include "master/masterfile.h"
#include "blocks/xlsxbook.h"
#include "master/masterfold.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

const int kItems = 100000;

double timeMs(const std::function<void()> &work)
{
    QElapsedTimer t;
    t.start();
    work();
    return t.nsecsElapsed() / 1e6;
}

// Items as an office keeps them: twenty trades, ten groups each, names of
// kanji and katakana with a number, specifications with sizes.
std::vector<rz::MasterItem> makeItems()
{
    static const char16_t *const trades[] = {u"仮設工事", u"土工事", u"コンクリート工事", u"鉄筋工事", u"型枠工事",
                                             u"鉄骨工事", u"防水工事", u"石工事", u"タイル工事", u"木工事",
                                             u"屋根工事", u"金属工事", u"左官工事", u"建具工事", u"塗装工事",
                                             u"内装工事", u"給排水設備", u"電気設備", u"外構工事", u"解体工事"};
    static const char16_t *const words[] = {u"足場", u"養生シート", u"コンクリート打設", u"鉄筋加工組立", u"型枠",
                                            u"アンカーボルト", u"ウレタン塗膜防水", u"御影石張り", u"磁器タイル",
                                            u"造作材", u"ガルバリウム鋼板", u"手摺", u"モルタル塗り", u"アルミサッシ",
                                            u"エマルションペイント", u"クロス張り", u"塩ビ管", u"ケーブル配線",
                                            u"インターロッキング", u"はつり"};
    static const char16_t *const units[] = {u"ｍ2", u"ｍ", u"ｍ3", u"式", u"箇所", u"本", u"枚", u"ｔ"};
    std::vector<rz::MasterItem> items;
    items.reserve(kItems);
    for (int i = 0; i < kItems; ++i) {
        rz::MasterItem item;
        item.dai = QString::fromUtf16(trades[i % 20]);
        item.chu = QStringLiteral("%1 第%2類").arg(QString::fromUtf16(words[(i / 20) % 20])).arg(i / 400 % 10 + 1);
        item.knm = QStringLiteral("%1 %2号").arg(QString::fromUtf16(words[(i / 7) % 20])).arg(i % 997);
        item.mei = QStringLiteral("W=%1 No.%2").arg(300 + i % 40 * 50).arg(i);
        item.tn1 = QString::fromUtf16(units[i % 8]);
        item.tk1 = rz::Currency::fromWhole(500 + i % 9000);
        item.tk2 = rz::Currency::fromWhole((500 + i % 9000) * 8 / 10);
        item.bk1 = i % 5 ? QString() : QStringLiteral("労務費込み");
        item.upd = QDate(2025, 4, 1).addDays(i % 365);
        items.push_back(std::move(item));
    }
    return items;
}

// The same rows straight into an empty table of the same columns, one transaction.
double bareInsert(const QString &path, const std::vector<rz::MasterItem> &items)
{
    auto db = rz::Database::create(path);
    db->createTable(QStringLiteral("bare"), {{"dai", "TEXT(40)"}, {"chu", "TEXT(40)"}, {"knm", "TEXT(40)"},
                                             {"mei", "TEXT(20)"}, {"tn1", "TEXT(4)"}, {"tk1", "CURRENCY"},
                                             {"tk2", "CURRENCY"}, {"bk1", "TEXT(40)"}, {"upd", "TEXT(10)"},
                                             {"rev", "LONG"}});
    return timeMs([&] {
        rz::Transaction tx(*db);
        rz::Statement st(*db, QStringLiteral("INSERT INTO bare VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, 0)"));
        for (const rz::MasterItem &item : items) {
            st.bindAll({item.dai, item.chu, item.knm, item.mei, item.tn1, item.tk1, item.tk2, item.bk1,
                        item.upd.toString(QStringLiteral("yyyy-MM-dd"))});
            st.step();
            st.reset();
        }
        tx.commit();
    });
}

// Three imports of a file into a new, empty master: read, checked, merged.
rzbench::Spread imports(const QTemporaryDir &dir, const QString &file, int &count)
{
    std::vector<double> runs;
    for (int run = 0; run < 3; ++run) {
        const QString location = dir.filePath(QStringLiteral("import-%1-%2.mdb").arg(QFileInfo(file).fileName()).arg(run));
        runs.push_back(timeMs([&] {
            const rz::MasterFileRows read = rz::readMasterFile(file, QDate(2025, 4, 1));
            count = read.problems.empty() ? rz::MasterStore::open(location, true)->merge(read.items).added : -1;
            if (!read.problems.empty())
                QTextStream(stdout) << "  line " << read.problems.front().line << ": " << read.problems.front().reason << Qt::endl;
        }));
    }
    return rzbench::spread(runs);
}

int benchMaster(const QStringList &)
{
    QTextStream out(stdout);
    QTemporaryDir dir;
    const QString master = dir.filePath(QStringLiteral("master.mdb"));
    const std::vector<rz::MasterItem> items = makeItems();
    const double mergeMs = timeMs([&] { rz::MasterStore::open(master, true)->merge(items); });
    const QString xlsx = dir.filePath(QStringLiteral("master.xlsx")), csv = dir.filePath(QStringLiteral("master.csv")),
                  sjis = dir.filePath(QStringLiteral("master-sjis.csv"));
    const double xlsxWriteMs = timeMs([&] { rz::writeMasterFile(xlsx, items); });
    const double csvWriteMs = timeMs([&] { rz::writeMasterFile(csv, items); });
    out << "generated a master of " << kItems << " items (" << mergeMs << " ms), exported to a workbook ("
        << QFileInfo(xlsx).size() / 1024 << " KiB, " << xlsxWriteMs << " ms) and CSV (" << QFileInfo(csv).size() / 1024
        << " KiB, " << csvWriteMs << " ms)" << Qt::endl;
    out << "peak memory after generating and exporting: " << rzbench::peakMiB() << " MiB" << Qt::endl;
    // The Shift-JIS file as a Windows spreadsheet would save it.
    const bool haveSjis = QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"),
                                            QStringLiteral("tail -c +4 '%1' | iconv -f UTF-8 -t CP932 > '%2'").arg(csv, sjis)}) == 0;

    // Imports against the bare read of the bytes plus the bare insert of the rows.
    const double bareRows = bareInsert(dir.filePath(QStringLiteral("bare.mdb")), items);
    for (const QString &file : {xlsx, csv, haveSjis ? sjis : QString()}) {
        if (file.isEmpty())
            continue;
        int added = 0;
        const rzbench::Spread spread = imports(dir, file, added);
        if (added != kItems) {
            out << "the import of " << file << " went wrong: " << added << " items" << Qt::endl;
            return 1;
        }
        double bareRead = timeMs([&] {
            QFile f(file);
            f.open(QIODevice::ReadOnly);
            f.readAll();
        });
        rzbench::reportGoal(QStringLiteral("import of %1 rows, %2").arg(kItems).arg(QFileInfo(file).fileName()), spread,
                            QStringLiteral("ms"), 3000);
        if (file == xlsx) {
            const double unpack = timeMs([&] { rz::XlsxBook::open(xlsx, rz::XlsxBook::FirstSheet); });
            out << "  of which the workbook's sheet unpacked and parsed by the shared reader: " << unpack << " ms" << Qt::endl;
        }
        out << "  bare read of the file " << bareRead << " ms + bare insert of the rows " << bareRows
            << " ms; import / bare = " << spread.median / (bareRead + bareRows) << Qt::endl;
    }

    // The editor on an estimate, its panel on the master of 100,000 items.
    const QString estimate = dir.filePath(QStringLiteral("estimate.mdb"));
    rz::sb_MkIdxDB(estimate, 0);
    {
        auto db = rz::openEstimateFile(estimate);
        db->execute(QStringLiteral("INSERT INTO RZTBLIDX (key1, knm, int0, int1, int2) VALUES (64, '見積', 0, 100, 100)"));
        rz::sb_MkUTbl(rz::itemTableName(64), *db);
    }
    rzbench::CountingPrompts prompts;
    rz::Shared shared;
    shared.DB_Main = rz::openEstimateFile(estimate);
    shared.formsLoaded = 2;
    auto catalog = std::make_shared<rz::MasterCatalog>();
    catalog->setLocation(master, false);
    rz::frmU1 editor(shared, prompts, rz::U1Opening{rz::EstimateRef{64}});
    editor.session().master().setCatalog(catalog);
    if (!editor.start())
        return 1;
    editor.resize(editor.sizeHint());
    editor.show();
    QApplication::processEvents();
    const double firstOpen = timeMs([&] { editor.session().Command1_Click(6); });
    if (!editor.FraPick->isVisible())
        return 1;
    editor.session().master().cancel();
    const double laterOpen = timeMs([&] { editor.session().Command1_Click(6); });
    rzbench::reportFigure(QStringLiteral("F7, the first time: the master read and folded"), {firstOpen, firstOpen, firstOpen},
                          QStringLiteral("ms"));
    rzbench::reportFigure(QStringLiteral("F7 again, the master unchanged"), {laterOpen, laterOpen, laterOpen},
                          QStringLiteral("ms"));

    // Each typed character: the key into the panel's box, the results, the list painted.
    const QStringList typing{QStringLiteral("あしば"), QStringLiteral("\b\b\b"), QStringLiteral("ｺﾝｸﾘｰﾄ"),
                             QStringLiteral("\b\b\b\b\b\b"), QStringLiteral("型枠 w=60"), QStringLiteral("\b\b\b\b\b\b\b"),
                             QStringLiteral("ウレタン 3")};
    std::vector<double> keys, firsts;
    size_t shown = 0;
    for (const QString &word : typing) {
        for (QChar c : word) {
            const int code = c == u'\b' ? Qt::Key_Backspace : 0;
            const bool first = editor.TxtPick->text().isEmpty();
            const double ms = timeMs([&] {
                QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, c == u'\b' ? QString() : QString(c));
                QApplication::sendEvent(editor.TxtPick, &press);
                editor.FraPick->repaint();
            });
            (first ? firsts : keys).push_back(ms);
            shown += editor.session().master().results().size();
        }
    }
    rzbench::reportGoal(QStringLiteral("first character typed (all %1 items searched)").arg(kItems),
                        rzbench::spread(firsts), QStringLiteral("ms"), 30);
    rzbench::reportGoal(QStringLiteral("each further character or Backspace (%1 keys)").arg(keys.size()),
                        rzbench::spread(keys), QStringLiteral("ms"), 30);
    // The bare pass: every folded text of the master read once for one character.
    QString folded;
    for (const rz::MasterItem &item : items)
        folded += rz::foldForSearch(item.knm) + rz::foldForSearch(item.mei) + rz::foldForSearch(item.dai) +
                  rz::foldForSearch(item.chu);
    std::vector<double> bare;
    qsizetype hits = 0;
    for (int run = 0; run < 3; ++run)
        bare.push_back(timeMs([&] { hits += folded.count(QStringLiteral("ア")); }));
    rzbench::reportFigure(QStringLiteral("bare pass over the folded master (%1 characters)").arg(folded.size()),
                          rzbench::spread(bare), QStringLiteral("ms"));
    out << "  (results listed on the way: " << shown << ", hits of the bare pass: " << hits << ")" << Qt::endl;
    editor.session().master().cancel();
    editor.close();
    out << "peak memory: " << rzbench::peakMiB() << " MiB" << Qt::endl;
    return 0;
}

}  // namespace

RZ_BENCH(master, benchMaster)
