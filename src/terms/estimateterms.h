// The conditions of one estimate and the issuer of an estimate file, as the
// windows and printouts use them, and how they are kept in the file's tables
// beside the index (store/termsschema.h). An estimate without a row of
// conditions has none: it lists and prints as it always has, and only the
// total with tax is worked out for it, with the default tax.
#pragma once
#include "store/currency.h"

#include <QString>
#include <optional>

namespace rz {

class Database;

enum class TaxRounding { Down = 0, HalfUp = 1, Up = 2 };  // 切り捨て, 四捨五入, 切り上げ
enum class ChargeKind { Rate = 0, Amount = 1 };           // a rate of a base, or a fixed amount
enum class LabourBase { Rows = 0, Entered = 1 };          // the 人工 rows' amounts, or an amount entered

struct EstimateTerms {
    QString estimateNo;  // 見積番号
    QString issueDate;   // 発行日: yyyy-mm-dd, "" for none
    QString validUntil;  // 有効期限: a text, or a date as yyyy-mm-dd
    QString workPeriod;  // 工期
    QString payment;     // 支払条件

    ChargeKind overheadKind = ChargeKind::Rate;  // 諸経費, of 工事価格
    Currency overheadRate;                       // percent
    Currency overheadAmount;
    QString overheadLabel = QStringLiteral("諸経費");

    ChargeKind welfareKind = ChargeKind::Rate;  // 法定福利費, of the labour base
    Currency welfareRate;
    Currency welfareAmount;
    LabourBase welfareBase = LabourBase::Rows;
    Currency welfareBaseAmount;  // the base when entered
    QString welfareLabel = QStringLiteral("法定福利費");

    Currency discount;  // 出精値引き, a positive amount taken off

    Currency taxRate = Currency::fromRaw(10 * Currency::Scale);  // 消費税, percent
    TaxRounding taxRounding = TaxRounding::Down;

    bool operator==(const EstimateTerms &o) const;
    bool operator!=(const EstimateTerms &o) const { return !(*this == o); }
};

struct Issuer {
    QString name;          // 会社名
    QString postalCode;    // 郵便番号
    QString address;       // 住所
    QString telephone;     // 電話番号
    QString person;        // 担当者
    QString registration;  // 登録番号, "T" and 13 digits

    bool isEmpty() const;
    bool operator==(const Issuer &o) const;
    bool operator!=(const Issuer &o) const { return !(*this == o); }
};

// The estimate's conditions; nullopt when it has none (or the file has no
// table of them). Throws DbError.
std::optional<EstimateTerms> readTerms(Database &db, qint32 key);
// Stores them as the estimate's only row, making the table when needed; the
// caller's transaction makes it one step with whatever goes with it.
void writeTerms(Database &db, qint32 key, const EstimateTerms &terms);
// Removes the estimate's conditions, if the file has any.
void deleteTerms(Database &db, qint32 key);

std::optional<Issuer> readIssuer(Database &db);
void writeIssuer(Database &db, const Issuer &issuer);

}  // namespace rz
