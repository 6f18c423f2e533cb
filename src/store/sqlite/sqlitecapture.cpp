// Change capture on the embedded engine: temporary triggers on the captured
// table write each row's images into a temporary table. Temporary objects
// belong to this connection alone, so only its own statements fire them; a
// rollback takes their records back with the changes themselves.
#include "sqliteconnection.h"

#include "store/database.h"

namespace rz {

namespace {
// What a record says happened to its row.
enum CaptureOp { Inserted = 1, Updated = 2, Deleted = 3 };
}  // namespace

void SqliteConnection::startCapture(const QString &table, const std::vector<ColumnDef> &columns)
{
    stopCapture();
    if (columns.empty())
        throw DbError(QStringLiteral("テーブル %1 の列がわかりません。").arg(table), DbFailure::MissingTable);
    // Columns without a declared type keep every value exactly as stored.
    QStringList oldSlots, olds, news;
    for (size_t i = 0; i < columns.size(); ++i) {
        oldSlots << QStringLiteral("o%1").arg(i);
        const QString name = quoteIdentifier(columns[i].name);
        olds << QStringLiteral("OLD.") + name;
        news << QStringLiteral("NEW.") + name;
    }
    QStringList newSlots;
    for (size_t i = 0; i < columns.size(); ++i)
        newSlots << QStringLiteral("n%1").arg(i);
    const QString on = QStringLiteral("main.") + quoteIdentifier(table);
    const QString into = QStringLiteral("INSERT INTO rz_capture (op, rid, oid, ");
    run(QStringLiteral("CREATE TEMP TABLE rz_capture (seq INTEGER PRIMARY KEY, op, rid, oid, %1, %2)")
            .arg(oldSlots.join(u','), newSlots.join(u',')));
    run(QStringLiteral("CREATE TEMP TRIGGER rz_capture_i AFTER INSERT ON %1 BEGIN %2%3) VALUES (%4, NEW._rowid_, "
                       "NULL, %5); END")
            .arg(on, into, newSlots.join(u','), QString::number(Inserted), news.join(u',')));
    run(QStringLiteral("CREATE TEMP TRIGGER rz_capture_u AFTER UPDATE ON %1 BEGIN %2%3, %4) VALUES (%5, NEW._rowid_, "
                       "OLD._rowid_, %6, %7); END")
            .arg(on, into, oldSlots.join(u','), newSlots.join(u','), QString::number(Updated), olds.join(u','),
                 news.join(u',')));
    run(QStringLiteral("CREATE TEMP TRIGGER rz_capture_d AFTER DELETE ON %1 BEGIN %2%3) VALUES (%4, OLD._rowid_, "
                       "OLD._rowid_, %5); END")
            .arg(on, into, oldSlots.join(u','), QString::number(Deleted), olds.join(u',')));
    capturedColumns_ = static_cast<int>(columns.size());
}

std::vector<CapturedChange> SqliteConnection::takeCaptured()
{
    std::vector<CapturedChange> changes;
    if (capturedColumns_ == 0)
        return changes;
    const int n = capturedColumns_;
    {
        SqliteStatement st(db_, QStringLiteral("SELECT * FROM temp.rz_capture ORDER BY seq"));
        std::vector<RawCell> cells(static_cast<size_t>(3 + 2 * n));
        auto image = [&](int first) {
            RowImage values;
            values.reserve(static_cast<size_t>(n));
            for (int i = 0; i < n; ++i)
                values.push_back(storedValue(cells[static_cast<size_t>(first + i)]));
            return values;
        };
        while (st.step()) {
            st.read(1, 3 + 2 * n, cells.data(), false);
            const qint64 op = cells[0].integer, rid = cells[1].integer, oid = cells[2].integer;
            if (op == Updated && oid != rid) {
                // A new identity: the old row went and another came.
                changes.push_back({oid, image(3), std::nullopt});
                changes.push_back({rid, std::nullopt, image(3 + n)});
            } else if (op == Inserted) {
                changes.push_back({rid, std::nullopt, image(3 + n)});
            } else if (op == Deleted) {
                changes.push_back({rid, image(3), std::nullopt});
            } else {
                changes.push_back({rid, image(3), image(3 + n)});
            }
        }
    }
    run(QStringLiteral("DELETE FROM temp.rz_capture"));
    return changes;
}

void SqliteConnection::stopCapture() noexcept
{
    // Triggers go with their table when that is dropped; whatever is left goes here.
    sqlite3_exec(db_,
                 "DROP TRIGGER IF EXISTS temp.rz_capture_i; DROP TRIGGER IF EXISTS temp.rz_capture_u; "
                 "DROP TRIGGER IF EXISTS temp.rz_capture_d; DROP TABLE IF EXISTS temp.rz_capture;",
                 nullptr, nullptr, nullptr);
    capturedColumns_ = 0;
}

}  // namespace rz
