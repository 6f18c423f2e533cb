// The login password file: one 52-byte record of ten numeric fields of mixed
// types, one field per password position (a digit 0..9, or -k past the end).
#pragma once
#include <QByteArray>
#include <QString>
#include <QTime>
#include <optional>

namespace rz {

inline constexpr int PasswordRecordSize = 52;
inline constexpr int PasswordPositions = 10;
inline const char *const PasswordFileName = "RZDFTPW1.DAT";

// The record for `password`: position k holds the value of character k when it
// is a digit, 0 for any other character, and -k beyond the password's end.
// Characters after the tenth are not stored.
QByteArray encodePasswordRecord(const QString &password);

// The password a record stands for, or nullopt when the record is damaged
// (wrong length, or a value the program never writes: not finite, not whole,
// below -10 or above two digits).
std::optional<QString> decodePasswordRecord(const QByteArray &record);

// The password kept in the file at `path`; when the file is missing, unreadable
// or damaged, the hour and minute of `now` as four digits ("hhmm").
QString loadPassword(const QString &path, const QTime &now);

// Replaces the file at `path` with the record of `password`. The old file stays
// intact when writing fails; `error` then receives the reason.
bool savePassword(const QString &path, const QString &password, QString *error = nullptr);

}  // namespace rz
