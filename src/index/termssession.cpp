// The 見積条件 dialog's procedures: reading, checking and storing the texts.
#include "termssession.h"

#include "store/recordset.h"
#include "store/format.h"
#include "store/schema.h"
#include "terms/termsinput.h"
#include "ui/listsession.h"

namespace rz {

namespace {
const QString kCountMask = QStringLiteral("#,##0");

bool isRate(TermsSession::Field f)
{
    return f == TermsSession::OverheadRate || f == TermsSession::WelfareRate || f == TermsSession::TaxRate;
}
bool isAmount(TermsSession::Field f)
{
    return f == TermsSession::OverheadAmount || f == TermsSession::WelfareAmount || f == TermsSession::WelfareBase
           || f == TermsSession::Discount;
}
QString amountText(Currency v) { return v.isZero() ? QString() : Format(v, kCountMask); }
QString rateText(Currency v) { return v.isZero() ? QString() : v.toString(); }
}  // namespace

QString TermsSession::fieldName(Field f)
{
    static const char *const names[FieldCount] = {
        "見積番号", "発行日", "有効期限", "工期", "支払条件", "諸経費の率", "諸経費の金額", "諸経費の名称",
        "法定福利費の率", "法定福利費の金額", "法定福利費の基準額", "法定福利費の名称", "出精値引き", "消費税率",
        "会社名", "郵便番号", "住所", "電話番号", "担当者", "登録番号"};
    return QString::fromUtf8(names[f]);
}

int TermsSession::maxLength(Field f)
{
    // As the tables keep them; dates and numbers as they may be typed.
    static const int lengths[FieldCount] = {20, 20, 30, 30, 30, 12, 24, 12, 12, 24, 24, 12, 24, 12,
                                            26, 10, 50, 20, 30, 20};
    return lengths[f];
}

TermsSession::TermsSession(Database &db, qint32 key, Prompts &prompts, IssuerDefaults defaults)
    : db_(db), key_(key), prompts_(prompts), defaults_(std::move(defaults))
{
}

bool TermsSession::load()
{
    try {
        storedTerms_ = readTerms(db_, key_);
        storedIssuer_ = readIssuer(db_);
        price_ = constructionPrice(db_, key_);
        const QString table = itemTableName(key_);
        labour_ = db_.tableExists(table) ? labourOfRows(db_, table) : Currency();
    } catch (const std::exception &e) {
        showError(prompts_, e);
        return false;
    }
    const Issuer preset = defaults_.read ? defaults_.read() : Issuer();
    issuerFromDefaults_ = !storedIssuer_ && !preset.isEmpty();
    // The first issuer the user enters becomes the default for new files, unless they say otherwise.
    keepIssuerAsDefault = defaults_.keep && preset.isEmpty();
    show(storedTerms_.value_or(EstimateTerms()), storedIssuer_.value_or(preset));
    return true;
}

void TermsSession::show(const EstimateTerms &t, const Issuer &i)
{
    choices = t;
    texts_ = {t.estimateNo, t.issueDate, t.validUntil, t.workPeriod, t.payment,
              rateText(t.overheadRate), amountText(t.overheadAmount), t.overheadLabel,
              rateText(t.welfareRate), amountText(t.welfareAmount), amountText(t.welfareBaseAmount), t.welfareLabel,
              amountText(t.discount), t.taxRate.toString(),
              i.name, i.postalCode, i.address, i.telephone, i.person, i.registration};
}

QString TermsSession::check(Field f, QString &plain) const
{
    const QString typed = halfWidth(texts_[f]).trimmed();
    plain = texts_[f].trimmed();
    QString problem;
    if (f == IssueDate || f == ValidUntil) {
        const DateInput d = readDate(typed);
        if (d.looksLikeDate && !d.date.isValid())
            problem = QStringLiteral("の日付 %1 はありません").arg(typed);
        else if (d.looksLikeDate)
            plain = isoDate(d.date);
        else if (f == IssueDate && !typed.isEmpty())
            problem = QStringLiteral("は日付で入力してください（例 2026-12-06）");
    } else if (isRate(f) || isAmount(f)) {
        const NumberInput n = isRate(f) ? readRate(typed) : readAmount(typed);
        problem = n.problem;
        if (n.value)
            plain = typed.isEmpty() ? QString() : isRate(f) ? n.value->toString() : Format(*n.value, kCountMask);
    } else if (f == OverheadLabel || f == WelfareLabel) {
        if (plain.isEmpty())  // a line always has a name
            plain = f == OverheadLabel ? EstimateTerms().overheadLabel : EstimateTerms().welfareLabel;
    } else if (f == IssuerRegistration && !typed.isEmpty()) {
        const auto normal = normalRegistration(typed);
        if (normal)
            plain = *normal;
        else
            problem = QStringLiteral("は T に続く13桁の数字で入力してください（例 T7123456789012）");
    }
    if (problem.isEmpty() && plain.size() > maxLength(f))
        problem = QStringLiteral("は%1文字までです").arg(maxLength(f));
    return problem;
}

bool TermsSession::refuse(Field f, const QString &problem)
{
    focus_ = f;
    prompts_.message(fieldName(f) + problem, MsgExclamation);
    return false;
}

bool TermsSession::leaveField(Field f)
{
    QString plain;
    const QString problem = check(f, plain);
    if (!problem.isEmpty())
        return refuse(f, problem);
    texts_[f] = plain;
    if (f == IssuerRegistration && !plain.isEmpty() && !registrationCheckDigitOk(plain)
        && plain != warnedRegistration_) {
        warnedRegistration_ = plain;
        prompts_.message(QStringLiteral("登録番号 %1 は法人番号の検査数字と合いません。\n"
                                        "個人事業者の番号など、このままでよければそのまま保存できます。")
                             .arg(plain),
                         MsgExclamation);
    }
    return true;
}

EstimateTerms TermsSession::termsFromTexts() const
{
    EstimateTerms t = choices;
    auto rate = [this](Field f) { return readRate(texts_[f]).value.value_or(Currency()); };
    auto amount = [this](Field f) { return readAmount(texts_[f]).value.value_or(Currency()); };
    t.estimateNo = texts_[EstimateNo];
    t.issueDate = texts_[IssueDate];
    t.validUntil = texts_[ValidUntil];
    t.workPeriod = texts_[WorkPeriod];
    t.payment = texts_[Payment];
    t.overheadRate = rate(OverheadRate);
    t.overheadAmount = amount(OverheadAmount);
    t.overheadLabel = texts_[OverheadLabel];
    t.welfareRate = rate(WelfareRate);
    t.welfareAmount = amount(WelfareAmount);
    t.welfareBaseAmount = amount(WelfareBase);
    t.welfareLabel = texts_[WelfareLabel];
    t.discount = amount(Discount);
    t.taxRate = rate(TaxRate);
    return t;
}

Issuer TermsSession::issuerFromTexts() const
{
    return {texts_[IssuerName],      texts_[IssuerPostalCode], texts_[IssuerAddress],
            texts_[IssuerTelephone], texts_[IssuerPerson],     texts_[IssuerRegistration]};
}

bool TermsSession::save()
{
    for (int f = 0; f < FieldCount; ++f) {
        QString plain;
        const QString problem = check(Field(f), plain);
        if (!problem.isEmpty())
            return refuse(Field(f), problem);
        texts_[f] = plain;
    }
    const QString reg = texts_[IssuerRegistration];
    if (!reg.isEmpty() && !registrationCheckDigitOk(reg) && reg != warnedRegistration_) {
        focus_ = IssuerRegistration;
        if (prompts_.message(QStringLiteral("登録番号 %1 は法人番号の検査数字と合いません。このまま保存しますか？").arg(reg),
                             MsgOkCancelExclamation) != AnswerOk)
            return false;
        warnedRegistration_ = reg;
    }
    const EstimateTerms t = termsFromTexts();
    const Issuer i = issuerFromTexts();
    try {
        computeFigures(t, price_, labour_);
    } catch (const OverflowError &) {
        focus_ = OverheadRate;
        prompts_.message(QStringLiteral("金額が大きすぎて計算できません。率と金額を見直してください。"), MsgExclamation);
        return false;
    }
    try {
        Transaction tx(db_);
        if (db_.openRecordset(QStringLiteral("SELECT [key1] FROM RZTBLIDX WHERE [key1] = ?"), RecordsetType::Snapshot,
                              {Value(qint64(key_))})->eof()) {
            prompts_.message(QStringLiteral("この見積書は他のプログラムで削除されました。何も保存していません。"),
                             MsgExclamation);
            return false;
        }
        // What another program stored since the dialog showed it is never written over.
        const auto nowTerms = readTerms(db_, key_);
        const auto nowIssuer = readIssuer(db_);
        if ((nowTerms != storedTerms_ && nowTerms != t) || (nowIssuer != storedIssuer_ && nowIssuer != i)) {
            prompts_.message(QStringLiteral("見積条件か発行者が、表示したあとで他のプログラムにより変更されました。"
                                            "何も保存していません。キャンセルして開き直してください。"),
                             MsgExclamation);
            return false;
        }
        // Conditions left at their defaults are not stored: the estimate prints as it did.
        if (t != storedTerms_.value_or(EstimateTerms()))
            writeTerms(db_, key_, t);
        if (i != storedIssuer_.value_or(Issuer()))
            writeIssuer(db_, i);
        tx.commit();
    } catch (const std::exception &e) {
        showError(prompts_, e);
        return false;
    }
    storedTerms_ = t;
    storedIssuer_ = i;
    if (keepIssuerAsDefault && defaults_.keep)
        defaults_.keep(i);
    return true;
}

std::vector<std::pair<QString, QString>> TermsSession::preview() const
{
    // Each input read as it stands; a line whose inputs are not numbers yet
    // shows "？", and so does every line summed from it.
    EstimateTerms t = termsFromTexts();
    t.overheadLabel = texts_[OverheadLabel].trimmed().isEmpty() ? EstimateTerms().overheadLabel : texts_[OverheadLabel];
    t.welfareLabel = texts_[WelfareLabel].trimmed().isEmpty() ? EstimateTerms().welfareLabel : texts_[WelfareLabel];
    auto rateOk = [this](Field f) { return readRate(texts_[f]).value.has_value(); };
    auto amountOk = [this](Field f) { return readAmount(texts_[f]).value.has_value(); };
    const bool overheadsOk = t.overheadKind == ChargeKind::Rate ? rateOk(OverheadRate) : amountOk(OverheadAmount);
    const bool welfareOk = t.welfareKind == ChargeKind::Amount
                               ? amountOk(WelfareAmount)
                               : rateOk(WelfareRate) && (t.welfareBase == LabourBase::Rows || amountOk(WelfareBase));
    const bool discountOk = amountOk(Discount), taxOk = rateOk(TaxRate);

    std::array<std::optional<Currency>, 7> v;
    v[0] = price_;
    try {
        if (overheadsOk)
            v[1] = overheadsOf(t, price_);
        if (welfareOk)
            v[2] = welfareOf(t, labour_);
        if (discountOk)
            v[3] = -t.discount;
        if (overheadsOk && welfareOk && discountOk && taxOk) {
            const EstimateFigures f = computeFigures(t, price_, labour_);
            v[4] = f.subtotal, v[5] = f.tax, v[6] = f.total;
        }
    } catch (const OverflowError &) {
        // The lines not worked out stay "？".
    }
    const QString labels[7] = {QStringLiteral("工事価格"), t.overheadLabel, t.welfareLabel, QStringLiteral("出精値引き"),
                               QStringLiteral("小計"), taxOk ? taxLabel(t.taxRate) : QStringLiteral("消費税"),
                               QStringLiteral("合計")};
    std::vector<std::pair<QString, QString>> lines;
    for (size_t k = 0; k < v.size(); ++k)
        lines.emplace_back(labels[k], v[k] ? Format(*v[k], kCountMask) : QStringLiteral("？"));
    return lines;
}

}  // namespace rz
