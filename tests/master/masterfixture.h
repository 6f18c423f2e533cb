// A unit-price master in a temporary folder, filled from compact lines
// ("大分類|中分類|名称|規格|単位|見積単価|予算単価"), and what it holds read back
// the same way; the editor fixture opened with it.
#pragma once
#include "breakdown/breakdownfixture.h"
#include "master/mastercatalog.h"

namespace rztest {

inline rz::MasterItem masterItem(const QString &line)
{
    const QStringList f = line.split(u'|');
    rz::MasterItem item;
    item.dai = f.value(0), item.chu = f.value(1), item.knm = f.value(2), item.mei = f.value(3), item.tn1 = f.value(4);
    item.tk1 = cy(f.value(5, "0")), item.tk2 = cy(f.value(6, "0"));
    item.upd = QDate(2025, 4, 1);
    return item;
}

class MasterFixture : public BreakdownFixture {
public:
    MasterFixture() { catalog->setLocation(masterPath(), true); }
    QString masterPath() const { return dir.filePath(QStringLiteral("単価マスタ.mdb")); }
    void fill(const QStringList &lines)
    {
        std::vector<rz::MasterItem> items;
        for (const QString &l : lines)
            items.push_back(masterItem(l));
        catalog->store().merge(items);
    }
    // Every item as "名称|規格|単位|見積単価|予算単価", by name and specification.
    QStringList held()
    {
        QStringList out;
        for (const rz::MasterItem &i : rz::MasterStore::open(masterPath(), false)->readAll())
            out << QStringList{i.knm, i.mei, i.tn1, i.tk1.toString(), i.tk2.toString()}.join(u'|');
        out.sort();
        return out;
    }
    bool openEditor(const std::vector<Item> &rows)
    {
        if (!open(rows))
            return false;
        s().master().setCatalog(catalog);
        return true;
    }
    std::shared_ptr<rz::MasterCatalog> catalog = std::make_shared<rz::MasterCatalog>();
};

}  // namespace rztest
