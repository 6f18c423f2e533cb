// The block file commands of the edit menu: the marked block saved to a
// block file, and a block file read in front of the cursor row, placed as a
// block copy places its rows. The format itself lives in blocks/blockfile.
#include "u1fields.h"

#include "amount.h"
#include "blocks/blockfile.h"
#include "store/vbconv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace rz {

namespace {
const QString kNl = QStringLiteral("\r\n");
const char *const kTextLabels[][2] = {{"knm", "名称"}, {"mei", "摘要"}, {"tn1", "単位"}, {"bk1", "備考"}};

FileDialogRequest blockFileRequest(bool save)
{
    FileDialogRequest r;
    r.save = save;
    r.title = save ? QStringLiteral("指定行の保存") : QStringLiteral("ブロックファイルの読込");
    r.filter = QStringLiteral("datﾌｧｲﾙ(*.dat)|*.dat");
    r.proposedName = QStringLiteral("内訳.dat");
    // The program folder, which start-up makes the current folder; where it
    // may not be written (an installed program), the documents folder.
    const QString here = QDir::currentPath();
    r.initialDir = QFileInfo(here).isWritable() ? here
                                                : QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    r.mustExist = !save;
    return r;
}

QString columnLabel(const QString &column)
{
    for (const auto &l : kTextLabels)
        if (column == QLatin1String(l[0]))
            return QString::fromUtf8(l[1]);
    return column;
}
}  // namespace

void U1Blocks::PU10_BFile_Click()
{
    if (!BlkFlg)
        return;
    const QString path = prompts_.chooseFile(blockFileRequest(true));
    if (path.isEmpty())
        return;
    // A link counts as a file there even when it leads nowhere: saving writes
    // through it, so it is not replaced without asking.
    const QFileInfo there(path);
    if ((there.exists() || there.isSymLink()) &&
        prompts_.message(QStringLiteral("ファイルが存在します。上書きしますか") + kNl + path, MsgOkCancelQuestion) !=
            AnswerOk)
        return;
    prompts_.setBusy(true);
    u1_.setMessage(QStringLiteral("ブロックファイル書込中！！"));
    host_.refresh();
    QStringList changed;  // rows whose text the file cannot hold as it is
    const QString &TblName = lvl().TblName;
    try {
        Cp932 codec;
        // Written beside the file and put in its place only at the end.
        BlockFileWriter file(path);
        // The block as it stands in the estimate file now, read straight through once.
        Statement block(db(), blockRangeSQL(TblName, BlkLvl - 1, BlkTop, BlkEnd));
        std::vector<ColType> types;
        for (int i = 0; i < block.columnCount(); ++i)
            types.push_back(colTypeFromDecl(block.columnDecl(i)));
        auto column = [&](const char *name) {
            for (int i = 0; i < block.columnCount(); ++i)
                if (block.columnName(i).compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                    return i;
            return -1;
        };
        const auto &fields = blockFields();
        std::vector<int> from;
        for (const BlockField &f : fields)
            from.push_back(column(f.column));
        const int knm = column("knm");
        std::vector<Value> values(fields.size());
        for (int rows = 1; block.step(); ++rows) {
            if (rows % 100 == 0)
                progressDot();
            for (size_t i = 0; i < fields.size(); ++i)
                values[i] = from[i] < 0 ? Value() : block.column(from[i], types[static_cast<size_t>(from[i])]);
            QStringList lossy;
            file.add(encodeBlockRecord(codec, values, &lossy));
            if (!lossy.isEmpty()) {
                QStringList labels;
                for (const QString &c : lossy)
                    labels << columnLabel(c);
                changed << QStringLiteral("%1 行目「%2」: %3")
                               .arg(rows)
                               .arg(knm < 0 ? QString() : RTrim(block.column(knm, ColType::Text).toString()),
                                    labels.join(u'、'));
            }
        }
        bool write = true;
        if (!changed.isEmpty()) {
            const int shown = std::min<int>(changed.size(), 10);
            QString list = QStringList(changed.mid(0, shown)).join(kNl);
            if (changed.size() > shown)
                list += kNl + QStringLiteral("ほか %1 行").arg(changed.size() - shown);
            write = prompts_.message(QStringLiteral("次の行の文字はブロックファイルの文字コード（Shift-JIS）にないため、"
                                                    "「？」か空白に変わります。保存しますか") +
                                         kNl + list,
                                     MsgOkCancelQuestion) == AnswerOk;
        }
        if (write)
            file.commit();
    } catch (const BlockFileError &e) {
        prompts_.message(QStringLiteral("ブロックファイルを保存できませんでした。") + kNl + e.reason() + kNl + path,
                         MsgExclamation);
    } catch (const std::exception &e) {
        u1_.showError(e);
    }
    u1_.setMessage(QString());
    prompts_.setBusy(false);
    host_.refresh();
}

void U1Blocks::PU10_BRead_Click()
{
    const int row = grid().row();
    try {
        // An estimate without rows takes no block file. The item table itself
        // is counted: a block marked earlier may name rows that a block delete
        // or a row spacing has removed or moved since.
        auto rs = db().openRecordset(QStringLiteral("SELECT COUNT(*) FROM ") + lvl().TblName, RecordsetType::Snapshot);
        if (rs->field(0).toLong() == 0) {
            prompts_.beep();
            return;
        }
    } catch (const std::exception &e) {
        u1_.showError(e);
        return;
    }
    if (u1_.page().insertKey(row) == 0) {
        prompts_.message(QStringLiteral("行間作成を行ってください"), 0);
        return;
    }
    const QString path = prompts_.chooseFile(blockFileRequest(false));
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!QFileInfo(path).isFile()) {
        prompts_.message(QStringLiteral("指定されたファイルが見つかりません") + kNl + path, MsgExclamation);
        return;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        prompts_.message(QStringLiteral("ブロックファイルを開けませんでした。") + kNl + file.errorString() + kNl + path,
                         MsgExclamation);
        return;
    }
    prompts_.setBusy(true);
    u1_.setMessage(QStringLiteral("ブロックファイル読込中！！"));
    host_.refresh();
    QString stop;  // the message of a stop that keeps the rows read before it
    try {
        // The rows read, or none of them; a stop keeps those before it.
        Transaction tx(db());
        BlockFileReader reader(file);
        std::unique_ptr<BlockInserter> into;
        std::vector<int> target;
        std::vector<ColType> checked;
        const auto &fields = blockFields();
        std::vector<Value> values;
        try {
            while (reader.next(values)) {
                if (reader.record() % 100 == 0)
                    progressDot();
                if (!into) {
                    // The first record is a top row: its depth is the block's.
                    int depth = 0;
                    while (depth < U1Level::kLevels && values[static_cast<size_t>(depth)].toLong() != 0)
                        ++depth;
                    into = std::make_unique<BlockInserter>(db(), lvl().TblName, blockPlace(row), depth);
                    for (const BlockField &f : fields) {
                        target.push_back(into->columnIndex(QString::fromLatin1(f.column)));
                        // Money a column may not give back as it is: amounts are LONG,
                        // quantities SINGLE in tables the transfer window made.
                        const ColType type = target.back() < 0 ? ColType::Currency
                                                               : into->columns()[static_cast<size_t>(target.back())].type();
                        checked.push_back(f.kind == BlockField::Money && type != ColType::Currency ? type : ColType::Other);
                    }
                }
                std::vector<Value> rowValues(into->columns().size());
                for (size_t i = 0; i < fields.size(); ++i) {
                    const int t = target[i];
                    if (t < 0)
                        continue;
                    if (checked[i] != ColType::Other &&
                        !fitsColumn(checked[i], fields[i].column[0] == 's', values[i].toCurrency()))
                        throw BlockFileError(reader.record(),
                                             QStringLiteral("%1 の値 %2 はこの見積の列に入りません")
                                                 .arg(QLatin1String(fields[i].column), values[i].toCurrency().toString()));
                    rowValues[static_cast<size_t>(t)] = values[i];
                }
                const BlockInserter::Outcome outcome = into->insert(std::move(rowValues), true);
                if (outcome == BlockInserter::Outcome::NoRoom) {
                    stop = kBlockNoRoom;
                    break;
                }
                if (outcome == BlockInserter::Outcome::Skipped)
                    throw BlockFileError(reader.record(), QStringLiteral("先に読んだ行の下に入る行ではありません"));
            }
        } catch (const BlockFileError &e) {
            stop = QStringLiteral("不正レコード検出") + kNl + path + kNl +
                   (e.record() > 0 ? QStringLiteral("%1 件目のレコード: ").arg(e.record()) : QString()) + e.reason();
        }
        tx.commit();
    } catch (const std::exception &e) {
        u1_.showError(e);
        afterBlockCommand();
        return;
    }
    if (!stop.isEmpty())
        prompts_.message(stop, MsgExclamation);
    afterBlockCommand();
}

}  // namespace rz
