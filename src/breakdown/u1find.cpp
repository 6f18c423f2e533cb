// 検索 (F9): the rows read once per search window, the hits of each query,
// and going to the one chosen.
#include "u1fields.h"

namespace rz {

const QString U1Find::kTitle = QStringLiteral("検索");

bool U1Find::open()
{
    close();
    // What was typed counts: it is written before the rows are read.
    u1_.sb_TextToGrid();
    if (!u1_.page().sb_WriteUTbl())
        return false;
    try {
        finder_.load(db(), lvl().TblName);
    } catch (const std::exception &e) {
        u1_.showError(e);
        return false;
    }
    open_ = true;
    return true;
}

void U1Find::close()
{
    open_ = false;
    hits_.clear();
    query_.clear();
}

void U1Find::setQuery(const QString &query)
{
    query_ = query;
    hits_ = finder_.find(query);
}

QString U1Find::amountText(int i) const
{
    const ItemFinder::Row &r = hit(i);
    return moneyText(lvl().DispMode == 0 ? r.kn1 : r.kn2, U1Session::kAmountMask);
}

QString U1Find::status() const
{
    if (query_.trimmed().isEmpty())
        return QStringLiteral("名称・規格・備考から探す文字を入力してください");
    if (hits_.empty())
        return QStringLiteral("見つかりません");
    return QStringLiteral("%1 件").arg(hits_.size());
}

bool U1Find::accept(int i)
{
    if (i < 0 || i >= int(hits_.size())) {
        prompts_.beep();
        return false;
    }
    const ItemFinder::Row r = hit(i);
    close();
    LevelKeys path{};
    for (int k = 0; k < r.level; ++k)
        path[static_cast<size_t>(k)] = r.keys[static_cast<size_t>(k)];
    try {
        u1_.leaveLevel();
        const auto [page, row] =
            U1Level::pageAndRow(r.level, u1_.indexInLevel(r.level, path, r.keys[static_cast<size_t>(r.level)]));
        return u1_.goTo(r.level, path, page, row, U1Session::ColKnm);
    } catch (const std::exception &e) {
        // The row went since it was found.
        u1_.showError(e);
        return false;
    }
}

}  // namespace rz
