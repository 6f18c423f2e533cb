#include "pgsql.h"

#include "store/dberror.h"

#include <QRegularExpression>

namespace rz {

const char kRowidColumn[] = "_rowid_";

namespace {
// Type identities of the server's built-in types (pg_type.h); fixed for all versions.
enum : Oid { Int8Oid = 20, Int2Oid = 21, Int4Oid = 23, TextOid = 25, Float4Oid = 700, Float8Oid = 701,
             VarcharOid = 1043, NumericOid = 1700 };
constexpr int kCurrencyTypmod = ((19 << 16) | 4) + 4;  // numeric(19,4)

DbError refused(const QString &what)
{
    return DbError(QStringLiteral("この SQL 文はサーバーの見積書ファイルでは使えません: %1").arg(what));
}

bool isWordStart(QChar c) { return c.isLetter() || c == u'_'; }
bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$'; }

// Splits a column list "a LONG, b TEXT(60)" at its top-level commas.
QStringList splitTopLevel(const QString &list)
{
    QStringList parts;
    int depth = 0, start = 0;
    for (int i = 0; i < list.size(); ++i) {
        if (list[i] == u'(')
            ++depth;
        else if (list[i] == u')')
            --depth;
        else if (list[i] == u',' && depth == 0) {
            parts << list.mid(start, i - start).trimmed();
            start = i + 1;
        }
    }
    parts << list.mid(start).trimmed();
    return parts;
}

// "name TYPE rest" of a column definition, with the name translated and the type mapped.
QString columnDefinition(const QString &def)
{
    static const QRegularExpression re(QStringLiteral(R"(^(\[[^\]]+\]|"[^"]+"|[\w$]+)\s+(\w+(?:\s*\(\s*\d+\s*\))?)(.*)$)"),
                                       QRegularExpression::DotMatchesEverythingOption);
    const auto m = re.match(def);
    if (!m.hasMatch())
        throw refused(def);
    QString name = m.captured(1);
    if (name.startsWith(u'[') || name.startsWith(u'"'))
        name = name.mid(1, name.size() - 2);
    if (pgName(name) == QLatin1String(kRowidColumn))
        throw refused(def);
    return pgQuoted(name) + u' ' + pgType(m.captured(2)) + m.captured(3);
}

// The statement's words with names, marks and literals as the server takes them.
QString translateTokens(const QString &sql, int &params, bool &star)
{
    QString out;
    out.reserve(sql.size() + 16);
    int depth = 0;
    for (int i = 0; i < sql.size();) {
        const QChar c = sql[i];
        if (c == u'\'') {
            int j = i + 1;
            while (j < sql.size() && !(sql[j] == u'\'' && (j + 1 >= sql.size() || sql[j + 1] != u'\'')))
                j += sql[j] == u'\'' ? 2 : 1;
            out += sql.mid(i, j + 1 - i);
            i = j + 1;
        } else if (c == u'[' || c == u'"') {
            const QChar close = c == u'[' ? u']' : u'"';
            const int j = sql.indexOf(close, i + 1);
            if (j < 0)
                throw refused(sql);
            const QString name = sql.mid(i + 1, j - i - 1);
            if (name.startsWith(u';'))
                throw refused(QStringLiteral("[%1]").arg(name));
            out += pgQuoted(name);
            i = j + 1;
        } else if (c == u'?') {
            out += u'$' + QString::number(++params);
            ++i;
        } else if (isWordStart(c)) {
            int j = i;
            while (j < sql.size() && isWordChar(sql[j]))
                ++j;
            const QString word = sql.mid(i, j - i);
            if (word.compare(QLatin1String("NOCASE"), Qt::CaseInsensitive) == 0)
                throw refused(QStringLiteral("COLLATE NOCASE"));
            out += word;
            i = j;
        } else {
            if (c == u'(')
                ++depth;
            else if (c == u')')
                --depth;
            else if (c == u'*' && depth == 0)
                star = true;
            out += c;
            ++i;
        }
    }
    return out;
}

QString firstWords(const QString &sql, int n)
{
    return sql.simplified().section(u' ', 0, n - 1).toUpper();
}
}  // namespace

QString pgName(const QString &name)
{
    static const QRegularExpression valid(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]{0,62}$"));
    if (!valid.match(name).hasMatch())
        throw DbError(QStringLiteral("名前 '%1' はサーバーの見積書ファイルでは使えません。").arg(name));
    return name.toLower();
}

QString pgQuoted(const QString &name) { return u'"' + pgName(name) + u'"'; }

QString pgType(const QString &declared)
{
    const QString d = declared.simplified().toUpper();
    static const QRegularExpression text(QStringLiteral(R"(^(?:TEXT|VARCHAR|CHAR)\s*\(\s*(\d+)\s*\)$)"));
    if (const auto m = text.match(d); m.hasMatch())
        return QStringLiteral("varchar(%1)").arg(m.captured(1).toInt());
    if (d == QLatin1String("LONG") || d == QLatin1String("INTEGER") || d == QLatin1String("COUNTER"))
        return QStringLiteral("integer");
    if (d == QLatin1String("SHORT") || d == QLatin1String("SMALLINT") || d == QLatin1String("INT"))
        return QStringLiteral("smallint");
    if (d == QLatin1String("CURRENCY") || d == QLatin1String("MONEY"))
        return QStringLiteral("numeric(19,4)");
    if (d == QLatin1String("SINGLE") || d == QLatin1String("REAL") || d == QLatin1String("FLOAT"))
        return QStringLiteral("real");
    if (d == QLatin1String("DOUBLE"))
        return QStringLiteral("double precision");
    if (d == QLatin1String("TEXT") || d == QLatin1String("MEMO"))
        return QStringLiteral("text");
    throw DbError(QStringLiteral("型 '%1' はサーバーの見積書ファイルでは使えません。").arg(declared));
}

QString declaredOf(Oid type, int typmod)
{
    switch (type) {
    case Int4Oid:
        return QStringLiteral("LONG");
    case Int2Oid:
        return QStringLiteral("SHORT");
    case NumericOid:
        return typmod == kCurrencyTypmod ? QStringLiteral("CURRENCY") : QString();
    case Float4Oid:
        return QStringLiteral("SINGLE");
    case Float8Oid:
        return QStringLiteral("DOUBLE");
    case VarcharOid:
        return typmod >= 4 ? QStringLiteral("TEXT(%1)").arg(typmod - 4) : QStringLiteral("TEXT");
    case TextOid:
        return QStringLiteral("TEXT");
    case Int8Oid:
    default:
        return QString();
    }
}

PgSql translateSql(const QString &sql)
{
    PgSql out;
    const QString verb = firstWords(sql, 1);
    static const QStringList embedded{"PRAGMA", "ATTACH", "DETACH", "VACUUM", "REINDEX"};
    if (embedded.contains(verb))
        throw refused(verb);
    const QStringList words = sql.simplified().remove(u';').split(u' ');
    const auto word = [&](int i) { return i < words.size() ? words[i].toUpper() : QString(); };
    const auto name = [&](int i) { return pgName(QString(words.value(i)).remove(u'[').remove(u']').remove(u'"')); };
    if (verb == QLatin1String("BEGIN")) {
        out.kind = PgSql::Begin;
    } else if (verb == QLatin1String("COMMIT") || verb == QLatin1String("END")) {
        out.kind = PgSql::Commit;
    } else if (verb == QLatin1String("SAVEPOINT")) {
        out.kind = PgSql::Savepoint;
        out.savepoint = name(1);
    } else if (verb == QLatin1String("RELEASE")) {
        out.kind = PgSql::Release;
        out.savepoint = name(word(1) == QLatin1String("SAVEPOINT") ? 2 : 1);
    } else if (verb == QLatin1String("ROLLBACK")) {
        out.kind = word(1) == QLatin1String("TO") ? PgSql::RollbackTo : PgSql::Rollback;
        if (out.kind == PgSql::RollbackTo)
            out.savepoint = name(word(2) == QLatin1String("SAVEPOINT") ? 3 : 2);
    }
    if (out.kind != PgSql::Query) {
        out.text = sql;
        return out;
    }
    static const QRegularExpression create(
        QStringLiteral(R"(^\s*CREATE\s+TABLE\s+(\[[^\]]+\]|"[^"]+"|[\w$]+)\s*\((.*)\)\s*;?\s*$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    if (const auto m = create.match(sql); m.hasMatch()) {
        QString table = m.captured(1);
        if (table.startsWith(u'[') || table.startsWith(u'"'))
            table = table.mid(1, table.size() - 2);
        QStringList defs;
        for (const QString &def : splitTopLevel(m.captured(2)))
            defs << columnDefinition(def);
        out.createdTable = pgName(table);
        out.text = QStringLiteral("CREATE TABLE %1 (%2, %3 bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY)")
                       .arg(pgQuoted(table), defs.join(QStringLiteral(", ")), QLatin1String(kRowidColumn));
        return out;
    }
    static const QRegularExpression addColumn(
        QStringLiteral(R"(^\s*ALTER\s+TABLE\s+(\S+)\s+ADD\s+(?:COLUMN\s+)?(.*?)\s*;?\s*$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    if (const auto m = addColumn.match(sql); m.hasMatch()) {
        bool star = false;
        out.text = QStringLiteral("ALTER TABLE %1 ADD COLUMN %2")
                       .arg(translateTokens(m.captured(1), out.params, star), columnDefinition(m.captured(2)));
        return out;
    }
    bool star = false;
    out.text = translateTokens(sql, out.params, star);
    if (verb == QLatin1String("SELECT")) {
        out.hideRowid = star;
    } else if (verb == QLatin1String("INSERT") && sql.contains(QLatin1String("VALUES"), Qt::CaseInsensitive) &&
               !sql.contains(QLatin1String("SELECT"), Qt::CaseInsensitive)) {
        // The new row's identity comes back with the insert itself: no second question.
        while (out.text.endsWith(u';') || out.text.endsWith(u' '))
            out.text.chop(1);
        out.text += QStringLiteral(" RETURNING ") + QLatin1String(kRowidColumn);
        out.kind = PgSql::Insert;
    }
    return out;
}

}  // namespace rz
