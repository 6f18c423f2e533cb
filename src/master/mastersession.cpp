// The master window's procedures.
#include "mastersession.h"

#include "masterfile.h"

#include "store/format.h"
#include "store/vbconv.h"
#include "ui/listsession.h"
#include "ui/prompts.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace rz {

const QString MasterSession::kFileFilter =
    QStringLiteral("Excelﾌﾞｯｸ(*.xlsx)|*.xlsx|CSVﾌｧｲﾙ(*.csv)|*.csv");

namespace {
// Where the file dialogs start: the user's documents, where spreadsheets are kept.
QString documentsFolder()
{
    const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(docs).isDir() ? docs : QDir::homePath();
}
}  // namespace
const QString MasterSession::kLocationFilter = QStringLiteral("単価ﾏｽﾀ|*.mdb;*.rzdb");
const QString MasterSession::kDuplicate = QStringLiteral("同じ名称と規格の項目が単価マスタにあります。");
const QString MasterSession::kChangedMeanwhile =
    QStringLiteral("この項目は、表示した後にほかの人が変更または削除しました。一覧を読み直しました。");
const QString MasterSession::kNothingImported =
    QStringLiteral("取り込めない行があるため、単価マスタは変更していません。");

namespace {
// At most this many bad rows are listed in one message.
constexpr size_t kProblemsShown = 10;
}  // namespace

MasterSession::MasterSession(MasterCatalog &catalog, Prompts &prompts) : catalog_(catalog), prompts_(prompts) {}

void MasterSession::failed(const std::exception &e) { showError(prompts_, e); }

bool MasterSession::load()
{
    try {
        refresh();
    } catch (const std::exception &e) {
        search_ = MasterSearch();
        rows_.clear();
        failed(e);
        if (changed)
            changed();
        return false;
    }
    return true;
}

void MasterSession::refresh()
{
    const std::shared_ptr<const MasterIndex> now = catalog_.index();
    if (now != search_.shared())
        search_ = MasterSearch(now);
    rows_ = search_.search(query_);
    if (changed)
        changed();
}

void MasterSession::setQuery(const QString &query)
{
    query_ = query;
    rows_ = search_.search(query_);
    if (changed)
        changed();
}

QString MasterSession::countText() const
{
    return QStringLiteral("%1 件 / 全 %2 件")
        .arg(Format(qint64(rows_.size()), QStringLiteral("#,##0")), Format(qint64(search_.index().size()), QStringLiteral("#,##0")));
}

bool MasterSession::checked(const MasterItem &item, qint64 self)
{
    if (const QString problem = masterItemProblem(item); !problem.isEmpty()) {
        prompts_.message(problem, MsgExclamation);
        return false;
    }
    const auto same = catalog_.store().find(item.knm, item.mei);
    if (same && same->id != self) {
        prompts_.message(kDuplicate, MsgExclamation);
        return false;
    }
    return true;
}

bool MasterSession::keepForm(int row, const MasterTexts &texts)
{
    MasterItem item;
    if (row >= 0 && row < int(rows_.size()))
        item = itemAt(row);
    for (int f = 0; f < kMasterFields; ++f) {
        if (MasterField(f) == MasterField::Upd)
            continue;
        if (const QString problem = setMasterField(item, MasterField(f), texts[size_t(f)]); !problem.isEmpty()) {
            prompts_.message(problem, MsgExclamation);
            return false;
        }
    }
    return row < 0 ? addItem(item) : editItem(row, item);
}

bool MasterSession::addItem(MasterItem item)
{
    item.upd = today();
    try {
        if (!checked(item, 0))
            return false;
        catalog_.store().add(item);
        refresh();
    } catch (const std::exception &e) {
        failed(e);
        return false;
    }
    return true;
}

bool MasterSession::editItem(int row, MasterItem item)
{
    if (row < 0 || row >= int(rows_.size()))
        return false;
    const MasterItem &shown = itemAt(row);
    item.id = shown.id;
    item.rev = shown.rev;
    item.upd = today();
    try {
        if (!checked(item, item.id))
            return false;
        if (!catalog_.store().update(item)) {
            prompts_.message(kChangedMeanwhile, MsgExclamation);
            refresh();
            return false;
        }
        refresh();
    } catch (const std::exception &e) {
        failed(e);
        return false;
    }
    return true;
}

void MasterSession::deleteRows(std::vector<int> rows)
{
    std::vector<MasterItem> items;
    for (int row : rows)
        if (row >= 0 && row < int(rows_.size()))
            items.push_back(itemAt(row));
    if (items.empty()) {
        prompts_.beep();
        return;
    }
    const QString what = items.size() == 1 ? QStringLiteral("「%1」").arg(Trim(items.front().knm))
                                           : QStringLiteral("選んだ %1 件の項目").arg(items.size());
    if (prompts_.message(what + QStringLiteral("を単価マスタから削除します"), MsgOkCancelQuestion) != AnswerOk)
        return;
    try {
        if (!catalog_.store().remove(items))
            prompts_.message(kChangedMeanwhile, MsgExclamation);
        refresh();
    } catch (const std::exception &e) {
        failed(e);
    }
}

void MasterSession::importFile()
{
    FileDialogRequest request;
    request.title = QStringLiteral("単価マスタに取り込むファイル");
    request.filter = QStringLiteral("Excelﾌﾞｯｸ・CSVﾌｧｲﾙ|*.xlsx;*.csv|") + kFileFilter +
                     QStringLiteral("|すべてのﾌｧｲﾙ(*.*)|*.*");
    request.initialDir = documentsFolder();
    request.mustExist = true;
    const QString path = prompts_.chooseFile(request);
    if (path.isEmpty())
        return;
    prompts_.setBusy(true);
    MasterFileRows read;
    try {
        read = readMasterFile(path, today());
    } catch (const MasterFileError &e) {
        prompts_.setBusy(false);
        prompts_.message(QStringLiteral("%1 を読めません。\n%2").arg(QFileInfo(path).fileName(), e.reason()), MsgExclamation);
        return;
    }
    prompts_.setBusy(false);
    if (!read.problems.empty()) {
        QStringList lines{kNothingImported};
        for (size_t i = 0; i < read.problems.size() && i < kProblemsShown; ++i)
            lines << QStringLiteral("%1 行目: %2").arg(read.problems[i].line).arg(read.problems[i].reason);
        if (read.problems.size() > kProblemsShown)
            lines << QStringLiteral("ほか %1 行").arg(read.problems.size() - kProblemsShown);
        prompts_.message(lines.join(u'\n'), MsgExclamation);
        return;
    }
    if (read.items.empty()) {
        prompts_.message(QStringLiteral("取り込む項目がありません。"), MsgInformation);
        return;
    }
    if (prompts_.message(QStringLiteral("%1 件を単価マスタに取り込みます。名称と規格が同じ項目は置き換えます。")
                             .arg(read.items.size()),
                         MsgOkCancelQuestion) != AnswerOk)
        return;
    prompts_.setBusy(true);
    try {
        const MasterStore::Merge merged = catalog_.store().merge(read.items);
        refresh();
        prompts_.setBusy(false);
        prompts_.message(QStringLiteral("取り込みました（追加 %1 件、置き換え %2 件）").arg(merged.added).arg(merged.replaced),
                         MsgInformation);
    } catch (const std::exception &e) {
        prompts_.setBusy(false);
        failed(e);
    }
}

void MasterSession::exportFile()
{
    FileDialogRequest request;
    request.save = true;
    request.title = QStringLiteral("単価マスタを書き出すファイル");
    request.filter = kFileFilter;
    request.initialDir = documentsFolder();
    request.proposedName = QStringLiteral("単価マスタ.xlsx");
    const QString path = prompts_.chooseFile(request);
    if (path.isEmpty())
        return;
    if (QFileInfo::exists(path) &&
        prompts_.message(QStringLiteral("%1 は既にあります。置き換えますか").arg(QFileInfo(path).fileName()),
                         MsgOkCancelExclamation) != AnswerOk)
        return;
    prompts_.setBusy(true);
    try {
        refresh();
        writeMasterFile(path, search_.index().items());
    } catch (const MasterFileError &e) {
        prompts_.setBusy(false);
        prompts_.message(QStringLiteral("%1 に書き出せません。\n%2").arg(QFileInfo(path).fileName(), e.reason()),
                         MsgExclamation);
        return;
    } catch (const std::exception &e) {
        prompts_.setBusy(false);
        failed(e);
        return;
    }
    prompts_.setBusy(false);
    prompts_.message(QStringLiteral("%1 件を %2 に書き出しました。").arg(search_.index().size()).arg(path), MsgInformation);
}

void MasterSession::chooseLocation()
{
    FileDialogRequest request;
    request.save = true;  // a new name makes a new master
    request.title = QStringLiteral("単価マスタの場所");
    request.filter = kLocationFilter;
    request.initialDir = QFileInfo(catalog_.location()).absolutePath();
    request.proposedName = QFileInfo(catalog_.location()).fileName();
    const QString path = prompts_.chooseFile(request);
    if (path.isEmpty() || path == catalog_.location())
        return;
    const bool create = !QFileInfo::exists(path);
    if (create && prompts_.message(QStringLiteral("%1 に新しい単価マスタを作成します").arg(path), MsgOkCancelQuestion) !=
                      AnswerOk)
        return;
    // The chosen master is opened before it counts: one that cannot be
    // read leaves the program with the master it had.
    const QString before = catalog_.location();
    const bool beforeCreates = catalog_.createsWhenMissing();
    catalog_.setLocation(path, create);
    try {
        catalog_.index();
    } catch (const std::exception &e) {
        failed(e);
        catalog_.setLocation(before, beforeCreates);
        return;
    }
    catalog_.setLocation(path, false);
    if (locationChosen)
        locationChosen(path);
    load();
}

}  // namespace rz
