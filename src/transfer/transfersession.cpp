// The transfer window's procedures: the two lists, the active list and the
// copy direction, the popup menu, copy/paste and delete of whole estimates.
#include "transfersession.h"

#include "store/tablecopy.h"
#include "store/recordset.h"
#include "store/schema.h"
#include "store/serverlocation.h"
#include "store/vbconv.h"
#include "terms/estimateterms.h"
#include "ui/uifonts.h"

#include <QHash>
#include <limits>

namespace rz {

namespace {
const quint32 kWindowColour = 0x80000005;
const QString kCopy = QStringLiteral("Copy");
const QString kDir12 = QStringLiteral("1-2"), kDir21 = QStringLiteral("2-1");
const QString kConfirmTitle = QStringLiteral("複写確認");

// The columns of the index row in the order of the insert statement.
const char *const kIndexInsert =
    "INSERT INTO RZTBLIDX (key1,knm,kn1,kn2,ad1,hat,kno,dt1,dt2,dt3,dt4,"
    "int0,int1,int2,int3,int4,int5,int6,int7,int8,int9,"
    "cur0,cur1,cur2,cur3,cur4,cur5,cur6,cur7,cur8,cur9,"
    "curA,curB,curC,curD,curE,curF,bk1,bk2,bk3,bk4) VALUES (";

QString describe(const std::exception &e)
{
    if (auto db = dynamic_cast<const DbError *>(&e))
        return db->description();
    return QString::fromStdString(e.what());
}
}  // namespace

TransferSession::TransferSession(Shared &shared, Prompts &prompts, TransferHost &host)
    : shared_(shared), prompts_(prompts), host_(host)
{
    for (Grid &g : lists_) {
        g.setFont(gridFont());
        g.setFormatString(QStringLiteral("<|<工事名称"));
        g.setColWidth(0, 0);
        g.setRows(1);
    }
}

TransferSession::~TransferSession() = default;

QString TransferSession::refusal(const QString &path1, const QString &path2, const Shared &shared)
{
    if (sameStore(path1, path2))
        return QStringLiteral("同じ見積書ファイルが２回選ばれました。複写には別々のファイルを選んでください。");
    for (const QString &p : {path1, path2}) {
        if (shared.DB_Main && shared.DB_Main->isOpen() && sameStore(p, shared.DB_Main->path()))
            return QStringLiteral("見積書ファイル %1 は工事名称一覧で開いています。一覧を閉じてから編集してください。").arg(p);
    }
    return QString();
}

bool TransferSession::load()
{
    normalBack_ = oleColor(kWindowColour);
    back_ = {normalBack_, normalBack_};
    try {
        const QString why = refusal(shared_.DB_Path1, shared_.DB_Path2, shared_);
        if (!why.isEmpty())
            throw DbError(why);
        db1_ = openEstimateFile(shared_.DB_Path1);
        db2_ = openEstimateFile(shared_.DB_Path2);
    } catch (const std::exception &e) {
        unload();
        prompts_.message(describe(e), MsgExclamation);
        return false;
    }
    fillList(0);
    fillList(1);
    reset();
    host_.refresh();
    return true;
}

void TransferSession::unload()
{
    db1_.reset();
    db2_.reset();
}

int TransferSession::listCount(int list) const { return static_cast<int>(keys_[static_cast<size_t>(list)].size()); }

int TransferSession::listIndex(int list) const
{
    return listCount(list) == 0 ? -1 : lists_[static_cast<size_t>(list)].row() - 1;
}

int TransferSession::activeList() const
{
    const QColor green = oleColor(kActiveColour);
    if (back_[static_cast<size_t>(CpyFocus_)] == green)
        return CpyFocus_;
    return back_[static_cast<size_t>(1 - CpyFocus_)] == green ? 1 - CpyFocus_ : -1;
}

void TransferSession::fillList(int list)
{
    const auto l = static_cast<size_t>(list);
    Grid &g = lists_[l];
    std::vector<qint64> keys;
    QStringList names;
    try {
        auto rs = db(list).openRecordset(QStringLiteral("SELECT [key1],[knm] FROM RZTBLIDX ORDER BY [key1]"),
                                         RecordsetType::Snapshot);
        for (; !rs->eof(); rs->moveNext()) {
            keys.push_back(rs->field(0).toLong());
            try {
                names << rs->field(1).toString();
            } catch (const DbError &) {
                names << QStringLiteral("？");  // a name another program stored in a form it cannot have
            }
        }
    } catch (const std::exception &e) {
        prompts_.message(describe(e), MsgExclamation);
        keys.resize(static_cast<size_t>(names.size()));
    }
    // An empty file shows an empty list and a count of 0: keys and count of
    // an earlier fill must not survive, or a delete would act on a key that
    // is gone.
    keys_[l] = std::move(keys);
    g.setRows(static_cast<int>(names.size()) + 1);
    for (int i = 0; i < names.size(); ++i)
        g.setText(i + 1, 1, names[i]);
    if (!names.isEmpty()) {
        g.setRow(1);
        g.setCol(1);
    }
    lblDB_[l] = path(list) + QStringLiteral(" 件数= ") + QString::number(names.size()) + QStringLiteral(" 件");
}

void TransferSession::refillAndReset()
{
    fillList(0);
    fillList(1);
    reset();
    prompts_.setBusy(false);
    host_.refresh();
}

void TransferSession::reset()
{
    CpyMode_.clear();
    CpyDir_.clear();
    lblGuide_.clear();
    CpyIdle_ = true;
}

void TransferSession::listGotFocus(int list)
{
    CpyFocus_ = list;
    back_[static_cast<size_t>(list)] = oleColor(kActiveColour);
    if (CpyIdle_)
        back_[static_cast<size_t>(1 - list)] = normalBack_;
    // The list the user turns to is the one a copy comes from, as when a row
    // of it is clicked; a pending copy keeps its source.
    if (CpyMode_ != kCopy)
        CpyDir_ = list == 0 ? kDir12 : kDir21;
    host_.refresh();
}

void TransferSession::listLostFocus(int list)
{
    if (!CpyIdle_)
        back_[static_cast<size_t>(list)] = normalBack_;
    host_.refresh();
}

void TransferSession::listClick(int list, int row)
{
    Grid &g = lists_[static_cast<size_t>(list)];
    if (row >= 0 && row + 1 < g.rows() && g.row() != row + 1)
        g.setRow(row + 1);
    if (CpyMode_ != kCopy)
        CpyDir_ = list == 0 ? kDir12 : kDir21;
}

void TransferSession::listRightClick(int list, const QPoint &globalPos)
{
    Q_UNUSED(list);
    CpyIdle_ = false;
    showMenu(globalPos);
}

void TransferSession::cmdMenu_Click(int index)
{
    if (index == CmdCopy) {
        CpyIdle_ = true;
        showMenu(host_.menuPointBelowButton(CmdCopy));
        return;
    }
    if (index == CmdClose) {
        host_.closeWindow();
        return;
    }
    // 削　除: the selected estimate of the active list. A list left through
    // its popup menu is no longer coloured, but it is still the one the user
    // worked in: the list that had the focus last.
    const int l = activeList() < 0 ? CpyFocus_ : activeList();
    const int i = listIndex(l);
    if (i < 0) {
        prompts_.beep();
        return;
    }
    const QString name = Trim(lists_[static_cast<size_t>(l)].text(i + 1, 1));
    if (prompts_.message(name + QStringLiteral("を削除します。よろしいですか？"), MsgOkCancelQuestion, kConfirmTitle) !=
        AnswerOk)
        return;
    prompts_.setBusy(true);
    try {
        deleteEstimate(l, key(l, i));
    } catch (const std::exception &e) {
        prompts_.setBusy(false);
        prompts_.message(describe(e), MsgExclamation);
    }
    refillAndReset();
}

bool TransferSession::keyDown(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Escape:
    case Qt::Key_F12:
        host_.closeWindow();
        return true;
    case Qt::Key_Right:
        host_.focusList(1);
        return true;
    case Qt::Key_Left:
        host_.focusList(0);
        return true;
    case Qt::Key_Space:
        showMenu(host_.menuPointAtRow(CpyFocus_, std::max(0, listIndex(CpyFocus_))));
        return true;
    default:
        return false;
    }
}

void TransferSession::showMenu(const QPoint &globalPos)
{
    // コピー needs a row in the source list; 貼付け a pending copy and a
    // destination other than the source list itself.
    const int src = sourceList();
    const bool copyOk = listIndex(src) >= 0;
    const bool pasteOk = CpyMode_ == kCopy && activeList() != src;
    const int chosen = prompts_.popupMenuWithDefault({QStringLiteral("コピー"), QStringLiteral("貼付け")}, {copyOk, pasteOk},
                                                     globalPos, pasteOk ? MenuPaste : -1);
    if (chosen == MenuCopy && copyOk)
        mnuPop_RTB_Copy_Click();
    else if (chosen == MenuPaste && pasteOk)
        mnuPop_RTB_Paste_Click();
}

int TransferSession::sourceList() const
{
    if (CpyDir_ == kDir21)
        return 1;
    if (CpyDir_ == kDir12)
        return 0;
    return activeList() == 1 ? 1 : 0;
}

void TransferSession::mnuPop_RTB_Copy_Click()
{
    const int src = sourceList();
    const int i = listIndex(src);
    if (i < 0) {
        prompts_.beep();
        return;
    }
    CpyDir_ = src == 0 ? kDir12 : kDir21;
    CpySrcKey_ = QString::number(key(src, i));
    CpySrcName_ = Trim(lists_[static_cast<size_t>(src)].text(i + 1, 1));
    lblGuide_ = CpySrcName_ + QStringLiteral("をどの行に複写しますか？");
    CpyMode_ = kCopy;
    host_.refresh();
}

qint64 TransferSession::newDestinationKey() const
{
    const int dst = 1 - sourceList();
    const int i = listIndex(dst);
    if (i < 0)
        return kFirstKey;  // a file without estimates: its first key, as in the index window
    const qint64 prev = i == 0 ? 0 : key(dst, i - 1);
    const qint64 next = key(dst, i);
    if (next - prev <= 1)
        return 0;
    const qint64 k = prev + (next - prev) / 2;
    return k > std::numeric_limits<qint32>::max() ? 0 : k;
}

void TransferSession::mnuPop_RTB_Paste_Click()
{
    if (CpyMode_ != kCopy) {
        prompts_.beep();
        return;
    }
    // The guide stays while the copy is still pending (Cancel, no room).
    const QString guide = lblGuide_;
    lblGuide_.clear();
    host_.refresh();
    if (prompts_.message(CpySrcName_ + QStringLiteral("を複写します。よろしいですか？"), MsgOkCancelQuestion,
                         kConfirmTitle) != AnswerOk) {
        lblGuide_ = guide;
        host_.refresh();
        return;
    }
    const qint64 newKey = newDestinationKey();
    if (newKey == 0) {
        prompts_.message(QStringLiteral("複写先の指定行に挿入できませんでした。"), MsgExclamation,
                         QStringLiteral("複写エラー"));
        lblGuide_ = guide;
        host_.refresh();
        return;
    }
    prompts_.setBusy(true);
    bool copied = true;
    try {
        copyEstimate(CpySrcKey_.toLongLong(), newKey);
    } catch (const std::exception &e) {
        copied = false;
        prompts_.setBusy(false);
        prompts_.message(describe(e), MsgExclamation);
    }
    refillAndReset();
    // A failure is not reported as done: its message said what happened.
    if (copied)
        prompts_.message(QStringLiteral("複写を終了しました。"), MsgOkCancelExclamation, kConfirmTitle);
}

void TransferSession::copyEstimate(qint64 sourceKey, qint64 newKey)
{
    const int src = sourceList(), dst = 1 - src;
    Database &from = db(src);
    Database &to = db(dst);
    auto row = from.openRecordset(QStringLiteral("SELECT * FROM RZTBLIDX WHERE [key1]=?"), RecordsetType::Snapshot,
                                  {Value(sourceKey)});
    if (row->eof())
        throw DbError(QStringLiteral("複写元の見積書 %1 は他のプログラムで削除されました。").arg(sourceKey));

    // Each value bound, converted for the destination's column: texts
    // trimmed as they are listed, a Null text as an empty one, a Null number
    // stays Null (the index table refuses no Null).
    QHash<QString, ColType> destTypes;
    for (const ColumnDef &c : to.columns(QString::fromLatin1(kIndexTable)))
        destTypes.insert(c.name.toLower(), c.type());
    std::vector<Value> values;
    QString marks;
    for (const ColumnDef &c : indexTableColumns()) {
        Value v;
        if (c.name == QLatin1String("key1")) {
            v = Value(newKey);
        } else if (c.type() == ColType::Text) {
            const QString t = row->field(c.name).toString();
            v = Value(c.name == QLatin1String("knm") ? RTrim(t) : Trim(t));
        } else {
            v = row->field(c.name);
        }
        const ColType type = destTypes.value(c.name.toLower(), c.type());
        values.push_back(v.isNull() ? v : v.convertedFor(type));
        marks += marks.isEmpty() ? QStringLiteral("?") : QStringLiteral(",?");
    }

    const std::optional<EstimateTerms> terms = readTerms(from, static_cast<qint32>(sourceKey));

    // The index row, the item table and the conditions land together or not at all.
    TableCopy copy(from, to);
    Transaction tx(to);
    if (!to.openRecordset(QStringLiteral("SELECT [key1] FROM RZTBLIDX WHERE [key1]=?"), RecordsetType::Snapshot,
                          {Value(newKey)})->eof())
        throw DbError(QStringLiteral("複写先には番号 %1 の見積書が既にあります。").arg(newKey));
    to.execute(QString::fromLatin1(kIndexInsert) + marks + u')', values);
    try {
        copy.copy(itemTableName(sourceKey), itemTableName(newKey));
    } catch (const DbError &e) {
        if (e.reason() != DbFailure::MissingTable)
            throw;
        // An estimate without its item table arrives with an empty one.
        to.execute(itemTableCreateSql(newKey));
    }
    // Conditions left under the key by a program that did not know them go.
    deleteTerms(to, static_cast<qint32>(newKey));
    if (terms)
        writeTerms(to, static_cast<qint32>(newKey), *terms);
    tx.commit();
}

void TransferSession::deleteEstimate(int list, qint64 key)
{
    Database &d = db(list);
    Transaction tx(d);
    d.execute(QStringLiteral("DELETE FROM RZTBLIDX WHERE [key1]=?"), {Value(key)});
    deleteTerms(d, static_cast<qint32>(key));
    // An estimate whose item table is missing is still deleted.
    const QString table = itemTableName(key);
    if (d.tableExists(table))
        d.execute(QStringLiteral("DROP TABLE [") + table + u']');
    tx.commit();
}

}  // namespace rz
