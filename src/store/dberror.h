// The one error type of the store layer. It carries the engine's description,
// which the windows show as it is.
#pragma once
#include <QString>
#include <stdexcept>

namespace rz {

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

}  // namespace rz
