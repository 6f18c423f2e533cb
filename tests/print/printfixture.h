// An estimate file with one item table for the print tests, printed on the recording device.
#pragma once
#include "print/indexprint.h"
#include "print/listprinter.h"
#include "print/recordingdevice.h"
#include "store/recordset.h"
#include "store/schema.h"
#include "support/storefixture.h"

#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <vector>

namespace rztest {

// One item row; numbers as decimal texts, "" for 0.
struct Item {
    QString knm, mei, su1, tn1, tk1, kn1, su2, tk2, kn2, bk1;
    QString flg = QStringLiteral("-");
};

inline Item detail(const QString &name, const QString &kn1, const QString &kn2 = {}, const QString &flg = "-")
{
    return {name, {}, {}, {}, {}, kn1, {}, {}, kn2, {}, flg};
}

struct PrintFixture {
    QTemporaryDir dir;
    std::unique_ptr<rz::Database> db;
    rz::Shared shared;
    rz::RecordingPrintDevice device;
    rz::PrintOptions options;
    QString table = rz::itemTableName(64);

    // singleTable: the item table as the transfer window makes it (SINGLE quantities, LONG amounts).
    QString engine;  // "file" or "server": where the estimate file is kept

    explicit PrintFixture(bool singleTable = false, const QString &engine = rztest::defaultEngine()) : engine(engine)
    {
        rz::sb_MkIdxDB(path(), 0);
        db = rz::openEstimateFile(path());
        db->execute(QStringLiteral("INSERT INTO RZTBLIDX (key1, knm, hat, ad1, kn1, bk2) VALUES (64, '本社改修工事', "
                                   "'株式会社　東和建設', '東京都千代田区', 0, '')"));
        if (singleTable)
            db->execute(rz::itemTableCreateSql(64));
        else
            rz::sb_MkUTbl(table, *db);
        options.paper = rz::PaperSize::A4;
    }

    QString path() const { return rztest::storeLocation(engine, dir, QStringLiteral("見積")); }
    void setBudget(bool budget) { options.kind = budget ? rz::PrintKind::EstimateBudget : rz::PrintKind::Estimate; }
    int ox() const { return options.estimateLayout() ? 0 : -1; }  // Prt_OffX and Prt_OffY of the layout
    int oy() const { return options.estimateLayout() ? 0 : 6; }

    // A row at the key path ({1024, 512}: a row below 1024), written through a
    // recordset so that each value takes the type its column declares.
    void add(const std::vector<int> &path, const Item &it)
    {
        auto rs = db->openRecordset(QStringLiteral("SELECT * FROM %1").arg(table));
        rs->addNew();
        for (size_t i = 0; i < 8; ++i)
            rs->setField(QStringLiteral("key%1").arg(i + 1), rz::Value(qint64(i < path.size() ? path[i] : 0)));
        const std::pair<const char *, QString> fields[] = {
            {"knm", it.knm}, {"mei", it.mei}, {"tn1", it.tn1}, {"bk1", it.bk1}, {"flg", it.flg}, {"su1", it.su1},
            {"tk1", it.tk1}, {"kn1", it.kn1}, {"su2", it.su2}, {"tk2", it.tk2}, {"kn2", it.kn2}};
        for (size_t i = 0; i < std::size(fields); ++i) {  // texts, then numbers
            const QString &v = fields[i].second;
            rs->setField(QLatin1String(fields[i].first),
                         i < 5 ? rz::Value(v) : rz::Value(v.isEmpty() ? rz::Currency() : *rz::Currency::parse(v)));
        }
        rs->update();
    }

    // n detail rows below the path, keys 1024, 2048 ..., amounts 100 each.
    void addDetails(const std::vector<int> &parent, int n)
    {
        for (int i = 1; i <= n; ++i) {
            std::vector<int> p(parent);
            p.push_back(i * 1024);
            add(p, detail(QStringLiteral("明細%1").arg(i), QStringLiteral("100")));
        }
    }

    // The estimate print of the index window, on the recording device.
    void printAll() { rz::printEstimateList(device, options, shared.Co_Name, *db, rz::EstimateRef{64}); }

    // The last text of a page starting at the cell, "" when none.
    QString textAt(int page, int col, int row) const
    {
        const auto t = device.textsAt(page, col, row);
        return t.empty() ? QString() : t.back().text;
    }
};

}  // namespace rztest
