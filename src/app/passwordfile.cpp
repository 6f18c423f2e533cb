// Reading and writing the login password record.
#include "passwordfile.h"
#include "store/savefile.h"

#include <QFile>
#include <QtEndian>
#include <cmath>
#include <cstring>

namespace rz {

namespace {

enum class FieldType { Double, Single, Currency, Long, Short };

struct Field {
    int offset;
    FieldType type;
};

// The record layout, packed without padding.
constexpr Field Fields[PasswordPositions] = {
    {0, FieldType::Double},   {8, FieldType::Single}, {12, FieldType::Currency},
    {20, FieldType::Long},    {24, FieldType::Short}, {26, FieldType::Double},
    {34, FieldType::Single},  {38, FieldType::Currency}, {46, FieldType::Long},
    {50, FieldType::Short},
};

constexpr qint64 CurrencyScale = 10000;

template <typename T>
void put(QByteArray &record, int offset, T value)
{
    const T le = qToLittleEndian(value);
    std::memcpy(record.data() + offset, &le, sizeof le);
}

template <typename T>
T get(const QByteArray &record, int offset)
{
    T le;
    std::memcpy(&le, record.constData() + offset, sizeof le);
    return qFromLittleEndian(le);
}

void writeField(QByteArray &record, const Field &f, int value)
{
    switch (f.type) {
    case FieldType::Double: {
        double d = value;
        quint64 bits;
        std::memcpy(&bits, &d, sizeof bits);
        put<quint64>(record, f.offset, bits);
        break;
    }
    case FieldType::Single: {
        float s = static_cast<float>(value);
        quint32 bits;
        std::memcpy(&bits, &s, sizeof bits);
        put<quint32>(record, f.offset, bits);
        break;
    }
    case FieldType::Currency:
        put<qint64>(record, f.offset, qint64(value) * CurrencyScale);
        break;
    case FieldType::Long:
        put<qint32>(record, f.offset, qint32(value));
        break;
    case FieldType::Short:
        put<qint16>(record, f.offset, qint16(value));
        break;
    }
}

// The whole number a field holds; nullopt when it is not finite or not whole.
std::optional<qint64> readField(const QByteArray &record, const Field &f)
{
    double value = 0;
    switch (f.type) {
    case FieldType::Double: {
        const quint64 bits = get<quint64>(record, f.offset);
        std::memcpy(&value, &bits, sizeof value);
        break;
    }
    case FieldType::Single: {
        const quint32 bits = get<quint32>(record, f.offset);
        float s;
        std::memcpy(&s, &bits, sizeof s);
        value = s;
        break;
    }
    case FieldType::Currency: {
        const qint64 raw = get<qint64>(record, f.offset);
        if (raw % CurrencyScale != 0)
            return std::nullopt;
        return raw / CurrencyScale;
    }
    case FieldType::Long:
        return get<qint32>(record, f.offset);
    case FieldType::Short:
        return get<qint16>(record, f.offset);
    }
    // The range test keeps the cast below defined for any bit pattern.
    if (!std::isfinite(value) || value != std::floor(value) || std::fabs(value) > 1e15)
        return std::nullopt;
    return static_cast<qint64>(value);
}

int digitValue(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ? c.unicode() - '0' : 0;
}

}  // namespace

QByteArray encodePasswordRecord(const QString &password)
{
    QByteArray record(PasswordRecordSize, '\0');
    for (int k = 1; k <= PasswordPositions; ++k) {
        const int value = k > password.size() ? -k : digitValue(password.at(k - 1));
        writeField(record, Fields[k - 1], value);
    }
    return record;
}

std::optional<QString> decodePasswordRecord(const QByteArray &record)
{
    if (record.size() != PasswordRecordSize)
        return std::nullopt;
    QString text(PasswordPositions, QLatin1Char(' '));
    for (int k = 1; k <= PasswordPositions; ++k) {
        const std::optional<qint64> value = readField(record, Fields[k - 1]);
        // Values the program never writes mean the file was damaged; a stray
        // two-digit value is still read the way the password is always read,
        // by the first character of its decimal text.
        if (!value || *value < -PasswordPositions || *value > 99)
            return std::nullopt;
        if (*value >= 0)
            text[k - 1] = QString::number(*value).at(0);
    }
    return text.trimmed();
}

QString loadPassword(const QString &path, const QTime &now)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        // One byte more than a record is enough to tell a long file from a good one.
        const QByteArray record = file.read(PasswordRecordSize + 1);
        if (const auto password = decodePasswordRecord(record))
            return *password;
    }
    return now.toString(QStringLiteral("hhmm"));
}

bool savePassword(const QString &path, const QString &password, QString *error)
{
    QSaveFile file(path);
    const QByteArray record = encodePasswordRecord(password);
    if (!file.open(QIODevice::WriteOnly) || file.write(record) != record.size() || !commitWhole(file)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace rz
