// Change capture on the server engine. A trigger on the captured table hands
// each changed row to a function that records it in a temporary table of
// this connection, but only in a session that asked for it (a setting of
// the session names the table): every other user's writes pass through it
// untouched. The temporary table takes its columns from the table itself,
// so the images read back convert exactly as the table's rows do; a rollback
// takes the records back with the changes. The records are lost with the
// connection: taking them after a reconnect fails.
#include "pgconnection.h"

#include "store/database.h"

namespace rz {

namespace {
enum CaptureOp { Inserted = 1, Updated = 2, Deleted = 3 };
const char kCaptureSetting[] = "rz.capture";
}  // namespace

void PgConnection::startCapture(const QString &table, const std::vector<ColumnDef> &columns)
{
    stopCapture();
    if (columns.empty())
        throw DbError(QStringLiteral("テーブル %1 の列がわかりません。").arg(table), DbFailure::MissingTable);
    const QString t = pgName(table);
    QStringList olds, news, oldSlots, newSlots, oldInto, newInto;
    for (size_t i = 0; i < columns.size(); ++i) {
        const QString c = pgQuoted(columns[i].name);
        olds << QStringLiteral("OLD.") + c;
        news << QStringLiteral("NEW.") + c;
        oldSlots << QStringLiteral("t.%1 AS o%2").arg(c).arg(i);
        newSlots << QStringLiteral("t.%1 AS n%2").arg(c).arg(i);
        oldInto << QStringLiteral("o%1").arg(i);
        newInto << QStringLiteral("n%1").arg(i);
    }
    const QString function = pgQuoted(QStringLiteral("rz_capture_") + t);
    const QString into = QStringLiteral("INSERT INTO pg_temp.rz_capture (op, rid, orid, ");
    const QString body =
        QStringLiteral(
            "BEGIN IF coalesce(current_setting('%1', true), '') <> TG_TABLE_NAME THEN RETURN NULL; END IF; "
            "IF TG_OP = 'INSERT' THEN %2%3) VALUES (%4, NEW._rowid_, NULL, %5); "
            "ELSIF TG_OP = 'UPDATE' THEN %2%6, %3) VALUES (%7, NEW._rowid_, OLD._rowid_, %8, %5); "
            "ELSE %2%6) VALUES (%9, OLD._rowid_, OLD._rowid_, %8); END IF; RETURN NULL; END")
            .arg(QLatin1String(kCaptureSetting), into, newInto.join(u','), QString::number(Inserted), news.join(u','),
                 oldInto.join(u','), QString::number(Updated), olds.join(u','), QString::number(Deleted));
    QStringList sql{
        QStringLiteral("CREATE TEMP TABLE rz_capture AS SELECT 0 AS op, 0::bigint AS rid, 0::bigint AS orid, %1, %2 "
                       "FROM %3 t WITH NO DATA")
            .arg(oldSlots.join(u','), newSlots.join(u','), pgQuoted(t)),
        QStringLiteral("ALTER TABLE pg_temp.rz_capture ADD COLUMN seq bigserial")};
    // The function and the trigger are made once per table, by whoever
    // opens it first: another user may use them but could not replace
    // them, and making the trigger again would change the table's
    // definition under every other user. The function is made again only
    // when the table's columns changed.
    const PgResult made = query(
        QStringLiteral("SELECT (SELECT p.prosrc FROM pg_proc p WHERE p.pronamespace = $1::oid AND p.proname = $2), "
                       "EXISTS (SELECT 1 FROM pg_trigger WHERE tgrelid = $3::regclass AND tgname = 'rz_capture')"),
        {Value(QString::fromUtf8(schemaOid_)), Value(QStringLiteral("rz_capture_") + t),
         Value(pgQuoted(server_.schema) + u'.' + pgQuoted(t))});
    if (PQgetisnull(made.get(), 0, 0) || QString::fromUtf8(PQgetvalue(made.get(), 0, 0)) != body)
        sql << QStringLiteral("CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS $rz$%2$rz$").arg(function, body);
    if (QByteArray(PQgetvalue(made.get(), 0, 1)) != "t")
        sql << QStringLiteral("CREATE TRIGGER rz_capture AFTER INSERT OR UPDATE OR DELETE ON %1 FOR EACH ROW "
                              "EXECUTE FUNCTION %2()")
                   .arg(pgQuoted(t), function);
    sql << QStringLiteral("SELECT set_config('%1', '%2', false)").arg(QLatin1String(kCaptureSetting), t);
    try {
        run(sql);
    } catch (...) {
        stopCapture();
        throw;
    }
    capturedColumns_ = static_cast<int>(columns.size());
    captureGeneration_ = generation_;
    captureTakenAt_ = -1;
}

std::vector<CapturedChange> PgConnection::takeCaptured()
{
    std::vector<CapturedChange> changes;
    if (capturedColumns_ == 0)
        return changes;
    if (captureGeneration_ != generation_)
        throw DbError(QStringLiteral("サーバーとの接続がやり直されたため、変更の記録が失われました。"));
    // Nothing written since the last take, by any store of this program: the
    // record is empty, and asking would cost a round trip on every command.
    if (captureTakenAt_ == storeWrites())
        return changes;
    const int n = capturedColumns_;
    QStringList picked;
    for (int i = 0; i < n; ++i)
        picked << QStringLiteral("o%1").arg(i);
    for (int i = 0; i < n; ++i)
        picked << QStringLiteral("n%1").arg(i);
    {
        // Read and emptied in one statement: one round trip.
        auto st = prepare(QStringLiteral("WITH taken AS (DELETE FROM pg_temp.rz_capture RETURNING *) "
                                         "SELECT op, rid, orid, %1 FROM taken ORDER BY seq")
                              .arg(picked.join(u',')));
        std::vector<RawCell> cells(static_cast<size_t>(3 + 2 * n));
        const auto image = [&](int first) {
            RowImage values;
            values.reserve(static_cast<size_t>(n));
            for (int i = 0; i < n; ++i)
                values.push_back(storedValue(cells[static_cast<size_t>(first + i)]));
            return values;
        };
        while (st->step()) {
            st->read(0, 3 + 2 * n, cells.data(), false);
            const qint64 op = cells[0].integer, rid = cells[1].integer;
            if (op == Inserted)
                changes.push_back({rid, std::nullopt, image(3 + n)});
            else if (op == Deleted)
                changes.push_back({rid, image(3), std::nullopt});
            else
                changes.push_back({rid, image(3), image(3 + n)});
        }
    }
    captureTakenAt_ = storeWrites();
    return changes;
}

void PgConnection::stopCapture() noexcept
{
    const bool was = capturedColumns_ != 0;
    capturedColumns_ = 0;
    if (!conn_ || (was && captureGeneration_ != generation_))
        return;  // a connection made again has neither the setting nor the table
    try {
        run({QStringLiteral("SELECT set_config('%1', '', false)").arg(QLatin1String(kCaptureSetting)),
             QStringLiteral("DROP TABLE IF EXISTS pg_temp.rz_capture")});
    } catch (...) {
        // The session's own objects go with it anyway.
    }
}

}  // namespace rz
