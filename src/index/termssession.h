// The procedures of the 見積条件 dialog without any widget: the conditions of
// one estimate and the issuer of its file as texts the user types, each
// checked when the user leaves its field, the closing lines worked out as
// they type, and storing both in one step, only when nothing refused them
// and no other program changed them since they were shown.
#pragma once
#include "terms/termsmath.h"
#include "ui/prompts.h"

#include <array>
#include <functional>

namespace rz {

class Database;

// The user's default issuer for files that have none: read and kept by the
// program's settings, nothing when not set.
struct IssuerDefaults {
    std::function<Issuer()> read;
    std::function<void(const Issuer &)> keep;
};

class TermsSession {
public:
    enum Field {
        EstimateNo, IssueDate, ValidUntil, WorkPeriod, Payment,
        OverheadRate, OverheadAmount, OverheadLabel,
        WelfareRate, WelfareAmount, WelfareBase, WelfareLabel,
        Discount, TaxRate,
        IssuerName, IssuerPostalCode, IssuerAddress, IssuerTelephone, IssuerPerson, IssuerRegistration,
        FieldCount
    };
    static QString fieldName(Field f);
    static int maxLength(Field f);  // characters the file keeps

    TermsSession(Database &db, qint32 key, Prompts &prompts, IssuerDefaults defaults = {});

    // Reads what is stored (or the defaults); false after telling why not.
    bool load();

    const QString &text(Field f) const { return texts_[f]; }
    void setText(Field f, const QString &text) { texts_[f] = text; }  // as typed
    EstimateTerms choices;  // the kinds and the tax rounding; its other members are not used
    bool keepIssuerAsDefault = false;
    // The issuer page shows the user's default: the file has none yet.
    bool issuerFromDefaults() const { return issuerFromDefaults_; }

    // The user leaves the field: false (after the message) when the text is
    // refused; an accepted text is shown in its plain form (2026-12-06,
    // 50,000, T7123456789012).
    bool leaveField(Field f);
    // ＯＫ: every field checked, then both stored in one transaction; false
    // (after the message) when nothing was stored. focusField() is the field to return to.
    bool save();
    Field focusField() const { return focus_; }

    // The closing lines as they would print, worked out from the texts as
    // they stand: label and amount, "？" where an input is not yet a number.
    std::vector<std::pair<QString, QString>> preview() const;
    Currency rowsLabour() const { return labour_; }

private:
    // The text's problem ("" when accepted) and its plain form.
    QString check(Field f, QString &plain) const;
    bool refuse(Field f, const QString &problem);
    EstimateTerms termsFromTexts() const;  // all number fields read
    Issuer issuerFromTexts() const;
    void show(const EstimateTerms &t, const Issuer &i);

    Database &db_;
    qint32 key_;
    Prompts &prompts_;
    IssuerDefaults defaults_;
    std::array<QString, FieldCount> texts_;
    std::optional<EstimateTerms> storedTerms_;
    std::optional<Issuer> storedIssuer_;
    bool issuerFromDefaults_ = false;
    Currency price_, labour_;
    Field focus_ = EstimateNo;
    QString warnedRegistration_;
};

}  // namespace rz
