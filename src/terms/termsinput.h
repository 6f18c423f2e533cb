// What a user types for the conditions and the issuer, read strictly: rates
// and amounts as exact decimal numbers (full-width digits as typed by a
// Japanese input method are taken), dates that exist, and the registration
// number of a qualified invoice issuer with its check digit.
#pragma once
#include "store/currency.h"

#include <QDate>
#include <QString>
#include <optional>

namespace rz {

// A number read from a field, or why it cannot be taken (a sentence that
// follows the field's name: "は数値で入力してください").
struct NumberInput {
    std::optional<Currency> value;
    QString problem;
};
// A rate in percent: empty is 0; not negative; at most four decimals.
NumberInput readRate(const QString &text);
// An amount of whole yen: empty is 0; not negative; within CURRENCY.
NumberInput readAmount(const QString &text);

// A date typed as 2026-12-06, 2026/12/6, 2026.12.6 or 2026年12月6日;
// nullopt when the text is not one (valid says whether it exists).
struct DateInput {
    bool looksLikeDate = false;
    QDate date;  // invalid when the day does not exist
};
DateInput readDate(const QString &text);
QString isoDate(const QDate &d);          // 2026-12-06, as the file keeps it
QString printedDate(const QString &iso);  // 2026年12月6日; other texts unchanged

// Half-width digits, latin letters and blanks for full-width ones.
QString halfWidth(const QString &text);

// A registration number made plain: "T" and the digits, blanks and hyphens
// dropped, "T" added to thirteen bare digits. nullopt when it is not "T"
// and 13 digits.
std::optional<QString> normalRegistration(const QString &text);
// Whether the 13 digits after "T" pass the corporate-number check digit:
// the first digit is 9 - (sum of Pn x Qn mod 9), Pn the n-th of the other
// twelve from the right, Qn 1 for odd and 2 for even n.
bool registrationCheckDigitOk(const QString &normal);

}  // namespace rz
