#include "batchprint.h"

#include "coverdetail.h"
#include "indexprint.h"
#include "legacy/jetfile.h"
#include "painterdevice.h"
#include "store/database.h"
#include "store/recordset.h"
#include "store/schema.h"
#include "store/vbconv.h"

#include <QFileInfo>
#include <cstring>

namespace rz {

namespace {
struct BatchArgs {
    QString file;
    qint64 key = 0;
    bool keyGiven = false;
    QString pdf;
    PrintOptions options;
    bool companyGiven = false;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void usage(const QString &message) { throw UsageError(message.toStdString()); }

// Damage, or a value that does not fit its column, is the file's fault, not
// the printer's: said in the user's words, without the engine's English.
bool isDataFault(const std::exception &e)
{
    if (const auto *db = dynamic_cast<const DbError *>(&e))
        return !db->isEngineText() || db->reason() == DbFailure::TypeMismatch || db->reason() == DbFailure::Damaged ||
               db->reason() == DbFailure::NotADatabase;
    return dynamic_cast<const OverflowError *>(&e) != nullptr;
}

QString dataFaultText(const QString &file, const std::exception &e)
{
    QString detail = QString::fromUtf8(e.what());
    if (const auto *db = dynamic_cast<const DbError *>(&e); db && db->isEngineText() && db->reason() != DbFailure::TypeMismatch)
        detail = QStringLiteral("ファイルの内容が壊れています");
    return QStringLiteral("'%1' のデータが壊れているか、列に合わない値があるため印刷できません（%2）。PDF は作られていません。")
        .arg(file, detail);
}

// Options take their value as the next word or after "=".
BatchArgs parse(const QStringList &args)
{
    BatchArgs a;
    a.options.kind = PrintKind::Estimate;
    for (int i = 0; i < args.size(); ++i) {
        QString word = args[i];
        if (!word.startsWith(QLatin1String("--"))) {
            if (!a.file.isEmpty())
                usage(QStringLiteral("only one estimate file can be printed at a time (got '%1' and '%2')").arg(a.file, word));
            a.file = word;
            continue;
        }
        QString value;
        bool inlineValue = false;
        const int eq = word.indexOf(u'=');
        if (eq > 0) {
            value = word.mid(eq + 1);
            word = word.left(eq);
            inlineValue = true;
        }
        if (word == QLatin1String("--no-quantities") || word == QLatin1String("--no-prices")
            || word == QLatin1String("--no-remarks")) {
            if (inlineValue)
                usage(QStringLiteral("%1 takes no value").arg(word));
            if (word == QLatin1String("--no-quantities"))
                a.options.quantities = false;
            else if (word == QLatin1String("--no-prices"))
                a.options.prices = false;
            else
                a.options.remarks = false;
            continue;
        }
        static const QStringList valued{"--estimate", "--kind", "--paper", "--range", "--start-page", "--company", "--pdf"};
        if (!valued.contains(word))
            usage(QStringLiteral("unknown option '%1'").arg(word));
        if (!inlineValue) {
            if (i + 1 >= args.size())
                usage(QStringLiteral("%1 needs a value").arg(word));
            value = args[++i];
        }
        if (word == QLatin1String("--estimate")) {
            bool ok = false;
            a.key = value.trimmed().toLongLong(&ok);
            if (!ok || a.key <= 0 || a.key > std::numeric_limits<qint32>::max())
                usage(QStringLiteral("--estimate needs the estimate's number (key1), not '%1'").arg(value));
            a.keyGiven = true;
        } else if (word == QLatin1String("--kind")) {
            if (value == QLatin1String("estimate"))
                a.options.kind = PrintKind::Estimate;
            else if (value == QLatin1String("budget"))
                a.options.kind = PrintKind::EstimateBudget;
            else if (value == QLatin1String("cover"))
                a.options.kind = PrintKind::Cover;
            else if (value == QLatin1String("cover-detail"))
                a.options.kind = PrintKind::CoverDetail;
            else
                usage(QStringLiteral("--kind must be estimate, budget, cover or cover-detail, not '%1'").arg(value));
        } else if (word == QLatin1String("--paper")) {
            if (value.compare(QLatin1String("a4"), Qt::CaseInsensitive) == 0)
                a.options.paper = PaperSize::A4;
            else if (value.compare(QLatin1String("b5"), Qt::CaseInsensitive) == 0)
                a.options.paper = PaperSize::B5;
            else
                usage(QStringLiteral("--paper must be a4 or b5, not '%1'").arg(value));
        } else if (word == QLatin1String("--range")) {
            if (value == QLatin1String("full"))
                a.options.range = PrintRange::Full;
            else if (value == QLatin1String("top"))
                a.options.range = PrintRange::Top;
            else
                usage(QStringLiteral("--range must be full or top, not '%1'").arg(value));
        } else if (word == QLatin1String("--start-page")) {
            if (value.isEmpty() || value == QLatin1String("none")) {
                a.options.startPageText.clear();
            } else {
                bool ok = false;
                const int n = value.trimmed().toInt(&ok);
                if (!ok || n < -32768 || n > 32767)
                    usage(QStringLiteral("--start-page must be a whole number from -32768 to 32767, or none, not '%1'")
                              .arg(value));
                a.options.startPageText = QString::number(n);
            }
        } else if (word == QLatin1String("--company")) {
            a.options.companyName = value;
            a.companyGiven = true;
        } else {
            a.pdf = value;
        }
    }
    if (a.file.isEmpty())
        usage(QStringLiteral("no estimate file given"));
    if (!a.keyGiven)
        usage(QStringLiteral("--estimate KEY is required"));
    if (a.pdf.isEmpty())
        usage(QStringLiteral("--pdf OUT.pdf is required"));
    return a;
}
}  // namespace

QString batchPrintUsage()
{
    return QStringLiteral(
        "usage: rz90 print FILE.mdb --estimate KEY --pdf OUT.pdf [--kind estimate|budget|cover|cover-detail]\n"
        "                  [--paper a4|b5] [--range full|top] [--start-page N|none] [--company NAME]\n"
        "                  [--no-quantities] [--no-prices] [--no-remarks]\n");
}

bool isBatchPrintCommand(int argc, char **argv)
{
    return argc > 1 && std::strcmp(argv[1], "print") == 0;
}

void prepareBatchPrintPlatform()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

int runBatchPrint(const QStringList &args, QTextStream &err)
{
    const QString me = QStringLiteral("rz90 print: ");
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        err << batchPrintUsage();
        err.flush();
        return BatchOk;
    }
    BatchArgs a;
    try {
        a = parse(args);
    } catch (const UsageError &e) {
        err << me << QString::fromStdString(e.what()) << '\n' << batchPrintUsage();
        err.flush();
        return BatchUsage;
    }

    if (!QFileInfo(a.file).isFile()) {
        err << me << "file not found: " << a.file << '\n';
        err.flush();
        return BatchNoFile;
    }
    if (isJetFile(a.file)) {
        err << me << "'" << a.file << "' is an estimate file in the old Jet format; convert it first with\n"
            << "  rz90 import '" << a.file << "' NEW.mdb\nand print NEW.mdb\n";
        err.flush();
        return BatchJetFile;
    }
    std::unique_ptr<Database> db;
    try {
        db = Database::open(a.file, Database::Mode::ReadOnly);
        if (!db->tableExists(QString::fromLatin1(kIndexTable)))
            throw DbError(QStringLiteral("'%1' is not an estimate file (it has no RZTBLIDX table)").arg(a.file));
    } catch (const std::exception &e) {
        err << me << QString::fromUtf8(e.what()) << '\n';
        err.flush();
        const auto *dbe = dynamic_cast<const DbError *>(&e);
        return dbe && dbe->reason() == DbFailure::Damaged ? BatchDamaged : BatchNoFile;
    }

    QString company;
    std::unique_ptr<Recordset> index;
    const EstimateRef estimate{static_cast<qint32>(a.key)};
    const QString table = estimate.tableName();
    try {
        index = db->openRecordset(QStringLiteral("SELECT * FROM RZTBLIDX WHERE [key1] = ?"), RecordsetType::Snapshot,
                                  {Value(a.key)});
        if (index->eof()) {
            err << me << "no estimate " << a.key << " in " << a.file << '\n';
            err.flush();
            return BatchNoEstimate;
        }
        if (!a.options.cover() && !db->tableExists(table)) {
            err << me << "estimate " << a.key << " has no item table " << table << " in " << a.file << '\n';
            err.flush();
            return BatchNoEstimate;
        }
        // As the index window does: the name kept with the estimate, unless one is given.
        const QString bk2 = index->field(QStringLiteral("bk2")).toString();
        company = a.companyGiven ? a.options.companyName : (Trim(bk2).isEmpty() ? QString() : bk2);
    } catch (const std::exception &e) {
        err << me << (isDataFault(e) ? dataFaultText(a.file, e) : QString::fromUtf8(e.what())) << '\n';
        err.flush();
        return isDataFault(e) ? BatchDamaged : BatchNoFile;
    }

    try {
        PainterPrintDevice device(a.pdf, Trim(index->field(QStringLiteral("knm")).toString()));
        if (a.options.kind == PrintKind::Cover) {
            PagePrinter printer(device, a.options, company);
            sb_Hyousi(printer, CoverData::fromRecord(*index));
        } else if (a.options.kind == PrintKind::CoverDetail) {
            PagePrinter printer(device, a.options, company);
            printCoverDetail(printer, CoverDetailData::fromFile(*db, *index));
        } else {
            printEstimateList(device, a.options, company, *db, estimate);
        }
        if (device.pageCount() == 0) {
            err << me << "estimate " << a.key << " has no rows to print; no PDF was written\n";
            err.flush();
            return BatchNothing;
        }
        err << me << device.pageCount() << (device.pageCount() == 1 ? " page" : " pages") << " written to " << a.pdf
            << '\n';
    } catch (const std::exception &e) {
        // The unfinished PDF has been dropped with its device.
        err << me << (isDataFault(e) ? dataFaultText(a.file, e) : QString::fromUtf8(e.what())) << '\n';
        err.flush();
        return isDataFault(e) ? BatchDamaged : BatchWriteFailed;
    }
    err.flush();
    return BatchOk;
}

}  // namespace rz
