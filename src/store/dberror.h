// The one error type of the store layer. It carries the engine's description,
// which the windows show as it is.
#pragma once
#include <QString>
#include <stdexcept>

namespace rz {

// Codes of the failures the windows tell apart, as the engine numbered them.
enum DbErrorCode : int {
    kTypeMismatch = 13,      // a stored value its column's type cannot hold
    kNoCurrentRecord = 3021,
    kRecordDeleted = 3167,   // deleted since it was read (by another program)
};

class DbError : public std::runtime_error {
public:
    explicit DbError(const QString &description, int code = 0)
        : std::runtime_error(description.toStdString()), description_(description), code_(code) {}
    const QString &description() const { return description_; }
    int code() const { return code_; }

private:
    QString description_;
    int code_;
};

// The failure of a row that is gone.
inline DbError recordDeletedError() { return DbError(QStringLiteral("レコードは削除されています。"), kRecordDeleted); }

}  // namespace rz
