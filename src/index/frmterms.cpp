// The 見積条件 dialog's widgets and the events it forwards to its session.
#include "frmterms.h"

#include "store/format.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>

namespace rz {

using F = TermsSession::Field;

FrmTerms::FrmTerms(TermsSession &session, const QString &estimateName, QWidget *parent)
    : QDialog(parent), session_(session)
{
    setObjectName(QStringLiteral("FrmTerms"));
    setWindowTitle(QStringLiteral("見積条件 - ") + estimateName.trimmed());
    setModal(true);
    Pages = new QTabWidget(this);
    Pages->addTab(conditionsPage(), QStringLiteral("見積条件"));
    Pages->addTab(issuerPage(), QStringLiteral("発行者"));

    cmdOK = new QPushButton(QStringLiteral("ＯＫ"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    // The buttons take no focus, so pressing one does not first check the
    // field being left: ＯＫ checks every field, キャンセル none.
    for (QPushButton *b : {cmdOK, cmdCancel})
        b->setFocusPolicy(Qt::NoFocus);
    connect(cmdOK, &QPushButton::clicked, this, &FrmTerms::ok);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto *main = new QVBoxLayout(this);
    main->addWidget(Pages);
    main->addLayout(buttons);
    showPreview();
}

QLineEdit *FrmTerms::field(F f, QWidget *parent)
{
    auto *box = new QLineEdit(session_.text(f), parent);
    box->setObjectName(QStringLiteral("TxtField_%1").arg(int(f)));
    box->setMaxLength(TermsSession::maxLength(f));
    box->installEventFilter(this);
    connect(box, &QLineEdit::textEdited, this, [this, f](const QString &text) {
        session_.setText(f, text);
        showPreview();
    });
    TxtField[f] = box;
    return box;
}

QButtonGroup *FrmTerms::choice(QWidget *parent, const QStringList &captions, int checked,
                               const std::function<void(int)> &set, QLayout *into)
{
    auto *group = new QButtonGroup(parent);
    for (int i = 0; i < captions.size(); ++i) {
        auto *b = new QRadioButton(captions[i], parent);
        b->setChecked(i == checked);
        group->addButton(b, i);
        into->addWidget(b);
    }
    connect(group, &QButtonGroup::idClicked, this, [this, set](int id) {
        set(id);
        showPreview();
    });
    return group;
}

QWidget *FrmTerms::conditionsPage()
{
    auto *page = new QWidget;
    auto *form = new QFormLayout;
    auto row = [&](const QString &label, std::initializer_list<QWidget *> widgets, QLayout *extra = nullptr) {
        auto *line = new QHBoxLayout;
        for (QWidget *w : widgets)
            line->addWidget(w);
        if (extra)
            line->addLayout(extra);
        line->addStretch();
        form->addRow(label, line);
    };
    auto unit = [page](const char *text) { return new QLabel(QString::fromUtf8(text), page); };
    EstimateTerms &c = session_.choices;

    row(QStringLiteral("見積番号"), {field(F::EstimateNo, page)});
    row(QStringLiteral("発行日"), {field(F::IssueDate, page), unit("例 2026-12-06")});
    row(QStringLiteral("有効期限"), {field(F::ValidUntil, page), unit("日付または 発行日より30日 など")});
    row(QStringLiteral("工期"), {field(F::WorkPeriod, page)});
    row(QStringLiteral("支払条件"), {field(F::Payment, page)});

    auto *overhead = new QHBoxLayout;
    OverheadKind = choice(page, {QStringLiteral("工事価格の率"), QStringLiteral("金額")}, int(c.overheadKind),
                          [&c](int id) { c.overheadKind = ChargeKind(id); }, overhead);
    row(QStringLiteral("諸経費"), {}, overhead);
    row(QString(), {field(F::OverheadRate, page), unit("%"), field(F::OverheadAmount, page), unit("円  名称"),
                    field(F::OverheadLabel, page)});

    auto *welfare = new QHBoxLayout;
    WelfareKind = choice(page, {QStringLiteral("労務費の率"), QStringLiteral("金額")}, int(c.welfareKind),
                         [&c](int id) { c.welfareKind = ChargeKind(id); }, welfare);
    row(QStringLiteral("法定福利費"), {}, welfare);
    row(QString(), {field(F::WelfareRate, page), unit("%"), field(F::WelfareAmount, page), unit("円  名称"),
                    field(F::WelfareLabel, page)});
    // The base of the rate: the 人工 rows' amounts (shown) or an amount typed beside its choice.
    auto *base = new QHBoxLayout;
    WelfareBase = choice(page, {QStringLiteral("人工の行の計"), QStringLiteral("入力した額")}, int(c.welfareBase),
                         [&c](int id) { c.welfareBase = LabourBase(id); }, base);
    LblLabour = new QLabel(page);
    LblLabour->setObjectName(QStringLiteral("LblLabour"));
    base->insertWidget(1, LblLabour);
    base->addWidget(field(F::WelfareBase, page));
    base->addWidget(unit("円"));
    row(QStringLiteral("労務費"), {}, base);

    row(QStringLiteral("出精値引き"), {field(F::Discount, page), unit("円")});
    auto *rounding = new QHBoxLayout;
    TaxRounding = choice(page, {QStringLiteral("切り捨て"), QStringLiteral("四捨五入"), QStringLiteral("切り上げ")},
                         int(c.taxRounding), [&c](int id) { c.taxRounding = rz::TaxRounding(id); }, rounding);
    row(QStringLiteral("消費税"), {field(F::TaxRate, page), unit("%")}, rounding);

    // The lines as they will print, worked out as the user types.
    auto *figures = new QGroupBox(QStringLiteral("金額"), page);
    auto *grid = new QGridLayout(figures);
    for (int k = 0; k < 7; ++k) {
        LblLine[k] = new QLabel(figures);
        LblAmount[k] = new QLabel(figures);
        LblAmount[k]->setObjectName(QStringLiteral("LblAmount_%1").arg(k));
        LblAmount[k]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        LblAmount[k]->setMinimumWidth(120);
        grid->addWidget(LblLine[k], k, 0);
        grid->addWidget(LblAmount[k], k, 1);
    }
    grid->setRowStretch(7, 1);
    auto *layout = new QHBoxLayout(page);
    layout->addLayout(form, 1);
    layout->addWidget(figures);
    for (F f : {F::EstimateNo, F::IssueDate, F::ValidUntil, F::OverheadLabel, F::WelfareLabel})
        TxtField[f]->setMinimumWidth(f == F::EstimateNo || f == F::IssueDate ? 160 : 120);
    for (F f : {F::WorkPeriod, F::Payment, F::ValidUntil})
        TxtField[f]->setMinimumWidth(300);
    return page;
}

QWidget *FrmTerms::issuerPage()
{
    auto *page = new QWidget;
    auto *form = new QFormLayout(page);
    const std::pair<F, const char *> rows[] = {{F::IssuerName, "会社名"},      {F::IssuerPostalCode, "郵便番号"},
                                               {F::IssuerAddress, "住所"},     {F::IssuerTelephone, "電話番号"},
                                               {F::IssuerPerson, "担当者"},    {F::IssuerRegistration, "登録番号"}};
    for (const auto &[f, label] : rows) {
        form->addRow(QString::fromUtf8(label), field(f, page));
        TxtField[f]->setMinimumWidth(360);
    }
    TxtField[F::IssuerRegistration]->setPlaceholderText(QStringLiteral("T と13桁の数字"));
    ChkDefault = new QCheckBox(QStringLiteral("この発行者を新しい見積ファイルの既定にする"), page);
    ChkDefault->setObjectName(QStringLiteral("ChkDefault"));
    ChkDefault->setChecked(session_.keepIssuerAsDefault);
    connect(ChkDefault, &QCheckBox::toggled, this, [this](bool on) { session_.keepIssuerAsDefault = on; });
    form->addRow(QString(), ChkDefault);
    if (session_.issuerFromDefaults())
        form->addRow(QString(), new QLabel(QStringLiteral("このファイルには発行者がないため、既定の発行者を表示しています。\n"
                                                          "ＯＫでこのファイルに保存します。"),
                                           page));
    form->addRow(QString(), new QLabel(QStringLiteral("発行者は見積ファイルに一つで、すべての見積書に印刷されます。"), page));
    return page;
}

void FrmTerms::showPreview()
{
    const auto lines = session_.preview();
    for (size_t k = 0; k < lines.size() && k < LblLine.size(); ++k) {
        LblLine[k]->setText(lines[k].first);
        LblAmount[k]->setText(lines[k].second);
    }
    const EstimateTerms &c = session_.choices;
    TxtField[F::OverheadRate]->setEnabled(c.overheadKind == ChargeKind::Rate);
    TxtField[F::OverheadAmount]->setEnabled(c.overheadKind == ChargeKind::Amount);
    const bool welfareRate = c.welfareKind == ChargeKind::Rate;
    TxtField[F::WelfareRate]->setEnabled(welfareRate);
    TxtField[F::WelfareAmount]->setEnabled(!welfareRate);
    TxtField[F::WelfareBase]->setEnabled(welfareRate && c.welfareBase == LabourBase::Entered);
    for (QAbstractButton *b : WelfareBase->buttons())
        b->setEnabled(welfareRate);
    LblLabour->setText(Format(session_.rowsLabour(), QStringLiteral("#,##0")) + QStringLiteral(" 円"));
}

void FrmTerms::focusField(F f)
{
    QLineEdit *box = TxtField[f];
    Pages->setCurrentIndex(f >= F::IssuerName ? 1 : 0);
    box->setEnabled(true);
    box->setFocus();
    box->selectAll();
}

bool FrmTerms::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut && !checking_) {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        const auto it = std::find(TxtField.begin(), TxtField.end(), watched);
        // Leaving the field within the dialog, not to a message or another window.
        if (it != TxtField.end() && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            const F f = F(it - TxtField.begin());
            checking_ = true;
            const bool ok = session_.leaveField(f);
            (*it)->setText(session_.text(f));
            checking_ = false;
            showPreview();
            if (!ok)
                QTimer::singleShot(0, this, [this, f] { focusField(f); });
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FrmTerms::ok()
{
    if (session_.save()) {
        accept();
        return;
    }
    for (int f = 0; f < TermsSession::FieldCount; ++f)
        TxtField[f]->setText(session_.text(F(f)));
    showPreview();
    focusField(session_.focusField());
}

}  // namespace rz
